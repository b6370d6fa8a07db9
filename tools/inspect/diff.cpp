#include "diff.hpp"

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
#include "hfe.hpp"
#include "listing.hpp"

namespace flyseat::inspect {
namespace {

// The differences of each kind, told up to kMostDifferences, then counted.
struct Differences {
  FindingsOfAKind header{"differing header field", "differing header fields", kMostDifferences};
  FindingsOfAKind lines{"differing line", "differing lines", kMostDifferences};
  FindingsOfAKind memory{"differing byte run", "differing byte runs", kMostDifferences};
  FindingsOfAKind sectors{"differing sector", "differing sectors", kMostDifferences};
};

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
                   const PlaceOfRun& place_of, FindingsOfAKind& out) {
  std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common;) {
    std::size_t end = i;
    while (end < common && end - i < kRunBytes && a[end] != b[end])
      ++end;
    if (end == i) {
      ++i;
      continue;
    }
    out.add([&] {  // only the runs told are made: a large file may differ in thousands
      return change(place_of(i, end - 1), "", Value::bytes(a.subspan(i, end - i)),
                    Value::bytes(b.subspan(i, end - i)));
    });
    i = end;
  }
  if (a.size() != b.size())
    out.add_finding(change({}, "length of " + what, number(a.size()), number(b.size()), "byte"));
}

PlaceOfRun stretch(const std::string& what) {
  return [what](std::size_t first, std::size_t last) {
    return at::Stretch{what, static_cast<std::int64_t>(first), static_cast<std::int64_t>(last)};
  };
}

