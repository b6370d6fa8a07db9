// What a check finds, of one type everywhere: the format checks of the images, the check of a
// game's inputs, a stage that would stop a build, a difference between two images. A finding is
// data: its file, a typed place, the field it compares, the value found and the value expected
// (numbers with their unit, bytes or text), and a note. A face renders it: finding_text gives the
// one wording of text, the command line's JSON gives each part as a field, the page shows the
// text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "flyseat/failure.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

// A fact is plain information; a warning, something a build takes but probably not as the
// porter wants; an error, something a build refuses or does not write.
enum class Level { fact, warning, error };
inline constexpr std::array<const char*, 3> kLevelNames = {"fact", "warning", "error"};

// --- Where a finding stands -----------------------------------------------------------------

namespace at {

// "offset 3141": a byte of the file.
struct Offset {
  std::uint64_t offset;
};
// "line 90", and where a line that its number does not name well stands: "line 119 after line
// 110", "line 0 at the start"; "line 1940, offset 41" for a byte of the file in that line.
struct Line {
  std::int64_t number;
  std::optional<std::int64_t> after{};  // the line before it
  bool at_start = false;
  std::optional<std::uint64_t> offset{};
};
// "sector 37 (cylinder 2, R 6)": a sector of the disk counted from 0 in disk order, with the
// cylinder, head and sector number its header gives it; "..., byte 5" for a byte of its data.
struct Sector {
  int index;
  int cylinder;
  int head;
  int r;
  std::optional<int> byte{};
};
// "cylinder 7": a whole track.
struct Cylinder {
  int cylinder;
};
// "record 5 at offset 38": a patch record, counted from 1, and the offset of its count field.
struct PatchRecord {
  std::size_t number;
  std::int64_t offset;
};
// "record 16 (line 90, finds "33,12")": a substitution record, counted from 1, the line it edits
// and what it finds; "(line 20, replaces the whole line)" when it finds nothing.
struct Substitution {
  std::size_t number;
  std::int32_t line;
  std::string finds;
};
// An address of the memory image in a region of places: "halved address 0xBC74", "bitmap rows
// 0x2C00 to 0x31FF" (a range), "the split address (0xC1C5, 0xC1CA)" (places apart), or the
// region alone: "entry table entry".
struct Address {
  std::string region;
  std::vector<int> addresses{};
  bool range = false;  // the two addresses are the first and the last of a range
};
// "header": the disk header of a D88 image.
struct Header {};
// "the loader, bytes 5 to 6": bytes of a stretch that an image carries, counted from its start.
struct Stretch {
  std::string what;
  std::int64_t first;
  std::int64_t last;
};

}  // namespace at

using Place = std::variant<std::monostate, at::Offset, at::Line, at::Sector, at::Cylinder,
                           at::PatchRecord, at::Substitution, at::Address, at::Header, at::Stretch>;

// The place as text, as every face shows it; empty for none.
std::string place_text(const Place& place);

// --- What a field holds ---------------------------------------------------------------------

// A value found, or the value expected: a number (decimal, or hex with at least some digits), a
// text (quoted when it is a name from the file), bytes, the bounds a build keeps to, a span of
// numbered things ("blocks 1 to 5", counted in the unit) or a yes or no.
struct Value {
  enum class Kind : std::uint8_t { none, number, text, bytes, at_most, range, span, flag };
  Kind kind = Kind::none;
  std::int64_t amount = 0;  // of a number and of at_most; the first of a range
  std::int64_t last = 0;    // of a range
  int hex_digits = 0;       // 0: decimal; else "0x" and at least this many hex digits
  std::string words{};      // of a text; what the bounds of a range or at_most stand for
  std::vector<Byte> data{};
  bool quoted = false;

