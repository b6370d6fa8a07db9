#include <gtest/gtest.h>

#include <string>

#include "flyseat/failure.hpp"
#include "flyseat/image.hpp"
#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes;
using test::bytes;
using test::concat;

// A patch record: count, address, then the data bytes given (which may be fewer).
Bytes record(int count, int address, const Bytes& data) {
  return concat({bytes({count & 0xFF, count >> 8, address & 0xFF, address >> 8}), data});
}

struct Patched {
  MemoryImage memory{};
  std::int32_t list2_length = 0;
};

Patched patch(const Bytes& file, std::int32_t list2_length = 0) {
  Patched p;
  p.list2_length = list2_length;
  test::BytesSource source(file, "patch.bin");
  apply_patch(source.source, p.memory, p.list2_length);
  return p;
}

// Every byte of the image that differs from zero, as address -> value.
std::vector<std::pair<int, int>> stored(const MemoryImage& memory) {
  std::vector<std::pair<int, int>> out;
  for (int a = 0; a < kMemorySize; ++a) {
    if (memory[static_cast<std::size_t>(a)] != 0) out.emplace_back(a, memory[a]);
  }
  return out;
}

using Stores = std::vector<std::pair<int, int>>;

struct Case {
  const char* what;
  Bytes file;
  std::int32_t list2_before;
  Stores expected_stores;
  std::int32_t list2_after;
};

TEST(ApplyPatch, StoresRecordsAndRaisesTheList2Length) {
  const Case cases[] = {
      {"empty file", {}, 100, {}, 100},
      {"count 0 then a record",
       concat({record(0, 0x1234, {}), record(1, 0xB9D0, {0x55})}),
       0,
       {{0xB9D0, 0x55}},
       1},
      {"record raising the list2 length",
       record(2, 0xC000, {0x11, 0x22}),
       0x0100,
       {{0xC000, 0x11}, {0xC001, 0x22}},
       0x0632},
      {"inside list2, below its end",
       record(2, 0xB9D4, {0x33, 0x44}),
       0x0100,
       {{0xB9D4, 0x33}, {0xB9D5, 0x44}},
       0x0100},
      {"below the list2 start",
       record(2, 0x2C10, {0x66, 0x77}),
       0,
       {{0x2C10, 0x66}, {0x2C11, 0x77}},
       0},
      {"just below the list2 start", record(1, 0xB9CF, {0x01}), 0, {{0xB9CF, 0x01}}, 0},
      {"ends exactly at 0xFFFF",
       record(2, 0xFFFE, {0x12, 0x34}),
       5,
       {{0xFFFE, 0x12}, {0xFFFF, 0x34}},
       kList2Max},
      {"data cut short: 0xFF fills",
       record(4, 0xB9D0, {0x42}),
       0,
       {{0xB9D0, 0x42}, {0xB9D1, 0xFF}, {0xB9D2, 0xFF}, {0xB9D3, 0xFF}},
       4},
      {"ends inside the count",
       concat({record(1, 0x10, {0x09}), bytes({0x01})}),
       0,
       {{0x10, 0x09}},
       0},
      {"ends inside the address",
       concat({record(1, 0x10, {0x09}), bytes({0x01, 0x00, 0x20})}),
       0,
       {{0x10, 0x09}},
       0},
      {"later records overwrite earlier ones",
       concat({record(2, 0x100, {0x01, 0x02}), record(1, 0x101, {0x03})}),
       0,
       {{0x100, 0x01}, {0x101, 0x03}},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Patched p = patch(c.file, c.list2_before);
    EXPECT_EQ(stored(p.memory), c.expected_stores);
    EXPECT_EQ(p.list2_length, c.list2_after);
  }
}

std::string refusal(const Bytes& file) {
  try {
    patch(file);
  } catch (const Failure& failure) {
    return failure.message();
  }
  return "(accepted)";
}

TEST(ApplyPatch, RefusesARecordPastTheEndOfMemoryBeforeStoringIt) {
  EXPECT_EQ(refusal(record(3, 0xFFFE, {1, 2, 3})),
            "patch.bin: record at offset 0 runs past the end of memory");
  // The offset is that of the record in the file; its data need not be present.
  Bytes file = concat({record(0, 0, {}), record(8, 0x5000, Bytes(8, 7)), record(1, 0xFFFF, {5}),
                       record(2, 0xFFFF, {})});
  EXPECT_EQ(refusal(file), "patch.bin: record at offset 21 runs past the end of memory");
  EXPECT_EQ(refusal(record(0xFFFF, 0x0002, {})),
            "patch.bin: record at offset 0 runs past the end of memory");

  // Nothing of the refused record is stored: the image stays as the records before left it.
  Patched p;
  test::BytesSource source(concat({record(1, 0x10, {9}), record(2, 0xFFFF, {1, 2})}), "patch.bin");
  EXPECT_THROW(apply_patch(source.source, p.memory, p.list2_length), Failure);
  EXPECT_EQ(stored(p.memory), (Stores{{0x10, 9}}));
  EXPECT_EQ(p.list2_length, 0);
}

}  // namespace
}  // namespace flyseat
