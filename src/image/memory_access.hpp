// Bytes and 16-bit little-endian words of the memory image, by target address.
#pragma once

#include <cstddef>

#include "flyseat/work_area.hpp"

namespace flyseat {

inline Byte& byte_at(MemoryImage& memory, int address) {
  return memory[static_cast<std::size_t>(address)];
}

inline Byte byte_at(const MemoryImage& memory, int address) {
  return memory[static_cast<std::size_t>(address)];
}

inline int read_word(const MemoryImage& memory, int address) {
  return byte_at(memory, address) | byte_at(memory, address + 1) << 8;
}

// Stores the low 16 bits of `value`, low byte first.
inline void write_word(MemoryImage& memory, int address, int value) {
  byte_at(memory, address) = static_cast<Byte>(value & 0xFF);
  byte_at(memory, address + 1) = static_cast<Byte>((value >> 8) & 0xFF);
}

}  // namespace flyseat
