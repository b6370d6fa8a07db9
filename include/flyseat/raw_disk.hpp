// The raw disk image: whole tracks of the target disk, with no header. The loader fills the
// first; list1, list2 and the program each start on a track of their own and take their tracks
// by the block rule. Nothing on the disk says where a stretch begins: the three lengths alone
// decide it. Its geometry, its layout, its encoder, its decoder and its check.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "flyseat/finding.hpp"
#include "flyseat/program.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

struct RawDiskGeometry {
  int block_size;     // one track of the disk: 16 sectors of 256 bytes
  int rule_divisor;   // the block rule: a stretch of L bytes takes L / rule_divisor + 1 blocks
  int loader_blocks;  // the loader's, before every other stretch
};
inline constexpr RawDiskGeometry kRawDisk = {
    .block_size = 4096, .rule_divisor = 4095, .loader_blocks = 1};
inline constexpr int kBlockSize = kRawDisk.block_size;
static_assert(kLoaderSize == kRawDisk.loader_blocks * kBlockSize);

// Blocks that a stretch of `length` bytes takes. The divisor is one less than the block size,
// and every stretch gets at least one block.
constexpr std::int32_t block_count(std::int32_t length) {
  return length / kRawDisk.rule_divisor + 1;
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
struct RawDiskLayout {
  std::array<DiskStretch, 4> stretches;
  std::int32_t blocks;  // in all
};

// Where list1's blocks end in the memory image: the address after the last byte they carry.
constexpr int list1_disk_end(std::int32_t list1_length) {
  return kList1Start + block_count(list1_length) * kBlockSize;
}

// The loader fills its block; list1, list2 and the program (its line records and the end
// marker) take their blocks by the block rule.
constexpr RawDiskLayout raw_disk_layout(std::int32_t list1_length, std::int32_t list2_length,
                                        std::int32_t program_length) {
  RawDiskLayout layout{
      {{{"loader", DiskBuffer::loader, 0, kLoaderSize, 0, kRawDisk.loader_blocks},
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
// The most blocks of list1 and list2 data that stand between the loader and the program.
inline constexpr int kMostDataBlocks = kLargestRawDisk.stretches[kList1Stretch].blocks +
                                       kLargestRawDisk.stretches[kList2Stretch].blocks;

// Whether a build writes a raw disk image of that many blocks.
constexpr bool built_block_count(int blocks) {
  return blocks >= kSmallestRawDisk.blocks && blocks <= kLargestRawDisk.blocks;
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

// The raw disk image of a work area, in the order it is written: each stretch's blocks from
// its buffer, then the zero bytes that complete a last block reaching past the buffer's end.
struct RawDiskPiece {
  std::span<const Byte> bytes;
  std::size_t zeros;
};
std::array<RawDiskPiece, 4> encode_raw_disk_image(const WorkArea& work);

// What a file holds as a raw disk image. The program is found as a build lays it out: line
// records and the end marker filling the last blocks, as many as the block rule gives them.
struct RawDiskRead {
  int blocks = 0;                 // whole blocks
  std::size_t loader_bytes = 0;   // of block 0, before its 0xFF fill
  int program_block = 0;          // where the program begins; 0 when no such program is there
  ProgramRead program;            // read from program_block
  std::size_t after_program = 0;  // the first byte after the end marker that is not zero, or
                                  // the file's size when there is none
};
// Looks for the program only in an image of as many blocks as a build writes.
RawDiskRead decode_raw_disk_image(std::span<const Byte> image);

// A file of whole blocks may be a raw disk image; nothing else in it says so.
constexpr bool whole_blocks(std::size_t size) {
  return size % kBlockSize == 0;
}

// How sure it is that a file is a raw disk image, from 0 to 100: the facts it weighs, each with
// its weight, that hold. Whole blocks are the ground of the others.
struct RawDiskWeights {
  int whole_blocks;
  int block_count;  // as many as a build writes
  int program;      // a program where a build puts it
};
inline constexpr RawDiskWeights kRawDiskWeights = {
    .whole_blocks = 40, .block_count = 20, .program = 40};
static_assert(kRawDiskWeights.whole_blocks + kRawDiskWeights.block_count +
                  kRawDiskWeights.program ==
              100);
int raw_disk_certainty(std::span<const Byte> file);

// Whether a raw disk image is what a build writes: as many whole blocks as a build writes, the
// program filling the last of them as the block rule gives it, zero bytes after its end marker,
// and no more blocks of data before it than the largest dumps take. Offsets are named by
// `place_of`.
struct RawDiskCheck {
  RawDiskRead disk;
  Findings findings;
};
RawDiskCheck check_raw_disk_image(std::span<const Byte> image, PlaceOf place_of = offset_place);

}  // namespace flyseat
