"use strict";
// The page's glue: it reads the files picked or dropped, hands their bytes to the module, keeps
// what the module answers in one state and shows it. Every rule of the build and of the checks
// is in the module, and every fact the page acts on is a field of its answers: nothing here
// decides what an input or an image is worth, nor reads a report's text.
(() => {
  const $ = (id) => document.getElementById(id);
  // A larger listing is used as it is, not shown for editing: a text area that long is slow.
  const largestEdited = 1 << 20;

  // Everything the page shows follows from this; render() puts it on the page.
  const state = {
    module: null, // null while it loads
    broken: "", // why it could not load
    names: null, // the file names, from the module
    error: "", // the error line: a failure, or what a drop could not take
    tookNothing: false, // the last files given were none that could be read
    inputs: new Map(), // input name -> {name, bytes, sha1, from: what it was taken from}
    listing: null, // the listing as given, before any edit
    shownListing: 0, // counts the times the text area is to show the listing as given
    listingNote: "",
    edited: null, // the edits taken: {url} of their download, null while none
    check: null, // the module's answer for these inputs
    preview: null, // the module's answer for these inputs
    png: "", // the preview's PNG, once made
    full: false, // the preview pixel for pixel
    build: null, // the last build, until the inputs change: the answer, urls and SHA-1s
    listed: null, // the converted program, as `list` prints it
    info: null, // the module's answer for the images given
  };
  let editTimer = 0;
  let received = new Uint8Array(0); // the last build's outputs, out of the module's memory

  // What shows at each part of the page was made of these values; a part is made again only
  // when one of them changed, so that a text being read or a focused control stays as it is.
  const shown = new Map();
  function changed(part, ...values) {
    const last = shown.get(part);
    shown.set(part, values);
    return !last || values.some((value, i) => value !== last[i]);
  }

  // A report as the module gives it, a line a span, marked with its level.
  const reportOf = (lines) => lines.map(({ text, level }) =>
    Object.assign(document.createElement("span"), { textContent: text, className: level }));
  const missingInputs = () => state.names.inputs.filter((name) => !state.inputs.has(name));

  // Where things stand: waiting for inputs, checked, built or failed.
  function status() {
    const { check, build, inputs, names } = state;
    if (state.broken) return ["broken", `The page cannot run here: ${state.broken}`, "error"];
    if (!state.module) return ["loading", "Loading…", ""];
    const missing = missingInputs();
    if (build?.failure) return ["failed", `The build failed: ${build.failure}`, "error"];
    if (build) return ["built", "Built: the four images are ready to download below.", ""];
    if (inputs.size === 0 && state.tookNothing) {
      return ["nothing", "Nothing was taken from what was given.", "error"];
    }
    if (inputs.size === 0) return ["ready", "Ready: pick or drop the game's files.", ""];
    if (missing.length > 0) {
      return ["missing", `${inputs.size} of ${names.inputs.length} inputs given; missing: `
        + `${missing.join(", ")}.`, "error"];
    }
    if (!check?.ok) {
      return ["checked", `All ${inputs.size} inputs given; the check could not run.`, "error"];
    }
    const { text, level } = check.verdict;
    return ["checked", `All ${inputs.size} inputs given; the check's ${text}`
      + (level === "error" ? ": a build would fail." : "."), level === "fact" ? "" : level];
  }

  function render() {
    const [now, text, level] = status();
    if (changed("status", now, text, level)) {
      Object.assign($("status").dataset, { state: now, level });
      $("status").textContent = text;
    }
    if (changed("error", state.error)) $("error").textContent = state.error;
    if (!state.names) return;

    if (changed("names", state.names)) {
      $("list3-heading").textContent = `The listing, ${state.names.listing}`;
      Object.assign($("list3-download"), {
        download: state.names.listing, textContent: `Download the edited ${state.names.listing}`,
      });
    }
    if (changed("inputs", state.inputs, state.module)) {
      $("files").replaceChildren(...state.names.inputs.map((name) => {
        const given = state.inputs.get(name);
        const row = document.createElement("tr");
        row.append(...[name, given ? `${given.bytes.length} bytes` : "missing", given?.from ?? ""]
          .map((cell) => Object.assign(document.createElement("td"), { textContent: cell })));
        row.cells[1].className = given ? "" : "missing";
        return row;
      }));
      const missing = missingInputs();
      $("build").disabled = !state.module || missing.length > 0;
      $("build-needs").textContent = missing.length ? `Missing: ${missing.join(", ")}` : "";
    }

    const { check } = state;
    if (changed("check", check)) {
      $("check").replaceChildren(...reportOf(check?.ok ? check.lines : []));
      const verdict = check?.ok ? check.verdict : null;
      Object.assign($("verdict"), {
        textContent: verdict?.text ?? "",
        className: !verdict ? "" : verdict.level === "fact" ? "ok" : verdict.level,
      });
    }

    const { listing } = state;
    const area = $("list3");
    if (listing && changed("listing", listing, state.shownListing)) {
      const editable = listing.bytes.length <= largestEdited;
      area.value = editable ? textOf(listing.bytes) : "";
      area.disabled = !editable;
    }
    if (changed("edited", state.edited, state.listingNote)) {
      $("list3-note").textContent = state.listingNote;
      $("list3-undo").disabled = !state.edited;
      Object.assign($("list3-download"), { hidden: !state.edited, href: state.edited?.url ?? "" });
    }

    const { build } = state;
    if (changed("build", build, build?.summed)) {
      $("messages").replaceChildren(...reportOf(build?.messages ?? []));
      $("outputs").replaceChildren(...(build?.outputs ?? []).map((output) => {
        const item = document.createElement("li");
        const link = Object.assign(document.createElement("a"), {
          download: output.name, href: output.url, textContent: output.name,
        });
        const sum = (className, hex) =>
          Object.assign(document.createElement("code"), { className, textContent: hex });
        item.append(link, `, ${output.size} bytes, CRC-32 `, sum("crc32", output.crc32),
          ", SHA-1 ", sum("sha1", output.sha1 ?? "…"));
        return item;
      }));
      Object.assign($("zip"), { hidden: !build?.zip, href: build?.zip ?? "" });
    }
    if (changed("listed", state.listed)) $("listing").textContent = state.listed ?? "";

    const { preview } = state;
    const canvas = $("preview");
    if (changed("preview", preview)) {
      canvas.hidden = !preview?.ok;
      $("preview-tools").hidden = canvas.hidden;
      $("preview-note").textContent = preview && !preview.ok ? `No preview: ${preview.error}` : "";
      if (preview?.ok) {
        Object.assign(canvas, { width: preview.width, height: preview.height });
        canvas.getContext("2d").putImageData(
          new ImageData(preview.rgba, preview.width, preview.height), 0, 0);
      }
    }
    // The link shows only once it leads to the picture.
    if (changed("png", state.png)) {
      Object.assign($("preview-png"), { hidden: !state.png, href: state.png });
    }
    if (changed("full", state.full)) {
      $("preview-box").classList.toggle("full", state.full);
      $("preview-box").tabIndex = state.full ? 0 : -1; // it scrolls: the keyboard can scroll it
    }

    if (changed("info", state.info)) $("info").textContent = state.info?.text ?? "";
  }

  function load() {
    state.module = null;
    render();
    return createFlyseat().then((module) => {
      state.module = module;
      state.names = module.names();
      $("status").dataset.readyMs = performance.now().toFixed(1);
      render();
    }, (e) => {
      state.broken = String(e);
      render();
      throw e;
    });
  }
  let ready = load();

  // Every call into the module. An exception that escapes it, or an abort, leaves its memory in
  // no known state: the page says so and starts a fresh module for the next try.
  function call(body) {
    if (!state.module) return null; // still loading after a failure: nothing to do yet
    try {
      return body(state.module);
    } catch (e) {
      const what = e instanceof WebAssembly.Exception ? "an uncaught exception"
        : e instanceof WebAssembly.RuntimeError ? "an abort" : String(e);
      state.error = `The module stopped on ${what}; it is loaded again, try again.`;
      ready = load();
      said(ready);
      return null;
    }
  }
  // An answer's text, or its message in the error line.
  function answered(answer) {
    if (answer && !answer.ok) state.error = answer.error;
    return answer?.ok ? answer : null;
  }

  const hex = (buffer) =>
    Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, "0")).join("");
  const sha1 = async (bytes) => hex(await crypto.subtle.digest("SHA-1", bytes));

  // A file as the module takes it, with the SHA-1 of all its bytes (the module adds the CRC-32).
  async function withChecksums(name, bytes, from = name) {
    return { name, bytes, from, sha1: await sha1(bytes) };
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
    return state.names.inputs.find((name) => name.toLowerCase() === plain);
  }

  // Files picked or dropped: the inputs among them go to the build, the others to info. What
  // could not be read (`unread`, and any file here) is said in the error line.
  async function addFiles(files, unread = []) {
    await ready;
    const others = [];
    const taken = new Map(); // of these files, the last for each input, unless it only
    for (const file of files) { // resembles the input's name and an earlier one bears it
      const input = inputFor(file.name);
      const bytes = await file.arrayBuffer().then((b) => new Uint8Array(b), () => null);
      if (!bytes) unread.push(`${file.name} could not be read.`);
      else if (!input) others.push(await withChecksums(file.name, bytes));
      else if (file.name === input || taken.get(input)?.from !== input) {
        taken.set(input, await withChecksums(input, bytes, file.name));
      }
    }
    state.tookNothing = taken.size === 0 && others.length === 0;
    state.error = unread.join(" ");
    if (others.length > 0) { // images change nothing but info
      state.info = answered(call((m) => m.info(others)));
    }
    if (taken.size > 0) {
      state.inputs = new Map([...state.inputs, ...taken]);
      if (taken.has(state.names.listing)) showListing(taken.get(state.names.listing));
      inputsChanged();
    }
    render();
  }

  const gameFiles = () => state.names.inputs.map((name) => state.inputs.get(name) ?? null);

  function forgetBuild() {
    for (const url of state.build?.urls ?? []) URL.revokeObjectURL(url);
    state.build = null;
    state.listed = null;
  }

  // Whatever was built or reported is of the earlier inputs.
  function inputsChanged() {
    forgetBuild();
    state.check = call((m) => m.check(gameFiles()));
    answered(state.check);
    URL.revokeObjectURL(state.png);
    state.png = "";
    const preview = call((m) => m.preview(gameFiles()));
    state.preview = preview;
    if (!preview?.ok) return;
    // The PNG is made from the picture drawn: render() draws it first.
    render();
    $("preview").toBlob((png) => {
      if (!png || state.preview !== preview) return;
      state.png = URL.createObjectURL(png);
      render();
    }, "image/png");
  }

  function showListing(given) {
    clearTimeout(editTimer); // an edit of the text before it is of no use now
    editTimer = 0;
    state.listing = given;
    state.shownListing++;
    URL.revokeObjectURL(state.edited?.url);
    state.edited = null;
    state.listingNote = given.bytes.length <= largestEdited ? ""
      : `${state.names.listing} is ${given.bytes.length} bytes: too large to edit here, it is `
        + "used as it is.";
  }

  // The edited text replaces list3.txt. A text area ends its lines with line feeds alone.
  async function takeEdits() {
    clearTimeout(editTimer);
    editTimer = 0;
    const [text, from] = [$("list3").value, state.listing];
    const edited = await withChecksums(state.names.listing, bytesOfText(text), "the edits here");
    if (state.listing !== from) return; // a listing given meanwhile replaces the text edited
    state.listingNote = /[^\0-\xff]/.test(text)
      ? "A character that is not one byte (beyond U+00FF) is stored as ?." : "";
    state.inputs = new Map(state.inputs).set(state.names.listing, edited);
    state.error = "";
    URL.revokeObjectURL(state.edited?.url);
    state.edited = { url: URL.createObjectURL(new Blob([edited.bytes], { type: "text/plain" })) };
    inputsChanged();
    render();
  }

  function undoEdits() {
    state.inputs = new Map(state.inputs).set(state.names.listing, state.listing);
    showListing(state.listing);
    state.error = "";
    inputsChanged();
    render();
  }

  async function build() {
    if (editTimer) await takeEdits();
    const given = gameFiles();
    const start = performance.now();
    const made = call((m) => m.build(given));
    if (made?.ok) handOver(made.outputs);
    $("messages").dataset.ms = (performance.now() - start).toFixed(2);
    forgetBuild();
    const built = answered(made);
    if (built) {
      const blob = (bytes, type) => URL.createObjectURL(new Blob([bytes], { type }));
      for (const output of built.outputs) output.url = blob(output.bytes, "application/octet-stream");
      if (!built.failure) {
        built.zip = blob(zipLibrary().zipSync(Object.fromEntries(built.outputs.map((o) => [o.name,
          o.bytes]))), "application/zip");
      }
      built.urls = [built.zip, ...built.outputs.map((o) => o.url)].filter((url) => url);
      for (const output of built.outputs) output.crc32 = call((m) => m.crc32(output.bytes));
      const main = built.outputs.find((output) => output.name === state.names.mainTape);
      if (main) state.listed = answered(call((m) => m.list(main.name, main.bytes)))?.text;
      // Digests copy the bytes as they start: a later build may reuse the buffer at once.
      Promise.all(built.outputs.map(async (o) => { o.sha1 = await sha1(o.bytes); })).then(() => {
        built.summed = true;
        render();
      });
    }
    state.build = built;
    render();
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

  // The files in a dropped folder and its subfolders, through its entry.
  async function filesIn(entry) {
    if (entry.isFile) return [await new Promise((resolve, reject) => entry.file(resolve, reject))];
    const reader = entry.createReader();
    const files = [];
    for (;;) {
      const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
      if (batch.length === 0) return files;
      for (const child of batch) files.push(...await filesIn(child));
    }
  }

  // A dropped file is taken as the drop gives it: through its entry, an engine may refuse to read
  // it on a page opened from disk. A folder can be read through its entry only; where that is
  // refused, the folder picker reads it.
  async function dropped(given) {
    const files = [];
    const unread = [];
    for (const { entry, file } of given) {
      if (!entry?.isDirectory) files.push(file);
      else {
        await filesIn(entry).then((inside) => files.push(...inside), () => unread.push(
          `The folder ${entry.name} cannot be read when dropped here: pick it with "Or the `
          + 'folder that holds them", or drop its files.'));
      }
    }
    await addFiles(files.filter((file) => file), unread);
  }

  // A failure outside the module is said, not lost.
  function said(promise) {
    return promise.catch((e) => {
      state.error = String(e);
      render();
    });
  }

  for (const id of ["inputs", "folder"]) {
    $(id).addEventListener("change", (e) => {
      said(addFiles([...e.target.files]));
      e.target.value = ""; // the same file can be picked again, after a change on disk
    });
  }
  $("list3").addEventListener("input", () => {
    clearTimeout(editTimer);
    editTimer = setTimeout(() => said(takeEdits()), 300);
  });
  $("list3-undo").addEventListener("click", undoEdits);
  $("build").addEventListener("click", () => said(build()));
  $("preview-full").addEventListener("change", (e) => {
    state.full = e.target.checked;
    render();
  });
  document.addEventListener("dragover", (e) => {
    e.preventDefault();
    document.body.classList.add("dropping");
  });
  document.addEventListener("dragleave", () => document.body.classList.remove("dropping"));
  document.addEventListener("drop", (e) => {
    e.preventDefault();
    document.body.classList.remove("dropping");
    // The items are gone once the event is over: their entries and files are taken now.
    const items = [...e.dataTransfer.items].filter((item) => item.kind === "file");
    said(dropped(items.length > 0
      ? items.map((item) => ({ entry: item.webkitGetAsEntry?.(), file: item.getAsFile() }))
      : [...e.dataTransfer.files].map((file) => ({ file }))));
  });
  said(ready);
})();
