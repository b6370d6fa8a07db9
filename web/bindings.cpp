// The page's way into the build and the inspector. JavaScript hands over each file's bytes and
// the SHA-1 the browser computed; every answer is what the command line would print, with the
// facts the page acts on as fields of their own, so that the page never reads them out of the
// text. Nothing thrown here reaches JavaScript: each call answers {ok: true, ...} or
// {ok: false, error}.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "crc32.hpp"
#include "diff.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/game_check.hpp"
#include "flyseat/memory_build.hpp"
#include "hfe.hpp"
#include "info.hpp"
#include "listing.hpp"
#include "preview.hpp"
#include "problems.hpp"
#include "verify.hpp"

namespace {

using emscripten::val;
using namespace flyseat;
using namespace flyseat::inspect;

// Why the page has no bytes of an input, in place of the system's reason.
constexpr const char* kNotGiven = "not among the files given";

template <class Body>
val answer(Body body) {
  val out = val::object();
  try {
    body(out);
    if (out["error"].isUndefined()) out.set("ok", true);
  } catch (const Failure& failure) {
    out.set("ok", false);
    out.set("error", said(finding_of(failure)));
  } catch (const std::exception& error) {
    out.set("ok", false);
    out.set("error", std::string("internal error: ") + error.what());
  } catch (...) {
    out.set("ok", false);
    out.set("error", std::string("internal error"));
  }
  return out;
}

// A Uint8Array copied into the module's memory in one call, not byte by byte.
std::vector<Byte> bytes_of(const val& array) {
  std::vector<Byte> bytes(array["length"].as<std::size_t>());
  val(emscripten::typed_memory_view(bytes.size(), bytes.data())).call<void>("set", array);
  return bytes;
}

// No copy: a view of the module's memory, good until the next call, which may grow it.
val view_of(std::span<const Byte> bytes) {
  return val(emscripten::typed_memory_view(bytes.size(), bytes.data()));
}

// A file of the page ({bytes, sha1}, or null when not given) read as the command line reads
// one: its first `limit` bytes kept, too large past that when `whole` is false. Its size and
// checksums are the whole file's: the page computes the SHA-1, the module the CRC-32.
FileRead file_read(const val& file, std::size_t limit, bool whole) {
  FileRead read;
  if (file.isNull() || file.isUndefined()) {
    read.status = ReadStatus::cannot_open;
    read.reason = kNotGiven;
    return read;
  }
  read.bytes = bytes_of(file["bytes"]);
  read.size = read.bytes.size();
  read.checksums = {crc32_text(crc32(read.bytes)), file["sha1"].as<std::string>()};
  if (read.bytes.size() > limit) {
    if (!whole) read.status = ReadStatus::too_large;
    read.bytes.resize(limit);
  }
  return read;
}

// The five inputs, in the order of kInputNames, each read as far as the check reads it.
InputFiles input_files(const val& files) {
  InputFiles inputs;
  for (std::size_t i = 0; i < inputs.size(); ++i)
    inputs[i] = file_read(files[i], kMostRead[i] ? check_limit(Input(i)) : SIZE_MAX, true);
  return inputs;
}

// A line of a report as printed, its line feed kept, with the level the page marks it by.
val line_of(const std::string& text, Level level) {
  val line = val::object();
  line.set("text", text);
  line.set("level", std::string(kLevelNames[static_cast<std::size_t>(level)]));
  return line;
}

// The report's lines, and its verdict with the counts and the worst level.
val check(const val& files) {
  return answer([&](val& out) {
    InputFiles inputs = input_files(files);
    InputFilesWatch watch(inputs);
    CheckReport report = check_game(game_inputs(inputs), watch);
    val lines = val::array();
    for (const CheckLine& line : check_lines(report))
      lines.call<void>("push", line_of(line.text + "\n", line.level));
    val verdict = line_of(report.verdict(), report.worst());
    verdict.set("errors", report.count(Level::error));
    verdict.set("warnings", report.count(Level::warning));
    out.set("lines", lines);
    out.set("verdict", verdict);
  });
}

// One build area for the module's life, as the benchmark keeps one: allocating and zeroing a
// new one took a fifth of a build of the sample.
MemoryBuild& build_area() {
  static auto area = std::make_unique<MemoryBuild>();
  return *area;
}

// The build takes every input whole, as flyseat-build reads it; the page gives all five. The
// outputs are handed over as views, which the page copies once, at once: nothing is allocated
// in the module's memory once they are made, so none of them can die before. Its messages are
// the lines flyseat-build prints; `failure` is its last, when it failed, and `failedInput` the
// input that it names, if any: the one to fix.
val build(const val& files) {
  return answer([&](val& out) {
    std::array<std::vector<Byte>, kInputCount> in;
    for (std::size_t i = 0; i < in.size(); ++i)
      in[i] = bytes_of(files[i]["bytes"]);
    MemoryBuild& made = build_area();
    build_in_memory({in[kLoader], in[kList1], in[kList2], in[kPatch], in[kListing]}, made);
    val messages = val::array(), outputs = val::array();
    std::vector<std::string> said = made.message_lines();
    bool failed = made.status != 0;
    for (std::size_t i = 0; i < said.size(); ++i) {
      bool last = i + 1 == said.size();
      messages.call<void>("push", line_of(said[i], failed && last ? Level::error : Level::fact));
    }
    out.set("failure", failed ? val(std::string(made.failure.message())) : val::null());
    out.set("failedInput",
            failed && made.failure.file ? val(std::string(made.failure.file)) : val::null());
    for (const char* name : kOutputNames) {
      std::span<const Byte> bytes = made.output(name);
      if (bytes.empty()) continue;  // not made: the build stopped before it
      val output = val::object();
      output.set("name", val(name));
      output.set("size", bytes.size());
      output.set("bytes", view_of(bytes));
      outputs.call<void>("push", output);
    }
    out.set("messages", messages);
    out.set("outputs", outputs);
  });
}

// `flyseat-inspect convert IMAGE -o flyseat.hfe`: the HFE image as a view, good until the next
// call, with its name; or why not.
val convert(const val& image) {
  return answer([&](val& out) {
    static auto hfe = std::make_unique<HfeImage>();
    if (std::optional<std::string> why = hfe_of(bytes_of(image), *hfe)) {
      out.set("ok", false);
      out.set("error", *why);
      return;
    }
    out.set("name", std::string(kHfeName));
    out.set("bytes", view_of(*hfe));
  });
}

// The CRC-32 of a file as `info` gives it, for the page's copy of an output.
std::string crc32_of(const val& bytes) {
  return crc32_text(crc32(bytes_of(bytes)));
}

// `flyseat-inspect list NAME`: the lines, then the problems.
val list(const std::string& name, const val& image) {
  return answer(
      [&](val& out) { out.set("text", listing_text(name, find_program(bytes_of(image), false))); });
}

// `flyseat-inspect diff A B`: its lines, none when the two hold the same.
val comparison(const NamedFile& first, const NamedFile& second) {
  val lines = val::array();
  for (const Finding& difference : compare_images(first.read.bytes, second.read.bytes))
    lines.call<void>("push", finding_text(difference));
  val out = val::object();
  out.set("first", first.name);
  out.set("second", second.name);
  out.set("lines", lines);
  return out;
}

// `flyseat-inspect info NAME...` on the files [{name, bytes, sha1}], its report and
// problems in the order a terminal shows them; and `diff` of two images alike, given alone.
val info(const val& files) {
  return answer([&](val& out) {
    std::vector<NamedFile> named;
    for (std::size_t i = 0, count = files["length"].as<std::size_t>(); i < count; ++i)
      named.push_back(
          {files[i]["name"].as<std::string>(), file_read(files[i], kMaxInspectSize, false)});
    InfoReport report = describe_files(named);
    out.set("text", info_text(report));
    bool pair = named.size() == 2 &&
                alike(report.files[0].description.kind, report.files[1].description.kind);
    out.set("comparison", pair ? comparison(named[0], named[1]) : val::null());
  });
}

// `flyseat-inspect verify` of the five inputs (each whole) and the images [{name, bytes, sha1}],
// each named as the image it is taken for: its lines, then its problems as "FILE: TEXT".
val verify(const val& inputs, const val& images) {
  return answer([&](val& out) {
    InputFiles in;
    for (std::size_t i = 0; i < in.size(); ++i)
      in[i] = file_read(inputs[i], SIZE_MAX, true);
    FoundImages found;
    for (std::size_t i = 0, count = images["length"].as<std::size_t>(); i < count; ++i) {
      std::string name = images[i]["name"].as<std::string>();
      for (std::size_t v = 0; v < found.size(); ++v) {
        if (name == kVerifiedNames[v]) found[v] = file_read(images[i], kMaxInspectSize, false);
      }
    }
    VerifyReport report = verify_images(in, found);
    std::string text;
    for (const std::string& line : verify_lines(report))
      text += line + "\n";
    for (const Finding& problem : report.problems)
      text += said(problem) + "\n";
    out.set("text", text);
    out.set("status", report.status());
  });
}

// `flyseat-inspect preview`: the picture itself, four bytes a pixel, as a canvas takes it.
val preview(const val& files) {
  return answer([&](val& out) {
    std::variant<Picture, Finding> made = preview_of(input_files(files), "");
    if (const Finding* problem = std::get_if<Finding>(&made)) {
      out.set("ok", false);
      out.set("error", said(*problem));  // as the command line says it, less its folder
      return;
    }
    const Picture& picture = std::get<Picture>(made);
    std::vector<Byte> rgba(picture.rgb.size() / 3 * 4, 0xFF);  // opaque
    for (std::size_t i = 0; i < picture.rgb.size(); ++i)
      rgba[i / 3 * 4 + i % 3] = picture.rgb[i];
    out.set("width", picture.width);
    out.set("height", picture.height);
    out.set("rgba", val::global("Uint8ClampedArray")
                        .new_(emscripten::typed_memory_view(rgba.size(), rgba.data())));
  });
}

// The names the page sorts files by, from the one place that has them.
val names() {
  val inputs = val::array();
  for (const char* name : kInputNames)
    inputs.call<void>("push", std::string(name));
  val out = val::object();
  out.set("inputs", inputs);
  out.set("listing", std::string(kListingName));
  out.set("mainTape", std::string(kMainTapeName));
  val verified = val::array();
  for (const char* name : kVerifiedNames)
    verified.call<void>("push", std::string(name));
  out.set("verified", verified);
  return out;
}

}  // namespace

EMSCRIPTEN_BINDINGS(flyseat) {
  emscripten::function("check", &check);
  emscripten::function("build", &build);
  emscripten::function("list", &list);
  emscripten::function("info", &info);
  emscripten::function("preview", &preview);
  emscripten::function("verify", &verify);
  emscripten::function("convert", &convert);
  emscripten::function("names", &names);
  emscripten::function("crc32", &crc32_of);
}
