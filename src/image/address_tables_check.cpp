// Compile-time check that no two fixed places share a byte and that none lies in the bitmap
// rows, so the order of the edits cannot change the result. The two single bytes that the
// entry-table edit stores lie inside entries whose bit 0 it then clears; their values have bit
// 0 clear already (graphics_tables.hpp).
#include <algorithm>
#include <array>
#include <numeric>

#include "fixed_places.hpp"

namespace flyseat {
namespace {

constexpr std::size_t kPlaceBytes =
    std::accumulate(kFixedPlaces.begin(), kFixedPlaces.end(), std::size_t{0},
                    [](std::size_t sum, const FixedPlaces& places) {
                      return sum + places.addresses.size() * static_cast<std::size_t>(places.size);
                    });

static_assert([] {
  std::array<int, kPlaceBytes> bytes{};
  std::size_t n = 0;
  for (const FixedPlaces& places : kFixedPlaces) {
    for (int address : places.addresses) {
      for (int k = 0; k < places.size; ++k)
        bytes[n++] = address + k;
    }
  }
  std::sort(bytes.begin(), bytes.end());
  auto in_bitmap_rows = [](int address) {
    return std::any_of(kRowRanges.begin(), kRowRanges.end(), [address](const RowRange& range) {
      return address >= range.first && address <= range.last;
    });
  };
  return std::adjacent_find(bytes.begin(), bytes.end()) == bytes.end() &&
         std::none_of(bytes.begin(), bytes.end(), in_bitmap_rows);
}());

static_assert(std::all_of(kEntryStores.begin(), kEntryStores.end(), [](const ByteStore& store) {
  return store.address >= kEntries.front() && store.address < kEntries.back() + kEntrySize;
}));

}  // namespace
}  // namespace flyseat
