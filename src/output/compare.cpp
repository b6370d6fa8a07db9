#include "flyseat/compare.hpp"

#include <algorithm>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <tuple>
#include <vector>

#include "flyseat/basic.hpp"
#include "flyseat/d88.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"
#include "flyseat/text.hpp"

namespace flyseat {
namespace {

// The differences of one kind, told up to kMostDifferences, then counted.
struct Group {
  const char* more;  // the noun of the count: "more differing line"
  Findings findings{};
};
struct Groups {
  Group header{"more differing header field"};
  Group lines{"more differing line"};
  Group memory{"more differing byte run"};
  Group sectors{"more differing sector"};
};

void fold(Group& group, Findings& out) {
  std::size_t told = std::min(group.findings.size(), kMostDifferences);
  out.insert(out.end(), group.findings.begin(),
             group.findings.begin() + static_cast<std::ptrdiff_t>(told));
  if (std::size_t more = group.findings.size() - told; more > 0) {
    out.push_back(
        {.level = Level::fact,
         .note = "and {more}",
         .facts = {{"more", Value::number(static_cast<std::int64_t>(more)), group.more}}});
  }
}

Value number(std::size_t n) {
  return Value::number(static_cast<std::int64_t>(n));
}

Finding change(Place place, std::string field, Value was, Value now, const char* unit = nullptr) {
  return {.level = Level::fact,
          .place = std::move(place),
          .field = std::move(field),
          .value = std::move(now),
          .expected = std::move(was),
          .unit = unit,
          .compared = true};
}

using PlaceOfRun = std::function<Place(std::size_t first, std::size_t last)>;

// The runs of bytes that differ where both have bytes, then the lengths when they differ.
void compare_bytes(std::span<const Byte> a, std::span<const Byte> b, const std::string& what,
                   const PlaceOfRun& place_of, Findings& out) {
  std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common;) {
    std::size_t end = i;
    while (end < common && end - i < kRunBytes && a[end] != b[end])
      ++end;
    if (end == i) {
      ++i;
      continue;
    }
    out.push_back(change(place_of(i, end - 1), "", Value::bytes(a.subspan(i, end - i)),
                         Value::bytes(b.subspan(i, end - i))));
    i = end;
  }
  if (a.size() != b.size())
    out.push_back(change({}, "length of " + what, number(a.size()), number(b.size()), "byte"));
}

PlaceOfRun stretch(const std::string& what) {
  return [what](std::size_t first, std::size_t last) {
    return at::Stretch{what, static_cast<std::int64_t>(first), static_cast<std::int64_t>(last)};
  };
}

// The list1 and list2 data: the first `list1` bytes are list1's whatever the lengths.
void compare_data(std::span<const Byte> a, std::span<const Byte> b, std::size_t list1,
                  Findings& out) {
  const std::string what = "the list1 and list2 data";
  compare_bytes(
      a, b, what,
      [&](std::size_t first, std::size_t last) -> Place {
        if (last >= list1) return stretch(what)(first, last);
        std::vector<int> addresses = {kList1Start + static_cast<int>(first)};
        if (last > first) addresses.push_back(kList1Start + static_cast<int>(last));
        return at::Address{"list1", addresses, last > first};
      },
      out);
}

// --- Programs -------------------------------------------------------------------------------

struct StoredLine {
  std::uint16_t number;
  std::span<const Byte> tokens;
};

std::vector<StoredLine> stored_lines(std::span<const Byte> bytes, std::size_t start) {
  std::vector<StoredLine> lines;
  read_program(bytes, start, [&lines](const LineRecordRead& r) {
    lines.push_back({r.number, r.tokens});
  });
  return lines;
}

Value listed(const StoredLine& line) {
  return Value::name(listed_text(line.tokens, false));
}

// Lines matched by number, the k-th of a number in one with the k-th in the other: changed
// where their tokens differ; the rest added or removed. In the order of the line numbers.
void compare_programs(std::span<const Byte> a, std::size_t a_start, std::span<const Byte> b,
                      std::size_t b_start, Findings& out) {
  std::vector<StoredLine> first = stored_lines(a, a_start), second = stored_lines(b, b_start);
  std::map<std::uint16_t, std::vector<std::size_t>> unmatched;  // of the second, by number
  for (std::size_t i = second.size(); i-- > 0;)
    unmatched[second[i].number].push_back(i);
  std::multimap<std::uint16_t, Finding> found;
  for (const StoredLine& line : first) {
    std::vector<std::size_t>& same_number = unmatched[line.number];
    at::Line place{line.number};
    if (same_number.empty()) {
      found.insert({line.number, change(place, "", listed(line), {})});
      continue;
    }
    const StoredLine& other = second[same_number.back()];
    same_number.pop_back();
    if (!std::equal(line.tokens.begin(), line.tokens.end(), other.tokens.begin(),
                    other.tokens.end()))
      found.insert({line.number, change(place, "", listed(line), listed(other))});
  }
  for (const auto& [number, left] : unmatched) {
    for (auto i = left.rbegin(); i != left.rend(); ++i)
      found.insert({number, change(at::Line{number}, "", {}, listed(second[*i]))});
  }
  for (auto& [number, finding] : found)
    out.push_back(std::move(finding));
}

// --- Tapes ----------------------------------------------------------------------------------

std::size_t certain_list1(std::size_t data, std::size_t most_list2) {
  return data - std::min(data, most_list2);
}

void compare_tapes(std::span<const Byte> a, std::span<const Byte> b, Groups& g) {
  TapeRead first = decode_tape_image(a), second = decode_tape_image(b);
  auto name = [](const TapeRead& t) {
    return Value::name(std::string(t.name.begin(), t.name.end()));
  };
  if (!std::equal(first.name.begin(), first.name.end(), second.name.begin(), second.name.end()))
    g.header.findings.push_back(
        change(offset_place(kTape.leader_size), "tape name", name(first), name(second)));
  if (first.kind == TapeRead::main_tape && second.kind == TapeRead::main_tape) {
    compare_programs(a, kTape.header_size, b, kTape.header_size, g.lines.findings);
  } else if (first.kind == TapeRead::data_tape && second.kind == TapeRead::data_tape) {
    std::size_t list1 = std::min(certain_list1(first.payload.size(), kList2Max),
                                 certain_list1(second.payload.size(), kList2Max));
    compare_data(first.payload, second.payload, list1, g.memory.findings);
  } else {
    compare_bytes(first.payload, second.payload, "the payload", stretch("the payload"),
                  g.memory.findings);
  }
}

// --- Disks ----------------------------------------------------------------------------------

// A disk image as a D88 image holds it: the data of its sectors in disk order (of a raw disk
// image, its sectors, then the fill), and the raw disk image it holds with its layout.
struct Disk {
  std::optional<D88Read> d88;
  std::vector<Byte> sectors;
  int whole_sectors = 0;
  std::span<const Byte> raw;
  std::vector<Byte> held;
  std::optional<RawDiskRead> layout;  // when it holds a raw disk image of whole tracks
};

Disk disk_of(std::span<const Byte> file, ImageFormat format) {
  Disk disk;
  constexpr auto kSector = static_cast<std::size_t>(kD88.sector_size);
  if (format == ImageFormat::d88) {
    D88Check check = check_d88_image(file);
    disk.d88 = check.d88;
    disk.whole_sectors = check.d88.whole_sectors;
    for (int s = 0; s < disk.whole_sectors; ++s) {
      std::span<const Byte> data = check.d88.sector_data(s);
      disk.sectors.insert(disk.sectors.end(), data.begin(), data.end());
    }
    disk.held = std::move(check.held);
    disk.raw = disk.held;
    if (check.held_check) disk.layout = check.held_check->disk;
    return disk;
  }
  disk.raw = file;
  disk.layout = decode_raw_disk_image(file);
  disk.whole_sectors = kDiskSectors;
  disk.sectors.assign(kDiskSectors * kSector, kD88Fill);
  std::size_t whole = std::min(file.size() / kSector, static_cast<std::size_t>(kDiskSectors));
  std::copy_n(file.begin(), whole * kSector, disk.sectors.begin());
  return disk;
}

// What sector s holds, by the layout of the raw disk image.
std::string part_of(const Disk& disk, int s) {
  if (!disk.layout) return "the disk";
  int block = s / kD88.sectors;
  int blocks = disk.layout->blocks;
  if (block >= blocks) return "the fill";
  if (block < kRawDisk.loader_blocks) return "the loader";
  if (disk.layout->program_block == 0) return "the raw disk image";
  return block < disk.layout->program_block ? "the list1 and list2 data" : "the program";
}

void compare_sector_headers(const D88Read& a, const D88Read& b, int s, Findings& out) {
  std::span<const Byte> first = a.file.subspan(static_cast<std::size_t>(sector_record_offset(s)),
                                               kD88.sector_header_size),
                        second = b.file.subspan(static_cast<std::size_t>(sector_record_offset(s)),
                                                kD88.sector_header_size);
  if (!std::equal(first.begin(), first.end(), second.begin(), second.end()))
    out.push_back(change(sector_at(s), "header", Value::bytes(first), Value::bytes(second)));
}

void compare_sectors(const Disk& a, const Disk& b, Findings& out) {
  constexpr auto kSector = static_cast<std::size_t>(kD88.sector_size);
  for (int s = 0; s < std::max(a.whole_sectors, b.whole_sectors); ++s) {
    if (s >= a.whole_sectors || s >= b.whole_sectors) {
      out.push_back({.level = Level::fact,
                     .place = sector_at(s),
                     .note = "only the {holder} file holds it whole",
                     .facts = {{"holder", Value::text(s < a.whole_sectors ? "first" : "second")}}});
      continue;
    }
    if (a.d88 && b.d88) compare_sector_headers(*a.d88, *b.d88, s, out);
    auto at = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(s) * kSector);
    auto differ = std::inner_product(a.sectors.begin() + at, a.sectors.begin() + at + kSector,
                                     b.sectors.begin() + at, std::size_t{0}, std::plus<>(),
                                     std::not_equal_to<>());
    if (differ == 0) continue;
    std::string part = part_of(a, s), now = part_of(b, s);
    std::string differ_in =
        differ == 1 ? "{bytes} differs, in {part}" : "{bytes} differ, in {part}";
    out.push_back({.level = Level::fact,
                   .place = sector_at(s),
                   .note = part == now ? differ_in : differ_in + ", now in {now}",
                   .facts = {{"bytes", number(differ), "byte"},
                             {"part", Value::text(part)},
                             {"now", Value::text(now)}}});
  }
}

