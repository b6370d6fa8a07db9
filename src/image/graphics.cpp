#include "flyseat/image.hpp"
#include "graphics_tables.hpp"
#include "memory_access.hpp"

namespace flyseat {
namespace {

constexpr int kHighNibbleForm = 0;
constexpr int kLowNibbleForm = 1;
constexpr Byte kEntryFlag = 0x01;

// A flag for each pixel of a four-pixel byte that is not colour 0, in the high nibble or,
// for the low-nibble form, in the low one.
Byte pixel_flags(Byte value, int low_form) {
  int flags = 0;
  for (int pixel = 0; pixel < kPixelsPerSourceByte; ++pixel) {
    if (source_pixel(value, pixel) != 0) flags |= 0x80 >> pixel;
  }
  return static_cast<Byte>(low_form == kHighNibbleForm ? flags : flags >> 4);
}

// Eight flags from two source bytes: the first gives the high nibble, the second the low.
Byte combine(Byte high, Byte low) {
  return static_cast<Byte>(pixel_flags(high, kHighNibbleForm) | pixel_flags(low, kLowNibbleForm));
}

// Reading from R + 2i and writing to R + i, in rising i, never overwrites a byte still to
// be read.
void pack_row(MemoryImage& memory, int row, int width) {
  int half = width / 2;
  for (int i = 0; i < half; ++i) {
    byte_at(memory, row + i) =
        combine(byte_at(memory, row + 2 * i), byte_at(memory, row + 2 * i + 1));
  }
  for (int i = half; i < width; ++i)
    byte_at(memory, row + i) = 0;
}

// Written without forming row + width, which could overflow for wild arguments.
bool row_fits(int row, int width) {
  return width > 0 && row >= 0 && width <= kMemorySize - row;
}

void edit_entry_table(MemoryImage& memory) {
  for (const ByteStore& store : kEntryStores)
    byte_at(memory, store.address) = store.value;
  for (int entry = 0; entry < kEntryCount; ++entry) {
    byte_at(memory, entry_byte(entry, 0)) &= static_cast<Byte>(~kEntryFlag);
  }
}

// Here the higher address gives the high nibble and receives the result, the reverse of the
// bitmap rows.
void merge_pair(MemoryImage& memory, int address) {
  Byte low = byte_at(memory, address);
  Byte high = byte_at(memory, address + 1);
  byte_at(memory, address + 1) = combine(high, low);
  byte_at(memory, address) = 0;
}

}  // namespace

std::span<const RowRange, kRowRangeCount> bitmap_row_ranges() {
  return kRowRanges;
}

// A row that would reach past the end of the image, or start before it, ends the packing
// unpacked, and so does a width below 1; the result is then the start of that row.
int pack_rows(MemoryImage& memory, int first, int last, int width) {
  int row = first;
  while (row <= last && row_fits(row, width)) {
    pack_row(memory, row, width);
    row += width;
  }
  return row;
}

void pack_graphics(MemoryImage& memory) {
  for (const RowRange& range : kRowRanges)
    pack_rows(memory, range.first, range.last, range.width);
  edit_entry_table(memory);
}

void convert_pattern_bytes(MemoryImage& memory) {
  for (int address : kHighNibbleBytes) {
    byte_at(memory, address) = pixel_flags(byte_at(memory, address), kHighNibbleForm);
  }
  for (int address : kLowNibbleBytes) {
    byte_at(memory, address) = pixel_flags(byte_at(memory, address), kLowNibbleForm);
  }
  for (int address : kPairs)
    merge_pair(memory, address);
}

void convert_memory_image(MemoryImage& memory) {
  pack_graphics(memory);
  relocate_addresses(memory);
  convert_pattern_bytes(memory);
}

}  // namespace flyseat
