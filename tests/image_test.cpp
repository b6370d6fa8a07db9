// The memory image: the dumps, the patch file, the depth reduction and the relocation, each
// on rows of worked values.
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "flyseat/image.hpp"
#include "support.hpp"

namespace flyseat::test {
namespace {

using Stores = std::vector<std::pair<int, int>>;  // address and value of each non-zero byte

Stores stores_in(const MemoryImage& memory) {
  Stores out;
  for (int a = 0; a < kMemorySize; ++a)
    if (memory[static_cast<std::size_t>(a)] != 0)
      out.emplace_back(a, memory[static_cast<std::size_t>(a)]);
  return out;
}

TEST(LoadDumps, List2IsReadLastAndWinsWhereTheDumpsOverlap) {
  Bytes list1(40000, 1), list2(100, 2);
  MemoryFile files[] = {{"list1.bin", list1, {}, true}, {"list2.bin", list2, {}, true}};
  Folder folder{files, nullptr};
  auto memory = std::make_unique<MemoryImage>();
  DumpLengths lengths = load_dumps(folder, *memory);
  EXPECT_EQ(std::tuple(lengths.list1, lengths.list2, lengths.under_list2, lengths.lost_under_list2),
            std::tuple(40000, 100, 100, 100));
  EXPECT_EQ(text_of(std::span(*memory).subspan(0xB9CF, 102)),
            std::string(1, 1).append(100, 2).append(1, 1));
}

std::string record(int count, int address, const std::string& data) {
  return text_of(patch_record(count, address, text_bytes(data)));
}

TEST(ApplyPatch, StoresRecordsAndRaisesTheList2Length) {
  // clang-format off
  struct Case { const char* what; std::string file; int list2_before; Stores stores;
                int list2_after; std::string message; };
  const Case cases[] = {
      {"empty file", "", 100, {}, 100, ""},
      {"count 0, then a record", record(0, 0x1234, "") + record(1, 0xB9D0, "\x55"), 0,
       {{0xB9D0, 0x55}}, 1, ""},
      {"raising the list2 length", record(2, 0xC000, "\x11\x22"), 0x100,
       {{0xC000, 0x11}, {0xC001, 0x22}}, 0x632, ""},
      {"inside list2", record(1, 0xB9D4, "\x33"), 0x100, {{0xB9D4, 0x33}}, 0x100, ""},
      {"ending at 0xFFFF", record(2, 0xFFFE, "\x12\x34"), 5, {{0xFFFE, 0x12}, {0xFFFF, 0x34}},
       kList2Max, ""},
      {"data cut short: 0xFF", record(3, 0xB9D0, "\x42"), 0,
       {{0xB9D0, 0x42}, {0xB9D1, 0xFF}, {0xB9D2, 0xFF}}, 3, ""},
      {"ending inside a count", record(1, 0x10, "\x09") + "\x01", 0, {{0x10, 9}}, 0, ""},
      {"ending inside an address, count 0x2E00",
       record(1, 0x10, "\x09") + std::string("\0\x2E\0", 3), 0,
       {{0x10, 9}}, 0, ""},
      {"past the end after records, without its data", record(0, 0, "") + record(1, 0x10, "\x09") +
       record(1, 0xFFFF, "\x05") + record(2, 0xFFFF, ""), 0, {{0x10, 9}, {0xFFFF, 5}}, kList2Max,
       "patch.bin: record at offset 14 runs past the end of memory"},
  };
  // clang-format on
  for (const Case& c : cases) {
    auto memory = std::make_unique<MemoryImage>();
    std::int32_t list2 = c.list2_before;
    Source patch;
    open_bytes(patch, "patch.bin", span_of(c.file));
    PatchWatch none;
    EXPECT_EQ(failure_of([&] { apply_patch(patch, *memory, list2, none); }), c.message) << c.what;
    EXPECT_EQ(stores_in(*memory), c.stores) << c.what;
    EXPECT_EQ(list2, c.list2_after) << c.what;
  }
}

// In an image of 0x0F bytes, each packed row of width w holds w / 2 bytes 0x33 (two pixel
// pairs 00 11 each) and then zeros; nothing outside the rows changes.
TEST(PackRows, PacksWholeRowsInsideTheImageOnly) {
  // clang-format off
  struct Case { const char* what; int first, last, width, result, rows; };
  const Case cases[] = {
      {"width 4", 0x3000, 0x3007, 4, 0x3008, 2}, {"width 6", 0x3000, 0x300B, 6, 0x300C, 2},
      {"from 0, last inside a row: that row whole", 0, 4, 4, 8, 2},
      {"width 3: the odd byte cleared", 0x3000, 0x3005, 3, 0x3006, 2},
      {"width 1: the byte cleared", 0x3000, 0x3000, 1, 0x3001, 1},
      {"first after last", 0x3004, 0x3000, 4, 0x3004, 0}, {"before 0", -4, 7, 4, -4, 0},
      {"last row ends at 0xFFFF", 0xFFF8, 0xFFFF, 4, 0x10000, 2},
      {"no end", 0xFFF8, INT_MAX, 4, 0x10000, 2}, {"past 0xFFFF", 0xFFFA, 0xFFFF, 4, 0xFFFE, 1},
      {"zero width", 0x3000, 0x3FFF, 0, 0x3000, 0}, {"width -2", 0x3000, 0x3FFF, -2, 0x3000, 0},
      {"huge width", 0x3000, 0x3FFF, INT_MAX, 0x3000, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    auto memory = std::make_unique<MemoryImage>(), expected = std::make_unique<MemoryImage>();
    memory->fill(0x0F);
    expected->fill(0x0F);
    for (int i = 0; i < c.rows * c.width; ++i)
      (*expected)[static_cast<std::size_t>(c.first + i)] = i % c.width < c.width / 2 ? 0x33 : 0;
    EXPECT_EQ(pack_rows(*memory, c.first, c.last, c.width), c.result) << c.what;
    EXPECT_TRUE(*memory == *expected) << c.what;
  }
}

// Halving: (V - C000) / 2, rounded toward zero. Rounding: (V + 10000) / 2 - C000, rounded
// toward zero to an even number. Raising: V + 2000. All kept to 16 bits.
TEST(RelocateAddresses, HalvesRoundsAndRaisesWords) {
  // clang-format off
  struct Word { int before, halved, rounded, raised; };
  const Word words[] = {
      {0xC001, 0x0000, 0x2000, 0xE001}, {0xC002, 0x0001, 0x2000, 0xE002},
      {0xC006, 0x0003, 0x2002, 0xE006}, {0xE000, 0x1000, 0x3000, 0x0000},
      {0xFFFF, 0x1FFF, 0x3FFE, 0x1FFF}, {0xBFFF, 0x0000, 0x1FFE, 0xDFFF},
      {0xBFFE, 0xFFFF, 0x1FFE, 0xDFFE}, {0xBFFC, 0xFFFE, 0x1FFE, 0xDFFC},
      {0x7FFF, 0xE000, 0x0000, 0x9FFF}, {0x7FFC, 0xDFFE, 0xFFFE, 0x9FFC},
      {0x0000, 0xA000, 0xC000, 0x2000},
  };
  // clang-format on
  for (const Word& w : words) {
    auto memory = std::make_unique<MemoryImage>();
    Byte* m = memory->data();
    for (int a : {0xBC74, 0xC1D7, 0xBC41}) {  // a halved word, the rounded one, a raised one
      m[a] = static_cast<Byte>(w.before);
      m[a + 1] = static_cast<Byte>(w.before >> 8);
    }
    m[0xC1C5] = static_cast<Byte>(w.before >> 8);  // the split address, high byte first
    m[0xC1CA] = static_cast<Byte>(w.before);
    relocate_addresses(*memory);
    std::vector<int> got = {m[0xBC74] | m[0xBC75] << 8, m[0xC1C5] << 8 | m[0xC1CA],
                            m[0xC1D7] | m[0xC1D8] << 8, m[0xBC41] | m[0xBC42] << 8};
    EXPECT_EQ(got, (std::vector<int>{w.halved, w.halved, w.rounded, w.raised})) << w.before;
  }
}

}  // namespace
}  // namespace flyseat::test
