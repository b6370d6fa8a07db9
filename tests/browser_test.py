#!/usr/bin/python3
"""The page against the command line in Chromium, Firefox (through firefox_bridge.mjs) or WebKit,
with axe-core (web/node_modules) and a report of its times beside the native build's.
FLYSEAT_WEB_SCREENSHOT=FILE.png saves the page at 400 pixels wide (docs/web.png), in Chromium;
FILE-dark.png beside it in the dark scheme."""
import argparse
import io
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

arguments = argparse.ArgumentParser()
arguments.add_argument("--engine", choices=["chromium", "firefox", "webkit"], required=True)
for option in ("page", "build", "inspect", "sample", "bench", "browser", "driver", "web"):
    arguments.add_argument("--" + option, type=lambda path: pathlib.Path(path).resolve())
ARGS, rest = arguments.parse_known_args()
sys.argv[1:] = rest
OUTPUTS = ["flyseat2.p6", "flyseat3.p6", "flyseat.dsk", "flyseat.d88", "flyseat.hfe"]
numbers = {}

# A script's promise is awaited: by the WebDriver servers as the standard says, by the bridge.
BLOB = "return fetch(arguments[0]).then((r) => r.arrayBuffer()).then((b) => [...new Uint8Array(b)])"
# The browser decodes the command line's PNG and the one the page saves: every pixel must agree.
PREVIEW_DIFFERENCE = """const pixels = (blob) => createImageBitmap(blob).then((image) => {
  const [width, height] = [image.width, image.height];
  const context = Object.assign(document.createElement("canvas"), {width, height}).getContext("2d");
  context.drawImage(image, 0, 0);
  return [`${width}x${height}`, context.getImageData(0, 0, width, height).data];
});
return Promise.all([pixels(new Blob([new Uint8Array(arguments[0])])), fetch(document
  .getElementById("preview-png").href).then((r) => r.blob()).then(pixels)]).then(([want, got]) =>
  [want[0], got[0], want[1].filter((v, i) => v !== got[1][i]).length]);"""
# Builds of the sample clicked one after another, as the native benchmark runs them: the mean time
# the worker takes for the module's call and the copy of its outputs (some browsers count only
# whole milliseconds, so a mean of many, not a median).
BUILD_TIME = """const messages = document.getElementById("messages");
return (async () => {
  let total = 0;
  for (let i = 0; i < arguments[0]; i++) {
    const built = new Promise((done) => new MutationObserver((_, seen) => done(seen.disconnect()))
      .observe(messages, {attributeFilter: ["data-ms"]}));
    document.getElementById("build").click();
    await built;
    total += Number(messages.dataset.ms);
  }
  return total / arguments[0];
})();"""
# The longest time, in milliseconds, that the page's thread went without a turn of its timers
# since the last call: no task there took longer. The first call starts the count.
LONGEST = """if (!window.beat) {
  let last = performance.now();
  window.beat = () => {
    [window.longest, last] = [Math.max(window.longest ?? 0, performance.now() - last),
      performance.now()];
    setTimeout(beat);
  };
  beat();
}
const longest = window.longest;
window.longest = 0;
return longest;"""
# Each state that the status line takes.
STATES = """window.states = [];
const status = document.getElementById("status");
new MutationObserver(() => states.at(-1) === status.dataset.state || states.push(status.dataset
  .state)).observe(status, {attributes: true});"""
# The comparison under Info: its heading and lines, or null when it is hidden.
COMPARED = """const shown = document.getElementById("diff");
return shown.hidden ? null : [...shown.querySelectorAll("h3, li")].map((e) => e.textContent);"""
# Files dropped by a script, where the driver cannot drop from the desktop: [[name, bytes]].
DROP = """const dropped = new DataTransfer();
for (const [name, b] of arguments[0]) dropped.items.add(new File([new Uint8Array(b)], name));
document.dispatchEvent(new DragEvent("drop", {dataTransfer: dropped}));"""


