// Splitting one fuzz input into the five inputs of a build: four 16-bit little-endian lengths
// (loader, list1, list2, patch), then those inputs back to back, and the rest is the listing.
// A length larger than what is left takes what is left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "flyseat/memory_build.hpp"

namespace flyseat::fuzz {

inline BuildInputs split_inputs(std::span<const std::uint8_t> data) {
  std::size_t lengths[4] = {};
  for (std::size_t i = 0; i < 4 && data.size() >= 2; ++i) {
    lengths[i] = static_cast<std::size_t>(data[0] | (data[1] << 8));
    data = data.subspan(2);
  }
  std::span<const std::uint8_t> parts[4];
  for (std::size_t i = 0; i < 4; ++i) {
    std::size_t n = lengths[i] < data.size() ? lengths[i] : data.size();
    parts[i] = data.first(n);
    data = data.subspan(n);
  }
  return BuildInputs{parts[0], parts[1], parts[2], parts[3], data};
}

}  // namespace flyseat::fuzz
