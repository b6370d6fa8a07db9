#include <gtest/gtest.h>

#include "flyseat/image.hpp"
#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes;

// A dump whose byte i is the low byte of i * seed + 1, so every position is recognisable.
Bytes dump(std::size_t size, int seed) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i)
    out[i] = static_cast<Byte>(i * seed + 1);
  return out;
}

struct Loaded {
  MemoryImage memory{};
  DumpLengths lengths{};
};

Loaded load(const Bytes& list1, const Bytes& list2) {
  MemoryFile files[] = {{"list1.bin", list1, {}, true}, {"list2.bin", list2, {}, true}};
  Folder folder{files, nullptr};
  Loaded l;
  l.lengths = load_dumps(folder, l.memory);
  return l;
}

TEST(LoadDumps, LengthsAreTheBytesReadUpToEachMaximum) {
  struct Case {
    std::size_t list1, list2;
    std::int32_t list1_length, list2_length;
  };
  const Case cases[] = {
      {0, 0, 0, 0},
      {100, 7, 100, 7},
      {kList1Max, kList2Max, kList1Max, kList2Max},
      {kList1Max + 1, kList2Max + 1, kList1Max, kList2Max},
      {70000, 20000, kList1Max, kList2Max},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.list1 << " and " << c.list2 << " bytes");
    Loaded l = load(dump(c.list1, 3), dump(c.list2, 5));
    EXPECT_EQ(l.lengths.list1, c.list1_length);
    EXPECT_EQ(l.lengths.list2, c.list2_length);
  }
}

TEST(LoadDumps, PlacesBothDumpsAndList2WinsWhereTheyOverlap) {
  Bytes list1 = dump(40000, 3);
  Bytes list2 = dump(100, 5);
  Loaded l = load(list1, list2);
  EXPECT_EQ(l.lengths.list1, 40000);
  EXPECT_EQ(l.lengths.list2, 100);
  EXPECT_EQ(l.memory[0x2BFF], 0);
  EXPECT_EQ(l.memory[0x2C00], list1[0]);
  EXPECT_EQ(l.memory[0xB9CF], list1[0xB9CF - 0x2C00]);
  EXPECT_EQ(l.memory[0xB9D0], list2[0]);  // list2.bin is read last
  EXPECT_EQ(l.memory[0xBA33], list2[99]);
  EXPECT_EQ(l.memory[0xBA34], list1[0xBA34 - 0x2C00]);  // the tail of list1.bin
  EXPECT_EQ(l.memory[0xC83F], list1[39999]);
  EXPECT_EQ(l.memory[0xC840], 0);
}

TEST(LoadDumps, AFullDumpReachesTheLastByteOfMemory) {
  Bytes list2 = dump(kList2Max + 50, 5);
  Loaded l = load({}, list2);
  EXPECT_EQ(l.memory[0xFFFF], list2[kList2Max - 1]);
  EXPECT_EQ(l.memory[0x2C00], 0);
}

}  // namespace
}  // namespace flyseat
