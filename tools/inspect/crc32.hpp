// CRC-32 as preservation catalogues and zip files list it: the reflected polynomial 0xEDB88320,
// started and finished with all bits set. One table of 256 entries, made at compile time, serves
// the command line and the browser page alike.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "flyseat/text.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat::inspect {

inline constexpr std::array<std::uint32_t, 256> kCrc32Table = [] {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < table.size(); ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit)
      c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}();

// The CRC-32 of `crc`'s bytes followed by `bytes`: start from 0 and feed a file piece by piece.
constexpr std::uint32_t crc32(std::span<const Byte> bytes, std::uint32_t crc = 0) {
  crc = ~crc;
  for (Byte b : bytes)
    crc = kCrc32Table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

// As catalogues write it: eight lower-case hex digits, leading zeros kept.
inline std::string crc32_text(std::uint32_t crc) {
  return format("%08x", static_cast<unsigned>(crc));
}

static_assert(crc32(std::array<Byte, 9>{'1', '2', '3', '4', '5', '6', '7', '8', '9'}) ==
              0xCBF43926u);

}  // namespace flyseat::inspect
