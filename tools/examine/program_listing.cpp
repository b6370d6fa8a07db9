// Reading a stored program back: the line records, the end marker, each line as the target
// lists it, and whether a listing of it comes back the same when tokenized again.
#include <algorithm>
#include <memory>

#include "examine.hpp"
#include "flyseat/basic.hpp"
#include "flyseat/output.hpp"
#include "text.hpp"

namespace flyseat::inspect {
namespace {

constexpr int kLinkSize = 2;
constexpr int kRecordHeaderSize = 4;         // link field and line number
constexpr std::uint16_t kUnlinked = 0xFFFF;  // a build never fills in the link field

bool is_token(Byte b) {
  return b >= kFirstToken && b <= kLastToken;
}

bool check_end_marker(std::span<const Byte> bytes, std::size_t at, Findings& found) {
  std::size_t left = bytes.size() - at;
  if (left < kEndMarkerSize) {
    found.problem(
        format("end marker at offset %zu is cut short: %zu of %d bytes", at, left, kEndMarkerSize));
    return false;
  }
  for (std::size_t i = 0; i < kEndMarkerSize; ++i) {
    if (bytes[at + i] != 0) {
      found.problem(format("end marker at offset %zu: byte %zu is 0x%02X, expected 0x00", at, i,
                           bytes[at + i]));
      return false;
    }
  }
  return true;
}

// What keeps a listed line from coming back the same, when the reason is one that no listing
// can avoid; empty otherwise.
std::string inherent_loss(const ProgramLine& line) {
  const std::vector<Byte>& t = line.tokens;
  if (std::find(t.begin(), t.end(), Byte{0x1A}) != t.end()) {
    return "holds a byte 0x1A, which ends a listing where it stands";
  }
  if (std::find(t.begin(), t.end(), Byte{'\n'}) != t.end()) {
    return "holds a line feed, which splits the listed line in two";
  }
  if (!t.empty() && t.back() == '\r') {
    return "ends with a carriage return, which reading the listing takes for part of the line "
           "end";
  }
  if (!t.empty() && t.front() == ' ') {
    return "begins with a space, which lists as two spaces after the number; typing it again "
           "loses one";
  }
  return {};
}

// The line as `list --bytes` writes it, read back and tokenized as a build reads its listing.
bool comes_back(const ProgramLine& line) {
  std::string listed = format("%u ", line.number) + listed_text(line.tokens, false) + "\n";
  Source source;
  open_bytes(source, "listing",
             std::span(reinterpret_cast<const Byte*>(listed.data()), listed.size()));
  ListingReader reader{&source};
  auto buffer = std::make_unique<LineBuffer>();
  std::optional<ListingLine> read = read_listing_line(reader, *buffer);
  if (!read || read_listing_line(reader, *buffer)) return false;  // none, or more than one
  std::vector<Byte> tokens(read->text.size());
  tokens.resize(tokenize_line(read->text, tokens));
  return static_cast<std::uint16_t>(read->number) == line.number && tokens == line.tokens;
}

}  // namespace

Program walk_program(std::span<const Byte> bytes, std::size_t start, Findings& found) {
  Program program;
  std::size_t at = start;
  for (;;) {
    if (bytes.size() - at < kLinkSize) {
      found.problem(format("the program ends at offset %zu without its end marker", bytes.size()));
      return program;
    }
    std::uint16_t link = read_u16(bytes, at);
    if (link == 0) {  // a zero link field begins the end marker
      program.end_marker = at;
      program.ended = check_end_marker(bytes, at, found);
      return program;
    }
    if (link != kUnlinked) {
      found.problem(format("line record at offset %zu: link field is 0x%04X, expected 0x%04X", at,
                           link, kUnlinked));
      return program;
    }
    auto zero = bytes.end();
    if (bytes.size() - at >= kRecordHeaderSize) {
      zero = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(at + kRecordHeaderSize),
                       bytes.end(), Byte{0});
    }
    if (zero == bytes.end()) {
      found.problem(format("line record at offset %zu runs past the end of the file", at));
      return program;
    }
    auto tokens_start = bytes.begin() + static_cast<std::ptrdiff_t>(at + kRecordHeaderSize);
    program.lines.push_back(
        {read_u16(bytes, at + kLinkSize), std::vector<Byte>(tokens_start, zero)});
    at = static_cast<std::size_t>(zero - bytes.begin()) + 1;
  }
}

std::string listed_text(std::span<const Byte> tokens, bool escaped) {
  std::string text;
  LineModes modes;
  for (Byte b : tokens) {
    if (!modes.copying() && is_token(b)) {
      text += keyword_text(b);
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

void check_round_trip(const Program& program, Findings& found) {
  for (const ProgramLine& line : program.lines) {
    if (comes_back(line)) continue;
    std::string why = inherent_loss(line);
    found.problem(format("line %u %s", line.number,
                         why.empty() ? "does not come back the same when its listing is "
                                       "tokenized again"
                                     : why.c_str()));
  }
}

}  // namespace flyseat::inspect
