// Reading a stored program back: the line records, the end marker, each line as the target
// lists it, and whether a listing of it comes back the same when tokenized again.
#include <algorithm>
#include <memory>

#include "listing.hpp"

#include "flyseat/basic.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/tape.hpp"
#include "flyseat/text.hpp"
#include "images.hpp"
#include "problems.hpp"

namespace flyseat::inspect {
namespace {

// What keeps a listed line from coming back the same, when the reason is one that no listing
// can avoid; empty otherwise.
std::string inherent_loss(const ProgramLine& line) {
  const std::vector<Byte>& t = line.tokens;
  if (std::find(t.begin(), t.end(), kEndOfText) != t.end()) {
    return "holds a byte 0x1A, which ends a listing where it stands";
  }
  if (std::find(t.begin(), t.end(), kLineFeed) != t.end()) {
    return "holds a line feed, which splits the listed line in two";
  }
  if (!t.empty() && t.back() == kCarriageReturn) {
    return "ends with a carriage return, which reading the listing takes for part of the line "
           "end";
  }
  if (!t.empty() && t.front() == ' ') {
    return "begins with a space, which lists as two spaces after the number; typing it again "
           "loses one";
  }
  return {};
}

// The line as `list --bytes` writes it, read back and tokenized as a build reads its listing,
// without the substitution records: whether it gives that one line record again.
bool comes_back(const ProgramLine& line, WorkArea& work) {
  std::string listed = listed_line(line, false);
  Source source;
  open_bytes(source, kListingName,
             std::span(reinterpret_cast<const Byte*>(listed.data()), listed.size()));
  std::int32_t length = 0;
  try {
    length = convert_listing(source, work, nullptr, LineEdits::none);
  } catch (const Failure&) {  // a stored line so long that its listing outgrows the program
    return false;
  }
  LineRecordRead read = read_line_record(work.program, 0);
  return read.what == LineRecordRead::record && read.next == static_cast<std::size_t>(length) &&
         read.number == line.number &&
         std::equal(read.tokens.begin(), read.tokens.end(), line.tokens.begin(), line.tokens.end());
}

}  // namespace

Program walk_program(std::span<const Byte> bytes, std::size_t start, Findings& problems) {
  Program program;
  ProgramRead read = read_program(bytes, start, [&program](const LineRecordRead& record) {
    program.lines.push_back(
        {record.number, std::vector<Byte>(record.tokens.begin(), record.tokens.end())});
  });
  program.ended = read.stop == ProgramRead::ended;
  if (program.ended) program.end_marker = read.at;
  check_program(bytes, read, problems);
  return program;
}

std::string listed_line(const ProgramLine& line, bool escaped) {
  return format("%u ", line.number) + listed_text(line.tokens, escaped) + "\n";
}

std::string listed_text(std::span<const Byte> tokens, bool escaped) {
  std::string text;
  LineModes modes;
  for (Byte b : tokens) {
    std::string_view keyword = keyword_text(b);
    if (!modes.copying() && !keyword.empty()) {
      text += keyword;
      modes.enter(b);
      continue;
    }
    modes.pass(b);
    if (escaped) {
      append_visible(text, b);
    } else {
      text += static_cast<char>(b);
    }
  }
  return text;
}

Listing find_program(std::span<const Byte> file, bool raw) {
  Listing listing;
  if (raw && decode_tape_image(file).kind != TapeRead::not_a_tape) {
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
    if (comes_back(line, *work)) continue;
    std::string why = inherent_loss(line);
    listing.problems.push_back(
        {.place = format("line %u", line.number),
         .note = why.empty() ? "does not come back the same when its listing is tokenized again"
                             : why});
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
