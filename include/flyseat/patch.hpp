// The patch file: records back to back from its first byte to its last, with no file header,
// no terminator and no alignment. A record is its header, a count and a target address, then
// count data bytes to store from that address on. The record's geometry, its encoder, its
// decoder and its check, record by record as a build applies them; applying the records to the
// memory image is one of the image's stages (image.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "flyseat/check_report.hpp"
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

// One record as it was applied, or refused, for a caller that reports on the patch file.
struct PatchRecordSeen {
  std::int64_t offset;  // of its count field in the file
  int count;
  int address;
  int missing;                // data bytes past the end of the file, stored as kMissingData
  std::int32_t list2_length;  // after the record
  bool past_memory = false;   // it does not fit the memory image: the build stops at it
};

// What applying the patch file tells whoever watches it; the default does nothing, and a build
// watches nothing.
class PatchWatch {
 public:
  virtual ~PatchWatch() = default;
  virtual void record(const PatchRecordSeen& /*record*/) {}
};

struct PatchSummary {
  std::int64_t end = 0;  // offset after the last whole record
  int stray_bytes = 0;   // after it, too few to begin another record; ignored
};

// The Patch file section, record by record as a build applies them, keeping no record: a patch
// file may hold millions. Each record and the addresses it stores to (the first few, then a
// count), with the list2 region it lengthens; whether the build takes the file whole (every
// record's data in the file, no bytes after the last); a record that overwrites an earlier one;
// bytes stored where no output carries them, or only the disk images do.
class PatchCheck final : public PatchWatch {
 public:
  // The dumps' lengths as loaded, before the first record.
  PatchCheck(std::int32_t list1_length, std::int32_t list2_length);
  void record(const PatchRecordSeen& record) override;
  // With what the patching ended, or the build's stop on the patch file.
  void report(CheckReport& report, const PatchSummary& patch,
              const std::optional<Finding>& refusal) const;

 private:
  Finding record_fact(std::size_t index, const PatchRecordSeen& r);
  void check_carried(std::size_t index, const PatchRecordSeen& r);

  std::int32_t list1_length_;
  std::int32_t list2_length_;
  std::size_t records_ = 0;
  std::vector<std::uint32_t> writer_ = std::vector<std::uint32_t>(kMemorySize, 0);  // from 1
  std::optional<Finding> cut_;  // the last record, cut short by the end of the file
  std::string past_memory_;     // why the record a build stops at does not fit
  FindingsOfAKind facts_{"record", "records", 16};
  FindingsOfAKind overwrites_{"record overwrites earlier ones", "records overwrite earlier ones"};
  FindingsOfAKind uncarried_{"record stores bytes no output carries",
                             "records store bytes no output carries"};
  FindingsOfAKind on_disk_only_{"record stores bytes only the disk images carry",
                                "records store bytes only the disk images carry"};
};

}  // namespace flyseat
