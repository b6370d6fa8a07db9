// Compile-time check that the graphics and relocation tables never touch a byte twice, so the
// order of the edits cannot change the result. The one byte named twice is 0x4D66: it is
// stored as 0x96 and is then the first byte of an entry whose bit 0 gets cleared, which keeps
// 0x96.
#include <algorithm>
#include <array>
#include <span>

#include "graphics_tables.hpp"
#include "relocation_tables.hpp"

namespace flyseat {
namespace {

constexpr int kShared = kEntryStores[0].address;

constexpr std::size_t kSingleBytes = kEntryStores.size() + kEntryCount + 2 * kRaisedWords.size() +
                                     2 * kHalvedAddresses.size() + 2 /* split address */ +
                                     2 /* rounded word */ + kHighNibbleBytes.size() +
                                     kLowNibbleBytes.size() + 2 * kPairs.size();

// Every byte touched outside the bitmap rows, one entry per time it is touched.
constexpr std::array<int, kSingleBytes> single_bytes() {
  std::array<int, kSingleBytes> bytes{};
  std::size_t n = 0;
  auto add = [&](std::span<const int> addresses, int extent) {
    for (int address : addresses) {
      for (int k = 0; k < extent; ++k)
        bytes[n++] = address + k;
    }
  };
  for (const ByteStore& store : kEntryStores)
    bytes[n++] = store.address;
  for (int entry = 0; entry < kEntryCount; ++entry)
    bytes[n++] = entry_byte(entry, 0);
  add(kRaisedWords, 2);
  add(kHalvedAddresses, 2);
  bytes[n++] = kSplitHighByte;
  bytes[n++] = kSplitLowByte;
  bytes[n++] = kRoundedWord;
  bytes[n++] = kRoundedWord + 1;
  add(kHighNibbleBytes, 1);
  add(kLowNibbleBytes, 1);
  add(kPairs, 2);
  return bytes;
}

constexpr bool in_bitmap_rows(int address) {
  for (const RowRange& range : kRowRanges) {
    if (address >= range.first && address <= range.last) return true;
  }
  return false;
}

constexpr bool each_byte_touched_once() {
  std::array<int, kSingleBytes> bytes = single_bytes();
  std::sort(bytes.begin(), bytes.end());
  int shared_twice = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (in_bitmap_rows(bytes[i])) return false;
    if (i > 0 && bytes[i - 1] == bytes[i]) {
      if (bytes[i] != kShared) return false;
      ++shared_twice;
    }
  }
  return shared_twice == 1;
}

static_assert(each_byte_touched_once());

}  // namespace
}  // namespace flyseat
