// The patch file: records back to back from its first byte to its last, with no file header,
// no terminator and no alignment. A record is its header, a count and a target address, then
// count data bytes to store from that address on. The record's geometry, its encoder and its
// decoder; applying the records to the memory image is one of the image's stages (image.hpp).
#pragma once

#include <array>
#include <span>

#include "flyseat/little_endian.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

struct PatchRecordGeometry {
  int count;        // offset of the count of data bytes, 16-bit little-endian
  int address;      // offset of the target address of the first data byte, likewise
  int header_size;  // the data follow
};
inline constexpr PatchRecordGeometry kPatchRecord = {.count = 0, .address = 2, .header_size = 4};
static_assert(kPatchRecord.address + 2 == kPatchRecord.header_size);

// A record cut short by the end of the file stores this for each data byte missing.
inline constexpr Byte kMissingData = 0xFF;

struct PatchRecordHeader {
  int count;
  int address;
  // A record lies inside the memory image: it ends at 0xFFFF at the latest.
  constexpr bool fits_memory() const { return address + count <= kMemorySize; }
};
using PatchRecordHeaderBytes = std::array<Byte, kPatchRecord.header_size>;

constexpr PatchRecordHeaderBytes encode_patch_record_header(PatchRecordHeader record) {
  PatchRecordHeaderBytes bytes{};
  write_u16(bytes, kPatchRecord.count, static_cast<std::uint32_t>(record.count));
  write_u16(bytes, kPatchRecord.address, static_cast<std::uint32_t>(record.address));
  return bytes;
}

// `bytes` holds at least kPatchRecord.header_size bytes.
constexpr PatchRecordHeader decode_patch_record_header(std::span<const Byte> bytes) {
  return {read_u16(bytes, kPatchRecord.count), read_u16(bytes, kPatchRecord.address)};
}

}  // namespace flyseat