  static Value number(std::int64_t n) { return {.kind = Kind::number, .amount = n}; }
  static Value hex(std::int64_t n, int digits) {
    return {.kind = Kind::number, .amount = n, .hex_digits = digits};
  }
  static Value text(std::string t) { return {.kind = Kind::text, .words = std::move(t)}; }
  // A name as a file holds it, shown in double quotes with every byte visible.
  static Value name(std::string t) {
    return {.kind = Kind::text, .words = std::move(t), .quoted = true};
  }
  static Value bytes(std::span<const Byte> b) {
    return {.kind = Kind::bytes, .data = std::vector<Byte>(b.begin(), b.end())};
  }
  static Value at_most(std::int64_t n, std::string what = {}) {
    return {.kind = Kind::at_most, .amount = n, .words = std::move(what)};
  }
  static Value range(std::int64_t first, std::int64_t last, int digits = 0, std::string what = {}) {
    return {.kind = Kind::range,
            .amount = first,
            .last = last,
            .hex_digits = digits,
            .words = std::move(what)};
  }
  static Value span(std::int64_t first, std::int64_t last) {
    return {.kind = Kind::span, .amount = first, .last = last};
  }
  static Value flag(bool yes) { return {.kind = Kind::flag, .amount = yes ? 1 : 0}; }
  bool empty() const { return kind == Kind::none; }
};

// The value as text, its numbers counted in `unit` ("36 bytes") when one is given.
std::string value_text(const Value& value, const char* unit = nullptr);

// A number, a name or bytes that a finding's words tell, with the key that a script reads it by.
struct Fact {
  const char* key;
  Value value;
  const char* unit = nullptr;  // the noun its number counts
};
using Facts = std::vector<Fact>;

// --- The finding ----------------------------------------------------------------------------

struct Finding {
  Level level = Level::error;
  std::string file{};  // the file it is about; empty when the face gives it
  Place place{};
  std::string field{};         // what stands there: "R", "link field of a line record", "size"
  Value value{};               // what the field holds
  Value expected{};            // what a build writes there, or the bounds it keeps to
  const char* unit = nullptr;  // the noun the numbers count: "byte", "block"
  std::string message{};       // of a finding that foretells a stopped build: the build's line
  std::string note{};          // the rest, or all of it for a finding that compares no field
  bool detail = false;         // belongs to the finding before it, and is shown under it
  // Of a finding that stands for the findings of one kind past the first few: how many more
  // there are, the note naming their kind ("and 3 more lines cut").
  std::size_t more = 0;
  Facts facts{};  // the numbers and names that the field and the note tell
  // Of a comparison of two files: `expected` is what the first holds, `value` the second's, and
  // either is empty where that file has nothing ("line 55: added "PRINT"").
  bool compared = false;
};
using Findings = std::vector<Finding>;

// The finding as one line: "PLACE: FIELD is VALUE, expected EXPECTED; NOTE", with whatever it
// lacks left out; of a comparison, "PLACE: FIELD EXPECTED became VALUE" ("added VALUE", "removed
// EXPECTED"); a foretold stop is the build's line, then ": NOTE"; findings folded into a count
// "and MORE more NOTE". The file is the face's to add (a build's line names its own).
std::string finding_text(const Finding& finding);
// "FILE: TEXT", or the text alone for a finding that names no file or is a build's line.
std::string said(const Finding& finding);

// How a check names a byte offset of the bytes it is given: as an offset of the file, or
// otherwise for bytes gathered from elsewhere (the sectors of a D88 image).
using PlaceOf = Place (*)(std::size_t offset);
Place offset_place(std::size_t offset);

// The finding of a stage that a build would stop with: its message, the file it names.
Finding finding_of(const Failure& failure);

// Findings of one kind as they come: the first few kept, the rest only counted, so that a report
// grows with the kinds of trouble, not with the size of what it looks at. A caller makes a
// finding only when it is kept: add(make) calls make() for the first few alone.
class FindingsOfAKind {
 public:
  // The kind, in the words of "and 1 more ONE", "and 2 more MORE"; how many are kept.
  FindingsOfAKind(const char* one, const char* more, std::size_t kept = 5)
      : one_(one), more_(more), most_kept_(kept) {}

  template <class Make>
  void add(Make&& make) {
    if (kept_.size() < most_kept_) {
      kept_.push_back(make());
    } else {
      ++more_count_;
    }
  }
  void add_finding(Finding finding) {
    add([&finding] { return std::move(finding); });
  }
  bool empty() const { return kept_.empty(); }
  // The findings kept, then one that counts the rest, each at `level`.
  Findings folded(Level level) const;

 private:
  const char* one_;
  const char* more_;
  std::size_t most_kept_;
  Findings kept_;
  std::size_t more_count_ = 0;
};

}  // namespace flyseat
