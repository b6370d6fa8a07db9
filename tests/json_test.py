#!/usr/bin/python3
"""The JSON of flyseat-inspect's commands against docs/json.schema.json (Debian's python3-jsonschema),
on the sample's outputs and inputs, damaged copies and comparisons; and every number that the text
of info and list prints is held by a field of their JSON. --count prints the numbers that none
holds, command by command, and fails on none of them."""
import json
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

INSPECT, BUILD, SAMPLE, DOCS = (pathlib.Path(p) for p in sys.argv[1:5])
COUNT = "--count" in sys.argv


def damaged(folder):
    """Images a build made, and copies damaged as the format checks name it; the file names."""
    made = {name: (folder / name).read_bytes() for name in ("flyseat2.p6", "flyseat3.p6", "flyseat.dsk", "flyseat.d88")}
    d88, dsk, main = made["flyseat.d88"], made["flyseat.dsk"], made["flyseat3.p6"]

    def put(name, data, at=None, values=b""):
        data = bytearray(data)
        if at is not None:
            data[at:at + len(values)] = values
        (folder / name).write_bytes(bytes(data))

    put("cut.d88", d88[:100000])
    put("header.d88", d88[:600])
    put("table.d88", d88[:0x30])
    put("fields.d88", d88, 0, b"A\0B" + bytes(14) + b"\1" + bytes(7) + b"\2\x10\x20\xB1")
    put("entry.d88", d88, 0x20, b"\xB1")
    put("sector.d88", d88, 688 + 272 * 37, bytes([2, 1, 7, 2, 0x10, 1, 4, 2, 3, 1, 0, 0, 0, 1, 0xFF, 0]))
    put("fill.d88", d88, 688 + 272 * 300 + 16 + 255, b"\x12")
    put("track.d88", d88, 688 + 272 * 96 + 16, b"\xFE")
    put("after.d88", d88, 688 + 272 * 109 + 16 + 96, b"\7")
    put("short.dsk", dsk[:3 * 4096])
    put("long.dsk", dsk + bytes(23 * 4096))
    put("after.dsk", dsk, 28000, b"\7")
    put("leader.dsk", dsk, 0, b"\xD3" * 10 + b"MPLE L")
    put("cut.p6", main[:3000])
    put("link.p6", main, 16, b"\1")
    put("marker.p6", main, 3144, b"\1")
    put("more.p6", main + b"\7\10")
    put("name.p6", made["flyseat2.p6"], 10, b"X\\")
    put("leader.p6", b"\xD3" * 10)
    put("odd.bin", bytes(17))
    put("empty", b"")
    return list(made) + [p.name for p in sorted(folder.iterdir()) if p.name not in made and p.is_file()
                         and not p.name.endswith((".bin", ".txt")) or p.name == "odd.bin"]


def run(folder, *args):
    done = subprocess.run([str(INSPECT), *args], cwd=folder, capture_output=True)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


# A number as the texts print it: 0x2C, 42, or a byte of bytes shown as hex pairs (00 FF).
NUMBER = re.compile(r"0x[0-9A-Fa-f]+|(?<![\w.])(?:[0-9A-F]{2}|\d+)(?![\w.])")


def value(number):
    hexadecimal = number.startswith("0x") or len(number) == 2 and (number[0] == "0" or not number.isdigit())
    return int(number, 16) if hexadecimal else int(number)


# The fields that hold texts rendered from the others.
TEXTS = ("report", "problems", "text", "difference", "field", "note", "message")


def numbers(value):
    """The numbers of a JSON value, outside its texts."""
    if isinstance(value, bool):
        return set()
    if isinstance(value, (int, float)):
        return {value}
    items = value.items() if isinstance(value, dict) else enumerate(value) if isinstance(value, list) else ()
    return set().union(*(numbers(v) for k, v in items if k not in TEXTS))


def strings(value):
    if isinstance(value, str):
        return {value}
    items = value.items() if isinstance(value, dict) else enumerate(value) if isinstance(value, list) else ()
    return set().union(*(strings(v) for k, v in items if k not in TEXTS))


