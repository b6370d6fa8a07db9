// Bytes and 16-bit little-endian words of the memory image, by target address.
#pragma once

#include <cstddef>

#include "flyseat/little_endian.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

inline Byte& byte_at(MemoryImage& memory, int address) {
  return memory[static_cast<std::size_t>(address)];
}

inline Byte byte_at(const MemoryImage& memory, int address) {
  return memory[static_cast<std::size_t>(address)];
}

inline int read_word(const MemoryImage& memory, int address) {
  return read_u16(memory, static_cast<std::size_t>(address));
}

// Stores the low 16 bits of `value`.
inline void write_word(MemoryImage& memory, int address, int value) {
  write_u16(memory, static_cast<std::size_t>(address), static_cast<std::uint32_t>(value));
}

}  // namespace flyseat
