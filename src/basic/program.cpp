// The stored program: line records packed from the start of the program buffer in listing
// order, closed by the end marker.
#include <algorithm>

#include "flyseat/basic.hpp"
#include "flyseat/failure.hpp"

namespace flyseat {
namespace {

// The link field is left as the target's BASIC finds it unset; it is never filled in.
constexpr Byte kUnlinked = 0xFF;

}  // namespace

bool append_line_record(ProgramBuffer& program, std::int32_t& length, std::int32_t number,
                        std::span<const Byte> tokens) {
  std::size_t start = static_cast<std::size_t>(length);
  std::size_t size = kLineRecordOverhead + tokens.size();
  if (start + size + kEndMarkerSize > program.size()) return false;

  Byte* record = program.data() + start;
  record[0] = kUnlinked;
  record[1] = kUnlinked;
  record[2] = static_cast<Byte>(number & 0xFF);
  record[3] = static_cast<Byte>((number >> 8) & 0xFF);
  std::copy(tokens.begin(), tokens.end(), record + 4);
  record[size - 1] = 0;
  length += static_cast<std::int32_t>(size);
  return true;
}

void write_end_marker(ProgramBuffer& program, std::int32_t length) {
  std::fill_n(program.begin() + length, kEndMarkerSize, Byte{0});
}

std::int32_t convert_listing(Source& listing, WorkArea& work, ListingWatch* watch) {
  ListingReader reader{&listing};
  std::int32_t length = 0;
  SubstitutionCounts* fired = watch != nullptr ? &watch->fired : nullptr;
  while (std::optional<ListingLine> line = read_listing_line(reader, work.line)) {
    if (watch != nullptr) watch->dropped = reader.dropped;
    if (!substitute_line(line->number, line->text, work.scratch, fired)) {
      fail("%s: line %d too long after editing", listing.name, static_cast<int>(line->number));
    }
    // The scratch is free again once the line is edited, and as large as the line buffer.
    std::size_t count = tokenize_line(line->text, work.scratch);
    if (!append_line_record(work.program, length, line->number,
                            std::span<const Byte>(work.scratch).first(count))) {
      fail("%s: program too large at line %d", listing.name, static_cast<int>(line->number));
    }
    if (watch != nullptr && watch->each_line) {
      auto text_length =
          std::find(line->text.begin(), line->text.end(), Byte{0}) - line->text.begin();
      auto used = static_cast<std::size_t>(line->text.data() - work.line.data() + text_length) + 1;
      watch->each_line({line->number, line->numbered, used});
    }
  }
  if (watch != nullptr) watch->dropped = reader.dropped;
  write_end_marker(work.program, length);
  return length;
}

}  // namespace flyseat
