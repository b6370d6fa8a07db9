#!/usr/bin/python3
# The JSON of flyseat-inspect's commands against docs/json.schema.json (Debian's python3-jsonschema)
# on the sample's outputs and inputs, damaged copies and comparisons; and every number that the text
# of info and list prints (decimal, 0x hex, or a byte shown as a hex pair) is held by a number of
# their JSON outside its texts.
# Arguments: flyseat-inspect, flyseat-build, the sample's folder, docs/.
import json
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

INSPECT, BUILD, SAMPLE, DOCS = (pathlib.Path(p).resolve() for p in sys.argv[1:5])
OUTPUTS = ["flyseat2.p6", "flyseat3.p6", "flyseat.dsk", "flyseat.d88", "flyseat.hfe"]
# Each damaged copy: the output it is made of, its first bytes kept, then bytes put at an offset.
DAMAGED = {
    "cut.d88": (3, 100000, 0, b""),
    "header.d88": (3, 600, 0, b""),
    "fields.d88": (3, None, 0, b"A\0B" + bytes(14) + b"\1" + bytes(7) + b"\2\x10\x20\xB1"),
    "entry.d88": (3, None, 0x20, b"\xB1"),
    "sector.d88": (3, None, 688 + 272 * 37, bytes([2, 1, 7, 2, 0x10, 1, 4, 2, 3, 1, 0, 0, 0, 1, 0xFF, 0])),
    "fill.d88": (3, None, 688 + 272 * 300 + 16 + 255, b"\x12"),
    "track.d88": (3, None, 688 + 272 * 96 + 16, b"\xFE"),
    "after.dsk": (2, None, 28000, b"\7"),
    "leader.dsk": (2, None, 0, b"\xD3" * 10 + b"MPLE L"),
    "cut.p6": (1, 3000, 0, b""),
    "marker.p6": (1, None, 3144, b"\1"),
    "name.p6": (0, None, 10, b"X\\"),
    "cell.hfe": (4, None, 1024 + 900, b"\x55"),
    "odd.bin": (0, 17, 0, bytes(17)),
    "empty": (0, 0, 0, b""),
}
# The fields that hold texts rendered from the others.
TEXTS = ("report", "problems", "text", "difference", "field", "note", "message")
NUMBER = re.compile(r"0x[0-9A-Fa-f]+|(?<![\w.])(?:[0-9A-F]{2}|\d+)(?![\w.])")


def run(folder, *args):  # standard output, and standard error
    done = subprocess.run([str(INSPECT), *args], cwd=folder, capture_output=True)
    return done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


def leaves(value, kind):
    """The numbers (or the strings) of a JSON value, outside its texts."""
    if isinstance(value, kind) and not isinstance(value, bool):
        return {value}
    items = value.items() if isinstance(value, dict) else enumerate(value) if isinstance(value, list) else ()
    return set().union(*(leaves(v, kind) for k, v in items if k not in TEXTS))


def value(number):
    hexadecimal = number.startswith("0x") or len(number) == 2 and (number[0] == "0" or not number.isdigit())
    return int(number, 16) if hexadecimal else int(number)


def unheld(text, document, name):
    """The numbers printed in the text that no field of the document holds."""
    for string in sorted(leaves(document, str) | {name, "CRC-32", "SHA-1"}, key=len, reverse=True):
        text = text.replace(string, " ") if len(string) > 2 else text
    held = leaves(document, int)
    return [n for n in NUMBER.findall(text) if value(n) not in held]


def unheld_numbers(folder, files):
    missing = {}
    for name, command in ((name, command) for name in files for command in ("info", "list")):
        out, err = run(folder, command, name)
        if command == "list":  # a listed line's text is held whole by its field
            out = "".join(line.split(" ", 1)[0] + "\n" for line in out.splitlines())
        missing[f"{command} {name}"] = unheld(out + err, json.loads(run(folder, command, "--json", name)[0]), name)
    return missing


def documents(folder, files):
    """Each command's JSON on the files and folders of the tests: (definition, document) pairs."""
    other, broken = (shutil.copytree(SAMPLE, folder / name) for name in ("other", "broken"))
    listing = (other / "list3.txt").read_text()
    (other / "list3.txt").write_text(listing.replace('"PRESS SPACE"', '"PRESS A KEY"').replace("\n1900 ", "\n1895 "))
    (other / "list1.bin").write_bytes(bytes(8) + (other / "list1.bin").read_bytes()[8:])
    subprocess.run([str(BUILD), "."], cwd=other, check=True, capture_output=True)
    (broken / "patch.bin").write_bytes((broken / "patch.bin").read_bytes() + bytes([2, 0, 0xFF, 0xFF]))
    (broken / "list3.txt").write_text((broken / "list3.txt").read_text() + "PRINT\n" * 7)  # folded past five
    runs = [(command, [command, "--json", name]) for name in files for command in ("list", "info")]
    runs += [("info", ["info", "--json", "flyseat.d88", "after.dsk", "flyseat.dsk", "nonexist"])]
    runs += [("check", ["check", "--json", name]) for name in (".", "broken", "nonexist", "empty")]
    runs += [("verify", ["verify", "--json", name]) for name in (".", "broken", "other")]
    runs += [("info", ["info", "--json", "flyseat.hfe", "flyseat.d88", "after.dsk"])]
    pairs = [(name, "other/" + name) for name in OUTPUTS] + [("flyseat.d88", name) for name in files]
    pairs += [("flyseat.d88", "other/flyseat.dsk"), ("cut.p6", "nonexist"), ("flyseat2.p6", "other/flyseat.d88")]
    runs += [("diff", ["diff", "--json", first, second]) for first, second in pairs]
    return [(definition, json.loads(run(folder, *args)[0])) for definition, args in runs]


def main():
    with tempfile.TemporaryDirectory() as temp:
        folder = pathlib.Path(temp)
        for path in SAMPLE.iterdir():
            shutil.copy(path, folder)
        subprocess.run([str(BUILD), "."], cwd=folder, check=True, capture_output=True)
        run(folder, "convert", "flyseat.d88", "-o", "flyseat.hfe")
        for name, (output, size, at, data) in DAMAGED.items():
            made = bytearray((folder / OUTPUTS[output]).read_bytes()[:size])
            made[at:at + len(data)] = data
            (folder / name).write_bytes(bytes(made))
        files = OUTPUTS + list(DAMAGED)
        missing = unheld_numbers(folder, files)
        import jsonschema

        schema = json.loads((DOCS / "json.schema.json").read_text())
        jsonschema.Draft202012Validator.check_schema(schema)
        failures = [f"{command}: {' '.join(found)} in no field" for command, found in missing.items() if found]
        checked = documents(folder, files)
        for definition, document in checked:
            validator = jsonschema.Draft202012Validator({"$ref": "#/$defs/" + definition, "$defs": schema["$defs"]})
            failures += [f"{definition}: {error.json_path}: {error.message}" for error in validator.iter_errors(document)]
        print(f"{len(checked)} documents checked against docs/json.schema.json, {len(missing)} texts of info and list")
        print("\n".join(failures[:20]))
        return 1 if failures else 0


sys.exit(main())
