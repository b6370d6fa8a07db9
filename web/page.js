"use strict";
// The page's glue: it hands the files picked or dropped to the module, keeps what the module
// answers in one state and shows it. Every rule of the build and of the checks is in the module,
// and every fact the page acts on is a field of its answers: nothing here decides what an input
// or an image is worth, nor reads a report's text. The module runs in a Web Worker (worker.js),
// which keeps the files' bytes: this thread only sends requests and draws, so the page answers
// at once whatever the module is doing.
(() => {
  const $ = (id) => document.getElementById(id);
  // A larger listing is used as it is, not shown for editing: a text area that long is slow.
  const largestEdited = 1 << 20;

  // Everything the page shows follows from this; render() puts it on the page.
  const state = {
    ready: false, // false while the module loads
    broken: "", // why it could not load
    names: null, // the file names, from the module
    error: "", // the error line: a failure, or what a drop could not take
    tookNothing: false, // the last files given were none that could be read
    work: [], // what the page waits for the worker to do, the last begun last
    looked: 0, // the files that info was asked about, when they were all that was given last
    inputs: new Map(), // input name -> {key: the worker's, size, from: what it was taken from}
    listing: null, // the listing as given, before any edit; with its text, when it can be edited
    shownListing: 0, // counts the times the text area is to show the listing as given
    listingNote: "",
    edited: null, // the edits taken: {url} of their download, null while none
    check: null, // the module's answer for these inputs
    preview: null, // the module's answer for these inputs
    png: "", // the preview's PNG, once made: what shows it
    full: false, // the preview pixel for pixel
    build: null, // the last build, until the inputs change: the answer, with its urls
    info: null, // the module's answer for the images given
    images: [], // of the images given last, those named as a build names its images: {key, as}
    verify: null, // what verify says of them with the inputs, once all five are there
  };
  let editTimer = 0;

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

  const working = {
    reading: "Reading the files given…",
    checking: "Checking the inputs…",
    building: "Building the four images…",
  };
  // Where things stand: at work, waiting for inputs, checked, built or failed; and where the
  // answer is when images alone were given.
  function status() {
    const [now, text, level] = standing();
    const { looked } = state;
    return [now, looked === 0 ? text : `${text} Looked at ${looked} file${looked > 1 ? "s" : ""}`
      + `: what info says of ${looked > 1 ? "them" : "it"} is under Info, below.`, level];
  }
  function standing() {
    const { check, build, inputs, names } = state;
    if (state.broken) return ["broken", `The page cannot run here: ${state.broken}`, "error"];
    if (!state.ready) return ["loading", "Loading…", ""];
    const work = state.work.at(-1);
    if (work) return [work, working[work], ""];
    const missing = missingInputs();
    if (build?.failure) {
      return ["failed", `The build failed: ${build.failure}.` + (build.failedInput
        ? ` The input to fix: ${build.failedInput}.` : ""), "error"];
    }
    if (build) {
      return ["built", "Built: the four images and the HFE image are ready to download below.", ""];
    }
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
    const fix = state.build?.failedInput;
    if (changed("inputs", state.inputs, state.ready, fix)) {
      $("files").replaceChildren(...state.names.inputs.map((name) => {
        const given = state.inputs.get(name);
        const row = document.createElement("tr");
        row.append(...[name, given ? `${given.size} bytes` : "missing", given?.from ?? ""]
          .map((cell) => Object.assign(document.createElement("td"), { textContent: cell })));
        row.cells[1].className = given ? "" : "missing";
        row.className = name === fix ? "fix" : "";
        return row;
      }));
      const missing = missingInputs();
      $("build").disabled = !state.ready || missing.length > 0;
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
      area.value = listing.text ?? "";
      area.disabled = listing.text === null;
    }
    if (changed("edited", state.edited, state.listingNote)) {
      $("list3-note").textContent = state.listingNote;
      $("list3-undo").disabled = !state.edited;
      Object.assign($("list3-download"), { hidden: !state.edited, href: state.edited?.url ?? "" });
    }

    const { build } = state;
    if (changed("build", build)) {
      $("messages").replaceChildren(...reportOf(build?.messages ?? []));
      $("outputs").replaceChildren(...(build?.outputs ?? []).map((output) => {
        const item = document.createElement("li");
        const link = Object.assign(document.createElement("a"), {
          download: output.name, href: output.url, textContent: output.name,
        });
        const sum = (className, hex) =>
          Object.assign(document.createElement("code"), { className, textContent: hex });
        item.append(link, `, ${output.size} bytes, CRC-32 `, sum("crc32", output.crc32),
          ", SHA-1 ", sum("sha1", output.sha1));
        return item;
      }));
      Object.assign($("zip"), { hidden: !build?.zip, href: build?.zip ?? "" });
    }
    if (changed("listed", build?.listed)) $("listing").textContent = build?.listed ?? "";

    // The picture and its link show once its PNG file is made.
    const { preview, png } = state;
    if (changed("preview", preview, png)) {
      $("preview-note").textContent = preview && !preview.ok ? `No preview: ${preview.error}` : "";
      $("preview-tools").hidden = !png;
      Object.assign($("preview-png"), { hidden: !png, href: png });
      Object.assign($("preview"), png ? { hidden: false, src: png, width: preview.width,
        height: preview.height } : { hidden: true });
    }
    if (changed("full", state.full)) {
      $("preview-box").classList.toggle("full", state.full);
      $("preview-box").tabIndex = state.full ? 0 : -1; // it scrolls: the keyboard can scroll it
    }

    if (changed("verify", state.verify)) {
      $("verify").hidden = !state.verify;
      $("verify-lines").textContent = state.verify?.text ?? "";
    }
    if (changed("info", state.info)) {
      // A line a span, as the other reports: axe-core cannot tell the colours of one text
      // node wider than its box, and leaves the report to review.
      $("info").replaceChildren(...(state.info?.text.split(/(?<=\n)/) ?? []).map((line) =>
        Object.assign(document.createElement("span"), { textContent: line })));
      const compared = state.info?.comparison;
      $("diff").hidden = !compared;
      $("diff-heading").textContent = compared
        ? `flyseat-inspect diff ${compared.first} ${compared.second}` : "";
      const lines = !compared ? [] : compared.lines.length ? compared.lines : ["the same"];
      $("diff-lines").replaceChildren(...lines.map((line) =>
        Object.assign(document.createElement("li"), { textContent: line })));
    }
  }

  // The worker's script is the page's own (the module's glue, the zip library and worker.js, in
  // an element that does not run here): a page opened from disk may not start one from a file.
  // Meanwhile the module's WebAssembly compiles, off this thread, and is handed to it. Its
  // base64 is decoded here: Firefox took 100 ms of this thread to fetch it as a data: URL.
  let worker = null;
  try {
    worker = new Worker(URL.createObjectURL(
      new Blob([$("worker-script").textContent], { type: "text/javascript" })));
    const binary = atob($("module-wasm").text);
    const wasm = new Uint8Array(binary.length);
    for (let i = 0; i < wasm.length; i++) wasm[i] = binary.charCodeAt(i);
    WebAssembly.compile(wasm).then((compiled) => worker.postMessage({ wasm: compiled }),
      (e) => worker.postMessage({ wasm: String(e) }));
  } catch (e) {
    state.broken = String(e);
  }
  const waiting = new Map(); // request number -> its promise's {resolve, reject}
  let requests = 0;

  // A request to the worker, answered in the order asked; what `moved` holds goes to it.
  function ask(name, args = [], moved = []) {
    return new Promise((resolve, reject) => {
      waiting.set(++requests, { resolve, reject });
      worker.postMessage({ id: requests, name, args }, moved);
    });
  }
  worker?.addEventListener("message", ({ data }) => {
    if ("trouble" in data) return flyseatTrouble.push(`worker ${data.trouble}`);
    const { resolve, reject } = waiting.get(data.id);
    waiting.delete(data.id);
    if ("error" in data) return reject(new Error(data.error));
    if (!("stopped" in data)) return resolve(data.answer);
    // The worker loads a fresh module and keeps the files: the next try needs nothing again.
    state.error = `The module stopped on ${data.stopped}; it is loaded again, try again.`;
    ready = load();
    said(ready);
    resolve(null);
  });
  // What goes wrong uncaught in the worker: no request waits for an answer that will not come.
  worker?.addEventListener("error", (e) => {
    flyseatTrouble.push(`worker error: ${e.message}`);
    for (const { reject } of waiting.values()) reject(new Error(e.message));
    waiting.clear();
  });

  function load() {
    state.ready = false;
    render();
    return ask("names").then((names) => {
      state.names = names;
      state.ready = true;
      $("status").dataset.readyMs = performance.now().toFixed(1);
      render();
    }, (e) => {
      state.broken ||= String(e);
      render();
      throw e;
    });
  }
  let ready = load();

  // An answer, or its message in the error line (null when the module stopped).
  function answered(answer) {
    if (answer && !answer.ok) state.error = answer.error;
    return answer?.ok ? answer : null;
  }

  // What the page waits for shows at once, and goes once done and its answer is taken.
  async function busy(work, body) {
    state.work.push(work);
    render();
    try {
      return await body();
    } finally {
      state.work.splice(state.work.lastIndexOf(work), 1);
      render();
    }
  }

  // The worker keeps the files given: each is read there, where the engine lets a worker read
  // a file; if not, it is read here, a slice at a time, and the slices are moved to it.
  const slice = 1 << 22;
  async function read(files) {
    const kept = await ask("read", [files.map((file) => ({ name: file.name, file }))]);
    return Promise.all(kept.map(async (there, i) => {
      if (there) return there;
      const slices = [];
      for (let at = 0; at === 0 || at < files[i].size; at += slice) {
        const bytes = await files[i].slice(at, at + slice).arrayBuffer().catch(() => null);
        if (!bytes) return null;
        slices.push(bytes);
      }
      return (await ask("read", [[{ name: files[i].name, file: slices }]], slices))[0];
    }));
  }

  // Of `keys`, the files that the worker keeps and the page no longer needs are let go.
  const heldKeys = () => [...state.inputs.values(), state.listing, ...state.images]
    .map((file) => file?.key);
  function forget(keys) {
    const held = new Set(heldKeys());
    const gone = keys.filter((key) => key && !held.has(key));
    if (gone.length > 0) ask("forget", [gone]);
  }

  // The input (or the image of `names`) a file is taken for, by its name, whatever its letter
  // case and the " (1)" that a browser adds to a name already in its downloads folder; undefined
  // for any other file.
  function inputFor(fileName, names = state.names.inputs) {
    const plain = fileName.toLowerCase().replace(/ ?\(\d+\)(?=\.[^.]*$|$)/, "");
    return names.find((name) => name.toLowerCase() === plain);
  }

  // What verify says of the images given last and the inputs now, none until both are there.
  async function verified() {
    state.verify = answered(await ask("verify", [gameKeys(), state.images]));
    render();
  }

  // Files picked or dropped: the inputs among them go to the build, the others to info. What
  // could not be read (`unread`, and any file here) is said in the error line.
  async function addFiles(files, unread = []) {
    await ready;
    state.looked = 0;
    let checked = null;
    await busy("reading", async () => {
      const kept = await read(files);
      const others = [], images = [];
      const taken = new Map(); // of these files, the last for each input, unless it only
      files.forEach((file, i) => { // resembles the input's name and an earlier one bears it
        const input = inputFor(file.name);
        const given = kept[i] && { ...kept[i], from: file.name };
        const as = given && !input && inputFor(file.name, state.names.verified);
        if (!given) unread.push(`${file.name} could not be read.`);
        else if (!input) others.push(given.key);
        else if (file.name === input || taken.get(input)?.from !== input) taken.set(input, given);
        if (as) images.push({ key: given.key, as });
      });
      const listing = taken.get(state.names.listing);
      if (listing) {
        listing.text = listing.size <= largestEdited ? await ask("text", [listing.key]) : null;
      }
      state.tookNothing = taken.size === 0 && others.length === 0;
      state.error = unread.join(" ");
      const held = heldKeys();
      if (others.length > 0) { // images change nothing but info, and what verify says
        state.info = answered(await ask("info", [others]));
        state.looked = taken.size === 0 && state.info ? others.length : 0;
        state.images = images;
        if (taken.size === 0) await verified();
      }
      if (taken.size > 0) {
        state.inputs = new Map([...state.inputs, ...taken]);
        if (listing) showListing(listing);
        checked = inputsChanged(); // its "checking" takes over from "reading" at once
      }
      forget([...held, ...kept.map((read) => read?.key)]);
    });
    await checked;
  }

  const gameKeys = () => state.names.inputs.map((name) => state.inputs.get(name)?.key ?? 0);

  function forgetBuild() {
    for (const url of state.build?.urls ?? []) URL.revokeObjectURL(url);
    state.build = null;
  }

  // Whatever was built or reported is of the earlier inputs. The answer for inputs given since
  // is not shown: theirs comes after it.
  async function inputsChanged() {
    forgetBuild();
    state.looked = 0;
    URL.revokeObjectURL(state.png);
    state.png = "";
    const given = state.inputs;
    const preview = await busy("checking", async () => {
      const answer = await ask("inspect", [gameKeys()]);
      if (state.inputs !== given) return null;
      state.check = answer?.check ?? null;
      answered(state.check);
      return (state.preview = answer?.preview ?? null);
    });
    await verified();
    if (!preview?.ok) return;
    const png = await ask("png");
    if (!png || state.preview !== preview) return;
    state.png = URL.createObjectURL(png);
    render();
  }

  function showListing(given) {
    clearTimeout(editTimer); // an edit of the text before it is of no use now
    editTimer = 0;
    state.listing = given;
    state.shownListing++;
    URL.revokeObjectURL(state.edited?.url);
    state.edited = null;
    state.listingNote = given.text !== null ? ""
      : `${state.names.listing} is ${given.size} bytes: too large to edit here, it is `
        + "used as it is.";
  }

  // The edited text replaces list3.txt. A text area ends its lines with line feeds alone.
  async function takeEdits() {
    clearTimeout(editTimer);
    editTimer = 0;
    const [text, from] = [$("list3").value, state.listing];
    const edited = await ask("edit", [state.names.listing, text]);
    if (state.listing !== from) { // a listing given meanwhile replaces the text edited
      forget([edited.key]);
      return;
    }
    state.listingNote = /[^\0-\xff]/.test(text)
      ? "A character that is not one byte (beyond U+00FF) is stored as ?." : "";
    const held = heldKeys();
    state.inputs = new Map(state.inputs).set(state.names.listing,
      { key: edited.key, size: edited.size, from: "the edits here" });
    forget(held);
    state.error = "";
    URL.revokeObjectURL(state.edited?.url);
    state.edited = { url: URL.createObjectURL(edited.blob) };
    await inputsChanged();
  }

  function undoEdits() {
    const held = heldKeys();
    state.inputs = new Map(state.inputs).set(state.names.listing, state.listing);
    showListing(state.listing);
    forget(held);
    state.error = "";
    said(inputsChanged());
  }

  // A build of inputs replaced before it is done is not shown.
  async function build() {
    if (editTimer) await takeEdits();
    const given = state.inputs;
    await busy("building", async () => {
      const made = await ask("build", [gameKeys(), state.names.mainTape]);
      if (made) $("messages").dataset.ms = made.ms.toFixed(2);
      if (state.inputs !== given) return;
      forgetBuild();
      state.looked = 0;
      const built = answered(made);
      if (built) {
        for (const output of built.outputs) output.url = URL.createObjectURL(output.blob);
        if (built.zip) built.zip = URL.createObjectURL(built.zip);
        built.urls = [built.zip, ...built.outputs.map((o) => o.url)].filter((url) => url);
        built.listed = built.listed && answered(built.listed)?.text;
      }
      state.build = built;
    });
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
