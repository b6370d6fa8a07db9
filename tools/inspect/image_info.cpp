// `info` and `list` of the images a build writes: the core's decoders read each image, and each
// thing they find is held against what a build writes there.
#include <algorithm>
#include <iterator>
#include <memory>
#include <type_traits>
#include <vector>

#include "flyseat/basic.hpp"
#include "flyseat/d88.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"
#include "inspect.hpp"
#include "text.hpp"

namespace flyseat::inspect {
namespace {

using Problems = std::vector<std::string>;

constexpr int kMostDataBlocks = kLargestRawDisk.stretches[kList1Stretch].blocks +
                                kLargestRawDisk.stretches[kList2Stretch].blocks;

std::size_t at(int offset) {
  return static_cast<std::size_t>(offset);
}

bool all_are(std::span<const Byte> bytes, Byte value) {
  return std::all_of(bytes.begin(), bytes.end(), [value](Byte b) { return b == value; });
}

const char* const kNotAnImage =
    "not an image of a build: no tape leader, no D88 header, and %s is not a whole "
    "number of %d-byte blocks";

// "sector 37 (cylinder 2, R 6)": sector s of the disk, counted from 0 in disk order.
std::string sector_name(int s) {
  SectorAddress sector = sector_address(s);
  return format("sector %d (cylinder %d, R %d)", s, sector.c, sector.r);
}

// Bytes after a whole end marker, where a build writes none.
void check_nothing_after(std::span<const Byte> file, const ProgramRead& program,
                         Problems& problems) {
  std::size_t end = program.at + kEndMarkerSize;
  if (program.stop == ProgramRead::ended && file.size() > end) {
    problems.push_back(format("%s after the end marker at offset %zu",
                              count_of(file.size() - end, "byte").c_str(), program.at));
  }
}

// --- Tape images ----------------------------------------------------------------------------

TapeFacts describe_tape(std::span<const Byte> file, const TapeRead& tape, Description& d) {
  if (tape.kind == TapeRead::cut_short) {
    d.problems.push_back(format("tape image cut short inside its header: %zu of %d bytes",
                                file.size(), kTape.header_size));
    return {.whole_header = false, .name = {}, .payload = 0, .program = {}};
  }
  TapeFacts facts{.whole_header = true,
                  .name = visible(tape.name),
                  .payload = tape.payload.size(),
                  .program = {}};
  constexpr std::size_t kMostPayload = kMaxDataTapeSize - kTape.header_size;
  if (tape.kind == TapeRead::data_tape && facts.payload > kMostPayload) {
    d.problems.push_back(
        format("payload of %zu bytes is more than the list1 and list2 regions hold (%zu)",
               facts.payload, kMostPayload));
  } else if (tape.kind == TapeRead::main_tape) {
    d.program_at = kTape.header_size;
    ProgramRead read = read_program(file, kTape.header_size);
    if (read.stop != ProgramRead::ended) d.problems.push_back(program_problem(file, read));
    check_nothing_after(file, read, d.problems);
    if (read.stop == ProgramRead::ended) facts.program = ProgramFacts{read.lines, read.at};
  } else if (tape.kind == TapeRead::other_tape) {
    d.problems.push_back(format("tape name \"%s\" is neither \"%s\" nor \"%s\"", facts.name.c_str(),
                                kDataTapeTitle.data(), kMainTapeTitle.data()));
  }
  return facts;
}

// --- Raw disk image -------------------------------------------------------------------------

// Holds the raw disk image against the rules that every one of a build keeps: whole blocks, 4
// to 29 of them, the program in the last blocks and nothing but zero bytes after its end
// marker, at most 19 blocks of data before it.
RawDiskFacts describe_raw_disk(std::span<const Byte> image, Problems& problems) {
  RawDiskRead disk = decode_raw_disk_image(image);
  RawDiskFacts facts{disk.blocks, disk.loader_bytes, 0, {}};
  if (disk.blocks < kSmallestRawDisk.blocks || disk.blocks > kLargestRawDisk.blocks) {
    problems.push_back(format("%s: a build writes %d to %d",
                              count_of(static_cast<std::size_t>(disk.blocks), "block").c_str(),
                              kSmallestRawDisk.blocks, kLargestRawDisk.blocks));
    return facts;
  }
  if (disk.program_block == 0) {
    problems.push_back(
        "its last blocks hold no program as a build writes it: line records with the link field "
        "0xFFFF, then the end marker, in as many blocks as the block rule gives them");
    return facts;
  }
  facts.program_block = disk.program_block;
  facts.program = {disk.program.lines, disk.program.at};
  if (disk.after_program < image.size()) {
    problems.push_back(
        format("byte at offset %zu after the end marker is 0x%02X; a build leaves zero "
               "bytes there to the end of the image",
               disk.after_program, image[disk.after_program]));
  }
  if (disk.program_block - 1 > kMostDataBlocks) {
    problems.push_back(
        format("%s of list1 and list2 data: a build writes at most %d",
               count_of(static_cast<std::size_t>(disk.program_block - 1), "block").c_str(),
               kMostDataBlocks));
  }
  return facts;
}

// --- D88 image ------------------------------------------------------------------------------

bool looks_like_d88(std::span<const Byte> file) {
  std::size_t table = at(kD88Header.track_table);
  return file.size() >= table + 4 &&
         (read_u32(file, at(kD88Header.disk_size)) == file.size() ||
          read_u32(file, table) == static_cast<std::uint32_t>(kD88.header_size));
}

// The header every build writes, read back as the checks read a file's.
const D88Header& built_header() {
  static const D88HeaderBytes bytes = encode_d88_header();
  static const D88Header header = decode_d88_header(bytes);
  return header;
}

void check_d88_header(const D88Read& d88, Problems& problems) {
  const D88Header& header = d88.header;
  const D88Header& built = built_header();
  for (std::size_t i = 0; i < header.reserved.size(); ++i) {
    if (header.reserved[i] != built.reserved[i]) {
      problems.push_back(format("header: reserved byte 0x%02zX is 0x%02X, expected 0x%02X",
                                at(kD88Header.reserved) + i, header.reserved[i],
                                built.reserved[i]));
    }
  }
  if (header.media_type != built.media_type) {
    problems.push_back(format("header: media type is 0x%02X, expected 0x%02X", header.media_type,
                              built.media_type));
  }
  if (header.disk_size != built.disk_size) {
    problems.push_back(
        format("header: disk size is %u, expected %u", header.disk_size, built.disk_size));
  }
  if (d88.file.size() != kD88Size) {
    problems.push_back(format("the file is %zu bytes, expected %d", d88.file.size(), kD88Size));
  }
}

bool check_track_table(const D88Header& header, Problems& problems) {
  std::size_t before = problems.size();
  for (std::size_t entry = 0; entry < header.track_table.size(); ++entry) {
    std::uint32_t expected = built_header().track_table[entry];
    if (header.track_table[entry] != expected) {
      problems.push_back(format("track table entry %zu is 0x%X, expected 0x%X", entry,
                                header.track_table[entry], expected));
    }
  }
  return problems.size() == before;
}

struct SectorField {
  const char* name;
  int D88SectorHeader::*field;
};
constexpr SectorField kSectorFields[] = {
    {"C", &D88SectorHeader::c},
    {"H", &D88SectorHeader::h},
    {"R", &D88SectorHeader::r},
    {"N", &D88SectorHeader::n},
    {"sector count", &D88SectorHeader::sector_count},
    {"density", &D88SectorHeader::density},
    {"deleted mark", &D88SectorHeader::deleted},
    {"status", &D88SectorHeader::status},
    {"data size", &D88SectorHeader::data_size},
};

// Each field of sector s's header against the header a build writes there.
void check_sector_header(const D88SectorHeader& header, int s, Problems& problems) {
  D88SectorHeader built = built_sector_header(s);
  for (const SectorField& f : kSectorFields) {
    if (header.*f.field != built.*f.field) {
      problems.push_back(
          format("sector %d: %s is %d, expected %d", s, f.name, header.*f.field, built.*f.field));
    }
  }
  if (!all_are(header.reserved, 0)) {
    problems.push_back(format("sector %d: reserved bytes are not zero", s));
  }
}

// Whether bytes are a raw disk image as a build writes it.
bool is_raw_disk_of_a_build(std::span<const Byte> image) {
  Problems quiet;
  describe_raw_disk(image, quiet);  // an image with no program has that problem
  return quiet.empty();
}

// The sectors that hold the raw disk image: those before the 0xFF fill, unless a sector of the
// fill was changed, which the first whole tracks that hold a raw disk image then tell.
int sectors_with_data(std::span<const Byte> data, int before_fill) {
  int tracks = before_fill / kD88.sectors;
  if (before_fill % kD88.sectors == 0 &&
      is_raw_disk_of_a_build(data.first(static_cast<std::size_t>(tracks) * kBlockSize))) {
    return before_fill;
  }
  for (int t = kSmallestRawDisk.blocks; t <= std::min(tracks, kLargestRawDisk.blocks); ++t) {
    if (is_raw_disk_of_a_build(data.first(static_cast<std::size_t>(t) * kBlockSize))) {
      return t * kD88.sectors;
    }
  }
  return before_fill;
}

// Each sector after the raw disk image that is not all 0xFF fill.
void check_fill(std::span<const Byte> data, int with_data, Problems& problems) {
  for (int s = with_data; s < kDiskSectors; ++s) {
    std::span<const Byte> bytes = data.subspan(at(s * kD88.sector_size), at(kD88.sector_size));
    auto changed = std::find_if(bytes.begin(), bytes.end(), [](Byte b) { return b != kD88Fill; });
    if (changed == bytes.end()) continue;
    problems.push_back(format("%s: byte %td of the 0x%02X fill is 0x%02X", sector_name(s).c_str(),
                              changed - bytes.begin(), kD88Fill, *changed));
  }
}

// The sectors in disk order: their headers checked, the data of those before the 0xFF fill
// gathered as the raw disk image they hold, when the file holds every sector.
void check_sectors(const D88Read& d88, D88Facts& facts, Description& d) {
  std::vector<Byte> data;
  int fill_run = 0;  // 0xFF sectors since the last sector with data
  for (int s = 0; s < kDiskSectors; ++s) {
    if (s == d88.whole_sectors) {
      d.problems.push_back(format("the file ends inside %s, whose record starts at offset %d",
                                  sector_name(s).c_str(), sector_record_offset(s)));
      return;
    }
    check_sector_header(d88.sector_header(s), s, d.problems);
    std::span<const Byte> bytes = d88.sector_data(s);
    fill_run = all_are(bytes, kD88Fill) ? fill_run + 1 : 0;
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  int with_data = sectors_with_data(data, kDiskSectors - fill_run);
  check_fill(data, with_data, d.problems);
  facts.sectors_with_data = with_data;
  if (with_data % kD88.sectors != 0) {
    d.problems.push_back(
        format("the sectors with data end inside track %d; a build copies whole tracks",
               with_data / kD88.sectors));
    return;
  }
  data.resize(static_cast<std::size_t>(with_data) * kD88.sector_size);
  facts.held = describe_raw_disk(data, d.problems);
  if (facts.held->program_block != 0)
    d.program_at = static_cast<std::size_t>(facts.held->program_block) * kBlockSize;
  d.held = std::move(data);
}

D88Facts describe_d88(std::span<const Byte> file, Description& d) {
  D88Facts facts;
  D88Read d88 = decode_d88_image(file);
  if (!d88.header_whole) {
    d.problems.push_back(format("the file ends inside the %d-byte header, at %zu bytes",
                                kD88.header_size, file.size()));
    return facts;
  }
  facts.header = d88.header;
  check_d88_header(d88, d.problems);
  facts.table_as_built = check_track_table(d88.header, d.problems);
  check_sectors(d88, facts, d);
  return facts;
}

// --- The report -----------------------------------------------------------------------------

void add_raw_disk_lines(const RawDiskFacts& disk, const char* indent,
                        std::vector<std::string>& lines) {
  std::size_t fill = kBlockSize - disk.loader_bytes;
  lines.push_back(
      format("%sblock 0: the loader, %s", indent, count_of(disk.loader_bytes, "byte").c_str()) +
      (fill > 0 ? format(", then %s of 0x%02X fill", count_of(fill, "byte").c_str(), kLoaderFill)
                : ""));
  if (disk.program_block == 0) return;
  lines.push_back(format("%s%s: the list1 and list2 regions", indent,
                         span_of("block", 1, disk.program_block - 1).c_str()));
  lines.push_back(format("%s%s: the program, %s, the end marker at offset %zu", indent,
                         span_of("block", disk.program_block, disk.blocks - 1).c_str(),
                         count_of(disk.program.lines, "line").c_str(), disk.program.end_marker));
}

void add_lines(const TapeFacts& tape, const Description& d, std::vector<std::string>& lines) {
  std::string size = count_of(*d.size, "byte");
  if (!tape.whole_header) {
    lines.push_back(format("tape image, %s: its leader and no whole tape name", size.c_str()));
    return;
  }
  lines.push_back(format("tape image \"%s\", %s: the %d-byte header and %s of payload",
                         tape.name.c_str(), size.c_str(), kTape.header_size,
                         count_of(tape.payload, "byte").c_str()));
  if (d.kind == ImageKind::data_tape)
    lines.push_back("  payload: the list1 region, then the list2 region");
  if (tape.program) {
    lines.push_back(format("  program: %s, the end marker at offset %zu",
                           count_of(tape.program->lines, "line").c_str(),
                           tape.program->end_marker));
  }
}

void add_lines(const RawDiskFacts& disk, const Description& d, std::vector<std::string>& lines) {
  lines.push_back(format("raw disk image, %s: %s of %d bytes", count_of(*d.size, "byte").c_str(),
                         count_of(static_cast<std::size_t>(disk.blocks), "block").c_str(),
                         kBlockSize));
  add_raw_disk_lines(disk, "  ", lines);
}

void add_lines(const D88Facts& d88, const Description& d, std::vector<std::string>& lines) {
  lines.push_back(format("D88 image, %s: %d cylinders, 1 head, %d sectors of %d bytes a track",
                         count_of(*d.size, "byte").c_str(), kD88.cylinders, kD88.sectors,
                         kD88.sector_size));
  if (d88.header) {
    lines.push_back(
        format("  header: name \"%s\", write protect 0x%02X, media type 0x%02X, disk size %u",
               visible(d88.header->name).c_str(), d88.header->write_protect, d88.header->media_type,
               d88.header->disk_size));
  }
  if (d88.table_as_built) {
    lines.push_back(format(
        "  track table: %d tracks, the first at offset %d, %d bytes apart; the other %d entries 0",
        kDiskTracks, kD88.header_size, kTrackSize, kD88.table_entries - kDiskTracks));
  }
  if (d88.sectors_with_data) {
    int with_data = *d88.sectors_with_data;
    lines.push_back(format(
        "  sectors: %d of %d with data (%s), then %d of 0x%02X fill", with_data, kDiskSectors,
        with_data % kD88.sectors == 0
            ? count_of(static_cast<std::size_t>(with_data / kD88.sectors), "whole track").c_str()
            : "not whole tracks",
        kDiskSectors - with_data, kD88Fill));
  }
  if (d88.held) {
    lines.push_back(format("  the raw disk image it holds: %s",
                           count_of(static_cast<std::size_t>(d88.held->blocks), "block").c_str()));
    add_raw_disk_lines(*d88.held, "    ", lines);
  }
}

}  // namespace

const char* kind_name(ImageKind kind) {
  constexpr const char* kNames[] = {"empty", "data-tape", "main-tape", "tape",
                                    "d88",   "raw-disk",  "unknown",   "unreadable"};  // by enum
  static_assert(std::size(kNames) == static_cast<std::size_t>(ImageKind::unreadable) + 1);
  return kNames[static_cast<int>(kind)];
}

Description describe_image(std::span<const Byte> file, const Checksums& checksums) {
  Description d;
  d.size = file.size();
  d.checksums = checksums;
  TapeRead tape = decode_tape_image(file);
  if (file.empty()) {
    d.kind = ImageKind::empty;
    d.checksums = {};
    d.problems.push_back("empty file");
  } else if (tape.kind != TapeRead::not_a_tape) {
    d.kind = tape.kind == TapeRead::data_tape   ? ImageKind::data_tape
             : tape.kind == TapeRead::main_tape ? ImageKind::main_tape
                                                : ImageKind::foreign_tape;
    d.facts = describe_tape(file, tape, d);
  } else if (looks_like_d88(file)) {
    d.kind = ImageKind::d88;
    d.facts = describe_d88(file, d);
  } else if (file.size() % kBlockSize == 0) {
    d.kind = ImageKind::raw_disk;
    RawDiskFacts disk = describe_raw_disk(file, d.problems);
    if (disk.program_block != 0)
      d.program_at = static_cast<std::size_t>(disk.program_block) * kBlockSize;
    d.facts = disk;
  } else {
    d.kind = ImageKind::unknown;
    d.problems.push_back(format(kNotAnImage, count_of(file.size(), "byte").c_str(), kBlockSize));
  }
  return d;
}

std::vector<std::string> description_lines(const Description& d) {
  std::vector<std::string> lines;
  if (d.kind == ImageKind::unknown)
    lines.push_back(format("%s, not an image of a build", count_of(*d.size, "byte").c_str()));
  std::visit(
      [&](const auto& facts) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(facts)>, std::monostate>)
          add_lines(facts, d, lines);
      },
      d.facts);
  if (!d.checksums.crc32.empty()) lines.push_back("  CRC-32 " + d.checksums.crc32);
  if (!d.checksums.sha1.empty()) lines.push_back("  SHA-1 " + d.checksums.sha1);
  return lines;
}

