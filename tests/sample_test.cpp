// The sample game's four outputs, from a build in memory: the worked values of the conversion
// on the data tape, then the outputs' SHA-256, which pins every other byte. (A run of the built
// command in a folder is compared with these outputs by the run tests.)
#include <gtest/gtest.h>
#include <nettle/sha2.h>

#include <array>

#include "support.hpp"

namespace flyseat::test {
namespace {

using namespace std::string_literals;

// Where a target address of the list1 (9,216 bytes) or the list2 region lies on the data tape.
constexpr std::size_t tape(int address) {
  return static_cast<std::size_t>(address < 0xB9D0 ? 16 + address - 0x2C00
                                                   : 16 + 0x2400 + address - 0xB9D0);
}

// Worked out by hand from what make_sample.cpp, patch.bin and list3.txt put there. Pixel
// flags: a pixel's flag is set when its colour is not 0. Halving: (V - C000) / 2.
// clang-format off
struct Worked { const char* working; std::size_t offset; std::string bytes; };
const Worked kWorked[] = {
    {"leader and name", 0, std::string(10, '\xD3') + "DATA  "},
    {"patched row C0 03 FF 00: flags 1000 0001 1111 0000", tape(0x2C00), "\x81\xF0\0\0"s},
    {"rings, y = 0: grey 1 for x = 2..21", tape(0x3204), "\x3F\xFF\xFC\0\0\0"s},
    {"entry 18, 59 12 32: takes 96", tape(0x4D66), "\x96\x12\x32"},
    {"entry 19, 5D 13 33: bit 0 cleared, takes 58", tape(0x4D69), "\x5C\x13\x58"},
    {"low-nibble E4, filler F3, halved C050 -> 0028", tape(0xBC72), "\x0E\xF3\x28\0"s},
    {"pair C0 03 merged up, filler, D8D7 -> 0C6B", tape(0xBC94), "\0\x18\xD6\x6B\x0C"s},
    {"split D2 .. 40 -> 09 .. 20", tape(0xC1C5), "\x09\xC6\xC7\xC8\xC9\x20"},
    {"rounded C006 -> C006 / 2 - 4000 = 2003, made even", tape(0xC1D7), "\x02\x20"},
    {"the patch raises the list2 length to 0xD00F", tape(0xD000), "PATCHED LIST2 !!"},
};
// clang-format on

TEST(Sample, TheDataTapeHoldsTheWorkedValues) {
  for (const Worked& w : kWorked) {
    EXPECT_EQ(sample_outputs()[0].substr(w.offset, w.bytes.size()), w.bytes) << w.working;
  }
}

std::string sha256_of(const std::string& bytes) {
  sha256_ctx context;
  sha256_init(&context);
  sha256_update(&context, bytes.size(), span_of(bytes).data());
  std::array<Byte, SHA256_DIGEST_SIZE> digest;
  sha256_digest(&context, digest.size(), digest.data());
  std::string hex;
  for (Byte b : digest)
    hex += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
  return hex;
}

TEST(Sample, TheOutputsArePinned) {
  const char* const kSha256[] = {
      "2df45643bf58ff82a7e813c3ad69fd9a6083c371c6eb796c1915e01ca9c7be67",
      "6090b7eacac60ada53aa290a489d981dca7e029236db07a1580a5b36110420d5",
      "b25860f4581ae02de2b8731acb29ad20b8ed2884830b65ae58cfa13b658e18c2",
      "58c5c7f9bad71269c827f3b1c65c955b7375076137de8ae47178eabfb4a599cb"};
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ(sha256_of(sample_outputs()[i]), kSha256[i]) << kOutputNames[i];
}

}  // namespace
}  // namespace flyseat::test
