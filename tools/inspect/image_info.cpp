// Recognising and checking the images a build writes: the tape images by their leader, the
// D88 image by its header, the raw disk image by its blocks and the program in its last ones.
#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include "flyseat/basic.hpp"
#include "flyseat/d88.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/little_endian.hpp"
#include "flyseat/output.hpp"
#include "inspect.hpp"
#include "text.hpp"

namespace flyseat::inspect {
namespace {

constexpr int kFewestBlocks = kSmallestRawDisk.blocks;
constexpr int kMostBlocks = kLargestRawDisk.blocks;
constexpr int kMostDataBlocks = kLargestRawDisk.stretches[kList1Stretch].blocks +
                                kLargestRawDisk.stretches[kList2Stretch].blocks;
constexpr int kMostProgramBlocks = kLargestRawDisk.stretches[kProgramStretch].blocks;

bool all_are(std::span<const Byte> bytes, Byte value) {
  return std::all_of(bytes.begin(), bytes.end(), [value](Byte b) { return b == value; });
}

// A tape image begins with its leader; the tape name follows it.
bool has_tape_leader(std::span<const Byte> file) {
  return file.size() >= kTapeLeaderSize && all_are(file.first(kTapeLeaderSize), kTapeLeaderByte);
}

// The tape name of a file that holds a whole tape header.
std::string_view tape_name(std::span<const Byte> file) {
  return std::string_view(reinterpret_cast<const char*>(file.data()) + kTapeLeaderSize,
                          kTapeNameSize);
}

std::size_t at(int offset) {
  return static_cast<std::size_t>(offset);
}

void check_nothing_after(std::span<const Byte> file, const Program& program, Findings& found) {
  std::size_t end = program.end_marker + kEndMarkerSize;
  if (program.ended && file.size() > end) {
    found.problem(format("%s after the end marker at offset %zu",
                         count_of(file.size() - end, "byte").c_str(), program.end_marker));
  }
}

// --- Tape images ----------------------------------------------------------------------------

bool tape_header_whole(std::span<const Byte> file, Findings& found) {
  if (file.size() >= kTapeHeaderSize) return true;
  found.report += format("tape image, %s: its leader and no whole tape name\n",
                         count_of(file.size(), "byte").c_str());
  found.problem(format("tape image cut short inside its header: %zu of %d bytes", file.size(),
                       kTapeHeaderSize));
  return false;
}

void describe_tape(std::span<const Byte> file, ImageKind kind, Findings& found) {
  if (!tape_header_whole(file, found)) return;
  std::string shown = visible(file.subspan(kTapeLeaderSize, kTapeNameSize));
  std::size_t payload = file.size() - kTapeHeaderSize;
  found.report += format("tape image \"%s\", %s: the %d-byte header and %s of payload\n",
                         shown.c_str(), count_of(file.size(), "byte").c_str(), kTapeHeaderSize,
                         count_of(payload, "byte").c_str());
  found.fact("tape_name", shown);
  found.fact("payload", static_cast<std::int64_t>(payload));
  if (kind == ImageKind::data_tape) {
    found.report += "  payload: the list1 region, then the list2 region\n";
    if (payload > static_cast<std::size_t>(kMaxDataTapeSize - kTapeHeaderSize)) {
      found.problem(
          format("payload of %zu bytes is more than the list1 and list2 regions hold (%d)", payload,
                 kMaxDataTapeSize - kTapeHeaderSize));
    }
  } else if (kind == ImageKind::main_tape) {
    Program program = walk_program(file, kTapeHeaderSize, found);
    check_nothing_after(file, program, found);
    if (program.ended) {
      found.report += format("  program: %s, the end marker at offset %zu\n",
                             count_of(program.lines.size(), "line").c_str(), program.end_marker);
      found.fact("program_lines", static_cast<std::int64_t>(program.lines.size()));
      found.fact("end_marker", static_cast<std::int64_t>(program.end_marker));
    }
  } else {
    found.problem(format("tape name \"%s\" is neither \"%s\" nor \"%s\"", shown.c_str(),
                         kDataTapeTitle.data(), kMainTapeTitle.data()));
  }
}

// --- Raw disk image -------------------------------------------------------------------------

struct RawDiskFound {
  int blocks = 0;
  std::size_t loader_bytes = 0;  // before the 0xFF fill of block 0
  int program_block = 0;         // 0: no program found
  Program program;
};

// A program as a build writes it from block `b` to the end: line records and the end marker in
// exactly the blocks the block rule gives them. Zero bytes after it are checked apart.
bool program_fits_blocks(std::span<const Byte> image, int blocks, int b, Program& program) {
  std::size_t start = static_cast<std::size_t>(b) * kBlockSize;
  Findings quiet;
  program = walk_program(image, start, quiet);
  if (!program.ended) return false;
  auto length = static_cast<std::int32_t>(program.end_marker + kEndMarkerSize - start);
  return block_count(length) == blocks - b;
}

void check_zero_after_program(std::span<const Byte> image, const Program& program,
                              Findings& found) {
  std::size_t end = program.end_marker + kEndMarkerSize;
  auto stray = std::find_if(image.begin() + static_cast<std::ptrdiff_t>(end), image.end(),
                            [](Byte b) { return b != 0; });
  if (stray == image.end()) return;
  found.problem(
      format("byte at offset %td after the end marker is 0x%02X; a build leaves zero "
             "bytes there to the end of the image",
             stray - image.begin(), *stray));
}

// Checks the rules that every raw disk image of a build keeps: whole blocks, 4 to 29 of them,
// the program in the last blocks and nothing but zero bytes after its end marker.
RawDiskFound read_raw_disk(std::span<const Byte> image, Findings& found) {
  RawDiskFound layout;
  layout.blocks = static_cast<int>(image.size() / kBlockSize);
  std::span<const Byte> loader = image.first(std::min(image.size(), std::size_t{kBlockSize}));
  auto last_loaded =
      std::find_if(loader.rbegin(), loader.rend(), [](Byte b) { return b != kLoaderFill; });
  layout.loader_bytes = static_cast<std::size_t>(loader.rend() - last_loaded);
  if (layout.blocks < kFewestBlocks || layout.blocks > kMostBlocks) {
    found.problem(format("%s: a build writes %d to %d", count_of(layout.blocks, "block").c_str(),
                         kFewestBlocks, kMostBlocks));
    return layout;
  }
  // The program takes at most the blocks of a full program buffer.
  int first = std::max(kSmallestRawDisk.stretches[kProgramStretch].first_block,
                       layout.blocks - kMostProgramBlocks);
  for (int b = first; b < layout.blocks && layout.program_block == 0; ++b) {
    Program program;
    if (program_fits_blocks(image, layout.blocks, b, program)) {
      layout.program_block = b;
      layout.program = std::move(program);
    }
  }
  if (layout.program_block == 0) {
    found.problem(
        "its last blocks hold no program as a build writes it: line records with the link field "
        "0xFFFF, then the end marker, in as many blocks as the block rule gives them");
    return layout;
  }
  check_zero_after_program(image, layout.program, found);
  if (layout.program_block - 1 > kMostDataBlocks) {
    found.problem(format("%s of list1 and list2 data: a build writes at most %d",
                         count_of(layout.program_block - 1, "block").c_str(), kMostDataBlocks));
  }
  return layout;
}

void report_raw_disk(const RawDiskFound& layout, const char* indent, Findings& found) {
  std::size_t fill = kBlockSize - layout.loader_bytes;
  found.report +=
      format("%sblock 0: the loader, %s", indent, count_of(layout.loader_bytes, "byte").c_str());
  found.report +=
      fill > 0 ? format(", then %s of 0x%02X fill\n", count_of(fill, "byte").c_str(), kLoaderFill)
               : "\n";
  found.fact("loader_bytes", static_cast<std::int64_t>(layout.loader_bytes));
  found.fact("blocks", static_cast<std::int64_t>(layout.blocks));
  if (layout.program_block == 0) return;
  found.report += format("%s%s: the list1 and list2 regions\n", indent,
                         span_of("block", 1, layout.program_block - 1).c_str());
  found.report +=
      format("%s%s: the program, %s, the end marker at offset %zu\n", indent,
             span_of("block", layout.program_block, layout.blocks - 1).c_str(),
             count_of(layout.program.lines.size(), "line").c_str(), layout.program.end_marker);
  found.fact("program_block", static_cast<std::int64_t>(layout.program_block));
  found.fact("program_lines", static_cast<std::int64_t>(layout.program.lines.size()));
  found.fact("end_marker", static_cast<std::int64_t>(layout.program.end_marker));
}

// --- D88 image ------------------------------------------------------------------------------

bool looks_like_d88(std::span<const Byte> file) {
  std::size_t table = at(kD88.table_offset);
  return file.size() >= table + kD88.table_entry_size &&
         (read_u32(file, at(kD88.disk_size_offset)) == file.size() ||
          read_u32(file, table) == static_cast<std::uint32_t>(kD88.header_size));
}

// The D88 image a build makes of an empty raw disk image: every header and table entry as a
// build writes them, for the checks to compare with.
std::span<const Byte> reference_d88() {
  static const std::unique_ptr<D88Image> image = [] {
    auto made = std::make_unique<D88Image>();
    encode_d88_image({}, *made);
    return made;
  }();
  return *image;
}

void check_d88_header(std::span<const Byte> file, Findings& found) {
  constexpr D88HeaderFields f = kD88Header;
  std::span<const Byte> expected = reference_d88();
  std::span<const Byte> name = file.subspan(at(f.name), at(f.name_size));
  auto name_end = std::find(name.begin(), name.end(), Byte{0});
  std::uint32_t disk_size = read_u32(file, at(kD88.disk_size_offset));
  found.report +=
      format("  header: name \"%s\", write protect 0x%02X, media type 0x%02X, disk size %u\n",
             visible(name.first(static_cast<std::size_t>(name_end - name.begin()))).c_str(),
             file[at(f.write_protect)], file[at(f.media_type)], disk_size);
  for (std::size_t i = at(f.reserved); i < at(f.reserved + f.reserved_size); ++i) {
    if (file[i] != expected[i]) {
      found.problem(format("header: reserved byte 0x%02zX is 0x%02X, expected 0x%02X", i, file[i],
                           expected[i]));
    }
  }
  std::size_t media = at(f.media_type);
  if (file[media] != expected[media]) {
    found.problem(
        format("header: media type is 0x%02X, expected 0x%02X", file[media], expected[media]));
  }
  std::uint32_t expected_size = read_u32(expected, at(kD88.disk_size_offset));
  if (disk_size != expected_size) {
    found.problem(format("header: disk size is %u, expected %u", disk_size, expected_size));
  }
  if (file.size() != kD88Size) {
    found.problem(format("the file is %zu bytes, expected %d", file.size(), kD88Size));
  }
}

void check_track_table(std::span<const Byte> file, Findings& found) {
  std::size_t problems_before = found.problems.size();
  for (int entry = 0; entry < kD88.table_entries; ++entry) {
    std::uint32_t offset = read_u32(file, at(track_table_offset(entry)));
    std::uint32_t expected = read_u32(reference_d88(), at(track_table_offset(entry)));
    if (offset != expected) {
      found.problem(format("track table entry %d is 0x%X, expected 0x%X", entry, offset, expected));
    }
  }
  if (found.problems.size() != problems_before) return;
  found.report += format(
      "  track table: %d tracks, the first at offset %d, %d bytes apart; the other %d entries 0\n",
      kDiskTracks, kD88.header_size, kTrackSize, kD88.table_entries - kDiskTracks);
}

int byte_field(std::span<const Byte> header, int offset) {
  return header[at(offset)];
}
int word_field(std::span<const Byte> header, int offset) {
  return read_u16(header, at(offset));
}

struct SectorField {
  const char* name;
  int offset;
  int (*read)(std::span<const Byte> header, int offset);
};
constexpr SectorField kSectorFields[] = {
    {"C", kD88Sector.c, byte_field},
    {"H", kD88Sector.h, byte_field},
    {"R", kD88Sector.r, byte_field},
    {"N", kD88Sector.n, byte_field},
    {"sector count", kD88Sector.sector_count, word_field},
    {"density", kD88Sector.density, byte_field},
    {"deleted mark", kD88Sector.deleted, byte_field},
    {"status", kD88Sector.status, byte_field},
    {"data size", kD88Sector.data_size, word_field},
};

// Each field of sector s's header against the header a build writes there.
void check_sector_header(std::span<const Byte> header, int s, Findings& found) {
  constexpr D88SectorFields f = kD88Sector;
  std::span<const Byte> built = reference_d88().subspan(at(sector_record_offset(s)), header.size());
  for (const SectorField& field : kSectorFields) {
    int value = field.read(header, field.offset);
    int expected = field.read(built, field.offset);
    if (value != expected) {
      found.problem(format("sector %d: %s is %d, expected %d", s, field.name, value, expected));
    }
  }
  if (!all_are(header.subspan(at(f.reserved), at(f.reserved_size)), 0)) {
    found.problem(format("sector %d: reserved bytes are not zero", s));
  }
}

// Whether bytes are a raw disk image as a build writes it.
bool is_raw_disk_of_a_build(std::span<const Byte> image) {
  Findings quiet;
  read_raw_disk(image, quiet);  // an image with no program has that problem
  return quiet.sound();
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

// "sector 37 (cylinder 2, R 6)": sector s of the disk, counted from 0 in disk order.
std::string sector_name(int s) {
  SectorAddress sector;
  for (int i = 0; i < s; ++i)
    advance_sector(sector);
  return format("sector %d (cylinder %d, R %d)", s, sector.c, sector.r);
}

// Each sector after the raw disk image that is not all 0xFF fill.
void check_fill(std::span<const Byte> data, int with_data, Findings& found) {
  for (int s = with_data; s < kDiskSectors; ++s) {
    std::span<const Byte> bytes = data.subspan(at(s * kD88.sector_size), at(kD88.sector_size));
    auto changed = std::find_if(bytes.begin(), bytes.end(), [](Byte b) { return b != kD88Fill; });
    if (changed == bytes.end()) continue;
    found.problem(format("%s: byte %td of the 0x%02X fill is 0x%02X", sector_name(s).c_str(),
                         changed - bytes.begin(), kD88Fill, *changed));
  }
}

// The sectors in disk order: their headers checked, the data of those before the 0xFF fill
// gathered as the raw disk image they hold. False when the file ends inside a sector.
bool check_sectors(std::span<const Byte> file, Findings& found, std::vector<Byte>& data) {
  int fill_run = 0;  // 0xFF sectors since the last sector with data
  for (int s = 0; s < kDiskSectors; ++s) {
    std::size_t offset = at(sector_record_offset(s));
    if (file.size() < offset + kSectorRecordSize) {
      found.problem(format("the file ends inside %s, whose record starts at offset %zu",
                           sector_name(s).c_str(), offset));
      return false;
    }
    std::span<const Byte> record = file.subspan(offset, kSectorRecordSize);
    check_sector_header(record.first(at(kD88.sector_header_size)), s, found);
    std::span<const Byte> bytes = record.subspan(at(kD88.sector_header_size));
    fill_run = all_are(bytes, kD88Fill) ? fill_run + 1 : 0;
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  int with_data = sectors_with_data(data, kDiskSectors - fill_run);
  check_fill(data, with_data, found);
  data.resize(static_cast<std::size_t>(with_data) * kD88.sector_size);
  found.report += format(
      "  sectors: %d of %d with data (%s), then %d of 0x%02X fill\n", with_data, kDiskSectors,
      with_data % kD88.sectors == 0 ? count_of(with_data / kD88.sectors, "whole track").c_str()
                                    : "not whole tracks",
      kDiskSectors - with_data, kD88Fill);
  found.fact("sectors_with_data", static_cast<std::int64_t>(with_data));
  if (with_data % kD88.sectors != 0) {
    found.problem(format("the sectors with data end inside track %d; a build copies whole tracks",
                         with_data / kD88.sectors));
    return false;
  }
  return true;
}

// Checks the D88 image and gives back the raw disk image it holds, when it holds a whole one.
bool read_d88(std::span<const Byte> file, Findings& found, std::vector<Byte>& raw_disk) {
  found.report += format("D88 image, %s: %d cylinders, %d head, %d sectors of %d bytes a track\n",
                         count_of(file.size(), "byte").c_str(), kD88.cylinders, kD88.heads,
                         kD88.sectors, kD88.sector_size);
  if (file.size() < at(kD88.header_size)) {
    found.problem(format("the file ends inside the %d-byte header, at %zu bytes", kD88.header_size,
                         file.size()));
    return false;
  }
  check_d88_header(file, found);
  check_track_table(file, found);
  return check_sectors(file, found, raw_disk);
}

void describe_d88(std::span<const Byte> file, Findings& found) {
  std::vector<Byte> raw_disk;
  if (!read_d88(file, found, raw_disk)) return;
  found.report += format("  the raw disk image it holds: %s\n",
                         count_of(raw_disk.size() / kBlockSize, "block").c_str());
  report_raw_disk(read_raw_disk(raw_disk, found), "    ", found);
}

const char* const kNotAnImage =
    "not an image of a build: no tape leader, no D88 header, and %s is not a whole "
    "number of %d-byte blocks";

}  // namespace

ImageKind recognise(std::span<const Byte> file) {
  if (file.empty()) return ImageKind::empty;
  if (has_tape_leader(file)) {
    std::string_view name = file.size() < kTapeHeaderSize ? "" : tape_name(file);
    return name == kDataTapeTitle   ? ImageKind::data_tape
           : name == kMainTapeTitle ? ImageKind::main_tape
                                    : ImageKind::foreign_tape;
  }
  if (looks_like_d88(file)) return ImageKind::d88;
  if (file.size() % kBlockSize == 0) return ImageKind::raw_disk;
  return ImageKind::unknown;
}

const char* kind_name(ImageKind kind) {
  constexpr const char* kNames[] = {"empty", "data-tape", "main-tape", "tape",
                                    "d88",   "raw-disk",  "unknown",   "unreadable"};  // by enum
  static_assert(std::size(kNames) == static_cast<std::size_t>(ImageKind::unreadable) + 1);
  return kNames[static_cast<int>(kind)];
}

void describe_image(std::span<const Byte> file, const Checksums& checksums, Findings& found) {
  ImageKind kind = recognise(file);
  found.fact("kind", std::string(kind_name(kind)));
  found.fact("size", static_cast<std::int64_t>(file.size()));
  switch (kind) {
    case ImageKind::empty:
      found.problem("empty file");
      return;
    case ImageKind::data_tape:
    case ImageKind::main_tape:
    case ImageKind::foreign_tape:
      describe_tape(file, kind, found);
      break;
    case ImageKind::d88:
      describe_d88(file, found);
      break;
    case ImageKind::raw_disk:
      found.report +=
          format("raw disk image, %s: %s of %d bytes\n", count_of(file.size(), "byte").c_str(),
                 count_of(file.size() / kBlockSize, "block").c_str(), kBlockSize);
      report_raw_disk(read_raw_disk(file, found), "  ", found);
      break;
    case ImageKind::unknown:
    case ImageKind::unreadable:  // not recognised from content
      found.report +=
          format("%s, not an image of a build\n", count_of(file.size(), "byte").c_str());
      found.problem(format(kNotAnImage, count_of(file.size(), "byte").c_str(), kBlockSize));
  }
  if (!checksums.crc32.empty()) {
    found.report += "  CRC-32 " + checksums.crc32 + "\n";
    found.fact("crc32", checksums.crc32);
  }
  if (!checksums.sha1.empty()) {
    found.report += "  SHA-1 " + checksums.sha1 + "\n";
    found.fact("sha1", checksums.sha1);
  }
}

Program find_program(std::span<const Byte> file, bool raw, Findings& found) {
  ImageKind kind = recognise(file);
  if (kind == ImageKind::empty) {
    found.problem("empty file");
    return {};
  }
  if (raw && has_tape_leader(file)) {
    found.problem("a tape image, not a file of line records: list it without --raw");
    return {};
  }
  if (raw || kind == ImageKind::main_tape) {
    Program program = walk_program(file, raw ? 0 : kTapeHeaderSize, found);
    check_nothing_after(file, program, found);
    return program;
  }
  if (kind == ImageKind::data_tape) {
    found.problem("a data tape image holds no program");
    return {};
  }
  if (kind == ImageKind::unknown) {
    found.problem(format(kNotAnImage, count_of(file.size(), "byte").c_str(), kBlockSize) +
                  " (use --raw for a file of line records)");
    return {};
  }
  Findings checks;         // their report is not wanted here, their problems are
  std::vector<Byte> held;  // the raw disk image in a D88 image's sectors
  RawDiskFound layout;
  if (kind == ImageKind::foreign_tape) {
    describe_tape(file, kind, checks);
  } else if (kind == ImageKind::raw_disk) {
    layout = read_raw_disk(file, checks);
  } else if (read_d88(file, checks, held)) {
    layout = read_raw_disk(held, checks);
  }
  found.problems.insert(found.problems.end(), checks.problems.begin(), checks.problems.end());
  return layout.program;
}

std::string d88_difference(std::span<const Byte> d88, std::span<const Byte> raw_disk) {
  // What a build writes from this raw disk image, by the build's own encoder.
  auto expected = std::make_unique<D88Image>();
  try {
    encode_d88_image(raw_disk, *expected);
  } catch (const Failure& failure) {
    return failure.message();
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

std::vector<InfoLine> info_lines(const InfoReport& report) {
  std::vector<InfoLine> lines;
  for (const FileFindings& f : report.files) {
    if (!f.found.report.empty()) lines.push_back({false, f.file, f.file + ": " + f.found.report});
    for (const std::string& problem : shown_problems(f.found.problems))
      lines.push_back({true, f.file, problem});
  }
  for (const HeldImage& h : report.held) {
    lines.push_back(h.difference.empty() ? InfoLine{false, h.d88, h.holds() + "\n"}
                                         : InfoLine{true, h.d88, h.problem()});
  }
  return lines;
}

std::string HeldImage::holds() const {
  return d88 + " holds " + raw_disk + " sector for sector";
}

std::string HeldImage::problem() const {
  return "does not hold " + raw_disk + ": " + difference;
}

bool InfoReport::sound() const {
  return std::all_of(files.begin(), files.end(),
                     [](const FileFindings& f) { return f.found.sound(); }) &&
         std::all_of(held.begin(), held.end(),
                     [](const HeldImage& h) { return h.difference.empty(); });
}

InfoReport describe_files(const std::vector<NamedFile>& files) {
  InfoReport report;
  for (const NamedFile& file : files) {
    Findings found;
    if (file.read.status == ReadStatus::read) {
      describe_image(file.read.bytes, file.read.checksums, found);
    } else {
      found.fact("kind", std::string(kind_name(ImageKind::unreadable)));
      found.problem(read_problem(file.read, kMaxInspectSize));
    }
    report.files.push_back({file.name, std::move(found)});
  }
  auto readable = [&files](std::size_t i, ImageKind kind) {
    return files[i].read.status == ReadStatus::read && recognise(files[i].read.bytes) == kind;
  };
  for (std::size_t d = 0; d < files.size(); ++d) {
    for (std::size_t r = 0; r < files.size(); ++r) {
      if (!readable(d, ImageKind::d88) || !readable(r, ImageKind::raw_disk)) continue;
      report.held.push_back(
          {files[d].name, files[r].name, d88_difference(files[d].read.bytes, files[r].read.bytes)});
    }
  }
  return report;
}

}  // namespace flyseat::inspect