Listing find_program(std::span<const Byte> file, bool raw) {
  Listing listing;
  if (raw && decode_tape_image(file).kind != TapeRead::not_a_tape) {
    listing.problems.push_back("a tape image, not a file of line records: list it without --raw");
  } else if (raw && file.empty()) {
    listing.problems.push_back("empty file");
  } else if (raw) {
    listing.program = walk_program(file, 0, listing.problems);
    check_nothing_after(file, read_program(file, 0), listing.problems);
  } else {
    Description d = describe_image(file);
    listing.problems = d.problems;
    if (d.kind == ImageKind::data_tape) {
      listing.problems = {"a data tape image holds no program"};
    } else if (d.kind == ImageKind::unknown) {
      listing.problems.back() += " (use --raw for a file of line records)";
    } else if (d.program_at) {
      std::vector<std::string> again;  // the description has them already
      listing.program = walk_program(d.held.empty() ? file : d.held, *d.program_at, again);
    }
  }
  return listing;
}

std::string d88_difference(std::span<const Byte> d88, std::span<const Byte> raw_disk) {
  // What a build writes from this raw disk image, by the build's own encoder.
  auto expected = std::make_unique<D88Image>();
  try {
    encode_d88_image(raw_disk, *expected);
  } catch (const Failure& failure) {
    return problem_of(failure).said();
  }
  std::span<const Byte> written = *expected;
  auto [mine, theirs] = std::mismatch(written.begin(), written.end(), d88.begin(), d88.end());
  if (mine == written.end() && theirs == d88.end()) return {};
  auto offset = static_cast<int>(mine - written.begin());
  if (mine == written.end())
    return count_of(d88.size() - written.size(), "byte") + " more after the last sector";
  if (offset < kD88.header_size) return format("the headers differ at offset %d", offset);
  int s = (offset - kD88.header_size) / kSectorRecordSize;
  return sector_name(s) + (theirs == d88.end() ? " is cut short" : " differs");
}

