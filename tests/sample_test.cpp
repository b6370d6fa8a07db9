// The sample game's four outputs, from a build in memory: the worked values that explain them,
// then their SHA-256, which pins every other byte. (A run of the built command in a folder is
// compared with these outputs by the run tests.)
#include <gtest/gtest.h>
#include <nettle/sha2.h>

#include <array>

#include "support.hpp"

namespace flyseat::test {
namespace {

using namespace std::string_literals;

enum Output { kData, kMain, kDisk, kD88 };

// Where a target address of the list1 (9,216 bytes) or the list2 region lies on the data tape.
constexpr std::size_t tape(int address) {
  return address < 0xB9D0 ? 16 + address - 0x2C00 : 16 + 0x2400 + address - 0xB9D0;
}

// Worked out by hand from what make_sample.cpp, patch.bin and list3.txt put there. Pixel
// flags: a pixel's flag is set when its colour is not 0. Halving: (V - C000) / 2.
// clang-format off
struct Worked { const char* working; Output output; std::size_t offset; std::string bytes; };
const Worked kWorked[] = {
    {"leader and name", kData, 0, std::string(10, '\xD3') + "DATA  "},
    {"patched row C0 03 FF 00: flags 1000 0001 1111 0000", kData, tape(0x2C00), "\x81\xF0\0\0"s},
    {"rings, y = 0: grey 1 for x = 2..21", kData, tape(0x3204), "\x3F\xFF\xFC\0\0\0"s},
    {"entry 18, 59 12 32: takes 96", kData, tape(0x4D66), "\x96\x12\x32"},
    {"entry 19, 5D 13 33: bit 0 cleared, takes 58", kData, tape(0x4D69), "\x5C\x13\x58"},
    {"low-nibble E4, filler F3, halved C050 -> 0028", kData, tape(0xBC72), "\x0E\xF3\x28\0"s},
    {"pair C0 03 merged up, filler, D8D7 -> 0C6B", kData, tape(0xBC94), "\0\x18\xD6\x6B\x0C"s},
    {"split D2 .. 40 -> 09 .. 20", kData, tape(0xC1C5), "\x09\xC6\xC7\xC8\xC9\x20"},
    {"rounded C006 -> C006 / 2 - 4000 = 2003, made even", kData, tape(0xC1D7), "\x02\x20"},
    {"the patch raises the list2 length to 0xD00F", kData, tape(0xD000), "PATCHED LIST2 !!"},
    {"line 10, CLEAR, edited; CLEAR 99, REM 8E", kMain, 16, "\xFF\xFF\x0A\0\x99 300,&HB000:\x8E"s},
    {"line 80, 39,10 -> 19,7", kMain, 259, "\xFF\xFF\x50\0\xA1 19,7:\x95 \"CADET EDITION\"\0"s},
    {"block 0: the loader", kDisk, 0, "FLYSEAT SAMPLE LOADER"},
    {"its 384 bytes, then 0xFF to the end of the block", kDisk, 384, std::string(3712, '\xFF')},
    {"list1's 9,216 bytes take 3 blocks: list2 in block 4", kDisk, 4 * 4096, "FLYSEAT SAMPLE"},
    {"list2's 5,696 bytes take 2: the program in block 6", kDisk, 6 * 4096, "\xFF\xFF\x0A\0"s},
    {"name etc. zero; disk size 174,768", kD88, 0, std::string(28, '\0') + "\xB0\xAA\x02\0"s},
    {"track 0 at 688, no side 1, 1 at 5,040", kD88, 0x20, "\xB0\x02\0\0\0\0\0\0\xB0\x13\0\0"s},
    {"sector 0: C H R N 0 0 1 1, 16, 256", kD88, 688, "\0\0\x01\x01\x10\0\0\0\0\0\0\0\0\0\0\x01"s},
    {"sector 112 on: 0xFF", kD88, 688 + 112 * 272 + 14, "\0\x01"s + std::string(256, '\xFF')},
};
// clang-format on

TEST(Sample, TheOutputsHoldTheWorkedValues) {
  for (const Worked& w : kWorked) {
    EXPECT_EQ(sample_outputs()[w.output].substr(w.offset, w.bytes.size()), w.bytes)
        << kOutputNames[w.output] << ": " << w.working;
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
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(sha256_of(sample_outputs()[i]), kSha256[i]) << kOutputNames[i];
}

}  // namespace
}  // namespace flyseat::test