def unheld(text, document, names):
    """The numbers printed in the text that no field of the document holds."""
    for name in sorted(names | {s for s in strings(document) if len(s) > 2}, key=len, reverse=True):
        text = text.replace(name, " ")
    text = text.replace("CRC-32", " ").replace("SHA-1", " ").replace("flyseat-inspect", " ")
    held = numbers(document)
    return [n for n in NUMBER.findall(text) if value(n) not in held]


def count(folder, files):
    missing = {}
    for name in files:
        _, out, err = run(folder, "info", name)
        document = json.loads(run(folder, "info", "--json", name)[1])
        missing["info " + name] = unheld(out + err, document, {name})
        _, out, err = run(folder, "list", name)
        document = json.loads(run(folder, "list", "--json", name)[1])
        listed = "".join(line.split(" ", 1)[0] + "\n" for line in out.splitlines())
        missing["list " + name] = unheld(listed + err, document, {name})
    return missing


def documents(folder, files):
    """Each command's JSON on the files and folders of the tests: (definition, document) pairs."""
    other, broken = folder / "other", folder / "broken"
    for copy in (other, broken):
        shutil.copytree(SAMPLE, copy)
    listing = (other / "list3.txt").read_text()
    (other / "list3.txt").write_text(listing.replace('"PRESS SPACE"', '"PRESS A KEY"').replace("\n1900 ", "\n1895 "))
    (other / "list1.bin").write_bytes(bytes(8) + (other / "list1.bin").read_bytes()[8:])
    subprocess.run([str(BUILD), "."], cwd=other, check=True, capture_output=True)
    (broken / "patch.bin").write_bytes((broken / "patch.bin").read_bytes() + bytes([2, 0, 0xFF, 0xFF]))
    (folder / "none").mkdir()
    runs = [("list", ["list", "--json", name]) for name in files]
    runs += [("info", ["info", "--json", name]) for name in files]
    runs += [("info", ["info", "--json", "flyseat.d88", "after.dsk", "flyseat.dsk", "nonexist"])]
    runs += [("check", ["check", "--json", name]) for name in (".", "broken", "none", "nonexist", "empty")]
    pairs = [(name, "other/" + name) for name in files[:4]] + [("flyseat.d88", name) for name in files]
    pairs += [("flyseat.d88", "other/flyseat.dsk"), ("cut.p6", "nonexist"), ("flyseat2.p6", "other/flyseat.d88")]
    runs += [("diff", ["diff", "--json", first, second]) for first, second in pairs]
    return [(definition, json.loads(run(folder, *args)[1])) for definition, args in runs]


def main():
    import jsonschema

    schema = json.loads((DOCS / "json.schema.json").read_text())
    jsonschema.Draft202012Validator.check_schema(schema)
    with tempfile.TemporaryDirectory() as temp:
        folder = pathlib.Path(temp)
        for path in SAMPLE.iterdir():
            shutil.copy(path, folder)
        subprocess.run([str(BUILD), "."], cwd=folder, check=True, capture_output=True)
        files = damaged(folder)
        missing = count(folder, files)
        if COUNT:
            for command, found in missing.items():
                print(f"{command}: {len(found)} {' '.join(found)}")
            print("in all:", sum(len(found) for found in missing.values()))
            return 0
        failures = [f"{command}: {' '.join(found)} in no field" for command, found in missing.items() if found]
        checked = 0
        for definition, document in documents(folder, files):
            validator = jsonschema.Draft202012Validator({"$ref": "#/$defs/" + definition, "$defs": schema["$defs"]})
            failures += [f"{definition}: {error.json_path}: {error.message}" for error in validator.iter_errors(document)]
            checked += 1
        print(f"{checked} documents checked against docs/json.schema.json; {len(missing)} texts of info and list")
        print("\n".join(failures[:20]))
        return 1 if failures else 0


sys.exit(main())
