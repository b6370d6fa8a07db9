#include <array>
#include <cstdint>

#include "flyseat/failure.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/image.hpp"
#include "flyseat/patch.hpp"

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

void apply_patch(Folder& folder, MemoryImage& memory, std::int32_t& list2_length) {
  Source patch;
  open_input(folder, patch, kPatchName);
  apply_patch(patch, memory, list2_length);
  close_input(patch);
}

}  // namespace flyseat
