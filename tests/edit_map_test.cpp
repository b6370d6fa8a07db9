// All thirteen edits over images of random bytes: exactly the bytes that the address lists
// name may change, and each gets the value its rule gives. The lists are typed here a second
// time, apart from the tables in src/image, so a mistyped address on either side shows up
// twice: as a byte that changed although nothing names it, and as a named byte whose value
// is wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "flyseat/image.hpp"

namespace flyseat {
namespace {

const char* const kRaisedWords =
    "BC41 BD53 BD76 BDC7 BE0D BE49 BEB6 C0D4 C139 C1F4 C791 C7AC C7B3 C8A8";

const char* const kHalvedAddresses = R"(
BC74 BC7A BC80 BC86 BC8E BC97 BC9F BCAA BCB0 BCE3 BCF1 BD7C BDCC BE09 BE45 BEBB
BEC8 BEF6 BF4B BF51 BF5A BF60 BF66 BF6F BF75 BF7B BF81 BF8A BF93 BF99 BFA2 BFAB
BFB1 BFB7 BFBD BFC6 BFCF BFD8 BFE1 BFE7 BFED BFF3 BFF9 C002 C008 C00E C014 C01C
C022 C028 C02E C135 C1F0 C395 C39B C3A8 C3B0 C3BB C3C3 C3CB C3D6 C3E1 C3E9 C3F4
C3FA C400 C408 C410 C416 C41C C422 C42A C430 C436 C43C C447 C44D C456 C45C C465
C46B C474 C47A C480 C486 C48F C495 C49E C4A4 C4AF C4B5 C4BB C4C1 C4CA C4D0 C4D8
C4DE C4E9 C4EF C4F7 C504 C50C C512 C51A C520 C52B C533 C539 C541 C547 C552 C55C
C564 C56A C570 C576 C57C C582 C588 C58E C594 C59A C5A0 C5A6 C5AC C5B4 C5BA C5C0
C5C6 C5CC C5D2 C5DC C5E4 C5ED C5F3 C5FB C601 C60C C617 C622 C62D C635 C63B C641
C64A C653 C659 C662 C66A C670 C678 C680 C688 C690 C699 C6A3 C6AC C6B2 C6BA C6C2
C6C8 C6D2 C6D8 C6DE C6E4 C6ED C6F3 C6F9 C6FF C705 C70B C711 C717 C71F C725 C72B
C731 C739 C742 C74A CDEF CE37 CEA2 CEED CF3C CF7E BB4B BB52 BB59 BB60 BB66 BB6C
)";

const char* const kHighNibbleBytes =
    "BC9D C428 C4D6 C50A C518 C53F C562 C5B2 C5F9 C633 C67E C6B8 C71D C748";
const char* const kLowNibbleBytes =
    "BC72 BC8C C01A C40E C4F5 C531 C668 C676 C686 C68E C6A1 C6C0 C6D0 C737";

const char* const kPairs = R"(
BC94 BCA7 BF48 BF57 BF6C BF87 BF90 BF9F BFA8 BFC3 BFCC BFD5 BFDE BFFF C03C C044
C18D C1BE C1E0 C39E C3B6 C3D1 C3DC C3F1 C444 C453 C462 C471 C48C C49B C4AC C4C7
C4E6 C4FF C526 C54D C5EA C607 C612 C61D C62A C647 C650 C65F C696 C6A9 C6EA C73F
C76B
)";

struct Range {
  int first, last, width;
};
const Range kRanges[] = {{0x2C00, 0x31FF, 4}, {0x3204, 0x44BD, 6}, {0x44C0, 0x467F, 4},
                         {0x4680, 0x47FF, 2}, {0x4800, 0x48BF, 4}, {0x48C0, 0x4BFF, 2}};

std::vector<int> parse(const char* listing) {
  std::istringstream in(listing);
  std::vector<int> out;
  int address = 0;
  while (in >> std::hex >> address)
    out.push_back(address);
  return out;
}

// The halving and the rounding, by magnitude, as they are described.
int halve(int value) {
  int distance = value - 0xC000;
  int half = distance >= 0 ? distance >> 1 : -(-distance >> 1);
  return half & 0xFFFF;
}

int round_word(int value) {
  int d = value / 2 - 0x4000;
  int even = d >= 0 ? d & ~1 : -(-d & ~1);
  return even & 0xFFFF;
}

// What the edits make of `in`. Since no two edits share a byte (0x4D66 aside), each result
// can be worked out from the input alone. `named` marks every byte that some edit names.
struct Expected {
  explicit Expected(const MemoryImage& input) : in(input), out(input), named(kMemorySize) {}