def share():
    """How many times the machine's work outnumbers its cores, 1 at least: a bound of time grows
    by as much, as the page's threads have a share of a core."""
    return max(1, os.getloadavg()[0] / len(os.sched_getaffinity(0)))


def run(command, folder=None, problems=subprocess.DEVNULL):
    return subprocess.run([str(c) for c in command], cwd=folder, stdout=subprocess.PIPE,
                          stderr=problems).stdout.decode()


class WebDriver:
    """Chromium (headless) or WebKit's MiniBrowser, through their WebDriver servers."""

    def __init__(self, profile, dark):
        if ARGS.engine == "chromium":
            options = webdriver.ChromeOptions()
            for flag in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage",
                         "--proxy-server=http://127.0.0.1:9", f"--user-data-dir={profile}",
                         *["--force-dark-mode"] * dark):
                options.add_argument(flag)
        else:
            options = webdriver.WebKitGTKOptions()
            for flag in ("--automation", *["--dark-mode"] * dark):
                options.add_argument(flag)
        options.binary_location = str(ARGS.browser)
        self.driver = (webdriver.WebKitGTK(executable_path=str(ARGS.driver), options=options)
                       if ARGS.engine == "webkit" else
                       webdriver.Chrome(service=Service(str(ARGS.driver)), options=options))
        self.open, self.js = self.driver.get, self.driver.execute_script
        self.size, self.quit = self.driver.set_window_size, self.driver.quit

    def pick(self, id, paths):
        self.driver.find_element(By.ID, id).send_keys("\n".join(paths))


