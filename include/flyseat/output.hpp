// The four outputs: two tape images, the raw disk image and the D88 image.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "flyseat/file_names.hpp"
#include "flyseat/io.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

// A tape image: the leader, the six-character tape name, then the payload.
inline constexpr int kTapeLeaderSize = 10;
inline constexpr Byte kTapeLeaderByte = 0xD3;
inline constexpr int kTapeNameSize = 6;
inline constexpr int kTapeHeaderSize = kTapeLeaderSize + kTapeNameSize;
inline constexpr std::string_view kDataTapeTitle = "DATA  ";
inline constexpr std::string_view kMainTapeTitle = "MAIN  ";
static_assert(kDataTapeTitle.size() == kTapeNameSize && kMainTapeTitle.size() == kTapeNameSize);
// The largest tape images a run can write.
inline constexpr int kMaxDataTapeSize = kTapeHeaderSize + kList1Max + kList2Max;
inline constexpr int kMaxMainTapeSize = kTapeHeaderSize + kProgramSize;

// Writes a tape image: the leader, the tape name (kTapeNameSize characters), then each stretch
// in order.
void write_tape_image(Folder& folder, const char* file_name, std::string_view tape_name,
                      std::initializer_list<std::span<const Byte>> stretches);

inline constexpr int kBlockSize = 4096;  // one track: 16 sectors of 256 bytes

// Blocks that a stretch of `length` bytes takes on the raw disk image. The divisor is one
// less than the block size, and every stretch gets at least one block.
constexpr std::int32_t block_count(std::int32_t length) {
  return length / (kBlockSize - 1) + 1;
}

// The raw disk image is four stretches, each starting on a block of its own and taking its
// blocks from its buffer: the stretch's own bytes, then whatever follows them there. Nothing
// on the disk says where a stretch begins; the three lengths alone decide it.
enum class DiskBuffer { loader, memory, program };
struct DiskStretch {
  const char* what;  // "loader", "list1", "list2", "program"
  DiskBuffer buffer;
  int start;            // in its buffer
  std::int32_t length;  // of the stretch's own bytes
  std::int32_t first_block;
  std::int32_t blocks;
  // Bytes of its blocks that lie past the end of its buffer; a writer completes them with zeros.
  constexpr std::size_t past_buffer() const {
    std::size_t room = (buffer == DiskBuffer::loader   ? kLoaderSize
                        : buffer == DiskBuffer::memory ? kMemorySize
                                                       : kProgramSize) -
                       static_cast<std::size_t>(start);
    std::size_t size = static_cast<std::size_t>(blocks) * kBlockSize;
    return size - std::min(size, room);
  }
};
// The stretches in disk order.
enum StretchIndex : std::size_t { kLoaderStretch, kList1Stretch, kList2Stretch, kProgramStretch };
struct RawDiskLayout {
  std::array<DiskStretch, 4> stretches;
  std::int32_t blocks;  // in all
};

// The loader fills block 0; list1, list2 and the program (its line records and the end
// marker) take their blocks by the block rule.
constexpr RawDiskLayout raw_disk_layout(std::int32_t list1_length, std::int32_t list2_length,
                                        std::int32_t program_length) {
  RawDiskLayout layout{
      {{{"loader", DiskBuffer::loader, 0, kLoaderSize, 0, kLoaderSize / kBlockSize},
        {"list1", DiskBuffer::memory, kList1Start, list1_length, 0, 0},
        {"list2", DiskBuffer::memory, kList2Start, list2_length, 0, 0},
        {"program", DiskBuffer::program, 0, program_length + kEndMarkerSize, 0, 0}}},
      0};
  for (DiskStretch& stretch : layout.stretches) {
    if (stretch.buffer != DiskBuffer::loader) stretch.blocks = block_count(stretch.length);
    stretch.first_block = layout.blocks;
    layout.blocks += stretch.blocks;
  }
  return layout;
}

// The fewest and the most blocks a build writes: empty inputs, and the largest dumps with a
// full program buffer.
inline constexpr RawDiskLayout kSmallestRawDisk = raw_disk_layout(0, 0, 0);
inline constexpr RawDiskLayout kLargestRawDisk =
    raw_disk_layout(kList1Max, kList2Max, kProgramRoom);
inline constexpr int kMaxRawDiskSize = kLargestRawDisk.blocks * kBlockSize;

// Writes flyseat.dsk: the loader block, then the list1, list2 and program blocks.
void write_raw_disk_image(Folder& folder, const WorkArea& work);

// Writes flyseat.d88, the D88 image of the raw disk image read back from the folder.
void write_d88_image(Folder& folder);

}  // namespace flyseat
