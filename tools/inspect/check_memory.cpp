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
  std::size_t findings_before = c.report.sections[kMemorySection].size();
  for (const RowRange& rows : bitmap_row_ranges()) {
    int size = rows.last - rows.first + 1;
    int unset = size - memory.loaded_count(rows.first, size);
    if (unset > 0) {
      c.warning(kMemorySection,
                {.place = at::Address{"bitmap rows", {rows.first, rows.last}, true},
                 .note = format("%d of %d bytes converted from unset bytes", unset, size)});
    }
  }
  for (const FixedPlaces& places : fixed_places()) {
    std::vector<int> unset;
    for (int address : places.addresses) {
      if (!all_loaded(memory, address, places.size)) unset.push_back(address);
    }
    if (!unset.empty()) {
      c.warning(kMemorySection,
                {.place = at::Address{places.what},
                 .note = format("%zu of %zu converted from unset bytes (the first at 0x%04X)",
                                unset.size(), places.addresses.size(), unset.front())});
    }
  }
  if (c.report.sections[kMemorySection].size() == findings_before) {
    c.fact(kMemorySection,
           {.note = "the bitmap rows and every fixed place lie in the loaded data"});
  }
}

// Before relocation each halved address, and the split address, points into video memory.
void check_video_addresses(const LoadedMemory& memory, Checker& c) {
  const FixedPlaces& halved = fixed_places(PlaceKind::halved_address);
  Findings outside;
  std::size_t loaded = 0;
  for (int address : halved.addresses) {
    int value = read_u16(memory.image, static_cast<std::size_t>(address));
    if (!all_loaded(memory, address, halved.size)) continue;
    ++loaded;
    if (value < kVideoBase) {
      outside.push_back({.place = at::Address{"halved address", {address}},
                         .field = "value",
                         .value = Value::hex(value, 4),
                         .expected = Value::range(kVideoBase, 0xFFFF, 4, "a video address")});
    }
  }
  c.warnings(kMemorySection, outside, "halved address holds no video address",
             "halved addresses hold no video address");
  if (outside.empty()) {
    c.fact(kMemorySection, {.note = format("%zu of %zu halved addresses lie in the loaded data, "
                                           "each holding a video address",
                                           loaded, halved.addresses.size())});
  }
  std::span<const int> split = fixed_places(PlaceKind::split_address_byte).addresses;
  int value = read_split_address(memory.image);
  bool split_loaded = std::all_of(split.begin(), split.end(), [&memory](int address) {
    return all_loaded(memory, address, 1);
  });
  if (split_loaded && value < kVideoBase) {
    c.warning(kMemorySection, {.place = at::Address{"the split address", {split[0], split[1]}},
                               .field = "value",
                               .value = Value::hex(value, 4),
                               .expected = Value::range(kVideoBase, 0xFFFF, 4, "a video address")});
  }
}

void check_disk(const LoadedMemory& memory, std::int32_t program_length, Checker& c) {
  RawDiskLayout layout = raw_disk_layout(memory.dumps.list1, memory.list2_length, program_length);
  std::string parts;
  for (const DiskStretch& s : layout.stretches) {
    parts += format("%s%s %d", parts.empty() ? "" : ", ", s.what, s.blocks);
    if (std::size_t fill = s.past_buffer(); fill > 0) {
      c.warning(kMemorySection,
                {.note = format("the %s blocks end %s past their buffer, filled with zero bytes",
                                s.what, count_of(fill, "byte").c_str())});
    }
  }
  c.fact(kMemorySection, {.note = format("raw disk image: %d of %d tracks (%s)", layout.blocks,
                                         kDiskTracks, parts.c_str())});
}

// A list1.bin long enough to reach the list2 region lies under list2.bin there: each byte of it
// that list2.bin gives another value is lost.
void check_overlap(std::span<const Byte> list1, std::span<const Byte> list2, Checker& c) {
  constexpr auto kUnder = static_cast<std::size_t>(kList2Start - kList1Start);
  if (list1.size() <= kUnder || list2.empty()) return;
  std::span<const Byte> under =
      list1.subspan(kUnder).first(std::min(list1.size() - kUnder, list2.size()));
  std::size_t lost = 0;
  for (std::size_t i = 0; i < under.size(); ++i)
    lost += under[i] != list2[i] ? 1u : 0u;
  if (lost == 0) return;
  c.warning(
      kMemorySection,
      {.file = kList1Name,
       .place = offset_place(kUnder),
       .note = format("%s from here on lie under the list2 region, and %s of them differ "
                      "from list2.bin's, which a build stores in their place",
                      count_of(under.size(), "byte").c_str(), count_of(lost, "byte").c_str())});
}

}  // namespace

void check_memory(const GameInputs& inputs, const LoadedMemory& memory, std::int32_t program_length,
                  Checker& c) {
  check_overlap(inputs.files[kList1].bytes, inputs.files[kList2].bytes, c);
  check_unset_places(memory, c);
  check_video_addresses(memory, c);
  if (program_length >= 0) check_disk(memory, program_length, c);
}

}  // namespace flyseat::inspect
