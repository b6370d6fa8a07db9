#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "flyseat/image.hpp"
#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes;
using test::bytes;

// On the heap and alone, so that a stray access past either end is caught by the sanitizer.
std::unique_ptr<MemoryImage> image_filled_with(Byte value) {
  auto memory = std::make_unique<MemoryImage>();
  memory->fill(value);
  return memory;
}

void put(MemoryImage& memory, int address, const Bytes& values) {
  for (Byte v : values)
    memory[static_cast<std::size_t>(address++)] = v;
}

Bytes take(const MemoryImage& memory, int address, int count) {
  auto begin = memory.begin() + address;
  return Bytes(begin, begin + count);
}

TEST(PixelFlags, AnyNonZeroColourSetsItsFlagInBothForms) {
  struct Case {
    int value, high, low;
  };
  const Case cases[] = {
      {0x00, 0x00, 0x00}, {0xFF, 0xF0, 0x0F}, {0x55, 0xF0, 0x0F}, {0xAA, 0xF0, 0x0F},
      {0x40, 0x80, 0x08}, {0x03, 0x10, 0x01}, {0x41, 0x90, 0x09}, {0x1B, 0x70, 0x07},
      {0xE4, 0xE0, 0x0E}, {0x80, 0x80, 0x08}, {0x20, 0x40, 0x04}, {0x04, 0x20, 0x02},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(pixel_flags(static_cast<Byte>(c.value), 0), c.high);
    EXPECT_EQ(pixel_flags(static_cast<Byte>(c.value), 1), c.low);
    EXPECT_EQ(pixel_flags(static_cast<Byte>(c.value), -3), c.low);  // any non-zero selector
  }
}

TEST(PackRows, PacksEachRowIntoItsFirstHalfAndClearsTheRest) {
  struct Case {
    int width;
    Bytes row, packed;
  };
  const Case cases[] = {
      {4, bytes({0xC0, 0x03, 0xFF, 0x00}), bytes({0x81, 0xF0, 0x00, 0x00})},
      {6, bytes({0x11, 0x22, 0x33, 0x44, 0x55, 0x66}), bytes({0x55, 0x5A, 0xFF, 0, 0, 0})},
      {2, bytes({0x1B, 0xE4}), bytes({0x7E, 0x00})},
      {3, bytes({0x40, 0x03, 0xFF}), bytes({0x81, 0x00, 0x00})},  // odd: the last byte is cleared
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    auto memory = image_filled_with(0xA5);
    put(*memory, 0x3000, c.row);
    EXPECT_EQ(pack_rows(*memory, 0x3000, 0x3000 + c.width - 1, c.width), 0x3000 + c.width);
    EXPECT_EQ(take(*memory, 0x3000, c.width), c.packed);
    EXPECT_EQ(take(*memory, 0x2FFF, 1), bytes({0xA5}));
    EXPECT_EQ(take(*memory, 0x3000 + c.width, 1), bytes({0xA5}));
  }
}

TEST(PackRows, TheLastRowIsPackedWholeEvenPastTheLastAddress) {
  auto memory = image_filled_with(0x00);
  put(*memory, 0x0000, bytes({0xC0, 0x03, 0xFF, 0x00, 0x1B, 0xE4, 0x40, 0x01, 0x77}));
  EXPECT_EQ(pack_rows(*memory, 0x0000, 0x0004, 4), 0x0008);
  EXPECT_EQ(take(*memory, 0, 9), bytes({0x81, 0xF0, 0x00, 0x00, 0x7E, 0x81, 0x00, 0x00, 0x77}));
}

TEST(PackRows, StaysInsideTheImageWhateverItsArguments) {
  struct Case {
    const char* what;
    int first, last, width;
    int result;
    int rows;  // rows of width 4 packed from `first`
  };
  const Case cases[] = {
      {"first after last", 0x3004, 0x3000, 4, 0x3004, 0},
      {"last row ends at 0xFFFF", 0xFFF8, 0xFFFF, 4, 0x10000, 2},
      {"a row reaching past 0xFFFF", 0xFFFA, 0xFFFF, 4, 0xFFFE, 1},
      {"no end", 0xFFF8, INT_MAX, 4, 0x10000, 2},
      {"first before the image", -4, 7, 4, -4, 0},
      {"zero width", 0x3000, 0x3FFF, 0, 0x3000, 0},
      {"negative width", 0x3000, 0x3FFF, -2, 0x3000, 0},
      {"huge width", 0x3000, 0x3FFF, INT_MAX, 0x3000, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto memory = image_filled_with(0x0F);  // a pair of 0x0F packs to 0x33
    auto expected = image_filled_with(0x0F);
    for (int r = 0; r < c.rows; ++r)
      put(*expected, c.first + 4 * r, bytes({0x33, 0x33, 0x00, 0x00}));
    EXPECT_EQ(pack_rows(*memory, c.first, c.last, c.width), c.result);
    EXPECT_TRUE(*memory == *expected);
  }
}

// With every pixel set, each row comes out as half 0xFF and half 0x00, which shows each
// range's bounds and width.
TEST(PackGraphics, PacksTheSixRangesAndEditsTheEntryTable) {
  struct Range {
    int first, last, width;
  };
  const Range ranges[] = {{0x2C00, 0x31FF, 4}, {0x3204, 0x44BD, 6}, {0x44C0, 0x467F, 4},
                          {0x4680, 0x47FF, 2}, {0x4800, 0x48BF, 4}, {0x48C0, 0x4BFF, 2}};
  auto memory = image_filled_with(0xFF);
  pack_graphics(*memory);

  MemoryImage expected;
  expected.fill(0xFF);
  for (const Range& r : ranges) {
    for (int a = r.first; a <= r.last; ++a) {
      if ((a - r.first) % r.width >= r.width / 2) expected[static_cast<std::size_t>(a)] = 0;
    }
  }
  for (int a = 0x4D30; a <= 0x4DC3; a += 3)
    expected[static_cast<std::size_t>(a)] = 0xFE;
  expected[0x4D66] = 0x96;
  expected[0x4D6B] = 0x58;
  for (int a = 0; a < kMemorySize; ++a) {
    ASSERT_EQ((*memory)[static_cast<std::size_t>(a)], expected[static_cast<std::size_t>(a)])
        << std::hex << "at 0x" << a;
  }
}

TEST(ConvertPatternBytes, ConvertsSingleBytesAndMergesPairsUpward) {
  struct Case {
    const char* what;
    int address;
    Bytes before, after;
  };
  const Case cases[] = {
      {"first high-nibble byte", 0xBC9D, bytes({0xE4}), bytes({0xE0})},
      {"last high-nibble byte", 0xC748, bytes({0x03}), bytes({0x10})},
      {"first low-nibble byte", 0xBC72, bytes({0xE4}), bytes({0x0E})},
      {"last low-nibble byte", 0xC737, bytes({0x40}), bytes({0x08})},
      {"first pair", 0xBC94, bytes({0xC0, 0x03}), bytes({0x00, 0x18})},
      {"pair across 0xC000", 0xBFFF, bytes({0x55, 0x00}), bytes({0x00, 0x0F})},
      {"last pair", 0xC76B, bytes({0x00, 0xAA}), bytes({0x00, 0xF0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto memory = image_filled_with(0x00);
    put(*memory, c.address, c.before);
    convert_pattern_bytes(*memory);
    EXPECT_EQ(take(*memory, c.address, static_cast<int>(c.after.size())), c.after);
  }
}

}  // namespace
}  // namespace flyseat
