// Address tables are written as listings: four-digit upper-case hexadecimal target addresses
// separated by spaces, as in a printed address list, so that each line of a table can be
// compared with the list by eye. They are parsed at compile time; a malformed entry or a wrong
// number of entries stops the build.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace flyseat {

constexpr int kListingDigits = 4;

constexpr bool is_listing_space(char c) {
  return c == ' ';
}

constexpr int listing_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw "an address listing holds a character that is neither a space nor a hex digit";
}

// The number of entries in a listing, so a table's size can be checked with static_assert.
constexpr int address_count(std::string_view listing) {
  int count = 0;
  bool in_entry = false;
  for (char c : listing) {
    if (!is_listing_space(c) && !in_entry) ++count;
    in_entry = !is_listing_space(c);
  }
  return count;
}

template <std::size_t N>
constexpr std::array<int, N> parse_addresses(std::string_view listing) {
  std::array<int, N> addresses{};
  std::size_t count = 0;
  std::size_t at = 0;
  for (;;) {
    while (at < listing.size() && is_listing_space(listing[at]))
      ++at;
    if (at == listing.size()) break;
    if (count == N) throw "an address listing has more entries than its table";
    int address = 0;
    for (int digit = 0; digit < kListingDigits; ++digit, ++at) {
      if (at == listing.size()) throw "an address listing ends inside an entry";
      address = address * 16 + listing_digit(listing[at]);
    }
    if (at < listing.size() && !is_listing_space(listing[at])) {
      throw "an address listing has an entry longer than four digits";
    }
    addresses[count++] = address;
  }
  if (count != N) throw "an address listing has fewer entries than its table";
  return addresses;
}

constexpr bool is_ascending(std::span<const int> addresses) {
  for (std::size_t i = 1; i < addresses.size(); ++i) {
    if (addresses[i - 1] >= addresses[i]) return false;
  }
  return true;
}

// True when every entry, and the `extent` - 1 bytes after it, lie from `low` to `high`.
constexpr bool lies_within(std::span<const int> addresses, int extent, int low, int high) {
  for (int address : addresses) {
    if (address < low || address + extent - 1 > high) return false;
  }
  return true;
}

}  // namespace flyseat
