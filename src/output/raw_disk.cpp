#include <algorithm>

#include "flyseat/d88.hpp"
#include "flyseat/output.hpp"

namespace flyseat {
namespace {

static_assert(kBlockSize == kD88.sectors * kD88.sector_size, "a block is one track");

// Writes the blocks of a stretch of `length` bytes from `start` in `buffer`: the stretch and
// whatever follows it in the buffer. A last block that reaches past the end of the buffer
// is completed with zero bytes; nothing is read outside the buffer.
void write_blocks(Sink& disk, std::span<const Byte> buffer, int start, std::int32_t length) {
  auto at = static_cast<std::size_t>(start);
  std::size_t fill = zero_fill_past_buffer(at, length, buffer.size());
  std::size_t inside = static_cast<std::size_t>(block_count(length)) * kBlockSize - fill;
  write_bytes(disk, buffer.subspan(at, inside));
  write_fill(disk, 0x00, fill);
}

}  // namespace

void write_raw_disk_image(Folder& folder, const WorkArea& work) {
  Sink disk;
  create_output(folder, disk, kRawDiskName);
  write_bytes(disk, work.loader);
  write_blocks(disk, work.memory, kList1Start, work.list1_length);
  write_blocks(disk, work.memory, kList2Start, work.list2_length);
  write_blocks(disk, work.program, 0, work.program_length + kEndMarkerSize);
  close_output(disk);
  report_output(folder, kRawDiskName);
}

}  // namespace flyseat
