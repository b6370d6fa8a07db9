// The stored BASIC program that an image carries, read back: its lines as the target lists
// them, and whether each would come back the same when its listing is tokenized again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "flyseat/basic.hpp"
#include "flyseat/finding.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat::inspect {

struct ProgramLine {
  std::uint16_t number;
  std::vector<Byte> tokens;
};

struct Program {
  std::vector<ProgramLine> lines;
  bool ended = false;          // a whole end marker closes the line records
  std::size_t end_marker = 0;  // its offset
};

// Walks the line records from `start` up to the end marker. A record that runs past the end,
// a link field other than a build's, or a missing or damaged end marker is a problem; the
// lines before it are in the program.
Program walk_program(std::span<const Byte> bytes, std::size_t start, Findings& problems);

// A stored line as the target lists it: tokens outside strings, DATA items and remarks expanded
// to their keywords, every other byte as stored. With `escaped`, a byte that is not printable
// ASCII, and the backslash itself, is shown as \xHH, so that the text is unambiguous; without,
// every byte is written as it is.
std::string listed_text(std::span<const Byte> tokens, bool escaped);
// A line as `list` prints it: the number, a space, the listed text, a line feed.
std::string listed_line(std::uint16_t number, std::span<const Byte> tokens, bool escaped);
inline std::string listed_line(const ProgramLine& line, bool escaped) {
  return listed_line(line.number, line.tokens, escaped);
}

// Whether the line, listed with every byte as it is, then read and tokenized as a build reads
// its listing but without the substitution records, gives back the same line record; a finding
// naming the line and why when it does not. `work` is scratch.
std::optional<Finding> check_listed_line(std::uint16_t number, std::span<const Byte> tokens,
                                         WorkArea& work);

// The program a file carries, as `list` finds it: in a main tape image, a raw disk image or a
// D88 image, found as `info` finds it, or with `raw` in a file of line records alone. The
// problems say why there is none, or where it is damaged.
struct Listing {
  Program program;
  Findings problems;
  bool sound() const { return problems.empty(); }
};
Listing find_program(std::span<const Byte> file, bool raw);

// Adds a problem for each line whose listing, written with every byte as it is and tokenized
// again, would not give back the stored line.
void check_round_trip(Listing& listing);

// What `list NAME` shows on the page: the lines, escaped, then each problem as "NAME: TEXT".
std::string listing_text(const std::string& name, const Listing& listing);

}  // namespace flyseat::inspect
