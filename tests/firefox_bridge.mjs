// Firefox for browser_test.py, through WebDriver BiDi (puppeteer-core, from web/package.json):
// one JSON command a line on standard input, [name, ...arguments], one JSON answer a line on
// standard output, {value} or {error}. With `dark`, the browser is in the dark scheme.
//   node firefox_bridge.mjs web/package.json /usr/bin/firefox-esr [dark]
import { createRequire } from "node:module";
import readline from "node:readline";

const [web, executablePath, scheme] = process.argv.slice(2);
const puppeteer = createRequire(web)("puppeteer-core");
const browser = await puppeteer.launch({
  browser: "firefox", executablePath, headless: true,
  extraPrefsFirefox: { "layout.css.prefers-color-scheme.content-override": scheme ? 0 : 1 },
});
const page = await browser.newPage();
const commands = {
  open: async (url) => { await page.goto(url); },
  // A script as WebDriver runs one: a function body given `arguments`; a promise is awaited.
  js: (body, ...args) => page.evaluate(`(function () { ${body} })(...${JSON.stringify(args)})`),
  pick: async (id, paths) => (await page.$(`#${id}`)).uploadFile(...paths),
  size: (width, height) => page.setViewport({ width, height }),
  quit: () => browser.close(),
};
for await (const line of readline.createInterface({ input: process.stdin })) {
  const [name, ...args] = JSON.parse(line);
  const answer = await Promise.resolve().then(() => commands[name](...args))
    .then((value) => ({ value: value ?? null }), (e) => ({ error: String(e) }));
  process.stdout.write(`${JSON.stringify(answer)}\n`);
  if (name === "quit") break;
}
