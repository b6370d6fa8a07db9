#!/usr/bin/python3
"""The browser page in headless Chromium, opened from disk, against the command line.

Each case gives the page files through #inputs and compares what it shows and offers with what
flyseat-build and flyseat-inspect print and write for the same files. At the end it prints the
page's size, its time to ready and the time of a build of the sample, beside the native
in-memory build's when flyseat-bench is given. FLYSEAT_WEB_SCREENSHOT=FILE.png saves the page
at 400 pixels wide (docs/web.png).
"""
import argparse
import base64
import json
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import unittest

from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

arguments = argparse.ArgumentParser()
for option in ("page", "build", "inspect", "sample", "bench", "chromium", "chromedriver"):
    arguments.add_argument("--" + option, type=lambda path: pathlib.Path(path).resolve())
ARGS, rest = arguments.parse_known_args()
sys.argv[1:] = rest
OUTPUTS = ["flyseat2.p6", "flyseat3.p6", "flyseat.dsk", "flyseat.d88"]
numbers = {}

BLOB = """const [url, done] = arguments;
fetch(url).then((r) => r.arrayBuffer()).then((buffer) => {
  let text = ""; for (const b of new Uint8Array(buffer)) text += String.fromCharCode(b);
  done(btoa(text));
});"""
# Chromium decodes the command line's PNG; every pixel must equal the page's canvas.
PREVIEW_DIFFERENCE = """const [png, done] = arguments;
const image = new Image();
image.onload = () => {
  const canvas = document.createElement("canvas");
  [canvas.width, canvas.height] = [image.width, image.height];
  const context = canvas.getContext("2d");
  context.drawImage(image, 0, 0);
  const want = context.getImageData(0, 0, image.width, image.height).data;
  const page = document.getElementById("preview");
  const got = page.getContext("2d").getImageData(0, 0, page.width, page.height).data;
  const differ = want.filter((v, i) => v !== got[i]).length;
  done([page.width, page.height, image.width, image.height, differ]);
};
image.src = "data:image/png;base64," + png;"""


def run(command, folder=None, problems=subprocess.DEVNULL):
    return subprocess.run([str(c) for c in command], cwd=folder, stdout=subprocess.PIPE,
                          stderr=problems).stdout.decode()


