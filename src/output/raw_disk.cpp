#include "flyseat/d88.hpp"
#include "flyseat/output.hpp"

namespace flyseat {
namespace {

static_assert(kBlockSize == kD88.sectors * kD88.sector_size, "a block is one track");

std::span<const Byte> buffer_of(const WorkArea& work, DiskBuffer buffer) {
  switch (buffer) {
    case DiskBuffer::loader:
      return work.loader;
    case DiskBuffer::memory:
      return work.memory;
    case DiskBuffer::program:
      break;
  }
  return work.program;
}

// The blocks of a stretch: the stretch and whatever follows it in its buffer. A last block
// that reaches past the end of the buffer is completed with zero bytes; nothing is read
// outside the buffer.
void write_blocks(Sink& disk, std::span<const Byte> buffer, const DiskStretch& stretch) {
  std::size_t fill = stretch.past_buffer();
  std::size_t inside = static_cast<std::size_t>(stretch.blocks) * kBlockSize - fill;
  write_bytes(disk, buffer.subspan(static_cast<std::size_t>(stretch.start), inside));
  write_fill(disk, 0x00, fill);
}

}  // namespace

void write_raw_disk_image(Folder& folder, const WorkArea& work) {
  RawDiskLayout layout = raw_disk_layout(work.list1_length, work.list2_length, work.program_length);
  Sink disk;
  create_output(folder, disk, kRawDiskName);
  for (const DiskStretch& stretch : layout.stretches)
    write_blocks(disk, buffer_of(work, stretch.buffer), stretch);
  close_output(disk);
  report_output(folder, kRawDiskName);
}

}  // namespace flyseat
