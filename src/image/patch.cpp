#include <array>
#include <cstdint>

#include "flyseat/failure.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/image.hpp"
#include "flyseat/little_endian.hpp"

namespace flyseat {
namespace {

constexpr int kRecordHeaderSize = 4;  // count and address, 16 bits each
constexpr Byte kMissingData = 0xFF;   // a record cut short by the end of the file

struct RecordHeader {
  int count;
  int address;
  int bytes_read;  // of the four; fewer than four when the file ends inside the header
};

RecordHeader read_header(Source& patch) {
  RecordHeader header{};
  std::array<Byte, kRecordHeaderSize> fields;
  while (header.bytes_read < kRecordHeaderSize) {
    int byte = read_byte(patch);
    if (byte < 0) break;
    fields[static_cast<std::size_t>(header.bytes_read++)] = static_cast<Byte>(byte);
  }
  if (header.bytes_read == kRecordHeaderSize) {
    header.count = read_u16(fields, 0);
    header.address = read_u16(fields, 2);
  }
  return header;
}

}  // namespace

PatchSummary apply_patch(Source& patch, MemoryImage& memory, std::int32_t& list2_length,
                         const PatchWatcher& watch) {
  PatchSummary summary;
  for (;;) {
    RecordHeader header = read_header(patch);
    // A file that ends inside a count or an address field ends the patching; nothing of
    // that record is stored.
    if (header.bytes_read < kRecordHeaderSize) {
      summary.stray_bytes = header.bytes_read;
      return summary;
    }
    if (header.address + header.count > kMemorySize) {
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
    summary.end += kRecordHeaderSize + header.count;
  }
}

void apply_patch(Folder& folder, MemoryImage& memory, std::int32_t& list2_length) {
  Source patch;
  open_input(folder, patch, kPatchName);
  apply_patch(patch, memory, list2_length);
  close_input(patch);
}

}  // namespace flyseat
