// The target's floppy disk and how a build lays the game out on it: one side of 40 cylinders, a
// track of 16 sectors of 256 bytes; the loader on track 0, then list1, list2 and the program, each
// starting on a track of its own and taking whole tracks (blocks) by the block rule. The raw disk
// image, the D88 image and every check of where a byte ends up read it here.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "flyseat/finding.hpp"
#include "flyseat/program.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

struct DiskGeometry {
  int cylinders;    // of the one side
  int heads;        // sides in use
  int sectors;      // a track, numbered R = 1 to 16
  int sector_size;  // bytes of data in a sector
  int size_code;    // N: sector_size is 128 << N
};
inline constexpr DiskGeometry kDisk = {
    .cylinders = 40, .heads = 1, .sectors = 16, .sector_size = 256, .size_code = 1};
static_assert(128 << kDisk.size_code == kDisk.sector_size);

inline constexpr int kDiskTracks = kDisk.cylinders * kDisk.heads;
inline constexpr int kDiskSectors = kDiskTracks * kDisk.sectors;  // 640
// A block of the raw disk image is one track: block k is cylinder k.
inline constexpr int kBlockSize = kDisk.sectors * kDisk.sector_size;  // 4,096
inline constexpr int kDiskBytes = kDiskTracks * kBlockSize;           // 163,840

// Sector s in disk order, counted from 0: R runs from 1 to 16, then the next cylinder begins.
struct SectorAddress {
  int c = 0;
  int h = 0;
  int r = 1;
  int n = kDisk.size_code;
};
constexpr SectorAddress sector_address(int s) {
  return {.c = s / kDisk.sectors, .r = s % kDisk.sectors + 1};
}
// "sector 37 (cylinder 2, R 6)"
inline at::Sector sector_at(int s) {
  SectorAddress sector = sector_address(s);
  return {.index = s, .cylinder = sector.c, .head = sector.h, .r = sector.r};
}

// --- The layout of a build ------------------------------------------------------------------

// The block rule: a stretch of L bytes takes L / 4,095 + 1 blocks, one less than the block size
// as the divisor, so every stretch gets at least one block.
inline constexpr int kBlockRuleDivisor = kBlockSize - 1;
inline constexpr int kLoaderBlocks = 1;
static_assert(kLoaderSize == kLoaderBlocks * kBlockSize);

constexpr std::int32_t block_count(std::int32_t length) {
  return length / kBlockRuleDivisor + 1;
}

// A stretch takes its blocks from its buffer: the stretch's own bytes, then whatever follows
// them there.
enum class DiskBuffer { loader, memory, program };
struct DiskStretch {
  const char* what;  // "loader", "list1", "list2", "program"
  DiskBuffer buffer;
  int start;            // in its buffer
  std::int32_t length;  // of the stretch's own bytes
  std::int32_t first_block;
  std::int32_t blocks;
  // Bytes of its blocks that lie past the end of its buffer; an encoder completes them with
  // zero bytes.
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
struct DiskLayout {
  std::array<DiskStretch, 4> stretches;
  std::int32_t blocks;  // in all
};

// The loader fills its block; list1, list2 and the program (its line records and the end
// marker) take their blocks by the block rule.
constexpr DiskLayout disk_layout(std::int32_t list1_length, std::int32_t list2_length,
                                 std::int32_t program_length) {
  DiskLayout layout{{{{"loader", DiskBuffer::loader, 0, kLoaderSize, 0, kLoaderBlocks},
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
inline constexpr DiskLayout kSmallestLayout = disk_layout(0, 0, 0);
inline constexpr DiskLayout kLargestLayout = disk_layout(kList1Max, kList2Max, kProgramRoom);
inline constexpr int kMaxRawDiskSize = kLargestLayout.blocks * kBlockSize;
// The most blocks of list1 and list2 data that stand between the loader and the program.
inline constexpr int kMostDataBlocks =
    kLargestLayout.stretches[kList1Stretch].blocks + kLargestLayout.stretches[kList2Stretch].blocks;
static_assert(kLargestLayout.blocks <= kDiskTracks, "every build fits the disk");

constexpr bool built_block_count(int blocks) {
  return blocks >= kSmallestLayout.blocks && blocks <= kLargestLayout.blocks;
}

// Where list1's blocks end in the memory image: the address after the last byte they carry.
constexpr int list1_disk_end(std::int32_t list1_length) {
  return kList1Start + block_count(list1_length) * kBlockSize;
}

// Which outputs carry a byte of the memory image that a patch record stores: all of them from
// the list2 start on (the list2 region grows to cover it) and inside the list1 region; only the
// disk images in the rest of list1's last block, which the data tape leaves out; none elsewhere.
enum class Carried { everywhere, on_disk_only, nowhere };
constexpr Carried carried(int address, std::int32_t list1_length) {
  if (address >= kList2Start) return Carried::everywhere;
  if (address < kList1Start) return Carried::nowhere;
  if (address < kList1Start + list1_length) return Carried::everywhere;
  return address < list1_disk_end(list1_length) ? Carried::on_disk_only : Carried::nowhere;
}

}  // namespace flyseat
