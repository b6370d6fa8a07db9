// The target memory image: the two dumps, the patch file, the graphics depth reduction and
// the address relocation. The edits run in this order, once per run:
// load_dumps, apply_patch, pack_graphics, relocate_addresses, convert_pattern_bytes.
#pragma once

#include <cstdint>
#include <span>

#include "flyseat/io.hpp"
#include "flyseat/patch.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

struct DumpLengths {
  std::int32_t list1;
  std::int32_t list2;
  // Of a list1.bin long enough to reach the list2 region: its bytes there that list2.bin's take
  // the place of, and how many of them list2.bin gives another value.
  std::int32_t under_list2 = 0;
  std::int32_t lost_under_list2 = 0;
};

// Reads at most `max` bytes of a dump into the image from `start`; returns how many arrived.
std::int32_t load_dump(Source& dump, MemoryImage& memory, int start, int max);
// Opens, reads and closes list1.bin and then list2.bin.
DumpLengths load_dumps(Folder& folder, MemoryImage& memory);

// Applies the patch records of `patch`, raising the list2 length to cover every byte stored
// at or above the list2 start; tells `watch` of each record once it is stored, and of a record
// past the end of memory, marked so, before it stops the run.
PatchSummary apply_patch(Source& patch, MemoryImage& memory, std::int32_t& list2_length,
                         PatchWatch& watch);
// Opens, applies and closes patch.bin.
void apply_patch(Folder& folder, MemoryImage& memory, std::int32_t& list2_length);

// A range of bitmap rows in the list1 region, packed row by row.
struct RowRange {
  int first;  // first and last address, inclusive
  int last;
  int width;  // bytes per row
  int rows() const { return (last - first + 1) / width; }
};
inline constexpr int kRowRangeCount = 6;
// The six ranges that pack_graphics packs, in the order it packs them.
std::span<const RowRange, kRowRangeCount> bitmap_row_ranges();

// Video memory of the four-colour mode begins here and runs to the end of memory; the halved
// addresses and the split address point into it, and relocation halves them as such.
inline constexpr int kVideoBase = 0xC000;
constexpr bool is_video_address(int value) {
  return value >= kVideoBase && value < kMemorySize;
}

// The kinds of fixed place outside the bitmap rows that the conversion rewrites, in the order
// fixed_places() lists them.
enum class PlaceKind : std::size_t {
  entry_table_entry,
  raised_word,
  halved_address,
  split_address_byte,
  rounded_word,
  high_nibble_byte,
  low_nibble_byte,
  pattern_pair,
};
inline constexpr std::size_t kPlaceKinds = static_cast<std::size_t>(PlaceKind::pattern_pair) + 1;

// The places of one kind: `size` bytes from each address. No two places share a byte, and none
// lies in the bitmap rows, so the order of the edits cannot change the result.
struct FixedPlaces {
  const char* what;
  std::span<const int> addresses;
  int size;
};
std::span<const FixedPlaces, kPlaceKinds> fixed_places();
inline const FixedPlaces& fixed_places(PlaceKind kind) {
  return fixed_places()[static_cast<std::size_t>(kind)];
}

// The split address, whose high and low byte stand apart in the machine code, read high byte
// first from its two places.
int read_split_address(const MemoryImage& memory);

// A four-colour byte holds four pixels of two bits, pixel 0 in bits 7 and 6; a packed byte of
// the two-colour mode holds eight of one bit, pixel 0 in bit 7.
inline constexpr int kPixelsPerSourceByte = 4;
inline constexpr int kPixelsPerPackedByte = 8;
constexpr int source_pixel(Byte value, int pixel) {
  return value >> (6 - 2 * pixel) & 0x03;
}
constexpr bool packed_pixel(Byte value, int pixel) {
  return (value >> (7 - pixel) & 0x01) != 0;
}

// Packs the rows of `width` bytes from `first` to `last` in place; returns the next row.
int pack_rows(MemoryImage& memory, int first, int last, int width);
void pack_graphics(MemoryImage& memory);
void convert_pattern_bytes(MemoryImage& memory);
void relocate_addresses(MemoryImage& memory);
// The edits after the patch file, in their fixed order: pack_graphics, relocate_addresses,
// convert_pattern_bytes.
void convert_memory_image(MemoryImage& memory);

}  // namespace flyseat
