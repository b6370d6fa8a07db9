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
  int byte = read_byte(reader.source);
  if (byte != kNone) ++reader.consumed;
  return byte;
}

// A carriage return that no line feed follows stays in the line as an ordinary byte.
void count_lone_return(ListingReader& reader, std::uint64_t offset) {
  if (reader.lone_returns++ == 0) reader.first_lone_return = offset;
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
    std::uint64_t offset = reader.consumed - 1;  // the last byte taken, held back or not
    int after = next_raw_byte(reader);
    if (after == kLineFeed) return kLineFeed;
    reader.look_ahead = after;  // a 0x1A here still ends the listing when its turn comes
    count_lone_return(reader, offset);
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

// Which of the dropped lines the line is; -1 for none.
int dropped_index(std::int32_t number) {
  auto at = std::find(kDroppedLines.begin(), kDroppedLines.end(), number);
  return at == kDroppedLines.end() ? -1 : static_cast<int>(at - kDroppedLines.begin());
}

}  // namespace

std::size_t ListingLine::used() const {
  auto end = std::find(text.begin(), text.end(), Byte{0});
  return kLineSize - text.size() + static_cast<std::size_t>(end - text.begin()) + 1;
}

std::optional<ListingLine> read_listing_line(ListingReader& reader, LineBuffer& line) {
  for (;;) {
    std::uint64_t offset = reader.consumed - (reader.look_ahead != kNone ? 1 : 0);
    reader.lone_returns = 0;
    int count = read_line_bytes(reader, line);
    if (count == 0) return std::nullopt;
    LineNumber number = parse_line_number(line);
    bool cut = count == kMaxLineRead && line[kMaxLineRead - 1] != kLineFeed;
    ListingLine read{number.value,
                     number.end > 0,
                     std::span<Byte>(line).subspan(number.end),
                     static_cast<std::size_t>(count),
                     cut,
                     offset,
                     reader.lone_returns,
                     reader.first_lone_return};
    read.dropped = dropped_index(number.value);
    reader.watch.read(read);
    if (read.dropped < 0) return read;
  }
}

}  // namespace flyseat
