// Address tables are written as listings: four-digit upper-case hexadecimal target addresses
// one space apart, as in a printed address list, so that each line of a table can be compared
// with the list by eye. They are parsed at compile time; each table checks its listing's form
// and number of entries with is_address_listing, so a malformed listing stops the build.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <span>
#include <string_view>

namespace flyseat {

inline constexpr std::size_t kListingDigits = 4;
inline constexpr std::size_t kListingStride = kListingDigits + 1;  // an entry and its space

constexpr bool is_hex_digit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// True when the listing holds exactly `count` entries of four hex digits, one space apart.
constexpr bool is_address_listing(std::string_view listing, std::size_t count) {
  std::size_t at = 0;
  return listing.size() + 1 == count * kListingStride &&
         std::all_of(listing.begin(), listing.end(), [&at](char c) {
           return ++at % kListingStride == 0 ? c == ' ' : is_hex_digit(c);
         });
}

template <std::size_t N>
constexpr std::array<int, N> parse_addresses(std::string_view listing) {
  std::array<int, N> addresses{};
  for (std::size_t i = 0; i < N * kListingDigits; ++i) {
    char c = listing[i / kListingDigits * kListingStride + i % kListingDigits];
    int& address = addresses[i / kListingDigits];
    address = address * 16 + (c <= '9' ? c - '0' : c - 'A' + 10);
  }
  return addresses;
}

constexpr bool is_ascending(std::span<const int> addresses) {
  return std::adjacent_find(addresses.begin(), addresses.end(), std::greater_equal<>{}) ==
         addresses.end();
}

}  // namespace flyseat
