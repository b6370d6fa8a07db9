// The fixed places of the words that the address relocation rewrites, all in the list2
// region. A word is given by the address of its low byte, except the split address.
#pragma once

#include <span>
#include <string_view>

#include "address_list.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

inline constexpr std::string_view kRaisedListing =
    "BC41 BD53 BD76 BDC7 BE0D BE49 BEB6 C0D4 C139 C1F4 C791 C7AC C7B3 C8A8";

// Ascending, except that the last six entries follow CF7E.
inline constexpr std::string_view kHalvedListing =
    "BC74 BC7A BC80 BC86 BC8E BC97 BC9F BCAA BCB0 BCE3 BCF1 BD7C BDCC BE09 BE45 BEBB "  // 1-16
    "BEC8 BEF6 BF4B BF51 BF5A BF60 BF66 BF6F BF75 BF7B BF81 BF8A BF93 BF99 BFA2 BFAB "  // 17-32
    "BFB1 BFB7 BFBD BFC6 BFCF BFD8 BFE1 BFE7 BFED BFF3 BFF9 C002 C008 C00E C014 C01C "  // 33-48
    "C022 C028 C02E C135 C1F0 C395 C39B C3A8 C3B0 C3BB C3C3 C3CB C3D6 C3E1 C3E9 C3F4 "  // 49-64
    "C3FA C400 C408 C410 C416 C41C C422 C42A C430 C436 C43C C447 C44D C456 C45C C465 "  // 65-80
    "C46B C474 C47A C480 C486 C48F C495 C49E C4A4 C4AF C4B5 C4BB C4C1 C4CA C4D0 C4D8 "  // 81-96
    "C4DE C4E9 C4EF C4F7 C504 C50C C512 C51A C520 C52B C533 C539 C541 C547 C552 C55C "  // 97-112
    "C564 C56A C570 C576 C57C C582 C588 C58E C594 C59A C5A0 C5A6 C5AC C5B4 C5BA C5C0 "  // 113-128
    "C5C6 C5CC C5D2 C5DC C5E4 C5ED C5F3 C5FB C601 C60C C617 C622 C62D C635 C63B C641 "  // 129-144
    "C64A C653 C659 C662 C66A C670 C678 C680 C688 C690 C699 C6A3 C6AC C6B2 C6BA C6C2 "  // 145-160
    "C6C8 C6D2 C6D8 C6DE C6E4 C6ED C6F3 C6F9 C6FF C705 C70B C711 C717 C71F C725 C72B "  // 161-176
    "C731 C739 C742 C74A CDEF CE37 CEA2 CEED CF3C CF7E BB4B BB52 BB59 BB60 BB66 BB6C";  // 177-192

static_assert(is_address_listing(kRaisedListing, 14));
static_assert(is_address_listing(kHalvedListing, 192));

inline constexpr auto kRaisedWords = parse_addresses<14>(kRaisedListing);
inline constexpr auto kHalvedAddresses = parse_addresses<192>(kHalvedListing);

// The split address keeps its high and low byte apart in the machine code.
inline constexpr int kSplitHighByte = 0xC1C5;
inline constexpr int kSplitLowByte = 0xC1CA;
inline constexpr int kRoundedWord = 0xC1D7;

inline constexpr std::size_t kHalvedTailSize = 6;

static_assert(is_ascending(kRaisedWords));
// The halved addresses ascend, but for the last six, which ascend below the first.
static_assert(
    is_ascending(std::span(kHalvedAddresses).first(kHalvedAddresses.size() - kHalvedTailSize)) &&
    is_ascending(std::span(kHalvedAddresses).last(kHalvedTailSize)) &&
    kHalvedAddresses.back() < kHalvedAddresses.front());
// Every word lies in the list2 region, both its bytes.
static_assert(std::all_of(kRaisedWords.begin(), kRaisedWords.end(),
                          [](int a) { return a >= kList2Start && a + 2 <= kMemorySize; }) &&
              std::all_of(kHalvedAddresses.begin(), kHalvedAddresses.end(),
                          [](int a) { return a >= kList2Start && a + 2 <= kMemorySize; }));

}  // namespace flyseat