// The list1 and list2 data: the first `list1` bytes are list1's whatever the lengths, and no
// more than the list1 region holds, which ends with memory.
void compare_data(std::span<const Byte> a, std::span<const Byte> b, std::size_t list1,
                  FindingsOfAKind& out) {
  const std::string what = "the list1 and list2 data";
  list1 = std::min<std::size_t>(list1, kList1Max);
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

// The line records from `start` to the end marker, those whose link field is damaged too: the
// damage is info's to tell, and the lines after it still compare by their numbers.
std::vector<StoredLine> stored_lines(std::span<const Byte> bytes, std::size_t start) {
  std::vector<StoredLine> lines;
  for (LineRecordRead r; (r = read_line_record(bytes, start)).next > start; start = r.next)
    lines.push_back({r.number, r.tokens});
  return lines;
}

Value name_of(std::span<const Byte> name) {
  return Value::name(std::string(name.begin(), name.end()));
}

Value listed(const StoredLine& line) {
  return Value::name(listed_text(line.tokens, false));
}

// Lines matched by number, the k-th of a number in one with the k-th in the other: changed
// where their tokens differ; the rest added or removed. In the order of the line numbers.
void compare_programs(std::span<const Byte> a, std::size_t a_start, std::span<const Byte> b,
                      std::size_t b_start, FindingsOfAKind& out) {
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
    out.add_finding(std::move(finding));
}

// --- Tapes ----------------------------------------------------------------------------------

std::size_t certain_list1(std::size_t data, std::size_t most_list2) {
  return data - std::min(data, most_list2);
}

void compare_tapes(std::span<const Byte> a, std::span<const Byte> b, Differences& d) {
  TapeRead first = decode_tape_image(a), second = decode_tape_image(b);
  if (!std::equal(first.name.begin(), first.name.end(), second.name.begin(), second.name.end()))
    d.header.add_finding(change(offset_place(kTape.leader_size), "tape name", name_of(first.name),
                                name_of(second.name)));
  if (first.kind == ImageKind::main_tape && second.kind == ImageKind::main_tape) {
    compare_programs(a, kTape.header_size, b, kTape.header_size, d.lines);
  } else if (first.kind == ImageKind::data_tape && second.kind == ImageKind::data_tape) {
    std::size_t list1 = std::min(certain_list1(first.payload.size(), kList2Max),
                                 certain_list1(second.payload.size(), kList2Max));
    compare_data(first.payload, second.payload, list1, d.memory);
  } else {
    compare_bytes(first.payload, second.payload, "the payload", stretch("the payload"), d.memory);
  }
}

// --- Disks ----------------------------------------------------------------------------------

constexpr auto kSectorSize = static_cast<std::size_t>(kDisk.sector_size);

// A disk image as a D88 image holds it: the data of its sectors in disk order (of a raw disk
// image, its sectors, then the fill), and the raw disk image it holds with its layout.
struct Disk {
  std::vector<Byte> of_hfe;  // the D88 image of an HFE image's sectors
  std::optional<D88Read> d88;
  std::vector<Byte> sectors;
  int whole_sectors = 0;
  std::span<const Byte> raw;
  std::vector<Byte> held;
  std::optional<RawDiskRead> layout;  // when it holds a raw disk image of whole tracks
};

Disk disk_of(std::span<const Byte> file, ImageKind kind) {
  Disk disk;
  if (kind == ImageKind::hfe) {  // as the D88 image of the sectors it holds
    disk.of_hfe = check_hfe(file).d88;
    file = disk.of_hfe;
    kind = ImageKind::d88;
  }
  if (kind == ImageKind::d88) {
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
  disk.sectors.assign(kDiskBytes, kD88Fill);
  std::size_t whole = std::min(file.size() / kSectorSize, static_cast<std::size_t>(kDiskSectors));
  std::copy_n(file.begin(), whole * kSectorSize, disk.sectors.begin());
  return disk;
}

// What sector s holds, by the layout of the raw disk image.
std::string part_of(const Disk& disk, int s) {
  if (!disk.layout) return "the disk";
  int block = s / kDisk.sectors;
  if (block >= disk.layout->blocks) return "the fill";
  if (block < kLoaderBlocks) return "the loader";
  if (disk.layout->program_block == 0) return "the raw disk image";
  return block < disk.layout->program_block ? "the list1 and list2 data" : "the program";
}

std::span<const Byte> sector_header_bytes(const D88Read& d88, int s) {
  return d88.file.subspan(static_cast<std::size_t>(sector_record_offset(s)),
                          kD88.sector_header_size);
}

void compare_sectors(const Disk& a, const Disk& b, FindingsOfAKind& out) {
  for (int s = 0; s < std::max(a.whole_sectors, b.whole_sectors); ++s) {
    if (s >= a.whole_sectors || s >= b.whole_sectors) {
      const char* holder = s < a.whole_sectors ? "first" : "second";
      out.add_finding({.level = Level::fact,
                       .place = sector_at(s),
                       .note = format("only the %s file holds it whole", holder),
                       .facts = {{"holder", Value::text(holder)}}});
      continue;
    }
    if (a.d88 && b.d88) {
      std::span<const Byte> first = sector_header_bytes(*a.d88, s),
                            second = sector_header_bytes(*b.d88, s);
      if (!std::equal(first.begin(), first.end(), second.begin(), second.end()))
        out.add_finding(change(sector_at(s), "header", Value::bytes(first), Value::bytes(second)));
    }
    auto at = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(s) * kSectorSize);
    auto differ = std::inner_product(a.sectors.begin() + at, a.sectors.begin() + at + kSectorSize,
                                     b.sectors.begin() + at, std::size_t{0}, std::plus<>(),
                                     std::not_equal_to<>());
    if (differ == 0) continue;
    std::string part = part_of(a, s), now = part_of(b, s);
    std::string note = format("%s %s, in %s", count_of(differ, "byte").c_str(),
                              differ == 1 ? "differs" : "differ", part.c_str());
    out.add_finding({.level = Level::fact,
                     .place = sector_at(s),
                     .note = part == now ? note : note + ", now in " + now,
                     .facts = {{"bytes", number(differ), "byte"},
                               {"part", Value::text(part)},
                               {"now", Value::text(now)}}});
  }
}

// Every byte of the header, of the name too: it runs to its last byte that is not zero.
void compare_d88_headers(const D88Read& a, const D88Read& b, FindingsOfAKind& out) {
  if (!a.header_whole || !b.header_whole) return;
  const D88Header &first = a.header, &second = b.header;
  if (!std::equal(first.name.begin(), first.name.end(), second.name.begin(), second.name.end()))
    out.add_finding(change(at::Header{}, "name", name_of(first.name), name_of(second.name)));
  if (!std::equal(first.reserved.begin(), first.reserved.end(), second.reserved.begin()))
    out.add_finding(change(at::Header{}, "reserved bytes", Value::bytes(first.reserved),
                           Value::bytes(second.reserved)));
  for (auto [field, was, now] :
       {std::tuple{"write protect", first.write_protect, second.write_protect},
        std::tuple{"media type", first.media_type, second.media_type}}) {
    if (was != now)
      out.add_finding(change(at::Header{}, field, Value::hex(was, 2), Value::hex(now, 2)));
  }
  if (first.disk_size != second.disk_size)
    out.add_finding(change(at::Header{}, "disk size", Value::number(first.disk_size),
                           Value::number(second.disk_size)));
  for (std::size_t entry = 0; entry < first.track_table.size(); ++entry) {
    if (first.track_table[entry] == second.track_table[entry]) continue;
    Finding f =
        change(at::Header{}, format("track table entry %zu", entry),
               Value::hex(first.track_table[entry], 1), Value::hex(second.track_table[entry], 1));
    f.facts = {{"entry", number(entry)}};
    out.add_finding(std::move(f));
  }
}

// The loader, the list1 and list2 data and the program, each where its own layout puts it.
void compare_contents(const Disk& a, const Disk& b, Differences& d) {
  const RawDiskRead &first = *a.layout, &second = *b.layout;
  if (first.blocks != second.blocks)
    d.header.add_finding(
        change({}, "blocks", Value::number(first.blocks), Value::number(second.blocks)));
  auto blocks = [](std::span<const Byte> raw, int from, int to) {
    return raw.subspan(static_cast<std::size_t>(from) * kBlockSize,
                       static_cast<std::size_t>(to - from) * kBlockSize);
  };
  compare_bytes(blocks(a.raw, 0, 1), blocks(b.raw, 0, 1), "the loader", stretch("the loader"),
                d.memory);
  if (first.program_block == 0 || second.program_block == 0) return;
  // list2's blocks are at most those of the largest list2 region; list1's are at least one.
  constexpr int kMostList2 = kLargestLayout.stretches[kList2Stretch].blocks;
  auto list1 = [](int data_blocks) { return std::max(1, data_blocks - kMostList2); };
  compare_data(blocks(a.raw, 1, first.program_block), blocks(b.raw, 1, second.program_block),
               static_cast<std::size_t>(
                   std::min(list1(first.program_block - 1), list1(second.program_block - 1))) *
                   kBlockSize,
               d.memory);
  compare_programs(a.raw, static_cast<std::size_t>(first.program_block) * kBlockSize, b.raw,
                   static_cast<std::size_t>(second.program_block) * kBlockSize, d.lines);
}

void compare_disks(std::span<const Byte> a, ImageKind ka, std::span<const Byte> b, ImageKind kb,
                   Differences& d) {
  Disk first = disk_of(a, ka), second = disk_of(b, kb);
  if (first.d88 && second.d88) compare_d88_headers(*first.d88, *second.d88, d.header);
  if (first.layout && second.layout && first.layout->blocks > 0 && second.layout->blocks > 0)
    compare_contents(first, second, d);
  compare_sectors(first, second, d.sectors);
}

// Where the files differ when nothing else told it: the first byte, or where a D88 image stops
// holding the raw disk image.
std::optional<Finding> any_difference(std::span<const Byte> a, ImageKind ka,
                                      std::span<const Byte> b, ImageKind kb) {
  if (ka == ImageKind::d88 && kb == ImageKind::raw_disk) return d88_difference(a, b);
  if (kb == ImageKind::d88 && ka == ImageKind::raw_disk) return d88_difference(b, a);
  auto [in_a, in_b] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  if (in_a == a.end() && in_b == b.end()) return std::nullopt;
  return Finding{.place = offset_place(static_cast<std::size_t>(in_a - a.begin())),
                 .note = "the files differ from here"};
}

}  // namespace

