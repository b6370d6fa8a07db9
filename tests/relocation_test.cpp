#include <gtest/gtest.h>

#include <memory>

#include "flyseat/image.hpp"

namespace flyseat {
namespace {

struct Relocated {
  std::unique_ptr<MemoryImage> memory = std::make_unique<MemoryImage>();
  Byte& at(int address) { return (*memory)[static_cast<std::size_t>(address)]; }
  int word(int address) { return at(address) | at(address + 1) << 8; }
  void set_word(int address, int value) {
    at(address) = static_cast<Byte>(value & 0xFF);
    at(address + 1) = static_cast<Byte>(value >> 8);
  }
};

struct WordCase {
  int before, after;
};

// Around the video base, at the top of memory and at 0x0000; below the base the result is
// negative, and the halving rounds toward zero, not down.
const WordCase kHalvingCases[] = {
    {0xC000, 0x0000}, {0xC001, 0x0000}, {0xC002, 0x0001}, {0xC041, 0x0020},
    {0xDFFE, 0x0FFF}, {0xE000, 0x1000}, {0xFFFF, 0x1FFF}, {0xBFFF, 0x0000},
    {0xBFFE, 0xFFFF}, {0xBFFD, 0xFFFF}, {0xBFFC, 0xFFFE}, {0x0000, 0xA000},
};

TEST(RelocateAddresses, HalvesTheDistanceFromTheVideoBase) {
  for (int address : {0xBC74, 0xCF7E, 0xBB6C}) {  // first, the end of the ascending run, last
    for (const WordCase& c : kHalvingCases) {
      SCOPED_TRACE(testing::Message() << std::hex << address << ": " << c.before);
      Relocated r;
      r.set_word(address, c.before);
      relocate_addresses(*r.memory);
      EXPECT_EQ(r.word(address), c.after);
    }
  }
}

TEST(RelocateAddresses, TheSplitAddressIsHalvedHighByteFirst) {
  for (const WordCase& c : kHalvingCases) {
    SCOPED_TRACE(c.before);
    Relocated r;
    r.at(0xC1C5) = static_cast<Byte>(c.before >> 8);
    r.at(0xC1CA) = static_cast<Byte>(c.before & 0xFF);
    for (int a = 0xC1C6; a <= 0xC1C9; ++a)
      r.at(a) = static_cast<Byte>(a);
    relocate_addresses(*r.memory);
    EXPECT_EQ(r.at(0xC1C5), c.after >> 8);
    EXPECT_EQ(r.at(0xC1CA), c.after & 0xFF);
    for (int a = 0xC1C6; a <= 0xC1C9; ++a)
      EXPECT_EQ(r.at(a), static_cast<Byte>(a));
  }
  Relocated r;  // the worked value: D2 .. 40 reads 0xD240, not 0x40D2
  r.at(0xC1C5) = 0xD2;
  r.at(0xC1CA) = 0x40;
  relocate_addresses(*r.memory);
  EXPECT_EQ(r.at(0xC1C5), 0x09);
  EXPECT_EQ(r.at(0xC1CA), 0x20);
}

TEST(RelocateAddresses, TheRoundedWordComesOutEven) {
  const WordCase cases[] = {
      {0xC000, 0x2000}, {0xC002, 0x2000}, {0xC004, 0x2002}, {0xC006, 0x2002},
      {0xDFFE, 0x2FFE}, {0xE000, 0x3000}, {0xFFFF, 0x3FFE}, {0x8000, 0x0000},
      {0x7FFF, 0x0000}, {0x7FFC, 0xFFFE}, {0x0000, 0xC000},
  };
  for (const WordCase& c : cases) {
    SCOPED_TRACE(c.before);
    Relocated r;
    r.set_word(0xC1D7, c.before);
    relocate_addresses(*r.memory);
    EXPECT_EQ(r.word(0xC1D7), c.after);
  }
}

TEST(RelocateAddresses, RaisedWordsWrapPast0xFFFF) {
  const WordCase cases[] = {{0xC000, 0xE000}, {0x1234, 0x3234}, {0xF000, 0x1000}, {0xFFFF, 0x1FFF}};
  for (int address : {0xBC41, 0xC8A8}) {
    for (const WordCase& c : cases) {
      SCOPED_TRACE(c.before);
      Relocated r;
      r.set_word(address, c.before);
      relocate_addresses(*r.memory);
      EXPECT_EQ(r.word(address), c.after);
    }
  }
}

}  // namespace
}  // namespace flyseat