void compare_d88_headers(const D88Read& a, const D88Read& b, Findings& out) {
  if (!a.header_whole || !b.header_whole) return;
  const D88Header &first = a.header, &second = b.header;
  auto name = [](const D88Header& h) {
    return Value::name(std::string(h.name.begin(), h.name.end()));
  };
  if (!std::equal(first.name.begin(), first.name.end(), second.name.begin(), second.name.end()))
    out.push_back(change(at::Header{}, "name", name(first), name(second)));
  if (!std::equal(first.reserved.begin(), first.reserved.end(), second.reserved.begin()))
    out.push_back(change(at::Header{}, "reserved bytes", Value::bytes(first.reserved),
                         Value::bytes(second.reserved)));
  for (auto [field, was, now] :
       {std::tuple{"write protect", first.write_protect, second.write_protect},
        std::tuple{"media type", first.media_type, second.media_type}}) {
    if (was != now)
      out.push_back(change(at::Header{}, field, Value::hex(was, 2), Value::hex(now, 2)));
  }
  if (first.disk_size != second.disk_size)
    out.push_back(change(at::Header{}, "disk size", Value::number(first.disk_size),
                         Value::number(second.disk_size)));
  for (std::size_t entry = 0; entry < first.track_table.size(); ++entry) {
    if (first.track_table[entry] == second.track_table[entry]) continue;
    Finding f =
        change(at::Header{}, "track table entry {entry}", Value::hex(first.track_table[entry], 1),
               Value::hex(second.track_table[entry], 1));
    f.facts = {{"entry", number(entry)}};
    out.push_back(std::move(f));
  }
}

