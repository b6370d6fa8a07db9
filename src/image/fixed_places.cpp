// Every fixed place outside the bitmap rows that the conversion rewrites, by kind, for a
// caller that checks what the dumps hold there.
#include <array>

#include "flyseat/image.hpp"
#include "graphics_tables.hpp"
#include "relocation_tables.hpp"

namespace flyseat {
namespace {

constexpr std::array<int, kEntryCount> entry_addresses() {
  std::array<int, kEntryCount> addresses{};
  for (int entry = 0; entry < kEntryCount; ++entry)
    addresses[static_cast<std::size_t>(entry)] = entry_byte(entry, 0);
  return addresses;
}

constexpr std::array<int, kEntryCount> kEntries = entry_addresses();
constexpr std::array<int, 2> kSplitBytes = {kSplitHighByte, kSplitLowByte};
constexpr std::array<int, 1> kRounded = {kRoundedWord};

constexpr std::array<FixedPlaces, 8> kFixedPlaces = {{
    {"entry table entry", kEntries, kEntrySize},
    {"raised word", kRaisedWords, 2},
    {"halved address", kHalvedAddresses, 2},
    {"split address byte", kSplitBytes, 1},
    {"rounded word", kRounded, 2},
    {"high-nibble pattern byte", kHighNibbleBytes, 1},
    {"low-nibble pattern byte", kLowNibbleBytes, 1},
    {"pattern pair", kPairs, 2},
}};

}  // namespace

std::span<const FixedPlaces> fixed_places() {
  return kFixedPlaces;
}

std::span<const int> halved_addresses() {
  return kHalvedAddresses;
}

SplitAddress split_address() {
  return {kSplitHighByte, kSplitLowByte};
}

}  // namespace flyseat