bool InfoReport::sound() const {
  return std::all_of(files.begin(), files.end(),
                     [](const FileDescription& f) { return f.description.sound(); }) &&
         std::all_of(held.begin(), held.end(),
                     [](const HeldImage& h) { return h.difference.empty(); });
}

InfoReport describe_files(const std::vector<NamedFile>& files) {
  InfoReport report;
  for (const NamedFile& file : files) {
    Description d;
    if (std::optional<Problem> problem = read_problem(file.name, file.read, kMaxInspectSize)) {
      d.problems.push_back(problem->text);
    } else {
      d = describe_image(file.read.bytes, file.read.checksums);
    }
    report.files.push_back({file.name, std::move(d)});
  }
  auto is = [&report](std::size_t i, ImageKind kind) {
    return report.files[i].description.kind == kind;
  };
  for (std::size_t d = 0; d < files.size(); ++d) {
    for (std::size_t r = 0; r < files.size(); ++r) {
      if (!is(d, ImageKind::d88) || !is(r, ImageKind::raw_disk)) continue;
      report.held.push_back(
          {files[d].name, files[r].name, d88_difference(files[d].read.bytes, files[r].read.bytes)});
    }
  }
  return report;
}

std::vector<InfoLine> info_lines(const InfoReport& report) {
  std::vector<InfoLine> lines;
  for (const FileDescription& f : report.files) {
    std::vector<std::string> described = description_lines(f.description);
    for (std::size_t i = 0; i < described.size(); ++i)
      lines.push_back({std::nullopt, i == 0 ? f.file + ": " + described[i] : described[i]});
    for (const std::string& problem : shown_problems(f.description.problems))
      lines.push_back({Problem{f.file, problem}, ""});
  }
  for (const HeldImage& h : report.held) {
    if (h.difference.empty()) {
      lines.push_back({std::nullopt, h.d88 + " holds " + h.raw_disk + " sector for sector"});
    } else {
      lines.push_back({Problem{h.d88, "does not hold " + h.raw_disk + ": " + h.difference}, ""});
    }
  }
  return lines;
}

std::string info_text(const InfoReport& report) {
  std::string text;
  for (const InfoLine& line : info_lines(report))
    text += (line.problem ? line.problem->said() : line.text) + "\n";
  return text;
}

}  // namespace flyseat::inspect
