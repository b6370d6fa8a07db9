// The check of the memory image: the places the conversion rewrites against the data loaded,
// the relocated words against video memory, and the disk the stretches take.
#include <algorithm>

#include "checker.hpp"
#include "flyseat/d88.hpp"
#include "flyseat/little_endian.hpp"
#include "flyseat/raw_disk.hpp"

namespace flyseat::inspect {
namespace {

bool all_loaded(const LoadedMemory& memory, int address, int size) {
  return memory.loaded_count(address, size) == size;
}

void check_unset_places(const LoadedMemory& memory, Checker& c) {
  std::size_t warnings_before = c.report.findings.size();
  for (const RowRange& rows : bitmap_row_ranges()) {
    int size = rows.last - rows.first + 1;
    int unset = size - memory.loaded_count(rows.first, size);
    if (unset > 0) {
      c.warning(kMemorySection,
                format("bitmap rows 0x%04X to 0x%04X: %d of %d bytes converted from unset bytes",
                       rows.first, rows.last, unset, size));
    }
  }
  for (const FixedPlaces& places : fixed_places()) {
    std::vector<int> unset;
    for (int address : places.addresses) {
      if (!all_loaded(memory, address, places.size)) unset.push_back(address);
    }
    if (!unset.empty()) {
      c.warning(kMemorySection,
                format("%s: %zu of %zu converted from unset bytes (the first at 0x%04X)",
                       places.what, unset.size(), places.addresses.size(), unset.front()));
    }
  }
  if (c.report.findings.size() == warnings_before) {
    c.fact(kMemorySection, "the bitmap rows and every fixed place lie in the loaded data");
  }
}

// Before relocation each halved address, and the split address, points into video memory.
void check_video_addresses(const LoadedMemory& memory, Checker& c) {
  const FixedPlaces& halved = fixed_places(PlaceKind::halved_address);
  std::vector<std::string> outside;
  std::size_t loaded = 0;
  for (int address : halved.addresses) {
    int value = read_u16(memory.image, static_cast<std::size_t>(address));
    if (!all_loaded(memory, address, halved.size)) continue;
    ++loaded;
    if (value < kVideoBase) {
      outside.push_back(
          format("halved address 0x%04X holds 0x%04X, not a video address", address, value));
    }
  }
  c.warnings(kMemorySection, outside, "halved address holds no video address",
             "halved addresses hold no video address");
  if (outside.empty()) {
    c.fact(kMemorySection, format("%zu of %zu halved addresses lie in the loaded data, each "
                                  "holding a video address",
                                  loaded, halved.addresses.size()));
  }
  std::span<const int> split = fixed_places(PlaceKind::split_address_byte).addresses;
  int value = read_split_address(memory.image);
  bool split_loaded = std::all_of(split.begin(), split.end(), [&memory](int address) {
    return all_loaded(memory, address, 1);
  });
  if (split_loaded && value < kVideoBase) {
    c.warning(kMemorySection,
              format("the split address (0x%04X, 0x%04X) holds 0x%04X, not a video address",
                     split[0], split[1], value));
  }
}

void check_disk(const LoadedMemory& memory, std::int32_t program_length, Checker& c) {
  RawDiskLayout layout = raw_disk_layout(memory.dumps.list1, memory.list2_length, program_length);
  std::string parts;
  for (const DiskStretch& s : layout.stretches) {
    parts += format("%s%s %d", parts.empty() ? "" : ", ", s.what, s.blocks);
    if (std::size_t fill = s.past_buffer(); fill > 0) {
      c.warning(kMemorySection,
                format("the %s blocks end %s past their buffer, filled with zero bytes", s.what,
                       count_of(fill, "byte").c_str()));
    }
  }
  c.fact(kMemorySection,
         format("raw disk image: %d of %d tracks (%s)", layout.blocks, kDiskTracks, parts.c_str()));
}

}  // namespace

void check_memory(const LoadedMemory& memory, std::int32_t program_length, Checker& c) {
  check_unset_places(memory, c);
  check_video_addresses(memory, c);
  if (program_length >= 0) check_disk(memory, program_length, c);
}

}  // namespace flyseat::inspect
