"use strict";
// The page's glue: it reads the files picked or dropped, hands their bytes to the module, shows
// what the module answers and offers the outputs as downloads. Every rule of the build and of
// the checks is in the module; nothing here decides what an input or an image is worth.
(() => {
  const $ = (id) => document.getElementById(id);

  let flyseat = null; // the module, null while it loads
  let names = null; // the file names and the largest listing shown for editing, from the module
  const inputs = new Map(); // input name -> {name, bytes, sha1, from: what it was taken from}
  let images = []; // the other files given, for info
  let listing = null; // the listing as given, before any edit
  let editTimer = 0;
  let urls = []; // of the downloads offered
  let verdict = null; // the check's last line, and its level: "error", "warning" or ""
  let built = null; // the last build's outcome, until the inputs change: {failed, line}
  let received = new Uint8Array(0); // the last build's outputs, out of the module's memory

  function setStatus(state, text, level = "") {
    Object.assign($("status").dataset, { state, level });
    $("status").textContent = text;
  }

  // Where things stand: waiting for inputs, checked, built or failed.
  function showStatus() {
    if (!flyseat) return; // loading: load() says so
    const missing = names.inputs.filter((name) => !inputs.has(name));
    if (built && built.failed) setStatus("failed", `The build failed: ${built.line}`, "error");
    else if (built) setStatus("built", "Built: the four images are ready to download below.");
    else if (inputs.size === 0) setStatus("ready", "Ready: pick or drop the game's files.");
    else if (missing.length > 0) {
      setStatus("missing", `${inputs.size} of ${names.inputs.length} inputs given; missing: `
        + `${missing.join(", ")}.`, "error");
    } else if (!verdict) {
      setStatus("checked", `All ${inputs.size} inputs given; the check could not run.`, "error");
    } else {
      setStatus("checked", `All ${inputs.size} inputs given; the check's ${verdict.text}`
        + (verdict.level === "error" ? ": a build would fail." : "."), verdict.level);
    }
  }

  function load() {
    setStatus("loading", "Loading…");
    return createFlyseat().then((module) => {
      flyseat = module;
      names = module.names();
      $("list3-heading").textContent = `The listing, ${names.listing}`;
      Object.assign($("list3-download"), {
        download: names.listing, textContent: `Download the edited ${names.listing}`,
      });
      $("status").dataset.readyMs = performance.now().toFixed(1);
      showFiles();
      showStatus();
    }, (e) => {
      setStatus("broken", `The page cannot run here: ${e}`, "error");
      throw e;
    });
  }
  let ready = load();

  // Every call into the module. An exception that escapes it, or an abort, leaves its memory in
  // no known state: the page says so and starts a fresh module for the next try.
  function call(body) {
    if (!flyseat) return null; // still loading after a failure: nothing to do yet
    try {
      return body(flyseat);
    } catch (e) {
      const what = e instanceof WebAssembly.Exception ? "an uncaught exception"
        : e instanceof WebAssembly.RuntimeError ? "an abort" : String(e);
      $("error").textContent = `The module stopped on ${what}; it is loaded again, try again.`;
      flyseat = null;
      $("build").disabled = true;
      ready = load();
      said(ready);
      return null;
    }
  }

  // An answer of the module: its text, or its message in place of the text.
  function answered(answer, show) {
    if (answer && !answer.ok) $("error").textContent = answer.error;
    if (answer && answer.ok) show(answer);
  }

  const hex = (buffer) =>
    Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, "0")).join("");

  // A file as the module takes it, with the SHA-1 of all its bytes (the module adds the CRC-32).
  async function withChecksums(name, bytes, from = name) {
    return { name, bytes, from, sha1: hex(await crypto.subtle.digest("SHA-1", bytes)) };
  }

  // The listing's text, one character a byte, so that every byte comes back as it was.
  function textOf(bytes) {
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return text;
  }
  const bytesOfText = (text) =>
    Uint8Array.from(text, (c) => (c.charCodeAt(0) < 0x100 ? c.charCodeAt(0) : 0x3f));

  // The input a file is taken for, by its name, whatever its letter case and the " (1)" that a
  // browser adds to a name already in its downloads folder; undefined for any other file.
  function inputFor(fileName) {
    const plain = fileName.toLowerCase().replace(/ ?\(\d+\)(?=\.[^.]*$|$)/, "");
    return names.inputs.find((name) => name.toLowerCase() === plain);
  }

  async function addFiles(files) {
    await ready;
    const others = [];
    const taken = new Map(); // of these files, the last for each input, unless it only
    for (const file of files) { // resembles the input's name and an earlier one bears it
      const input = inputFor(file.name);
      const bytes = new Uint8Array(await file.arrayBuffer());
      if (!input) others.push(await withChecksums(file.name, bytes));
      else if (file.name === input || taken.get(input)?.from !== input) {
        taken.set(input, await withChecksums(input, bytes, file.name));
      }
    }
    for (const [input, given] of taken) inputs.set(input, given);
    if (taken.has(names.listing)) showListing(taken.get(names.listing));
    if (others.length > 0) {
      images = others;
      showInfo();
    }
    showFiles();
    inputsChanged();
  }

  function showFiles() {
    const rows = names.inputs.map((name) => {
      const given = inputs.get(name);
      const row = document.createElement("tr");
      row.append(...[name, given ? `${given.bytes.length} bytes` : "missing", given?.from ?? ""]
        .map((text) => Object.assign(document.createElement("td"), { textContent: text })));
      row.cells[1].className = given ? "" : "missing";
      return row;
    });
    $("files").replaceChildren(...rows);
    const missing = names.inputs.filter((name) => !inputs.has(name));
    $("build").disabled = !flyseat || missing.length > 0;
    $("build-needs").textContent = missing.length ? `Missing: ${missing.join(", ")}` : "";
  }

  const gameFiles = () => names.inputs.map((name) => inputs.get(name) ?? null);

  function clearBuild() {
    for (const url of urls) URL.revokeObjectURL(url);
    urls = [];
    built = null;
    $("zip").hidden = true;
    for (const id of ["messages", "outputs", "listing"]) $(id).replaceChildren();
  }

  // Whatever was built or reported is of the earlier inputs.
  function inputsChanged() {
    $("error").textContent = "";
    clearBuild();
    verdict = null;
    $("verdict").textContent = "";
    answered(call((m) => m.check(gameFiles())), (a) => {
      showReport($("check"), a.text, a.marks);
      // The verdict, the report's last line, above it, marked as its worst line is.
      const level = ["error", "warning"].find((mark) => a.marks.includes(mark)) ?? "";
      verdict = { text: a.text.trimEnd().split("\n").pop(), level };
      Object.assign($("verdict"), { textContent: verdict.text, className: level || "ok" });
    });
    showPreview();
    showStatus();
  }

  // The report as it is, a line a span, with the class the module gives it, if any.
  function showReport(element, text, marks = []) {
    element.replaceChildren(...text.split(/(?<=\n)/).map((line, i) => {
      const span = document.createElement("span");
      span.textContent = line;
      if (marks[i]) span.className = marks[i];
      return span;
    }));
  }

  function showPreview() {
    const canvas = $("preview");
    const answer = call((m) => m.preview(gameFiles()));
    canvas.hidden = !answer || !answer.ok;
    $("preview-tools").hidden = canvas.hidden;
    $("preview-note").textContent = answer && !answer.ok ? `No preview: ${answer.error}` : "";
    URL.revokeObjectURL($("preview-png").href);
    $("preview-png").removeAttribute("href");
    if (canvas.hidden) return;
    canvas.width = answer.width;
    canvas.height = answer.height;
    const picture = new ImageData(answer.width, answer.height);
    const [rgb, rgba] = [answer.rgb, picture.data];
    for (let from = 0, to = 0; from < rgb.length; from += 3, to += 4) {
      rgba[to] = rgb[from];
      rgba[to + 1] = rgb[from + 1];
      rgba[to + 2] = rgb[from + 2];
      rgba[to + 3] = 255;
    }
    canvas.getContext("2d").putImageData(picture, 0, 0);
    canvas.toBlob((png) => {
      if (png && !canvas.hidden) $("preview-png").href = URL.createObjectURL(png);
    }, "image/png");
  }

  function showInfo() {
    answered(call((m) => m.info(images)), (a) => showReport($("info"), a.text));
  }

  function showListing(given) {
    clearTimeout(editTimer); // an edit of the text before it is of no use now
    editTimer = 0;
    listing = given;
    const area = $("list3");
    const editable = given.bytes.length <= names.largest;
    area.value = editable ? textOf(given.bytes) : "";
    area.disabled = !editable;
    $("list3-note").textContent = editable ? ""
      : `${names.listing} is ${given.bytes.length} bytes: too large to edit here, it is used as `
        + "it is.";
    $("list3-undo").disabled = true;
    $("list3-download").hidden = true;
  }

  // The edited text replaces list3.txt. A text area ends its lines with line feeds alone.
  async function takeEdits() {
    clearTimeout(editTimer);
    editTimer = 0;
    const [text, from] = [$("list3").value, listing];
    $("list3-note").textContent = /[^\0-\xff]/.test(text)
      ? "A character that is not one byte (beyond U+00FF) is stored as ?." : "";
    const edited = await withChecksums(names.listing, bytesOfText(text), "the edits here");
    if (listing !== from) return; // a listing given meanwhile replaces the text edited
    inputs.set(names.listing, edited);
    const link = $("list3-download");
    URL.revokeObjectURL(link.href);
    link.href = URL.createObjectURL(new Blob([edited.bytes], { type: "text/plain" }));
    link.hidden = false;
    $("list3-undo").disabled = false;
    showFiles();
    inputsChanged();
  }

  function undoEdits() {
    inputs.set(names.listing, listing);
    showListing(listing);
    showFiles();
    inputsChanged();
  }

  async function build() {
    if (editTimer) await takeEdits();
    const given = gameFiles();
    const start = performance.now();
    const made = call((m) => m.build(given));
    if (made?.ok) handOver(made.outputs);
    $("messages").dataset.ms = (performance.now() - start).toFixed(2);
    clearBuild();
    answered(made, (a) => {
      built = { failed: a.failed, line: a.messages.trimEnd().split("\n").pop() };
      const lines = a.messages.split(/(?<=\n)/).length;
      showReport($("messages"), a.messages, a.failed ? { [lines - 1]: "error" } : []);
      $("outputs").replaceChildren(...a.outputs.map(offer));
      if (!a.failed) offerZip(a.outputs);
      const main = a.outputs.find((output) => output.name === names.mainTape);
      if (!main) return;
      answered(call((m) => m.list(main.name, main.bytes)), (l) => showReport($("listing"), l.text));
    });
    showStatus();
  }

  // The outputs are views of the module's memory, good until its next call: they are copied at
  // once into one buffer kept from build to build, where they are good until the next build
  // (every use of them copies them at once). A new buffer each time took as long as the build.
  function handOver(outputs) {
    const size = outputs.reduce((sum, output) => sum + output.bytes.length, 0);
    if (received.length < size) received = new Uint8Array(size);
    let at = 0;
    for (const output of outputs) {
      received.set(output.bytes, at);
      output.bytes = received.subarray(at, (at += output.bytes.length));
    }
  }

  // A download link for an output, with its size and, once computed, its SHA-256.
  function offer(output) {
    const item = document.createElement("li");
    const link = document.createElement("a");
    link.download = output.name;
    link.href = URL.createObjectURL(new Blob([output.bytes], { type: "application/octet-stream" }));
    link.textContent = output.name;
    urls.push(link.href);
    const sum = document.createElement("code");
    item.append(link, `, ${output.bytes.length} bytes, SHA-256 `, sum);
    crypto.subtle.digest("SHA-256", output.bytes).then((digest) => {
      sum.textContent = hex(digest);
    });
    return item;
  }

  // The four outputs in one zip file, by fflate (inlined above the module).
  function offerZip(outputs) {
    const zip = fflate.zipSync(Object.fromEntries(outputs.map((o) => [o.name, o.bytes])));
    const link = $("zip");
    link.href = URL.createObjectURL(new Blob([zip], { type: "application/zip" }));
    urls.push(link.href);
    link.hidden = false;
  }

  // A dropped folder is walked whole; the files are told apart by their names.
  async function droppedFiles(items) {
    const entries = items.map((item) => item.webkitGetAsEntry());
    const files = items.filter((item, i) => !entries[i]).map((item) => item.getAsFile());
    async function walk(entry) {
      if (entry.isFile) {
        files.push(await new Promise((resolve, reject) => entry.file(resolve, reject)));
        return;
      }
      const reader = entry.createReader();
      for (;;) {
        const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
        if (batch.length === 0) break;
        for (const child of batch) await walk(child);
      }
    }
    for (const entry of entries) if (entry) await walk(entry);
    return files.filter((file) => file);
  }

  // A failure outside the module (a file that cannot be read, say) is said, not lost.
  function said(promise) {
    return promise.catch((e) => { $("error").textContent = String(e); });
  }

  $("inputs").addEventListener("change", (e) => {
    said(addFiles([...e.target.files]));
    e.target.value = ""; // the same file can be picked again, after a change on disk
  });
  $("list3").addEventListener("input", () => {
    clearTimeout(editTimer);
    editTimer = setTimeout(() => said(takeEdits()), 300);
  });
  $("list3-undo").addEventListener("click", undoEdits);
  $("build").addEventListener("click", () => said(build()));
  $("preview-full").addEventListener("change", (e) => {
    $("preview-box").classList.toggle("full", e.target.checked);
  });
  document.addEventListener("dragover", (e) => {
    e.preventDefault();
    document.body.classList.add("dropping");
  });
  document.addEventListener("dragleave", () => document.body.classList.remove("dropping"));
  document.addEventListener("drop", (e) => {
    e.preventDefault();
    document.body.classList.remove("dropping");
    // The items are gone once the event is over: their entries are taken now.
    said(droppedFiles([...e.dataTransfer.items]).then(addFiles));
  });
  said(ready);
})();
