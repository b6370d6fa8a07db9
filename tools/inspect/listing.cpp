// The program an image carries, read back: its line records up to the end marker, found where
// info finds it, each line as the target lists it.
#include <algorithm>
#include <memory>

#include "listing.hpp"

#include "flyseat/basic.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/recognise.hpp"
#include "flyseat/text.hpp"
#include "images.hpp"
#include "problems.hpp"

namespace flyseat::inspect {
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
  return flyseat::listed_line(line.number, line.tokens, escaped);
}

Listing find_program(std::span<const Byte> file, bool raw) {
  Listing listing;
  if (raw && recognise_image(file).format == ImageFormat::tape) {
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
