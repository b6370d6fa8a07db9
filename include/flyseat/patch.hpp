// The patch file: records back to back from its first byte to its last, with no file header,
// no terminator and no alignment. A record is its header, a count and a target address, then
// count data bytes to store from that address on. The record's geometry, its encoder, its
// decoder and its check; applying the records to the memory image is one of the image's stages
// (image.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "flyseat/finding.hpp"
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

// One record as it was applied, for a caller that reports on the patch file.
struct PatchRecordSeen {
  std::int64_t offset;  // of its count field in the file
  int count;
  int address;
  int missing;                // data bytes past the end of the file, stored as kMissingData
  std::int32_t list2_length;  // after the record
};

struct PatchSummary {
  std::int64_t end = 0;  // offset after the last whole record
  int stray_bytes = 0;   // after it, too few to begin another record; ignored
};

// "record 5 at offset 38": record `index` of the file, counted from 0.
at::PatchRecord patch_record_place(std::size_t index, const PatchRecordSeen& record);

// Whether a patch file is one that a build takes whole: every record's data in the file, and no
// bytes after the last record. A record past the end of memory is the build's own failure.
void check_patch_record(std::size_t index, const PatchRecordSeen& record, Findings& findings);
void check_patch_end(const PatchSummary& patch, Findings& findings);

}  // namespace flyseat
