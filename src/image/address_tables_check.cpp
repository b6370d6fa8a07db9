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

static_assert([] {
  // Every byte touched outside the bitmap rows, one entry per time it is touched.
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
  add(std::array{kSplitHighByte, kSplitLowByte}, 1);
  add(std::array{kRoundedWord}, 2);
  add(kHighNibbleBytes, 1);
  add(kLowNibbleBytes, 1);
  add(kPairs, 2);
  std::sort(bytes.begin(), bytes.end());
  auto in_bitmap_rows = [](int address) {
    return std::any_of(kRowRanges.begin(), kRowRanges.end(), [address](const RowRange& range) {
      return address >= range.first && address <= range.last;
    });
  };
  // Only the shared byte stands twice, and none lies in the bitmap rows.
  auto twice = std::adjacent_find(bytes.begin(), bytes.end());
  return n == bytes.size() && std::none_of(bytes.begin(), bytes.end(), in_bitmap_rows) &&
         *twice == kShared && std::adjacent_find(twice + 1, bytes.end()) == bytes.end();
}());

}  // namespace
}  // namespace flyseat
