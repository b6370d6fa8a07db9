// The four outputs: two tape images, the raw disk image and the D88 image.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "flyseat/io.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

inline constexpr const char* kDataTapeName = "flyseat2.p6";
inline constexpr const char* kMainTapeName = "flyseat3.p6";
inline constexpr const char* kRawDiskName = "flyseat.dsk";
inline constexpr const char* kD88Name = "flyseat.d88";

// A tape image: the leader, the six-character tape name, then the payload.
inline constexpr int kTapeLeaderSize = 10;
inline constexpr Byte kTapeLeaderByte = 0xD3;
inline constexpr int kTapeNameSize = 6;
inline constexpr int kTapeHeaderSize = kTapeLeaderSize + kTapeNameSize;
inline constexpr char kDataTapeTitle[kTapeNameSize + 1] = "DATA  ";
inline constexpr char kMainTapeTitle[kTapeNameSize + 1] = "MAIN  ";
// The largest outputs a run can write.
inline constexpr int kMaxDataTapeSize = kTapeHeaderSize + kList1Max + kList2Max;
inline constexpr int kMaxMainTapeSize = kTapeHeaderSize + kProgramSize;

// Writes a tape image: the leader, the six-character tape name, then each stretch in order.
void write_tape_image(Folder& folder, const char* file_name, const char (&tape_name)[7],
                      std::initializer_list<std::span<const Byte>> stretches);

inline constexpr int kBlockSize = 4096;  // one track: 16 sectors of 256 bytes

// Blocks that a stretch of `length` bytes takes on the raw disk image. The divisor is one
// less than the block size, and every stretch gets at least one block.
constexpr std::int32_t block_count(std::int32_t length) {
  return length / (kBlockSize - 1) + 1;
}

// The zero bytes that complete the blocks of a stretch of `length` bytes from `start` in a
// buffer of `buffer_size` bytes where its last block reaches past the buffer's end; 0 when
// its blocks lie inside the buffer.
constexpr std::size_t zero_fill_past_buffer(std::size_t start, std::int32_t length,
                                            std::size_t buffer_size) {
  std::size_t size = static_cast<std::size_t>(block_count(length)) * kBlockSize;
  return size - std::min(size, buffer_size - start);
}

// The largest raw disk image: the loader block and the largest list1, list2 and program.
inline constexpr int kMaxRawDiskSize =
    (1 + block_count(kList1Max) + block_count(kList2Max) + block_count(kProgramSize)) * kBlockSize;

// Writes flyseat.dsk: the loader block, then the list1, list2 and program blocks.
void write_raw_disk_image(Folder& folder, const WorkArea& work);

// Writes flyseat.d88, copying flyseat.dsk back from the folder sector by sector.
void write_d88_image(Folder& folder);

}  // namespace flyseat
