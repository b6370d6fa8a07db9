#include <gtest/gtest.h>

#include <memory>

#include "flyseat/output.hpp"
#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes;

TEST(BlockCount, DividesBy4095AndAddsOne) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {0, 1},    {1, 1},    {4094, 1}, {4095, 2}, {4096, 2},  {4097, 2},
      {8189, 2}, {8190, 3}, {8192, 3}, {8193, 3}, {12284, 3}, {12285, 4},
  };
  for (auto [length, blocks] : cases)
    EXPECT_EQ(block_count(length), blocks) << length;
}

// A work area whose every buffer byte tells where it came from.
std::unique_ptr<WorkArea> marked_work(std::int32_t list1, std::int32_t list2,
                                      std::int32_t program) {
  auto work = std::make_unique<WorkArea>();
  for (std::size_t i = 0; i < work->loader.size(); ++i)
    work->loader[i] = static_cast<Byte>(i % 7 + 1);
  for (std::size_t a = 0; a < work->memory.size(); ++a) {
    work->memory[a] = static_cast<Byte>((a >> 8) ^ a ^ 0x5A);
  }
  for (std::size_t i = 0; i < work->program.size(); ++i) {
    work->program[i] = static_cast<Byte>(i * 3 + 1);
  }
  work->list1_length = list1;
  work->list2_length = list2;
  work->program_length = program;
  return work;
}

Bytes raw_disk(const WorkArea& work) {
  std::vector<Byte> room(kMaxRawDiskSize);
  MemoryFile files[] = {{kRawDiskName, {}, room, false}};
  Folder folder{files, nullptr};
  write_raw_disk_image(folder, work);
  return Bytes(files[0].bytes.begin(), files[0].bytes.end());
}

Bytes slice(std::span<const Byte> from, std::size_t start, std::size_t size) {
  auto first = from.begin() + static_cast<std::ptrdiff_t>(start);
  return Bytes(first, first + static_cast<std::ptrdiff_t>(size));
}

TEST(RawDiskImage, EachStretchStartsOnATrackOfItsOwn) {
  struct Case {
    std::int32_t list1, list2, program;
    std::size_t blocks, list2_at, program_at;
  };
  const Case cases[] = {
      {0, 0, 0, 4, 8192, 12288},               // the smallest image
      {36000, 4000, 20000, 16, 40960, 45056},  // 9 + 1 + 5 blocks after the loader
      {4095, 0, 0, 5, 12288, 16384},           // a list1 of 4,095 bytes takes two blocks
      {36304, 100, 4085, 13, 40960, 45056},    // program and end marker of 4,095 bytes: two blocks
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.list1 << "/" << c.list2 << "/" << c.program);
    auto work = marked_work(c.list1, c.list2, c.program);
    Bytes disk = raw_disk(*work);
    ASSERT_EQ(disk.size(), c.blocks * 4096);
    EXPECT_EQ(slice(disk, 0, 4096), Bytes(work->loader.begin(), work->loader.end()));
    EXPECT_EQ(slice(disk, 4096, c.list2_at - 4096), slice(work->memory, 0x2C00, c.list2_at - 4096));
    EXPECT_EQ(slice(disk, c.list2_at, c.program_at - c.list2_at),
              slice(work->memory, 0xB9D0, c.program_at - c.list2_at));
    EXPECT_EQ(slice(disk, c.program_at, disk.size() - c.program_at),
              slice(work->program, 0, disk.size() - c.program_at));
  }
}

TEST(RawDiskImage, List1Of36304BytesCarriesTheStartOfList2Twice) {
  auto work = marked_work(36304, 100, 0);
  Bytes disk = raw_disk(*work);
  // Nine list1 blocks end at 0xBC00: their last 560 bytes are 0xB9D0..0xBBFF.
  Bytes tail = slice(disk, 4096 + 9 * 4096 - 560, 560);
  EXPECT_EQ(tail, slice(work->memory, 0xB9D0, 560));
  EXPECT_EQ(slice(disk, 10 * 4096, 560), tail);
}

TEST(RawDiskImage, BlocksPastTheEndOfABufferAreCompletedWithZeros) {
  // The largest inputs: 14 list1 blocks end 0xC00 bytes past the end of memory, 5 list2
  // blocks 0x9D0 bytes past it, and 9 program blocks 4,096 bytes past the program buffer.
  auto work = marked_work(kList1Max, kList2Max, kProgramSize - kEndMarkerSize);
  Bytes disk = raw_disk(*work);
  ASSERT_EQ(disk.size(), (1u + 14 + 5 + 9) * 4096);
  std::size_t list2_at = 15 * 4096, program_at = 20 * 4096;
  EXPECT_EQ(slice(disk, 4096, kList1Max), slice(work->memory, 0x2C00, kList1Max));
  EXPECT_EQ(slice(disk, 4096 + kList1Max, 0xC00), Bytes(0xC00, 0));
  EXPECT_EQ(slice(disk, list2_at, kList2Max), slice(work->memory, 0xB9D0, kList2Max));
  EXPECT_EQ(slice(disk, list2_at + kList2Max, 0x9D0), Bytes(0x9D0, 0));
  EXPECT_EQ(slice(disk, program_at, kProgramSize), slice(work->program, 0, kProgramSize));
  EXPECT_EQ(slice(disk, program_at + kProgramSize, 4096), Bytes(4096, 0));

  // One byte less keeps each stretch within its buffer's last block.
  auto inside = marked_work(53234, 16379, 32749);
  EXPECT_EQ(raw_disk(*inside).size(), (1u + 13 + 4 + 8) * 4096);
}

}  // namespace
}  // namespace flyseat
