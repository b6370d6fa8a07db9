// Recognising and checking the images a build writes: the tape images by their leader, the
// D88 image by its header, the raw disk image by its blocks and the program in its last ones.
#include <algorithm>

#include "examine.hpp"
#include "flyseat/d88.hpp"
#include "flyseat/output.hpp"
#include "text.hpp"

namespace flyseat::inspect {
namespace {

constexpr Byte kFill = 0xFF;
constexpr std::size_t kMostProblems = 12;  // listed for one file; the rest are counted

// The smallest raw disk image has the loader block and one block each for list1, list2 and
// the program.
constexpr int kFewestBlocks = 4;

bool all_are(std::span<const Byte> bytes, Byte value) {
  return std::all_of(bytes.begin(), bytes.end(), [value](Byte b) { return b == value; });
}

void problem(Findings& found, std::string text) {
  found.problems.push_back(std::move(text));
}

// --- Tape images ----------------------------------------------------------------------------

void describe_tape(std::span<const Byte> file, Findings& found) {
  if (file.size() < kTapeHeaderSize) {
    problem(found, format("tape image cut short inside its header: %zu of %d bytes", file.size(),
                          kTapeHeaderSize));
    return;
  }
  std::string_view name = tape_name(file);
  std::string shown = visible(file.subspan(kTapeLeaderSize, kTapeNameSize));
  std::size_t payload = file.size() - kTapeHeaderSize;
  found.report += format("tape image \"%s\", %zu bytes: the %d-byte header and %zu of payload\n",
                         shown.c_str(), file.size(), kTapeHeaderSize, payload);
  if (name == kDataTapeTitle) {
    found.report += "  payload: the list1 region, then the list2 region\n";
    if (payload > static_cast<std::size_t>(kList1Max + kList2Max)) {
      problem(found, format("payload of %zu bytes is more than the list1 and list2 regions hold "
                            "(%d)",
                            payload, kList1Max + kList2Max));
    }
  } else if (name == kMainTapeTitle) {
    ProgramSummary program = walk_program(file, kTapeHeaderSize, found, [](const ProgramLine&) {});
    check_nothing_after(file, program, found);
    if (program.ended) {
      found.report += format("  program: %d lines, the end marker at offset %zu\n", program.lines,
                             program.end_marker);
    }
  } else {
    problem(found, format("tape name \"%s\" is neither \"%s\" nor \"%s\"", shown.c_str(),
                          kDataTapeTitle, kMainTapeTitle));
  }
}

// --- D88 image ------------------------------------------------------------------------------

bool looks_like_d88(std::span<const Byte> file) {
  std::size_t table = static_cast<std::size_t>(kD88.table_offset);
  if (file.size() < table + 4) return false;
  return read_u32(file, static_cast<std::size_t>(kD88.disk_size_offset)) == file.size() ||
         read_u32(file, table) == static_cast<std::uint32_t>(kD88.header_size);
}

void check_d88_header(std::span<const Byte> file, Findings& found) {
  constexpr D88HeaderFields f = kD88Header;
  std::span<const Byte> name = file.subspan(f.name, f.name_size);
  auto name_end = std::find(name.begin(), name.end(), Byte{0});
  std::uint32_t disk_size = read_u32(file, static_cast<std::size_t>(kD88.disk_size_offset));
  found.report += format(
      "  header: name \"%s\", write protect 0x%02X, media type 0x%02X, disk "
      "size %u\n",
      visible(name.first(static_cast<std::size_t>(name_end - name.begin()))).c_str(),
      file[f.write_protect], file[f.media_type], disk_size);
  for (int i = 0; i < f.reserved_size; ++i) {
    Byte b = file[static_cast<std::size_t>(f.reserved + i)];
    if (b != 0) {
      problem(found,
              format("header: reserved byte 0x%02X is 0x%02X, expected 0x00", f.reserved + i, b));
    }
  }
  if (file[f.media_type] != 0) {
    problem(found, format("header: media type is 0x%02X, expected 0x00", file[f.media_type]));
  }
  if (disk_size != kD88Size) {
    problem(found, format("header: disk size is %u, expected %d", disk_size, kD88Size));
  }
  if (file.size() != kD88Size) {
    problem(found, format("the file is %zu bytes, expected %d", file.size(), kD88Size));
  }
}

std::uint32_t expected_track_offset(int entry) {
  for (int c = 0; c < kD88.cylinders; ++c) {
    for (int h = 0; h < kD88.heads; ++h) {
      if (track_table_entry(c, h) == entry) return static_cast<std::uint32_t>(track_offset(c, h));
    }
  }
  return 0;  // the absent second side and the cylinders past the last
}

void check_track_table(std::span<const Byte> file, Findings& found) {
  std::size_t problems_before = found.problems.size();
  for (int entry = 0; entry < kD88.table_entries; ++entry) {
    std::uint32_t offset = read_u32(file, static_cast<std::size_t>(kD88.table_offset + 4 * entry));
    std::uint32_t expected = expected_track_offset(entry);
    if (offset != expected) {
      problem(found,
              format("track table entry %d is 0x%X, expected 0x%X", entry, offset, expected));
    }
  }
  if (found.problems.size() != problems_before) return;
  found.report += format(
      "  track table: %d tracks, the first at offset %d, %d bytes apart; the "
      "other %d entries 0\n",
      kD88.cylinders * kD88.heads, kD88.header_size, kTrackSize,
      kD88.table_entries - kD88.cylinders * kD88.heads);
}

struct SectorField {
  const char* name;
  int offset;
  int size;  // 1 or 2 bytes
  int expected;
};

void check_sector_header(std::span<const Byte> header, int s, const SectorAddress& at,
                         Findings& found) {
  constexpr D88SectorFields f = kD88Sector;
  const SectorField fields[] = {
      {"C", f.c, 1, at.c},
      {"H", f.h, 1, at.h},
      {"R", f.r, 1, at.r},
      {"N", f.n, 1, at.n},
      {"sector count", f.sector_count, 2, kD88.sectors},
      {"density", f.density, 1, 0},
      {"deleted mark", f.deleted, 1, 0},
      {"status", f.status, 1, 0},
      {"data size", f.data_size, 2, kD88.sector_size},
  };
  for (const SectorField& field : fields) {
    std::size_t offset = static_cast<std::size_t>(field.offset);
    int value = field.size == 1 ? header[offset] : read_u16(header, offset);
    if (value != field.expected) {
      problem(found,
              format("sector %d: %s is %d, expected %d", s, field.name, value, field.expected));
    }
  }
  if (!all_are(header.subspan(static_cast<std::size_t>(f.reserved),
                              static_cast<std::size_t>(f.reserved_size)),
               0)) {
    problem(found, format("sector %d: reserved bytes are not zero", s));
  }
}

void check_sectors(std::span<const Byte> file, Findings& found) {
  SectorAddress at;
  int whole = 0;     // sectors whose record lies in the file
  int fill_run = 0;  // 0xFF sectors since the last sector with data
  for (int s = 0; s < kDiskSectors; ++s, advance_sector(at)) {
    std::size_t offset = static_cast<std::size_t>(sector_record_offset(s));
    if (file.size() < offset + kSectorRecordSize) {
      problem(found, format("the file ends inside sector %d (cylinder %d, R %d), whose record "
                            "starts at offset %zu",
                            s, at.c, at.r, offset));
      break;
    }
    std::span<const Byte> record = file.subspan(offset, kSectorRecordSize);
    check_sector_header(record.first(static_cast<std::size_t>(kD88.sector_header_size)), s, at,
                        found);
    bool fill = all_are(record.subspan(static_cast<std::size_t>(kD88.sector_header_size)), kFill);
    fill_run = fill ? fill_run + 1 : 0;
    ++whole;
  }
  int data = whole - fill_run;
  found.report += format(
      "  sectors: %d of %d; %d with data (%d tracks and %d sectors), then %d "
      "of 0x%02X fill\n",
      whole, kDiskSectors, data, data / kD88.sectors, data % kD88.sectors, fill_run, kFill);
}

void describe_d88(std::span<const Byte> file, Findings& found) {
  found.report += format(
      "D88 image, %zu bytes: %d cylinders, %d head, %d sectors of %d bytes a "
      "track\n",
      file.size(), kD88.cylinders, kD88.heads, kD88.sectors, kD88.sector_size);
  if (file.size() < static_cast<std::size_t>(kD88.header_size)) {
    problem(found, format("the file ends inside the %d-byte header, at %zu bytes", kD88.header_size,
                          file.size()));
    return;
  }
  check_d88_header(file, found);
  check_track_table(file, found);
  check_sectors(file, found);
}

// --- Raw disk image -------------------------------------------------------------------------

// The block where the program begins: the last blocks hold line records closed by the end
// marker, and exactly as many blocks as the block rule gives that stretch. 0 when none does.
// The program takes at most the blocks of a full program buffer, which bounds the search.
int first_program_block(int blocks) {
  return std::max(kFewestBlocks - 1, blocks - block_count(kProgramSize));
}

int program_block(std::span<const Byte> file, int blocks, ProgramSummary& program) {
  for (int b = first_program_block(blocks); b < blocks; ++b) {
    std::size_t start = static_cast<std::size_t>(b) * kBlockSize;
    Findings quiet;
    program = walk_program(file, start, quiet, [](const ProgramLine&) {});
    if (!program.ended) continue;
    auto length = static_cast<std::int32_t>(program.end_marker + kEndMarkerSize - start);
    if (block_count(length) == blocks - b) return b;
  }
  return 0;
}

void describe_raw_disk(std::span<const Byte> file, Findings& found) {
  int blocks = static_cast<int>(file.size() / kBlockSize);
  found.report +=
      format("raw disk image, %zu bytes: %d blocks of %d bytes\n", file.size(), blocks, kBlockSize);
  std::span<const Byte> loader = file.first(kBlockSize);
  auto last_loaded =
      std::find_if(loader.rbegin(), loader.rend(), [](Byte b) { return b != kFill; });
  std::size_t loaded = static_cast<std::size_t>(loader.rend() - last_loaded);
  found.report += format("  block 0: the loader, %zu bytes before %zu bytes of 0x%02X fill\n",
                         loaded, kBlockSize - loaded, kFill);
  if (blocks < kFewestBlocks) {
    problem(found, format("%d blocks: a build writes at least %d", blocks, kFewestBlocks));
    return;
  }
  if (blocks > kD88.cylinders) {
    problem(found,
            format("%d blocks: more than the %d tracks of the D88 image", blocks, kD88.cylinders));
  }
  ProgramSummary program;
  int b = program_block(file, blocks, program);
  if (b == 0) {
    problem(found, format("no program found: no block from block %d on begins line records that "
                          "end with the end marker in the blocks the block rule gives them",
                          first_program_block(blocks)));
    return;
  }
  found.report += format("  blocks 1 to %d: the list1 and list2 regions\n", b - 1);
  found.report += format("  blocks %d to %d: the program, %d lines, the end marker at offset %zu\n",
                         b, blocks - 1, program.lines, program.end_marker);
}

}  // namespace

bool has_tape_leader(std::span<const Byte> file) {
  return file.size() >= kTapeLeaderSize && all_are(file.first(kTapeLeaderSize), kTapeLeaderByte);
}

std::string_view tape_name(std::span<const Byte> file) {
  return std::string_view(reinterpret_cast<const char*>(file.data()) + kTapeLeaderSize,
                          kTapeNameSize);
}

void describe_image(std::span<const Byte> file, Findings& found) {
  if (file.empty()) {
    problem(found, "empty file");
  } else if (has_tape_leader(file)) {
    describe_tape(file, found);
  } else if (looks_like_d88(file)) {
    describe_d88(file, found);
  } else if (file.size() % kBlockSize == 0) {
    describe_raw_disk(file, found);
  } else {
    problem(found, format("not an image of a build: no tape leader, no D88 header, and %zu bytes "
                          "is not a whole number of %d-byte blocks",
                          file.size(), kBlockSize));
  }
  if (found.problems.size() > kMostProblems) {
    std::size_t more = found.problems.size() - kMostProblems;
    found.problems.resize(kMostProblems);
    found.problems.push_back(format("and %zu more problems", more));
  }
}

}  // namespace flyseat::inspect