// The loader, the list1 and list2 data and the program, each where its own layout puts it.
void compare_contents(const Disk& a, const Disk& b, Groups& g) {
  const RawDiskRead &first = *a.layout, &second = *b.layout;
  if (first.blocks != second.blocks)
    g.header.findings.push_back(
        change({}, "blocks", Value::number(first.blocks), Value::number(second.blocks)));
  auto blocks = [](std::span<const Byte> raw, int from, int to) {
    return raw.subspan(static_cast<std::size_t>(from) * kBlockSize,
                       static_cast<std::size_t>(to - from) * kBlockSize);
  };
  compare_bytes(blocks(a.raw, 0, 1), blocks(b.raw, 0, 1), "the loader", stretch("the loader"),
                g.memory.findings);
  if (first.program_block == 0 || second.program_block == 0) return;
  // list2's blocks are at most those of the largest list2 region; list1's are at least one.
  constexpr int kMostList2 = kLargestRawDisk.stretches[kList2Stretch].blocks;
  auto list1 = [](int data_blocks) { return std::max(1, data_blocks - kMostList2); };
  compare_data(blocks(a.raw, 1, first.program_block), blocks(b.raw, 1, second.program_block),
               static_cast<std::size_t>(
                   std::min(list1(first.program_block - 1), list1(second.program_block - 1))) *
                   kBlockSize,
               g.memory.findings);
  compare_programs(a.raw, static_cast<std::size_t>(first.program_block) * kBlockSize, b.raw,
                   static_cast<std::size_t>(second.program_block) * kBlockSize, g.lines.findings);
}

