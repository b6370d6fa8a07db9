// The fixed places of the game's graphics: bitmap rows in the list1 region, the entry table
// after them, and pattern bytes in the list2 region.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "address_list.hpp"
#include "flyseat/image.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

inline constexpr std::array<RowRange, kRowRangeCount> kRowRanges = {{
    {0x2C00, 0x31FF, 4},  // 384 rows
    {0x3204, 0x44BD, 6},  // 799 rows
    {0x44C0, 0x467F, 4},  // 112 rows
    {0x4680, 0x47FF, 2},  // 192 rows
    {0x4800, 0x48BF, 4},  // 48 rows
    {0x48C0, 0x4BFF, 2},  // 416 rows
}};

// 50 entries of three bytes; bit 0 of each entry's first byte is cleared.
inline constexpr int kEntryTableStart = 0x4D30;
inline constexpr int kEntryCount = 50;
inline constexpr int kEntrySize = 3;

struct ByteStore {
  int address;
  Byte value;
};

// Both values have bit 0 clear, so clearing the entries' bit 0 afterwards keeps them.
inline constexpr std::array<ByteStore, 2> kEntryStores = {{
    {0x4D66, 0x96},  // first byte of entry 18
    {0x4D6B, 0x58},  // third byte of entry 19
}};

inline constexpr std::string_view kHighNibbleListing =
    "BC9D C428 C4D6 C50A C518 C53F C562 C5B2 C5F9 C633 C67E C6B8 C71D C748";
inline constexpr std::string_view kLowNibbleListing =
    "BC72 BC8C C01A C40E C4F5 C531 C668 C676 C686 C68E C6A1 C6C0 C6D0 C737";
// By the lower address of each pair.
inline constexpr std::string_view kPairListing =
    "BC94 BCA7 BF48 BF57 BF6C BF87 BF90 BF9F BFA8 BFC3 BFCC BFD5 BFDE BFFF C03C C044 "  // 1-16
    "C18D C1BE C1E0 C39E C3B6 C3D1 C3DC C3F1 C444 C453 C462 C471 C48C C49B C4AC C4C7 "  // 17-32
    "C4E6 C4FF C526 C54D C5EA C607 C612 C61D C62A C647 C650 C65F C696 C6A9 C6EA C73F "  // 33-48
    "C76B";                                                                             // 49

static_assert(is_address_listing(kHighNibbleListing, 14));
static_assert(is_address_listing(kLowNibbleListing, 14));
static_assert(is_address_listing(kPairListing, 49));

inline constexpr auto kHighNibbleBytes = parse_addresses<14>(kHighNibbleListing);
inline constexpr auto kLowNibbleBytes = parse_addresses<14>(kLowNibbleListing);
inline constexpr auto kPairs = parse_addresses<49>(kPairListing);

// Whole rows, in ascending order, none overlapping the next, all in the list1 region.
static_assert(std::all_of(kRowRanges.begin(), kRowRanges.end(), [](const RowRange& range) {
  return range.first >= kList1Start && range.width > 0 &&
         (range.last - range.first + 1) % range.width == 0;
}));
static_assert(std::adjacent_find(kRowRanges.begin(), kRowRanges.end(),
                                 [](const RowRange& a, const RowRange& b) {
                                   return a.last >= b.first;
                                 }) == kRowRanges.end());

constexpr int entry_byte(int entry, int offset) {
  return kEntryTableStart + entry * kEntrySize + offset;
}

static_assert(kEntryStores[0].address == entry_byte(18, 0));
static_assert(kEntryStores[1].address == entry_byte(19, 2));
static_assert((kEntryStores[0].value & 1) == 0 && (kEntryStores[1].value & 1) == 0);

// Each list is in ascending order, so no address occurs twice in it, and lies in the list2
// region; a pair takes two bytes.
static_assert(is_ascending(kHighNibbleBytes) && is_ascending(kLowNibbleBytes));
static_assert(is_ascending(kPairs));
static_assert([] {
  auto in_list2 = [](std::span<const int> places, int size) {
    return std::all_of(places.begin(), places.end(),
                       [size](int a) { return a >= kList2Start && a + size <= kMemorySize; });
  };
  return in_list2(kHighNibbleBytes, 1) && in_list2(kLowNibbleBytes, 1) && in_list2(kPairs, 2);
}());

}  // namespace flyseat
