// Reading a stored program back: the line records, the end marker, and each line as the
// target lists it.
#include <algorithm>
#include <cstdio>

#include "examine.hpp"
#include "flyseat/basic.hpp"
#include "flyseat/output.hpp"
#include "text.hpp"

namespace flyseat::inspect {
namespace {

constexpr int kLinkSize = 2;
constexpr int kRecordHeaderSize = 4;  // link field and line number

bool is_token(Byte b) {
  return b >= kFirstToken && b <= kLastToken;
}

bool check_end_marker(std::span<const Byte> file, std::size_t at, Findings& found) {
  std::size_t left = file.size() - at;
  if (left < kEndMarkerSize) {
    found.problems.push_back(
        format("end marker at offset %zu is cut short: %zu of %d bytes", at, left, kEndMarkerSize));
    return false;
  }
  for (std::size_t i = 0; i < kEndMarkerSize; ++i) {
    if (file[at + i] != 0) {
      found.problems.push_back(format("end marker at offset %zu: byte %zu is 0x%02X, expected 0x00",
                                      at, i, file[at + i]));
      return false;
    }
  }
  return true;
}

}  // namespace

ProgramSummary walk_program(std::span<const Byte> file, std::size_t start, Findings& found,
                            const std::function<void(const ProgramLine&)>& each) {
  ProgramSummary summary;
  std::size_t at = start;
  while (true) {
    if (file.size() - at < kLinkSize) {
      found.problems.push_back(
          format("the program ends at offset %zu without its end marker", file.size()));
      return summary;
    }
    if (read_u16(file, at) == 0) {  // a zero link field begins the end marker
      summary.end_marker = at;
      summary.ended = check_end_marker(file, at, found);
      return summary;
    }
    std::span<const Byte> tokens;
    bool whole = false;  // the record's closing zero lies in the file
    if (file.size() - at >= kRecordHeaderSize) {
      tokens = file.subspan(at + kRecordHeaderSize);
      auto zero = std::find(tokens.begin(), tokens.end(), Byte{0});
      whole = zero != tokens.end();
      tokens = tokens.first(static_cast<std::size_t>(zero - tokens.begin()));
    }
    if (!whole) {
      found.problems.push_back(
          format("line record at offset %zu runs past the end of the file", at));
      return summary;
    }
    each(ProgramLine{read_u16(file, at + kLinkSize), tokens});
    ++summary.lines;
    at += kRecordHeaderSize + tokens.size() + 1;
  }
}

void check_nothing_after(std::span<const Byte> file, const ProgramSummary& program,
                         Findings& found) {
  std::size_t end = program.end_marker + kEndMarkerSize;
  if (program.ended && file.size() > end) {
    found.problems.push_back(format("%s after the end marker at offset %zu",
                                    count_of(file.size() - end, "byte").c_str(),
                                    program.end_marker));
  }
}

std::string listed_text(std::span<const Byte> tokens) {
  std::string text;
  LineModes modes;
  for (Byte b : tokens) {
    if (!modes.copying() && is_token(b)) {
      text += keyword_text(b);
      modes.enter(b);
      continue;
    }
    modes.pass(b);
    append_visible(text, b);
  }
  return text;
}

void list_program(std::span<const Byte> file, bool raw, Findings& found) {
  std::size_t start = 0;
  if (!raw) {
    if (!has_tape_leader(file)) {
      found.problems.push_back(
          "not a tape image: it does not begin with the tape leader (use --raw for a file of "
          "line records)");
      return;
    }
    if (file.size() < kTapeHeaderSize) {
      found.problems.push_back(
          format("tape header cut short: %zu of %d bytes", file.size(), kTapeHeaderSize));
      return;
    }
    if (tape_name(file) == kDataTapeTitle) {
      found.problems.push_back("a data tape image holds no program");
      return;
    }
    start = kTapeHeaderSize;
  }
  ProgramSummary program = walk_program(file, start, found, [&](const ProgramLine& line) {
    found.report += format("%u %s\n", line.number, listed_text(line.tokens).c_str());
  });
  check_nothing_after(file, program, found);
}

}  // namespace flyseat::inspect
