// The buffers and lengths that the stages of a build hand each other.
#pragma once

#include <array>
#include <cstdint>

namespace flyseat {

using Byte = std::uint8_t;

inline constexpr int kMemorySize = 0x10000;
inline constexpr int kLoaderSize = 4096;
inline constexpr Byte kLoaderFill = 0xFF;  // what a short loader leaves in the rest of its block
inline constexpr int kProgramSize = 32768;
inline constexpr int kLineSize = 1000;

// The two dumps are loaded at fixed target addresses; each may run up to the end of memory.
inline constexpr int kList1Start = 0x2C00;
inline constexpr int kList1Max = kMemorySize - kList1Start;  // 54,272
inline constexpr int kList2Start = 0xB9D0;
inline constexpr int kList2Max = kMemorySize - kList2Start;  // 17,968

using MemoryImage = std::array<Byte, kMemorySize>;  // indexed by target address
using LoaderBuffer = std::array<Byte, kLoaderSize>;
using ProgramBuffer = std::array<Byte, kProgramSize>;
using LineBuffer = std::array<Byte, kLineSize>;

// Everything a run works on, owned by the driver for the whole run. A value-initialised
// work area is all zero, which makes every run reproducible.
struct WorkArea {
  LoaderBuffer loader;
  MemoryImage memory;
  std::int32_t list1_length;
  std::int32_t list2_length;
  ProgramBuffer program;
  std::int32_t program_length;  // bytes of line records; the end marker follows them
  LineBuffer line;              // one listing line as read
  LineBuffer scratch;           // where a substituted line text is assembled
};

}  // namespace flyseat
