// The program an image carries, read back: its line records up to the end marker, found where
// info finds it, each line as the target lists it.
#include <algorithm>
#include <memory>

#include "listing.hpp"

#include "flyseat/basic.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/text.hpp"
#include "info.hpp"
#include "problems.hpp"

namespace flyseat::inspect {
namespace {

// A text listing, such as list3.txt: a line number first, and a first line of text. A file of
// line records begins with a link field 0xFFFF, an image with a leader or a header.
bool looks_like_listing_text(std::span<const Byte> file) {
  if (file.empty() || file[0] < '0' || file[0] > '9') return false;
  auto end = std::find(file.begin(), file.end(), Byte{'\n'});
  return std::all_of(file.begin(), end,
                     [](Byte b) { return (b >= 0x20 && b < 0x7F) || b == '\r' || b == '\t'; });
}

constexpr const char* kListingText =
    "a BASIC listing as text, not an image of a build: check it with flyseat-inspect check in "
    "its game's folder, and list an image that flyseat-build makes of it";

}  // namespace

Program walk_program(std::span<const Byte> bytes, std::size_t start, Findings& problems) {
  Program program;
  ProgramRead read = read_program(bytes, start);
  for (std::size_t at = start; program.lines.size() < read.lines;) {
    LineRecordRead record = read_line_record(bytes, at);
    program.lines.push_back({record.number, {record.tokens.begin(), record.tokens.end()}});
    at = record.next;
  }
  program.ended = read.stop == ProgramRead::ended;
  if (program.ended) program.end_marker = read.at;
  check_program(bytes, read, problems);
  return program;
}

Listing find_program(std::span<const Byte> file, bool raw) {
  Listing listing;
  ImageKind kind = recognise_image(file).kind;
  if (kind == ImageKind::unknown && looks_like_listing_text(file)) {
    listing.problems.push_back({.note = kListingText});
  } else if (raw && is_tape(kind)) {
    listing.problems.push_back(
        {.note = "a tape image, not a file of line records: list it without --raw"});
  } else if (raw && file.empty()) {
    listing.problems.push_back({.note = "empty file"});
  } else if (raw) {
    listing.program = walk_program(file, 0, listing.problems);
  } else {
    Description d = describe_image(file);
    listing.problems = d.problems;
    if (d.kind == ImageKind::data_tape) {
      listing.problems = {{.note = "a data tape image holds no program"}};
    } else if (d.kind == ImageKind::unknown) {
      listing.problems.back().note += " (use --raw for a file of line records)";
    } else if (d.program_at) {
      Findings again;  // the description has them already
      listing.program = walk_program(d.held.empty() ? file : d.held, *d.program_at, again);
    }
  }
  return listing;
}

void check_round_trip(Listing& listing) {
  auto work = std::make_unique<WorkArea>();
  for (const ProgramLine& line : listing.program.lines) {
    if (std::optional<Finding> lost = check_listed_line(line.number, line.tokens, *work))
      listing.problems.push_back(*lost);
  }
}

std::string listing_text(const std::string& name, const Listing& listing) {
  std::string text;
  for (const ProgramLine& line : listing.program.lines)
    text += listed_line(line, true);
  for (const std::string& problem : shown_problems(listing.problems))
    text += name + ": " + problem + "\n";
  return text;
}

}  // namespace flyseat::inspect
