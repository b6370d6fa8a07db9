// Reading list3.txt: the text-mode rules over a binary read, the line cut at kMaxLineRead bytes
// and the line number in front of each line.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "flyseat/basic.hpp"

namespace flyseat {
namespace {

constexpr int kNone = -1;

int next_raw_byte(ListingReader& reader) {
  if (reader.look_ahead != kNone) {
    int byte = reader.look_ahead;
    reader.look_ahead = kNone;
    return byte;
  }
  return read_byte(*reader.source);
}

// The next byte as text reading delivers it, or -1 at the end of the listing.
int next_text_byte(ListingReader& reader) {
  if (reader.ended) return kNone;
  int byte = next_raw_byte(reader);
  if (byte == kEndOfText) {
    reader.ended = true;  // nothing after it is read, not even the rest of the file
    return kNone;
  }
  if (byte == kCarriageReturn) {
    int after = next_raw_byte(reader);
    if (after == kLineFeed) return kLineFeed;
    reader.look_ahead = after;  // a 0x1A here still ends the listing when its turn comes
  }
  return byte;
}

// Fills `line` with up to kMaxLineRead bytes, through the first LF, and a zero byte; returns how
// many bytes the line has, 0 at the end of the listing.
int read_line_bytes(ListingReader& reader, LineBuffer& line) {
  int count = 0;
  while (count < kMaxLineRead) {
    int byte = next_text_byte(reader);
    if (byte == kNone) break;
    line[static_cast<std::size_t>(count++)] = static_cast<Byte>(byte);
    if (byte == kLineFeed) break;
  }
  line[static_cast<std::size_t>(count)] = 0;
  return count;
}

bool is_white_space(Byte c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(Byte c) {
  return c >= '0' && c <= '9';
}

struct LineNumber {
  std::int32_t value;
  std::size_t end;  // where the line text begins
};

// A decimal number after optional white space and sign, clamped to 32 bits. Without digits
// the number is 0 and nothing of the line is taken for it.
LineNumber parse_line_number(const LineBuffer& line) {
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::size_t at = 0;
  while (is_white_space(line[at]))
    ++at;
  bool negative = line[at] == '-';
  if (line[at] == '+' || line[at] == '-') ++at;
  if (!is_digit(line[at])) return {0, 0};

  std::int64_t magnitude = 0;  // held at most at kLimit, so it never overflows
  while (is_digit(line[at])) {
    magnitude = std::min(magnitude * 10 + (line[at] - '0'), kLimit);
    ++at;
  }
  std::int64_t value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
  return {static_cast<std::int32_t>(value), at};
}

// Counts the line in the reader when it is one of the dropped lines.
bool is_dropped(std::int32_t number, ListingReader& reader) {
  for (std::size_t i = 0; i < kDroppedLines.size(); ++i) {
    if (number == kDroppedLines[i]) {
      ++reader.dropped[i];
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<ListingLine> read_listing_line(ListingReader& reader, LineBuffer& line) {
  while (int count = read_line_bytes(reader, line)) {
    LineNumber number = parse_line_number(line);
    bool cut = count == kMaxLineRead && line[kMaxLineRead - 1] != kLineFeed;
    ListingLine read{number.value, number.end > 0, std::span<Byte>(line).subspan(number.end),
                     static_cast<std::size_t>(count), cut};
    if (!is_dropped(number.value, reader)) return read;
    if (reader.on_dropped) reader.on_dropped(read);
  }
  return std::nullopt;
}

}  // namespace flyseat
