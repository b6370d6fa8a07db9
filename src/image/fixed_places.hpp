// Every fixed place outside the bitmap rows that the conversion rewrites, by kind: the one
// table that the compile-time checks of the address tables and a checker of the dumps read.
#pragma once

#include <algorithm>
#include <array>

#include "flyseat/image.hpp"
#include "graphics_tables.hpp"
#include "relocation_tables.hpp"

namespace flyseat {

inline constexpr std::array<int, kEntryCount> kEntries = [] {
  std::array<int, kEntryCount> addresses{};
  for (int entry = 0; entry < kEntryCount; ++entry)
    addresses[static_cast<std::size_t>(entry)] = entry_byte(entry, 0);
  return addresses;
}();
inline constexpr std::array<int, 2> kSplitBytes = {kSplitHighByte, kSplitLowByte};
inline constexpr std::array<int, 1> kRounded = {kRoundedWord};

// In the order of PlaceKind.
inline constexpr std::array<FixedPlaces, kPlaceKinds> kFixedPlaces = {{
    {"entry table entry", kEntries, kEntrySize},
    {"raised word", kRaisedWords, 2},
    {"halved address", kHalvedAddresses, 2},
    {"split address byte", kSplitBytes, 1},
    {"rounded word", kRounded, 2},
    {"high-nibble pattern byte", kHighNibbleBytes, 1},
    {"low-nibble pattern byte", kLowNibbleBytes, 1},
    {"pattern pair", kPairs, 2},
}};
// A row left out would be zeros, not an error.
static_assert(std::all_of(kFixedPlaces.begin(), kFixedPlaces.end(),
                          [](const FixedPlaces& places) { return places.what != nullptr; }));

}  // namespace flyseat
