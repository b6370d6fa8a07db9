#include <cstdint>

#include "flyseat/failure.hpp"
#include "flyseat/image.hpp"

namespace flyseat {
namespace {

constexpr int kRecordHeaderSize = 4;  // count and address, 16 bits each
constexpr Byte kMissingData = 0xFF;   // a record cut short by the end of the file

// Reads a 16-bit little-endian field; false when the file ends inside it.
bool read_u16(Source& patch, int& value) {
  int low = read_byte(patch);
  if (low < 0) return false;
  int high = read_byte(patch);
  if (high < 0) return false;
  value = low | (high << 8);
  return true;
}

}  // namespace

void apply_patch(Source& patch, MemoryImage& memory, std::int32_t& list2_length) {
  std::int64_t offset = 0;  // where the current record starts in the file
  int count = 0;
  int address = 0;
  // A file that ends inside a count or an address field ends the patching; nothing of
  // that record is stored.
  while (read_u16(patch, count) && read_u16(patch, address)) {
    if (address + count > kMemorySize) {
      fail("%s: record at offset %lld runs past the end of memory", patch.name,
           static_cast<long long>(offset));
    }
    for (int k = 0; k < count; ++k) {
      int value = read_byte(patch);
      int target = address + k;
      memory[static_cast<std::size_t>(target)] =
          value < 0 ? kMissingData : static_cast<Byte>(value);
      if (target >= kList2Start && target - kList2Start + 1 > list2_length) {
        list2_length = target - kList2Start + 1;
      }
    }
    offset += kRecordHeaderSize + count;
  }
}

void apply_patch(Folder& folder, MemoryImage& memory, std::int32_t& list2_length) {
  Source patch;
  open_input(folder, patch, "patch.bin");
  apply_patch(patch, memory, list2_length);
  close_input(patch);
}

}  // namespace flyseat
