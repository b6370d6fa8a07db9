// A whole run over the sample game: the data tape image carries its graphics packed and its
// words relocated. Each expected value is worked out by hand from what make_sample.cpp and
// the sample's patch file put there.
#include <gtest/gtest.h>

#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes;
using test::bytes;

constexpr std::size_t kHeader = 16;
constexpr std::size_t kList1Length = 0x2400;
constexpr std::size_t kList2Length = 0xD00F - 0xB9D0 + 1;  // the patch file writes up to 0xD00F

TEST(SampleImage, TheDataTapeCarriesPackedGraphicsAndRelocatedWords) {
  test::TempDir dir;
  test::copy_sample(dir);
  ASSERT_EQ(test::run_build(dir).status, 0);
  Bytes tape = dir.read("flyseat2.p6");
  ASSERT_EQ(tape.size(), kHeader + kList1Length + kList2Length);

  auto at = [&](int address, std::size_t count) {
    std::size_t offset = address >= 0xB9D0 ? kHeader + kList1Length + (address - 0xB9D0)
                                           : kHeader + (address - 0x2C00);
    return Bytes(tape.begin() + static_cast<std::ptrdiff_t>(offset),
                 tape.begin() + static_cast<std::ptrdiff_t>(offset + count));
  };
  struct Case {
    const char* working;
    int address;
    Bytes expected;
  };
  const Case cases[] = {
      // Bitmap rows. Pixel flags: 0xC0 -> 1000, 0x03 -> 0001, 0xFF -> 1111, 0x00 -> 0000.
      {"patched first row C0 03 FF 00", 0x2C00, bytes({0x81, 0xF0, 0x00, 0x00})},
      // Stripes, y = 1: greys 0112 2330 0112 2330 = 16 BC 16 BC, flags 0111 1110 twice.
      {"stripe row 1", 0x2C04, bytes({0x7E, 0x7E, 0x00, 0x00})},
      // Rings, y = 0: dy = -23, so only grey 1, for dx = 2x - 23 from -19 to 19, that is
      // x = 2..21: 05 55 55 55 55 50, flags 0011 1111 1111 1111 1111 1100.
      {"ring row 0", 0x3204, bytes({0x3F, 0xFF, 0xFC, 0x00, 0x00, 0x00})},
      {"gap before the rings", 0x3200, bytes({0x5A, 0xA5, 0x3C, 0xC3})},
      {"gap after the rings", 0x44BE, bytes({0x99, 0x66})},
      // Entry table: entry i is 11 + 4i, i, 20 + i; bit 0 of each first byte is cleared.
      {"entry 0", 0x4D30, bytes({0x10, 0x00, 0x20})},
      {"entry 18 (0x59) takes 0x96", 0x4D66, bytes({0x96, 0x12, 0x32})},
      {"entry 19, third byte takes 0x58", 0x4D69, bytes({0x5C, 0x13, 0x58})},
      {"entry 49", 0x4DC3, bytes({0xD4, 0x31, 0x51})},
      // list2: a filler byte at A is C0 | (A & 3F). Halving: (V - C000) / 2.
      {"low-nibble E4, filler, halved C050 -> 0028, filler", 0xBC72,
       bytes({0x0E, 0xF3, 0x28, 0x00, 0xF6})},
      {"pair C0 03, filler, halved D8D7 -> 0C6B", 0xBC94, bytes({0x00, 0x18, 0xD6, 0x6B, 0x0C})},
      {"high-nibble E4, filler, halved E0DF -> 106F", 0xBC9D, bytes({0xE0, 0xDE, 0x6F, 0x10})},
      {"halved CCCB -> 0665", 0xBB4B, bytes({0x65, 0x06})},
      {"halved FFFF -> 1FFF", 0xBB6C, bytes({0xFF, 0x1F})},
      {"raised F000 -> 1000", 0xBC41, bytes({0x00, 0x10})},
      {"raised E9E8 -> 09E8", 0xC8A8, bytes({0xE8, 0x09})},
      {"split D240 -> 0920, the four bytes between kept", 0xC1C5,
       bytes({0x09, 0xC6, 0xC7, 0xC8, 0xC9, 0x20})},
      // Rounded: C006 / 2 - 4000 = 2003, made even.
      {"rounded C006 -> 2002", 0xC1D7, bytes({0x02, 0x20})},
      {"patched tail", 0xD000, test::text_bytes("PATCHED LIST2 !!")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.working);
    EXPECT_EQ(at(c.address, c.expected.size()), c.expected);
  }
}

}  // namespace
}  // namespace flyseat
