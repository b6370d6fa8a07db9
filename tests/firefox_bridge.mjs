// Firefox for browser_test.py, through WebDriver BiDi (puppeteer-core, from web/package.json):
// one JSON command a line on standard input, [name, ...arguments], one JSON answer a line on
// standard output, {value} or {error}.
//   node firefox_bridge.mjs web/package.json /usr/bin/firefox-esr
import { createRequire } from "node:module";
import readline from "node:readline";

const [web, firefox] = process.argv.slice(2);
const puppeteer = createRequire(web)("puppeteer-core");
const browser = await puppeteer.launch({
  browser: "firefox", executablePath: firefox, headless: true,
});
const page = await browser.newPage();
const requests = [];
page.on("request", (request) => requests.push(request.url()));

// A script as WebDriver runs one: a function body given `arguments`; an asynchronous one is
// given a callback last, and its answer is what it passes to that.
const run = (body, args, async) => page.evaluate(async
  ? `new Promise((done) => { (function () { ${body} }).apply(null, ${JSON.stringify(args)}`
    + ".concat([done])); })"
  : `(function () { ${body} }).apply(null, ${JSON.stringify(args)})`);
const commands = {
  open: async (url) => { await page.goto(url); },
  js: (body, ...args) => run(body, args, false),
  jsAsync: (body, ...args) => run(body, args, true),
  pick: async (id, paths) => (await page.$(`#${id}`)).uploadFile(...paths),
  size: (width, height) => page.setViewport({ width, height }),
  requests: () => requests,
  version: () => browser.version(),
  quit: () => browser.close(),
};
for await (const line of readline.createInterface({ input: process.stdin })) {
  const [name, ...args] = JSON.parse(line);
  const answer = await Promise.resolve().then(() => commands[name](...args))
    .then((value) => ({ value }), (e) => ({ error: String(e) }));
  process.stdout.write(`${JSON.stringify(answer)}\n`);
  if (name === "quit") break;
}
