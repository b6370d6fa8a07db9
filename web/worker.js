"use strict";
// The module's side of the page, in a Web Worker that the page makes of its own script: it
// keeps the files given, reads them, computes their SHA-1 and asks the module, so that the page
// answers at once whatever the module is doing. The page's requests are answered one at a time,
// in the order they came: a file forgotten after a build was asked for is still there for it.
// The answers are the module's, with what the page shows or saves made ready for it here.

const files = new Map(); // key -> {name, bytes, sha1}, as the module takes a file
let lastKey = 0;
let module = null;
let loaded = null;
let queue = Promise.resolve();
let picture = null; // the last preview, for its PNG file

// What a script here warns of is the page's to keep (flyseatTrouble), as what goes wrong
// uncaught, which the page hears of from the worker itself.
for (const level of ["error", "warn"]) {
  console[level] = (...what) => postMessage({ trouble: `${level}: ${what.join(" ")}` });
}
addEventListener("unhandledrejection", (e) => postMessage({ trouble: `rejection: ${e.reason}` }));
addEventListener("securitypolicyviolation", (e) =>
  postMessage({ trouble: `blocked: ${e.violatedDirective} ${e.blockedURI}` }));

// The module's WebAssembly, compiled by the page, comes in its first message; or why it did not
// compile.
let handed = null;
const compiled = new Promise((resolve, reject) => {
  handed = (wasm) => (wasm instanceof WebAssembly.Module ? resolve(wasm) : reject(new Error(wasm)));
});

function load() {
  module = null;
  loaded = compiled.then((wasm) => createFlyseat({
    instantiateWasm: (imports, done) => {
      WebAssembly.instantiate(wasm, imports).then((instance) => done(instance, wasm));
      return {};
    },
  })).then((made) => { module = made; });
  loaded.catch(() => {}); // said in the answer to every request
}
load();

// An exception that escapes the module, or an abort, leaves its memory in no known state: a
// fresh module is loaded for the next request, and the page says so. The files stay.
class Stopped {
  constructor(what) { this.what = what; }
}
function call(body) {
  try {
    return body(module);
  } catch (e) {
    const what = e instanceof WebAssembly.Exception ? "an uncaught exception"
      : e instanceof WebAssembly.RuntimeError ? "an abort" : null;
    if (!what) throw e;
    load();
    throw new Stopped(what);
  }
}

const hex = (buffer) =>
  Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, "0")).join("");
const sha1 = async (bytes) => hex(await crypto.subtle.digest("SHA-1", bytes));

async function keep(name, bytes) {
  const key = ++lastKey;
  files.set(key, { name, bytes, sha1: await sha1(bytes) });
  return { key, size: bytes.length };
}
const given = (keys) => keys.map((key) => files.get(key) ?? null);

// A File, or the slices of one that the page read where the engine does not let a worker read
// it (WebKit, for a page opened from disk).
async function bytesOf(file) {
  if (!Array.isArray(file)) return new Uint8Array(await file.arrayBuffer());
  const bytes = new Uint8Array(file.reduce((size, slice) => size + slice.byteLength, 0));
  file.reduce((at, slice) => (bytes.set(new Uint8Array(slice), at), at + slice.byteLength), 0);
  return bytes;
}

// The outputs are views of the module's memory, good until its next call: copied at once into
// one buffer, kept from build to build (a new one each time took as long as the build).
let received = new Uint8Array(0);
function handOver(outputs) {
  const size = outputs.reduce((sum, output) => sum + output.bytes.length, 0);
  if (received.length < size) received = new Uint8Array(size);
  let at = 0;
  for (const output of outputs) {
    received.set(output.bytes, at);
    output.bytes = received.subarray(at, (at += output.bytes.length));
  }
}
// Bytes the page offers to save, as a Blob, which the page links to at once: made here, since
// making those of a build took the page's thread 70 ms with the CPU slowed.
const blob = (bytes, type) => new Blob([bytes], { type });