void compare_disks(std::span<const Byte> a, ImageFormat fa, std::span<const Byte> b, ImageFormat fb,
                   Groups& g) {
  Disk first = disk_of(a, fa), second = disk_of(b, fb);
  if (first.d88 && second.d88) compare_d88_headers(*first.d88, *second.d88, g.header.findings);
  if (first.layout && second.layout && first.layout->blocks > 0 && second.layout->blocks > 0)
    compare_contents(first, second, g);
  compare_sectors(first, second, g.sectors.findings);
}

const char* format_name(ImageFormat format) {
  switch (format) {
    case ImageFormat::tape:
      return "a tape image";
    case ImageFormat::d88:
      return "a D88 image";
    case ImageFormat::raw_disk:
      return "a raw disk image";
    case ImageFormat::none:
      break;
  }
  return "no image";
}

bool is_disk(ImageFormat format) {
  return format == ImageFormat::d88 || format == ImageFormat::raw_disk;
}

// Where the files differ when nothing else told it: the first byte, or where a D88 image stops
// holding the raw disk image.
std::optional<Finding> any_difference(std::span<const Byte> a, ImageFormat fa,
                                      std::span<const Byte> b, ImageFormat fb) {
  if (fa == ImageFormat::d88 && fb == ImageFormat::raw_disk) return d88_difference(a, b);
  if (fb == ImageFormat::d88 && fa == ImageFormat::raw_disk) return d88_difference(b, a);
  auto [in_a, in_b] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  if (in_a == a.end() && in_b == b.end()) return std::nullopt;
  return Finding{.level = Level::fact,
                 .place = offset_place(static_cast<std::size_t>(in_a - a.begin())),
                 .note = "the files differ from here"};
}

}  // namespace

Comparison compare_images(std::span<const Byte> first, std::span<const Byte> second) {
  Comparison c{recognise_image(first), recognise_image(second), {}};
  ImageFormat fa = c.first.format, fb = c.second.format;
  Groups g;
  if (fa == ImageFormat::tape && fb == ImageFormat::tape) {
    compare_tapes(first, second, g);
  } else if (is_disk(fa) && is_disk(fb)) {
    compare_disks(first, fa, second, fb, g);
  } else {
    c.findings.push_back({.level = Level::fact,
                          .note = "the first is {first}, the second {second}",
                          .facts = {{"first", Value::text(format_name(fa))},
                                    {"second", Value::text(format_name(fb))}}});
    return c;
  }
  for (Group* group : {&g.header, &g.lines, &g.memory, &g.sectors})
    fold(*group, c.findings);
  if (c.findings.empty()) {
    if (std::optional<Finding> any = any_difference(first, fa, second, fb)) {
      any->level = Level::fact;
      c.findings.push_back(*any);
    }
  }
  return c;
}

}  // namespace flyseat
