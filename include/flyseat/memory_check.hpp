// The memory image's check: the image as a build has it before converting, with the bytes that
// an input set; the places the conversion rewrites against the data loaded, the relocated words
// against video memory, list1's bytes under list2's, and the disk the stretches take.
#pragma once

#include <bitset>
#include <cstdint>
#include <span>

#include "flyseat/check_report.hpp"
#include "flyseat/image.hpp"
#include "flyseat/io.hpp"

namespace flyseat {

// The memory image after the dumps and the patch file, as a build has it before converting.
struct LoadedMemory {
  MemoryImage image{};
  std::bitset<kMemorySize> loaded;  // set by a dump or a patch record; the rest is unset
  DumpLengths dumps{};              // as read
  std::int32_t list2_length = 0;    // after the patch file
  PatchSummary patch;

  // How many of the `size` bytes from `first` a dump or a patch record set.
  int loaded_count(int first, int size) const;
};

// Loads the dumps as a build does; then applies the patch file as a build does, telling `watch`
// of each record. A patch record that a build refuses stops it with the build's Failure.
void load_dumps(std::span<const Byte> list1, std::span<const Byte> list2, LoadedMemory& memory);
void apply_patch(Source& patch, LoadedMemory& memory, PatchWatch& watch);

// The Memory image section; the disk layout only of a program a build would store
// (`program_length` -1 for none).
void check_memory(const LoadedMemory& memory, std::int32_t program_length, CheckReport& report);

}  // namespace flyseat