const requests = {
  names: () => module.names(),
  // [{name, file}] -> [{key, size}, or null for a file that could not be read here]
  read: (given) => Promise.all(given.map(({ name, file }) =>
    bytesOf(file).then((bytes) => keep(name, bytes), () => null))),
  // The edited listing: one byte a character, ? for one beyond U+00FF.
  edit: async (name, text) => {
    const bytes = Uint8Array.from(text, (c) => (c.charCodeAt(0) < 0x100 ? c.charCodeAt(0) : 0x3f));
    return { ...await keep(name, bytes), blob: blob(bytes, "text/plain") };
  },
  forget: (keys) => keys.forEach((key) => files.delete(key)),
  // The listing's text, one character a byte, so that every byte comes back as it was.
  text: (key) => {
    const { bytes } = files.get(key);
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return text;
  },
  // The preview's pixels stay here, for its PNG file: the page shows that file, which the
  // browser decodes off the page's thread (a picture of 3 million pixels drawn from its pixels
  // took a quarter of a second of the page's time with the CPU slowed).
  inspect: (keys) => {
    const check = call((m) => m.check(given(keys)));
    const preview = call((m) => m.preview(given(keys)));
    if (preview.ok) {
      picture = new ImageData(preview.rgba, preview.width, preview.height);
      delete preview.rgba;
    }
    return { check, preview };
  },
  // The preview as a PNG file: the same pixels as the command line's, not the same bytes.
  png: () => {
    const canvas = new OffscreenCanvas(picture.width, picture.height);
    canvas.getContext("2d").putImageData(picture, 0, 0);
    return canvas.convertToBlob({ type: "image/png" });
  },
  info: (keys) => call((m) => m.info(given(keys))),
  // What verify says of the images given, each {key, as: the image it is taken for}, with the
  // inputs: none until all five are there and an image is.
  verify: (keys, images) => {
    const inputs = given(keys);
    if (inputs.includes(null) || images.length === 0) return null;
    return call((m) => m.verify(inputs, images.map(({ key, as }) => ({ ...files.get(key), name: as }))));
  },
  // The build timed as the native benchmark times it: the module's call and the outputs out of
  // its memory. Then what the page shows of them: each one's CRC-32 (the module's) and SHA-1,
  // the main tape's program as `list` prints it, the HFE image of a whole build's D88 image, and
  // the bytes to save, the zip file too.
  build: async (keys, mainTape) => {
    const start = performance.now();
    const made = call((m) => m.build(given(keys)));
    if (made.ok) handOver(made.outputs);
    made.ms = performance.now() - start;
    if (!made.ok) return made;
    const main = made.outputs.find((output) => output.name === mainTape);
    if (main) made.listed = call((m) => m.list(main.name, main.bytes));
    if (!made.failure) { // and the HFE image of its D88 image, its last, as convert makes it
      const hfe = call((m) => m.convert(made.outputs.at(-1).bytes));
      made.outputs.push({ name: hfe.name, size: hfe.bytes.length, bytes: hfe.bytes.slice() });
      made.zip = blob(zipLibrary().zipSync(
        Object.fromEntries(made.outputs.map((output) => [output.name, output.bytes]))),
      "application/zip");
    }
    for (const output of made.outputs) {
      output.crc32 = call((m) => m.crc32(output.bytes));
      output.sha1 = await sha1(output.bytes);
      output.blob = blob(output.bytes, "application/octet-stream");
      delete output.bytes;
    }
    return made;
  },
};

onmessage = ({ data: { id, name, args, ...rest } }) => {
  if ("wasm" in rest) return handed(rest.wasm);
  queue = queue.then(async () => {
    try {
      await loaded;
      const answer = await requests[name](...args);
      postMessage({ id, answer });
    } catch (e) {
      postMessage(e instanceof Stopped ? { id, stopped: e.what } : { id, error: String(e) });
    }
  });
};