const char* kind_words(ImageKind kind) {
  if (is_tape(kind)) return "a tape image";
  if (kind == ImageKind::d88) return "a D88 image";
  if (kind == ImageKind::raw_disk) return "a raw disk image";
  if (kind == ImageKind::hfe) return "an HFE image";
  return "no image";
}

Findings compare_images(std::span<const Byte> first, std::span<const Byte> second) {
  ImageKind ka = recognise_image(first).kind, kb = recognise_image(second).kind;
  Differences d;
  if (is_tape(ka) && is_tape(kb)) {
    compare_tapes(first, second, d);
  } else if (is_disk(ka) && is_disk(kb)) {
    compare_disks(first, ka, second, kb, d);
  } else {
    return {{.level = Level::fact,
             .note = format("the first is %s, the second %s", kind_words(ka), kind_words(kb)),
             .facts = {{"first", Value::text(kind_words(ka))},
                       {"second", Value::text(kind_words(kb))}}}};
  }
  Findings found;
  for (const FindingsOfAKind* kind : {&d.header, &d.lines, &d.memory, &d.sectors}) {
    Findings told = kind->folded(Level::fact);
    found.insert(found.end(), told.begin(), told.end());
  }
  if (found.empty()) {
    if (std::optional<Finding> any = any_difference(first, ka, second, kb)) {
      any->level = Level::fact;
      found.push_back(*any);
    }
  }
  return found;
}

DiffReport diff_files(const NamedFile& first, const NamedFile& second) {
  DiffReport report;
  InfoReport described = describe_files({first, second});
  FindingsOfAKind damage{"problem", "problems", kMostDifferences};
  for (std::size_t i = 0; i < report.files.size(); ++i) {
    report.files[i] = std::move(described.files[i]);
    const FileDescription& f = report.files[i];
    if (!is_tape(f.description.kind) && !is_disk(f.description.kind)) {
      Finding problem = f.description.problems.front();
      problem.file = f.file;
      report.problems.push_back(problem);
      continue;
    }
    for (Finding problem : f.description.problems) {
      problem.file = f.file;
      damage.add_finding(std::move(problem));
    }
  }
  report.damage = damage.folded(Level::warning);
  if (report.problems.empty())
    report.difference = compare_images(first.read.bytes, second.read.bytes);
  return report;
}

bool alike(ImageKind first, ImageKind second) {
  return (is_tape(first) && first == second) || (is_disk(first) && is_disk(second));
}

}  // namespace flyseat::inspect
