#include "flyseat/image.hpp"
#include "memory_access.hpp"
#include "relocation_tables.hpp"

namespace flyseat {
namespace {

// A two-colour row takes half the bytes of a four-colour one.
constexpr int kRaise = 0x2000;

constexpr int low_16_bits(int value) {
  return value & 0xFFFF;
}

// Integer division truncates, so the halving rounds toward zero: 0xBFFF gives 0, and 0xBFFE
// gives -1, stored as 0xFFFF.
constexpr int halve(int address) {
  return low_16_bits((address - kVideoBase) / 2);
}

// What the halving relies on: every video address of the four-colour mode halves to an address
// of the two-colour screen, which takes half the bytes. Any other value halves to nonsense, which
// the check warns of.
static_assert([] {
  for (int address = 0; address < kMemorySize; ++address) {
    if (is_video_address(address) && halve(address) >= kRaise) return false;
  }
  return true;
}());

// The word is halved as if it lay 64 KB higher, then rounded toward zero to an even number;
// for a word in video memory that is its halved address plus 0x2000 with bit 0 cleared.
int round_word(int word) {
  int distance = (word + kMemorySize) / 2 - kVideoBase;
  return low_16_bits(distance / 2 * 2);
}

void raise_words(MemoryImage& memory) {
  for (int address : kRaisedWords)
    write_word(memory, address, low_16_bits(read_word(memory, address) + kRaise));
}

void halve_addresses(MemoryImage& memory) {
  for (int address : kHalvedAddresses)
    write_word(memory, address, halve(read_word(memory, address)));
}

// Written back high byte first, to its two places.
void halve_split_address(MemoryImage& memory) {
  int halved = halve(read_split_address(memory));
  byte_at(memory, kSplitHighByte) = static_cast<Byte>(halved >> 8);
  byte_at(memory, kSplitLowByte) = static_cast<Byte>(halved & 0xFF);
}

}  // namespace

int read_split_address(const MemoryImage& memory) {
  return byte_at(memory, kSplitHighByte) << 8 | byte_at(memory, kSplitLowByte);
}

void relocate_addresses(MemoryImage& memory) {
  raise_words(memory);
  halve_addresses(memory);
  halve_split_address(memory);
  write_word(memory, kRoundedWord, round_word(read_word(memory, kRoundedWord)));
}

}  // namespace flyseat
