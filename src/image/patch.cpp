#include <array>
#include <cstdint>

#include "flyseat/failure.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/image.hpp"
#include "flyseat/patch.hpp"
#include "flyseat/text.hpp"

namespace flyseat {
namespace {

struct RecordRead {
  PatchRecordHeader header{};
  int bytes_read = 0;  // of its header; fewer than a whole header when the file ends inside it
};

RecordRead read_header(Source& patch) {
  RecordRead read;
  PatchRecordHeaderBytes fields;
  while (read.bytes_read < kPatchRecord.header_size) {
    int byte = read_byte(patch);
    if (byte < 0) return read;
    fields[static_cast<std::size_t>(read.bytes_read++)] = static_cast<Byte>(byte);
  }
  read.header = decode_patch_record_header(fields);
  return read;
}

}  // namespace

PatchSummary apply_patch(Source& patch, MemoryImage& memory, std::int32_t& list2_length,
                         const PatchWatcher& watch) {
  PatchSummary summary;
  for (;;) {
    RecordRead read = read_header(patch);
    // A file that ends inside a count or an address field ends the patching; nothing of
    // that record is stored.
    if (read.bytes_read < kPatchRecord.header_size) {
      summary.stray_bytes = read.bytes_read;
      return summary;
    }
    const PatchRecordHeader& header = read.header;
    if (!header.fits_memory()) {
      fail_in(patch.name, "record at offset %lld runs past the end of memory",
              static_cast<long long>(summary.end));
    }
    int missing = 0;
    for (int k = 0; k < header.count; ++k) {
      int value = read_byte(patch);
      int target = header.address + k;
      if (value < 0) ++missing;
      memory[static_cast<std::size_t>(target)] =
          value < 0 ? kMissingData : static_cast<Byte>(value);
      if (target >= kList2Start && target - kList2Start + 1 > list2_length) {
        list2_length = target - kList2Start + 1;
      }
    }
    if (watch) watch({summary.end, header.count, header.address, missing, list2_length});
    summary.end += kPatchRecord.header_size + header.count;
  }
}

at::PatchRecord patch_record_place(std::size_t index, const PatchRecordSeen& record) {
  return {index + 1, record.offset};
}

void check_patch_record(std::size_t index, const PatchRecordSeen& record, Findings& findings) {
  if (record.missing == 0) return;
  findings.push_back(
      {.place = patch_record_place(index, record),
       .field = "data",
       .value = Value::number(record.count - record.missing),
       .expected = Value::number(record.count),
       .unit = "byte",
       .note = format("the file ends inside the record; the %d missing are stored as 0x%02X",
                      record.missing, kMissingData)});
}

void check_patch_end(const PatchSummary& patch, Findings& findings) {
  if (patch.stray_bytes == 0) return;
  findings.push_back({.place = offset_place(static_cast<std::size_t>(patch.end)),
                      .note = count_of(static_cast<std::size_t>(patch.stray_bytes), "stray byte") +
                              " after the last record, too few for another: ignored"});
}

void apply_patch(Folder& folder, MemoryImage& memory, std::int32_t& list2_length) {
  Source patch;
  open_input(folder, patch, kPatchName);
  apply_patch(patch, memory, list2_length);
  close_input(patch);
}

}  // namespace flyseat