class Page(unittest.TestCase):
    def setUp(self):
        self.tmp = pathlib.Path(tempfile.mkdtemp(prefix="flyseat-web-"))
        options = webdriver.ChromeOptions()
        options.binary_location = str(ARGS.chromium)
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--no-first-run", "--no-default-browser-check", "--disable-extensions",
                     "--disable-background-networking", "--disable-component-update",
                     "--disable-sync", "--proxy-server=http://127.0.0.1:9",
                     f"--user-data-dir={self.tmp / 'profile'}"):
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        self.driver = webdriver.Chrome(service=Service(str(ARGS.chromedriver)), options=options)
        self.driver.set_script_timeout(30)
        self.driver.get(ARGS.page.resolve().as_uri())
        WebDriverWait(self.driver, 10).until(lambda d: self.state() != "loading")
        self.assertEqual(self.state(), "ready", self.text("status"))

    def tearDown(self):
        self.driver.quit()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def state(self):
        return self.text("status", "data-state")

    def text(self, id, attribute="textContent"):
        return self.driver.find_element(By.ID, id).get_attribute(attribute)

    def js(self, script, *arguments):
        return self.driver.execute_script("return " + script, *arguments)

    def assertShows(self, id, want):
        """The page's updates are asynchronous: waits for the text, then compares it."""
        try:
            WebDriverWait(self.driver, 10).until(lambda d: self.text(id) == want)
        except TimeoutException:
            pass
        self.assertEqual(self.text(id), want)

    def game(self, name, changed={}):
        """A folder of the sample's inputs, some changed (to bytes) or left out (None)."""
        folder = self.tmp / name
        shutil.copytree(ARGS.sample, folder)
        for file, content in changed.items():
            (folder / file).unlink()
            if content is not None:
                (folder / file).write_bytes(content)
        return folder

    def pick(self, *paths):
        self.driver.find_element(By.ID, "inputs").send_keys("\n".join(str(p) for p in paths))

    def pick_game(self, folder):
        self.pick(*sorted(folder.iterdir()))
        self.assertShows("check", run([ARGS.inspect, "check", folder]))

    def build(self, folder):
        """Builds in the page and on the command line; compares messages and outputs."""
        self.driver.find_element(By.ID, "build").click()
        said = run([ARGS.build], folder)
        self.assertShows("messages", said)
        links = self.driver.find_elements(By.CSS_SELECTOR, "#outputs a[download]")
        made = {link.get_attribute("download"): self.download(link.get_attribute("href"))
                for link in links}
        self.assertEqual(made, {name: (folder / name).read_bytes() for name in OUTPUTS
                                if (folder / name).exists()})

    def download(self, url):
        return base64.b64decode(self.driver.execute_async_script(BLOB, url))

    def build_time(self):
        self.driver.find_element(By.ID, "build").click()
        return float(self.text("messages", "data-ms"))

    def test_sample_and_an_edited_listing_as_the_command_line(self):
        numbers["ready"] = float(self.text("status", "data-ready-ms"))
        sample = self.game("sample")
        self.pick_game(sample)
        png = subprocess.run([ARGS.inspect, "preview", sample, "-o", "-"], capture_output=True)
        shown = self.driver.execute_async_script(PREVIEW_DIFFERENCE,
                                                 base64.b64encode(png.stdout).decode())
        self.assertEqual(shown[:2], shown[2:4])
        self.assertEqual(shown[4], 0, "pixels differ from the command line's preview")
        self.build(sample)
        for _ in range(10):  # the browser compiles the module's hot code better once it runs
            self.build_time()
        numbers["build"] = statistics.median(self.build_time() for _ in range(15))
        self.assertShows("listing", run([ARGS.inspect, "list", "flyseat3.p6"], sample))
        # The four images and a file that is none, whose CRC-32 begins with a zero.
        (sample / "zeros").write_bytes(bytes(13))
        self.pick(*(sample / name for name in OUTPUTS + ["zeros"]))
        said = run([ARGS.inspect, "info", *OUTPUTS, "zeros"], sample, subprocess.STDOUT)
        self.assertShows("info", said.replace("flyseat-inspect: ", ""))

        # Line 90 renumbered in the text area: two records fire nowhere.
        edited = (sample / "list3.txt").read_bytes().replace(b"\n90 ", b"\n95 ")
        self.js("Object.assign(document.getElementById('list3'), {value: arguments[0]})"
                ".dispatchEvent(new Event('input'))", edited.decode("latin-1"))
        renumbered = self.game("renumbered", {"list3.txt": edited})
        self.assertShows("check", run([ARGS.inspect, "check", renumbered]))
        self.build(renumbered)
        self.assertEqual(self.download(self.text("list3-download", "href")), edited)

    def test_bad_inputs_get_the_command_lines_message_and_the_page_goes_on(self):
        # A record that stores nothing, then one of 4 bytes at 0xFFFE.
        patch = bytes([0, 0, 0, 0x10, 4, 0, 0xFE, 0xFF, 1, 2, 3, 4])
        past_the_end = self.game("past", {"patch.bin": patch})
        self.pick_game(past_the_end)
        self.build(past_the_end)
        self.assertIn("record at offset 4 runs past the end of memory", self.text("messages"))
        self.assertEqual(self.driver.find_elements(By.CSS_SELECTOR, "#outputs a"), [])
        self.assertShows("preview-note", "No preview: " + self.text("messages").strip())

        # A listing of 21.6 MB, too large for the program; then the sample builds again.
        listing = b'10 PRINT "TOO LARGE FOR THE PROGRAM BUFFER"\n' * 500000
        huge = self.game("huge", {"list3.txt": listing})
        self.pick_game(huge)
        self.build(huge)
        self.assertEqual(self.text("messages"), "list3.txt: program too large at line 10\n")
        self.pick_game(self.game("sample"))
        self.build(self.game("again"))
        self.assertEqual(self.text("error"), "")

    def test_a_missing_input_is_named_and_not_built(self):
        self.pick_game(self.game("missing", {"list2.bin": None}))
        self.assertIn("error: cannot open list2.bin", self.text("check"))
        self.assertFalse(self.driver.find_element(By.ID, "build").is_enabled())
        self.assertShows("build-needs", "Missing: list2.bin")

    def test_narrow_labelled_and_offline(self):
        self.driver.set_window_size(400, 1100)
        self.pick_game(self.game("sample"))
        self.build(self.game("built"))
        self.assertLessEqual(self.js("document.documentElement.scrollWidth"),
                             self.js("window.innerWidth"))
        unlabelled = self.js("[...document.querySelectorAll('input, textarea, button, select')]"
                             ".filter((c) => !c.labels.length && !c.textContent.trim()"
                             " && !c.ariaLabel).map((c) => c.id)")
        self.assertEqual(unlabelled, [])
        logged = [json.loads(entry["message"])["message"]
                  for entry in self.driver.get_log("performance")]
        urls = [m["params"]["request"]["url"] for m in logged
                if m["method"] == "Network.requestWillBeSent"
                and m["params"].get("documentURL") == ARGS.page.as_uri()]
        self.assertTrue(urls)
        self.assertEqual([u for u in urls if not u.startswith(("file:", "data:", "blob:"))], [])
        if os.environ.get("FLYSEAT_WEB_SCREENSHOT"):
            self.js("document.getElementById('build-heading').scrollIntoView()")
            self.driver.save_screenshot(os.environ["FLYSEAT_WEB_SCREENSHOT"])


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
    print(f"page: {ARGS.page.stat().st_size} bytes; ready {numbers['ready']:.0f} ms after opening; "
          f"build of the sample in the page {numbers['build']:.2f} ms (median of 15 after 10 "
          f"to warm up){native}")


if __name__ == "__main__":
    outcome = unittest.main(verbosity=2, exit=False).result
    if outcome.wasSuccessful() and "build" in numbers:
        report()
    sys.exit(0 if outcome.wasSuccessful() else 1)
