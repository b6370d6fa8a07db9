// The memory image's check: the places the conversion rewrites against the data loaded, the
// relocated words against video memory, and the disk the stretches take.
#include "flyseat/memory_check.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "flyseat/disk.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/little_endian.hpp"
#include "flyseat/text.hpp"

namespace flyseat {
namespace {

constexpr const char* kUnset = "set by no dump and no patch record";

bool all_loaded(const LoadedMemory& memory, int address, int size) {
  return memory.loaded_count(address, size) == size;
}

void mark(LoadedMemory& memory, int start, int count) {
  for (int a = start; a < start + count; ++a)
    memory.loaded.set(static_cast<std::size_t>(a));
}

void check_unset_places(const LoadedMemory& memory, CheckReport& report) {
  std::size_t findings_before = report.sections[kMemorySection].size();
  FindingsOfAKind ranges{"range of bitmap rows set in part", "ranges of bitmap rows set in part"};
  for (const RowRange& rows : bitmap_row_ranges()) {
    int size = rows.last - rows.first + 1;
    int unset = size - memory.loaded_count(rows.first, size);
    if (unset == 0) continue;
    ranges.add([&] {
      return Finding{.place = at::Address{"bitmap rows", {rows.first, rows.last}, true},
                     .note = format("%d of %d bytes %s: a build converts zero bytes there", unset,
                                    size, kUnset)};
    });
  }
  report.add(kMemorySection, Level::warning, ranges);
  for (const FixedPlaces& places : fixed_places()) {
    std::vector<int> unset;
    for (int address : places.addresses) {
      if (!all_loaded(memory, address, places.size)) unset.push_back(address);
    }
    if (!unset.empty()) {
      report.warning(
          kMemorySection,
          {.place = at::Address{places.what},
           .note = format("%zu of %zu %s (the first at 0x%04X): a build converts "
                          "zero bytes there",
                          unset.size(), places.addresses.size(), kUnset, unset.front())});
    }
  }
  if (report.sections[kMemorySection].size() == findings_before) {
    report.fact(kMemorySection,
                {.note = "the bitmap rows and every fixed place lie in the loaded data"});
  }
}

Finding no_video_address(at::Address place, int value) {
  return {.place = std::move(place),
          .field = "value",
          .value = Value::hex(value, 4),
          .expected = Value::range(kVideoBase, kMemorySize - 1, 4, "a video address"),
          .note = "a build halves it as if it were one"};
}

// Before relocation each halved address, and the split address, points into video memory.
void check_video_addresses(const LoadedMemory& memory, CheckReport& report) {
  const FixedPlaces& halved = fixed_places(PlaceKind::halved_address);
  FindingsOfAKind outside{"halved address holds no video address",
                          "halved addresses hold no video address"};
  std::size_t loaded = 0;
  for (int address : halved.addresses) {
    int value = read_u16(memory.image, static_cast<std::size_t>(address));
    if (!all_loaded(memory, address, halved.size)) continue;
    ++loaded;
    if (!is_video_address(value))
      outside.add([&] { return no_video_address({"halved address", {address}}, value); });
  }
  report.add(kMemorySection, Level::warning, outside);
  if (outside.empty()) {
    report.fact(kMemorySection, {.note = format("%zu of %zu halved addresses lie in the loaded "
                                                "data, each holding a video address",
                                                loaded, halved.addresses.size())});
  }
  std::span<const int> split = fixed_places(PlaceKind::split_address_byte).addresses;
  int value = read_split_address(memory.image);
  bool split_loaded = std::all_of(split.begin(), split.end(), [&memory](int address) {
    return all_loaded(memory, address, 1);
  });
  if (split_loaded && !is_video_address(value))
    report.warning(kMemorySection,
                   no_video_address({"the split address", {split[0], split[1]}}, value));
}

// A list1.bin long enough to reach the list2 region lies under list2.bin there: each byte of it
// that list2.bin gives another value is lost.
void check_overlap(const DumpLengths& dumps, CheckReport& report) {
  if (dumps.lost_under_list2 == 0) return;
  report.warning(
      kMemorySection,
      {.file = kList1Name,
       .place = offset_place(kList2Start - kList1Start),
       .note = format("%s from here on lie under the list2 region, and %s of them differ "
                      "from list2.bin's, which a build stores in their place",
                      count_of(static_cast<std::size_t>(dumps.under_list2), "byte").c_str(),
                      count_of(static_cast<std::size_t>(dumps.lost_under_list2), "byte").c_str())});
}

const char* end_of(DiskBuffer buffer) {
  switch (buffer) {
    case DiskBuffer::loader:
      return "the loader's block";
    case DiskBuffer::memory:
      return "memory (0xFFFF)";
    case DiskBuffer::program:
      return "the program buffer";
  }
  return "";
}

void check_disk(const LoadedMemory& memory, std::int32_t program_length, CheckReport& report) {
  DiskLayout layout = disk_layout(memory.dumps.list1, memory.list2_length, program_length);
  std::string parts;
  for (const DiskStretch& s : layout.stretches) {
    parts += format("%s%s %d", parts.empty() ? "" : ", ", s.what, s.blocks);
    if (std::size_t fill = s.past_buffer(); fill > 0) {
      report.warning(
          kMemorySection,
          {.note = format("the %s%s's %s reach %s past the end of %s: a build writes zero bytes "
                          "there",
                          s.what, s.buffer == DiskBuffer::memory ? " region" : "",
                          count_of(static_cast<std::size_t>(s.blocks), "disk block").c_str(),
                          count_of(fill, "byte").c_str(), end_of(s.buffer))});
    }
  }
  report.fact(kMemorySection, {.note = format("raw disk image: %d of %d tracks (%s)", layout.blocks,
                                              kDiskTracks, parts.c_str())});
}

}  // namespace

int LoadedMemory::loaded_count(int first, int size) const {
  int count = 0;
  for (int a = first; a < first + size; ++a)
    count += loaded.test(static_cast<std::size_t>(a)) ? 1 : 0;
  return count;
}

void load_dumps(std::span<const Byte> list1, std::span<const Byte> list2, LoadedMemory& memory) {
  std::array<MemoryFile, 2> dumps = {
      {{kList1Name, list1, {}, true}, {kList2Name, list2, {}, true}}};
  Folder folder{dumps, nullptr};
  memory.image.fill(0);  // as a build's work area starts
  memory.loaded.reset();
  memory.dumps = load_dumps(folder, memory.image);
  mark(memory, kList1Start, memory.dumps.list1);
  mark(memory, kList2Start, memory.dumps.list2);
  memory.list2_length = memory.dumps.list2;
}

namespace {

// Marks the bytes each record stores as loaded, then tells the caller's watch.
struct LoadedMarks final : PatchWatch {
  LoadedMemory& memory;
  PatchWatch& then;
  LoadedMarks(LoadedMemory& m, PatchWatch& w) : memory(m), then(w) {}
  void record(const PatchRecordSeen& r) override {
    if (!r.past_memory) mark(memory, r.address, r.count);
    then.record(r);
  }
};

}  // namespace

void apply_patch(Source& patch, LoadedMemory& memory, PatchWatch& watch) {
  LoadedMarks marks{memory, watch};
  memory.patch = apply_patch(patch, memory.image, memory.list2_length, marks);
}

void check_memory(const LoadedMemory& memory, std::int32_t program_length, CheckReport& report) {
  check_overlap(memory.dumps, report);
  check_unset_places(memory, report);
  check_video_addresses(memory, report);
  if (program_length >= 0) check_disk(memory, program_length, report);
}

}  // namespace flyseat