class Firefox:
    """Firefox headless, through firefox_bridge.mjs: each method a command to it."""

    def __init__(self, profile, dark):
        self.bridge = subprocess.Popen([ARGS.driver, pathlib.Path(__file__).with_name(
            "firefox_bridge.mjs"), ARGS.web, ARGS.browser, *["dark"] * dark],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def __getattr__(self, name):
        def command(*arguments):
            print(json.dumps([name, *arguments]), file=self.bridge.stdin, flush=True)
            answer = json.loads(self.bridge.stdout.readline() or '{"error": "no answer"}')
            if name == "quit":
                self.bridge.communicate()
            assert "error" not in answer, f"{name}: {answer['error']}"
            return answer["value"]
        return command


class Page(unittest.TestCase):
    def setUp(self):
        self.tmp = pathlib.Path(tempfile.mkdtemp(prefix="flyseat-web-"))
        self.dark = "dark" in self.id()  # the browser in the dark scheme
        self.page = (Firefox if ARGS.engine == "firefox" else WebDriver)(self.tmp / "profile",
                                                                         self.dark)
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.addCleanup(self.page.quit)  # also when setUp fails, unlike tearDown
        # A browser starts its process for local files at the first one it shows, whatever it is:
        # not the page's time (Firefox took 100 to 200 ms more on its first local file).
        self.page.open(self.tmp.as_uri())
        self.open()

    def open(self):  # how long the page took to be ready, in milliseconds
        self.page.open(ARGS.page.as_uri())
        self.until(lambda: self.state() != "loading")
        self.assertEqual(self.state(), "ready", self.text("status"))
        return float(self.text("status", "data-ready-ms"))

    def tearDown(self):
        self.assertEqual(self.page.js("return window.flyseatTrouble"), [],
                         "went wrong uncaught, or was blocked by the page's policy")

    def until(self, condition, timeout=10):
        end = time.monotonic() + timeout
        while not condition() and time.monotonic() < end:
            time.sleep(0.05)

    def state(self):
        return self.text("status", "data-state")

    def text(self, id, attribute=None):
        return self.page.js("const e = document.getElementById(arguments[0]);"
                            "return arguments[1] ? e.getAttribute(arguments[1]) : e.textContent",
                            id, attribute)

    def click(self, id):
        self.page.js("document.getElementById(arguments[0]).click()", id)

    def assertShows(self, id, want):
        """The page's updates are asynchronous: waits for the text, then compares it."""
        self.until(lambda: self.text(id) == want)
        self.assertEqual(self.text(id), want)

    def game(self, name, changed={}):
        """A folder of the sample's inputs, some changed or added (bytes) or left out (None)."""
        folder = self.tmp / name
        shutil.copytree(ARGS.sample, folder)
        for file, content in changed.items():
            (folder / file).unlink(missing_ok=True)
            if content is not None:
                (folder / file).write_bytes(content)
        return folder

    def pick(self, *paths, id="inputs"):
        self.page.pick(id, [str(p) for p in paths])

    def drop(self, *paths):  # as from the desktop in Chromium, by a script in the others
        if ARGS.engine != "chromium":
            return self.page.js(DROP, [[p.name, list(p.read_bytes())] for p in paths])
        files = {"items": [], "files": [str(p) for p in paths], "dragOperationsMask": 1}
        for event in ("dragEnter", "dragOver", "drop"):
            self.page.driver.execute_cdp_cmd("Input.dispatchDragEvent",
                                             {"type": event, "x": 9, "y": 9, "data": files})

    def assertAccessible(self, when):  # axe-core: its violations, and what it leaves to review
        self.page.js((ARGS.web.parent / "node_modules/axe-core/axe.min.js").read_text())
        found = self.page.js("return axe.run().then((r) => r.violations.concat(r.incomplete)"
                             ".map((v) => v.id + ' at ' + v.nodes.map((n) => n.target)))")
        self.assertEqual(found, [], when)

    def pick_game(self, folder):
        self.pick(*sorted(folder.iterdir()))
        self.assertShows("check", run([ARGS.inspect, "check", folder]))

    def build(self, folder):
        """Builds in the page and on the command line, the HFE image converted; compares messages
        and outputs."""
        self.click("build")
        self.assertShows("messages", run([ARGS.build], folder))
        if (folder / "flyseat.d88").exists():
            run([ARGS.inspect, "convert", "flyseat.d88", "-o", "flyseat.hfe"], folder)
        made = {name: self.download(url) for name, url in self.page.js(
            "return [...document.querySelectorAll('#outputs a')].map((a) => [a.download, a.href])")}
        self.assertEqual(made, {name: (folder / name).read_bytes() for name in OUTPUTS
                                if (folder / name).exists()})
        self.assertEqual(self.state(), "built" if len(made) == 5 else "failed")
        if len(made) < 5:  # the input that the failure names is the one to fix
            failure = self.text("messages").splitlines()[-1]
            self.assertEqual(self.text("status"), f"The build failed: {failure}. The input to "
                             f"fix: {failure.split(':')[0]}.")
        return made

    def download(self, url):
        return bytes(self.page.js(BLOB, url))

    def edit(self, listing):
        self.page.js("Object.assign(document.getElementById('list3'), {value: arguments[0]})"
                     ".dispatchEvent(new Event('input'))", listing.decode("latin-1"))

    def test_sample_and_an_edited_listing_as_the_command_line(self):
        self.page.js("new MutationObserver(() => { const a = document.getElementById('preview-png')"
                     "; window.bare ||= a.checkVisibility() && !a.href; })"
                     ".observe(document.body, {subtree: true, attributes: true})")
        self.assertEqual(self.text("version"), run([ARGS.build, "--version"]).split()[-1])
        sample = self.game("sample")
        self.pick_game(sample)
        self.assertEqual(self.text("verdict"), self.text("check").splitlines()[-1])
        self.assertEqual(self.state(), "checked")
        png = subprocess.run([ARGS.inspect, "preview", sample, "-o", "-"], capture_output=True)
        self.until(lambda: self.text("preview-png", "href"))
        want, got, differ = self.page.js(PREVIEW_DIFFERENCE, list(png.stdout))
        self.assertEqual((got, differ), (want, 0), "pixels differ from the command line's preview")
        self.assertFalse(self.page.js("return window.bare"), "the PNG link showed with no link")
        made = self.build(sample)
        info = json.loads(run([ARGS.inspect, "info", "--json", *OUTPUTS], sample))["files"]
        self.assertShows("outputs", sums := "".join(
            map("{file}, {size} bytes, CRC-32 {crc32}, SHA-1 {sha1}".format_map, info)))
        zipped = zipfile.ZipFile(io.BytesIO(self.download(self.text("zip", "href"))))
        self.assertEqual({name: zipped.read(name) for name in zipped.namelist()}, made)
        self.page.js(BUILD_TIME, 20)  # the browser compiles the hot code better once it runs
        numbers["build"] = self.page.js(BUILD_TIME, 100)
        self.assertShows("listing", listed := run([ARGS.inspect, "list", "flyseat3.p6"], sample))
        # The five images and a file that is none, whose CRC-32 begins with a zero: as info says,
        # and with the inputs, as verify says.
        (sample / "zeros").write_bytes(bytes(13))
        self.pick(*(sample / name for name in OUTPUTS + ["zeros"]))
        self.assertShows("info", run([ARGS.inspect, "info", *OUTPUTS, "zeros"], sample,
                                     subprocess.STDOUT).replace("flyseat-inspect: ", ""))
        self.assertShows("verify-lines", run([ARGS.inspect, "verify"], sample))
        # Images to look at leave the build as it was; the status line says where their answer is.
        self.assertEqual([self.state(), self.text("zip", "hidden"), self.text("outputs"),
                          self.text("listing")], ["built", None, sums, listed])
        self.assertTrue(self.text("status").endswith(
            " Looked at 6 files: what info says of them is under Info, below."))

        # Line 90 renumbered in the text area: two records fire nowhere.
        edited = (sample / "list3.txt").read_bytes().replace(b"\n90 ", b"\n95 ")
        self.edit(edited)
        renumbered = self.game("renumbered", {"list3.txt": edited})
        self.assertShows("check", run([ARGS.inspect, "check", renumbered]))
        self.build(renumbered)
        self.assertEqual(self.download(self.text("list3-download", "href")), edited)
        # A listing given while an edit waits replaces the edit, carriage returns and all.
        self.edit(b"10 REM AN EDIT OF THE OLD TEXT\n")
        crlf = self.game("crlf", {"list3.txt": edited.replace(b"\n", b"\r\n")})
        self.pick(crlf / "list3.txt")
        time.sleep(0.5)  # past the edit pause
        self.assertShows("check", run([ARGS.inspect, "check", crlf]))

    def test_bad_inputs_get_the_command_lines_message_and_the_page_goes_on(self):
        # A record that stores nothing, then one of 4 bytes at 0xFFFE.
        patch = bytes([0, 0, 0, 0x10, 4, 0, 0xFE, 0xFF, 1, 2, 3, 4])
        past_the_end = self.game("past", {"patch.bin": patch})
        self.pick_game(past_the_end)
        self.build(past_the_end)
        self.assertIn("record at offset 4 runs past the end of memory", self.page.js(
            "return document.querySelector('#messages .error').textContent"))
        self.assertShows("preview-note", "No preview: " + self.text("messages").strip())

        # A listing of 21.6 MB, too large for the program; then the sample builds again.
        listing = b'10 PRINT "TOO LARGE FOR THE PROGRAM BUFFER"\n' * 500000
        huge = self.game("huge", {"list3.txt": listing})
        self.pick_game(huge)
        self.build(huge)
        self.pick_game(self.game("sample"))
        self.build(self.game("again"))
        self.assertEqual(self.text("error"), "")

    def test_inputs_dropped_or_picked_taken_by_their_names_and_a_missing_one_named(self):
        missing = self.game("missing", {"list2.bin": None})
        if ARGS.engine == "chromium":  # a folder dropped on a page opened from disk is refused
            self.drop(missing)
            self.assertShows("error", "The folder missing cannot be read when dropped here: "
                             'pick it with "Or the folder that holds them", or drop its files.')
            self.assertEqual(self.state(), "nothing")  # no "Ready" in green
        self.drop(*missing.iterdir())
        self.assertShows("check", run([ARGS.inspect, "check", missing]))
        self.assertEqual(self.page.js("return document.getElementById('build').disabled"), True)
        self.assertShows("build-needs", "Missing: list2.bin")
        self.assertEqual((self.state(), self.text("verdict", "class")), ("missing", "error"))
        # As a browser saves a file again, or another system names it; the very name comes first.
        other = b"10 REM A NAME ALIKE\n"
        saved = self.game("saved", {"list3 (1).txt": other})
        for name, alike in (("list1.bin", "LIST1.BIN"), ("list2.bin", "list2 (2).bin"),
                            ("patch.bin", "patch(1).bin")):
            (saved / name).rename(saved / alike)
        # The folder picker; Firefox's and WebKit's drivers give it no folder.
        self.pick(saved, id="folder") if ARGS.engine == "chromium" else self.pick(*saved.iterdir())
        self.assertShows("check", run([ARGS.inspect, "check", ARGS.sample]))
        self.assertEqual(self.page.js("return [...document.querySelectorAll('#files tr')]"
                                      ".map((row) => row.cells[2].textContent)"),
                         ["loader.bin", "LIST1.BIN", "list2 (2).bin", "patch(1).bin", "list3.txt"])
        self.pick(saved / "list3 (1).txt")
        self.assertShows("check", run([ARGS.inspect, "check", self.game("other",
                                                                        {"list3.txt": other})]))

    # Two images given alone get what `diff` says of them under Info, if they are alike; the
    # last pair, two D88 images a program line apart, stays shown.
    def compare(self, folder):
        edited = self.game("edited", {"list3.txt": (folder / "list3.txt").read_bytes().replace(
            b"PRESS SPACE", b"PRESS A KEY")})
        run([ARGS.build], edited)
        shutil.copy(edited / "flyseat.d88", folder / "edited.d88")
        for pair in ("flyseat.d88", "flyseat.dsk"), ("flyseat3.p6", "flyseat.d88"), (
                "flyseat.d88", "edited.d88"):
            self.pick(*(folder / name for name in pair))
            said = run([ARGS.inspect, "diff", *pair], folder).splitlines() or ["the same"]
            want = None if "p6" in pair[0] else ["flyseat-inspect diff " + " ".join(pair), *said]
            self.until(lambda: self.page.js(COMPARED) == want)
            self.assertEqual(self.page.js(COMPARED), want)

    def accessible_and_narrow(self):
        """axe-core at four moments, at 400 pixels wide; a screenshot of the build, if asked."""
        self.page.size(400, 1100)  # WebKit's window is 447 wide at least
        self.assertAccessible("at first view")
        self.pick_game(self.game("sample"))
        self.assertAccessible("after a check")
        self.build(built := self.game("built"))
        self.compare(built)
        self.assertAccessible("after a build, with two images compared")
        self.click("preview-full")
        self.until(lambda: self.page.js("return document.getElementById('preview').complete"))
        self.assertAccessible("with the preview at full size")
        scrolled = self.page.js(
            "const [page, image, area] = ['html', '#preview', '#list3'].map("
            "  (s) => document.querySelector(s));"
            "return [page.scrollWidth > page.clientWidth, image.clientWidth === image.naturalWidth,"
            "        area.scrollWidth > area.clientWidth, innerWidth]")
        # The page does not scroll sideways; the preview, at full size, and the listing do.
        self.assertEqual(scrolled[:3], [False, True, True], f"at {scrolled[3]} pixels wide")
        if (shot := os.environ.get("FLYSEAT_WEB_SCREENSHOT")) and ARGS.engine == "chromium":
            self.page.js("scrollTo(0, 0)")
            self.page.driver.save_screenshot(shot.replace(".png", "-dark" * self.dark + ".png"))

    def test_ready_soon_narrow_accessible_and_offline(self):
        # Ready: its first time in this browser, then ten more. The first alone moves by a third
        # and more with the machine's other work; the median is held to 300 ms.
        times = [float(self.text("status", "data-ready-ms"))] + [self.open() for _ in range(10)]
        numbers["ready"] = (times[0], sorted(times)[5])
        self.assertLessEqual(numbers["ready"][1], 300 * share(), f"ready after {times} ms")
        self.accessible_and_narrow()
        # What the page fetched; what its policy blocked is in flyseatTrouble (tearDown).
        urls = self.page.js("return performance.getEntriesByType('resource').map((e) => e.name)")
        self.assertEqual([u for u in urls if not u.startswith(("file:", "data:", "blob:"))], [])

    def test_dark_scheme_accessible(self):  # the browser in the dark scheme: light text on dark
        colours = self.page.js("const s = getComputedStyle(document.body);"
                               "return [s.color, s.backgroundColor]")
        text, page = (sum(map(int, re.findall(r"\d+", colour)[:3])) for colour in colours)
        self.assertGreater(text, page + 300, colours)
        self.accessible_and_narrow()

    def test_busy_and_responsive_with_the_module_in_a_worker(self):
        """The page says at once what it waits for; no task of its thread takes 100 ms from giving
        the sample's files to the build's links, nor for a 50 MB input, with the CPU slowed 4
        times in Chromium (no other driver can). The least of three tries."""
        bound = 100 * share()
        if ARGS.engine == "chromium":
            self.page.driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": 4})
        self.page.js(STATES)
        sample, large = self.game("sample"), self.game("large", {"list3.txt": bytes(50 << 20)})
        tries = []
        while len(tries) < 3 and (not tries or max(tries[-1]) >= bound):
            self.page.js(LONGEST)
            self.pick_game(sample)
            self.assertEqual(self.page.js(  # as the click is handled, before any answer
                "document.getElementById('build').click(); return document.getElementById("
                "'status').dataset.state"), "building")
            self.until(lambda: self.state() == "built")  # with the links
            tries.append([self.page.js(LONGEST), self.pick_game(large) or self.page.js(LONGEST)])
        numbers["longest"] = [*min(tries, key=max), *tries[0], bound]
        self.assertLess(max(tries[-1]), bound, f"longest tasks, in ms: {tries}")
        self.assertEqual(self.page.js("return states")[:8], ["reading", "checking", "checked",
                         "building", "built", "reading", "checking", "checked"])


def report():
    native = ""
    if ARGS.bench and ARGS.bench.exists():
        results = json.loads(run([ARGS.bench, "--benchmark_filter=WholeBuildSample$",
                                  "--benchmark_format=json", "--benchmark_repetitions=9",
                                  "--benchmark_report_aggregates_only=true"]))
        median = next(b["real_time"] for b in results["benchmarks"]
                      if b["aggregate_name"] == "median") / 1000
        native = (f"; native in-memory build {median:.3f} ms, "
                  f"the page's {numbers['build'] / median:.1f} times that")
    print(f"{run([ARGS.browser, '--version']).strip()}: page {ARGS.page.stat().st_size} bytes; "
          "ready {:.0f} ms at its first opening, {:.0f} ms the median of eleven; build of the "
          "sample in the page {:.2f} ms (mean of 100 after 20 to warm up)".format(
              *numbers["ready"], numbers["build"]) + native + "; longest task of the page's "
          "thread {:.0f} ms from the sample's files to the build's links, {:.0f} ms for a 50 MB "
          "input ({:.0f} and {:.0f} ms at the first try, a bound of {:.0f} ms){}".format(
              *numbers["longest"], ", the CPU slowed 4 times" * (ARGS.engine == "chromium")))


if __name__ == "__main__":
    outcome = unittest.main(verbosity=2, exit=False).result
    if outcome.wasSuccessful() and {"build", "ready", "longest"} <= numbers.keys():
        report()
    sys.exit(0 if outcome.wasSuccessful() else 1)