  const MemoryImage& in;
  MemoryImage out;
  std::vector<bool> named;

  int byte(int a) const { return in[static_cast<std::size_t>(a)]; }
  int word(int a) const { return byte(a) | byte(a + 1) << 8; }
  void set(int a, int value) {
    out[static_cast<std::size_t>(a)] = static_cast<Byte>(value);
    named[static_cast<std::size_t>(a)] = true;
  }
  void set_word(int a, int value) {
    set(a, value & 0xFF);
    set(a + 1, (value >> 8) & 0xFF);
  }
  int flags(int a, int form) const { return pixel_flags(static_cast<Byte>(byte(a)), form); }
};

void work_out(Expected& e) {
  for (const Range& r : kRanges) {
    for (int row = r.first; row <= r.last; row += r.width) {
      for (int i = 0; i < r.width; ++i) {
        bool packed = i < r.width / 2;
        e.set(row + i, packed ? e.flags(row + 2 * i, 0) | e.flags(row + 2 * i + 1, 1) : 0);
      }
    }
  }
  for (int a = 0x4D30; a <= 0x4DC3; a += 3)
    e.set(a, e.byte(a) & 0xFE);
  e.set(0x4D66, 0x96);
  e.set(0x4D6B, 0x58);
  for (int a : parse(kRaisedWords))
    e.set_word(a, e.word(a) + 0x2000);
  for (int a : parse(kHalvedAddresses))
    e.set_word(a, halve(e.word(a)));
  int split = halve(e.byte(0xC1C5) << 8 | e.byte(0xC1CA));
  e.set(0xC1C5, split >> 8);
  e.set(0xC1CA, split & 0xFF);
  e.set_word(0xC1D7, round_word(e.word(0xC1D7)));
  for (int a : parse(kHighNibbleBytes))
    e.set(a, e.flags(a, 0));
  for (int a : parse(kLowNibbleBytes))
    e.set(a, e.flags(a, 1));
  for (int a : parse(kPairs)) {
    e.set(a + 1, e.flags(a + 1, 0) | e.flags(a, 1));
    e.set(a, 0);
  }
}

std::string hex_list(const std::vector<int>& addresses) {
  std::ostringstream out;
  for (std::size_t i = 0; i < addresses.size() && i < 20; ++i)
    out << std::hex << std::uppercase << addresses[i] << ' ';
  if (addresses.size() > 20) out << "... (" << std::dec << addresses.size() << " in all)";
  return out.str();
}

TEST(EditMap, TheListsAreCompleteAsTyped) {
  EXPECT_EQ(parse(kRaisedWords).size(), 14u);
  EXPECT_EQ(parse(kHalvedAddresses).size(), 192u);
  EXPECT_EQ(parse(kHighNibbleBytes).size(), 14u);
  EXPECT_EQ(parse(kLowNibbleBytes).size(), 14u);
  EXPECT_EQ(parse(kPairs).size(), 49u);

  auto input = std::make_unique<MemoryImage>();
  Expected e(*input);
  work_out(e);
  // The rows less the two gaps, 51 entry-table bytes, and 2 x 14 + 2 x 192 + 2 + 2 + 14 + 14
  // + 2 x 49 bytes of the lists: a byte named twice would make the count fall short.
  EXPECT_EQ(std::count(e.named.begin(), e.named.end(), true), 0x2000 - 6 + 51 + 542);
}

TEST(EditMap, OnlyTheNamedBytesChangeAndEachGetsItsResult) {
  for (unsigned seed : {1u, 2u, 0x5EEDu, 20240601u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    auto input = std::make_unique<MemoryImage>();
    for (Byte& b : *input)
      b = static_cast<Byte>(random() >> 24);

    auto memory = std::make_unique<MemoryImage>(*input);
    pack_graphics(*memory);
    relocate_addresses(*memory);
    convert_pattern_bytes(*memory);

    Expected e(*input);
    work_out(e);
    std::vector<int> stray, wrong;
    for (int a = 0; a < kMemorySize; ++a) {
      auto i = static_cast<std::size_t>(a);
      if ((*memory)[i] != e.out[i]) (e.named[i] ? wrong : stray).push_back(a);
    }
    EXPECT_TRUE(stray.empty()) << "changed, though nothing names them: " << hex_list(stray);
    EXPECT_TRUE(wrong.empty()) << "named, but with a wrong result: " << hex_list(wrong);
  }
}

}  // namespace
}  // namespace flyseat
