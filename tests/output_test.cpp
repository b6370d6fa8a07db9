// The outputs in memory folders: how an output takes its room, the track layout of the raw
// disk image, and the sectors of the D88 image. The sample's outputs pin the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "flyseat/d88.hpp"
#include "flyseat/memory_build.hpp"  // the raw disk and D88 writers too
#include "support.hpp"

namespace flyseat::test {
namespace {

TEST(MemoryFolder, AnOutputIsAFileOnlyOnceWholeAndAnInputGivesWhatItHolds) {
  std::array<Byte, 300> room;
  MemoryFile files[] = {{"out", {}, room, false}, {"no room", {}, {}, false}};
  Folder folder{files, nullptr};
  Sink sink;
  create_output(folder, sink, "out");
  write_fill(sink, 7, 257);  // one byte more than a whole number of 256-byte runs
  EXPECT_FALSE(files[0].exists);
  close_output(sink);
  EXPECT_TRUE(files[0].exists);
  EXPECT_EQ(text_of(files[0].bytes), std::string(257, 7));
  Sink again;
  create_output(folder, again, "out");
  EXPECT_EQ(failure_of([&] { write_fill(again, 7, 301); }), "cannot write out");
  EXPECT_FALSE(files[0].exists);
  Sink other;
  EXPECT_EQ(failure_of([&] { create_output(folder, other, "no room"); }), "cannot open no room");
  Source input;  // read in pieces, an input gives what it holds and no more
  open_bytes(input, "in", std::span(room).first(300));
  std::array<Byte, 200> piece;
  EXPECT_EQ(read_bytes(input, piece) + read_bytes(input, piece), 300u);
}

TEST(MemoryBuild, SaysWhatARunInAFolderPrints) {
  auto build = std::make_unique<MemoryBuild>();
  build_in_memory({{}, {}, {}, bytes({2, 0, 0xFF, 0xFF}), {}}, *build);  // 2 bytes at 0xFFFF
  EXPECT_EQ(build->status, 1);
  EXPECT_EQ(build->messages(), "patch.bin: record at offset 0 runs past the end of memory\n");
  EXPECT_TRUE(build->output(kDataTapeName).empty());
  build_in_memory({{}, {}, {}, {}, bytes({'1', 0x1A})}, *build);
  EXPECT_EQ(build->status, 0);
  EXPECT_EQ(build->messages(),
            "output to flyseat2.p6\noutput to flyseat3.p6\noutput to flyseat.dsk\n"
            "output to flyseat.d88\n");
}

// Each stretch starts on a block of its own and takes length / 4,095 + 1 blocks of what
// follows it in its buffer, completed with zeros past the buffer's end.
TEST(RawDiskImage, EachStretchTakesWholeBlocks) {
  // clang-format off
  struct Layout { std::int32_t list1, list2, program; std::size_t blocks1, blocks2, blocks3; };
  const Layout layouts[] = {
      {0, 0, 0, 1, 1, 1}, {4094, 4095, 4085, 1, 2, 2},  // program and end marker: 4,095 bytes
      {8190, 8189, 4084, 3, 2, 1}, {36304, 100, 0, 9, 1, 1},  // list1 carries list2's start
      {53234, 16379, 32749, 13, 4, 8}, {kList1Max, kList2Max, kProgramSize - 10, 14, 5, 9},
  };
  // clang-format on
  auto work = std::make_unique<WorkArea>();
  Byte* all = reinterpret_cast<Byte*>(work.get());  // every byte tells where it lies
  for (std::size_t i = 0; i < sizeof(WorkArea); ++i)
    all[i] = static_cast<Byte>(i * 7 + (i >> 8));
  auto blocks = [](std::span<const Byte> buffer, std::size_t count) {
    std::string out(count * 4096, '\0');
    std::copy_n(buffer.begin(), std::min(out.size(), buffer.size()), out.begin());
    return out;
  };
  std::vector<Byte> room(kMaxRawDiskSize);
  for (const Layout& l : layouts) {
    work->list1_length = l.list1;
    work->list2_length = l.list2;
    work->program_length = l.program;
    MemoryFile files[] = {{kRawDiskName, {}, room, false}};
    Folder folder{files, nullptr};
    write_raw_disk_image(folder, *work);
    std::span<const Byte> memory(work->memory);
    std::string made = text_of(files[0].bytes),
                expected = text_of(work->loader) + blocks(memory.subspan(kList1Start), l.blocks1) +
                           blocks(memory.subspan(kList2Start), l.blocks2) +
                           blocks(work->program, l.blocks3);
    // Where the image first differs: at its end when it is the one expected.
    auto differs = std::mismatch(made.begin(), made.end(), expected.begin(), expected.end());
    EXPECT_EQ(differs.first - made.begin(), static_cast<std::ptrdiff_t>(expected.size()))
        << l.list1 << ", " << l.list2 << ", " << l.program;
    EXPECT_EQ(made.size(), expected.size());
  }
}

TEST(D88Image, IsMadeOfTheRawImageReadBackFromTheFolder) {
  std::vector<Byte> room(kD88Size);
  Bytes raw(41 * 4096);
  MemoryFile files[] = {{kRawDiskName, {}, {}, false}, {kD88Name, {}, room, false}};
  Folder folder{files, nullptr};
  EXPECT_EQ(failure_of([&] { write_d88_image(folder); }), "cannot open flyseat.dsk for reading");
  files[0] = {kRawDiskName, raw, {}, true};  // read back whole: one sector past the disk
  EXPECT_EQ(failure_of([&] { write_d88_image(folder); }), "disk full");
  EXPECT_FALSE(files[1].exists);
}

}  // namespace
}  // namespace flyseat::test
