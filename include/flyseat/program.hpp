// The stored program: line records packed from the start of the program buffer, closed by the
// end marker. The line record's geometry, its encoder and its decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "flyseat/finding.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

// The end marker: zero bytes directly after the last line record. A program is always handed
// on with it, its length plus kEndMarkerSize bytes of the program buffer.
inline constexpr int kEndMarkerSize = 10;
// The most bytes of line records the program buffer holds with the end marker after them.
inline constexpr int kProgramRoom = kProgramSize - kEndMarkerSize;

// A line record: the link field and the line number (both 16-bit little-endian), the token
// bytes, then a zero byte.
struct LineRecordGeometry {
  int link;         // offset of the link field, which a build never fills in
  int number;       // offset of the line number
  int header_size;  // the tokens follow
  int overhead;     // bytes of a record besides its tokens: the header and the zero byte
};
inline constexpr LineRecordGeometry kLineRecord = {
    .link = 0, .number = 2, .header_size = 4, .overhead = 5};
static_assert(kLineRecord.number + 2 == kLineRecord.header_size &&
              kLineRecord.header_size + 1 == kLineRecord.overhead);
inline constexpr std::uint16_t kUnlinked = 0xFFFF;  // the link field a build writes

// A line number is stored as its low 16 bits.
constexpr std::uint16_t stored_line_number(std::int32_t number) {
  return static_cast<std::uint16_t>(number & 0xFFFF);
}

// Writes a line record (FF FF, the low 16 bits of the number, the tokens, 00) at offset
// `length` and adds its size to `length`. False, writing nothing, when the record and the
// end marker after it would not fit the program buffer.
[[nodiscard]] bool append_line_record(ProgramBuffer& program, std::int32_t& length,
                                      std::int32_t number, std::span<const Byte> tokens);

// Writes the ten zero bytes of the end marker at offset `length`.
void write_end_marker(ProgramBuffer& program, std::int32_t length);

// What stands at an offset of a stored program, read back as a build writes it.
struct LineRecordRead {
  enum What {
    record,      // a whole line record
    end_marker,  // a zero link field, where the end marker begins
    other_link,  // a link field that is neither a build's nor the end marker's; read as a
                 // record when its zero byte is there
    cut_short,   // the bytes end inside the link field, or before the record's zero byte
  } what;
  std::uint16_t link = 0;
  std::uint16_t number = 0;
  std::span<const Byte> tokens{};  // of a whole record
  std::size_t next = 0;            // the offset after a whole record; 0 for none
};
LineRecordRead read_line_record(std::span<const Byte> program, std::size_t at);

// A stored program read back from an offset: its line records up to where they stop.
struct ProgramRead {
  enum Stop {
    ended,               // a whole end marker of zero bytes closes the records
    end_marker_cut,      // the bytes end inside the end marker
    end_marker_damaged,  // a byte of the end marker is not zero
    other_link,          // a record's link field is neither a build's nor the end marker's
    record_cut,          // the bytes end inside a line record
    no_end_marker,       // the bytes end where a record or the end marker should begin
  } stop = ended;
  std::size_t lines = 0;    // whole line records before the stop
  std::size_t at = 0;       // where it stopped: the end marker's offset, or the record's
  std::uint16_t link = 0;   // of other_link
  std::size_t damaged = 0;  // of end_marker_damaged: the first byte that is not zero
};
// Reads the records from `start` to where they stop; the first `lines` of them are whole
// records a build writes, one after another from `start`.
ProgramRead read_program(std::span<const Byte> bytes, std::size_t start);

// Whether a program read back is what a build writes: line records closed by a whole end marker
// and nothing after it. Each thing that is not adds a finding with its place, named by
// `place_of`, and its value.
void check_program(std::span<const Byte> bytes, const ProgramRead& read, Findings& findings,
                   PlaceOf place_of = offset_place);

}  // namespace flyseat
