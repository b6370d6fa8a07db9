// Every multi-byte number in the memory image, the inputs and the outputs is little-endian: the
// low byte first. These are the one place that reads and writes such fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "flyseat/work_area.hpp"

namespace flyseat {

// The field at `at`, which the caller has checked lies inside the bytes.
constexpr std::uint16_t read_u16(std::span<const Byte> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

constexpr std::uint32_t read_u32(std::span<const Byte> bytes, std::size_t at) {
  return read_u16(bytes, at) | static_cast<std::uint32_t>(read_u16(bytes, at + 2)) << 16;
}

// Stores the low 16 bits of `value`.
constexpr void write_u16(std::span<Byte> bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<Byte>(value & 0xFF);
  bytes[at + 1] = static_cast<Byte>(value >> 8 & 0xFF);
}

constexpr void write_u32(std::span<Byte> bytes, std::size_t at, std::uint32_t value) {
  write_u16(bytes, at, value & 0xFFFF);
  write_u16(bytes, at + 2, value >> 16);
}

}  // namespace flyseat
