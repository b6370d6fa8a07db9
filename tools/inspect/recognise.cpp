#include "recognise.hpp"

#include <algorithm>

#include "flyseat/d88.hpp"
#include "flyseat/little_endian.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"
#include "hfe.hpp"

namespace flyseat::inspect {
namespace {

// The facts each format weighs, each with its weight. The tape's leader, the D88 header's two
// and the raw disk's whole blocks are the ground of the others: without them the format does not
// take the file at all.
struct TapeWeights {
  int leader;          // the whole leader
  int build_name;      // a name a build writes
  int printable_name;  // another name, of printable characters
  int payload;         // a payload as that tape carries it
};
inline constexpr TapeWeights kTapeWeights = {
    .leader = 40, .build_name = 30, .printable_name = 10, .payload = 30};
static_assert(kTapeWeights.leader + kTapeWeights.build_name + kTapeWeights.payload == 100);

struct D88Weights {
  int disk_size;     // the header gives the file's own size
  int first_track;   // the track table puts the first track where a build puts it
  int size;          // the file is as large as a build writes it
  int first_sector;  // the first sector's header is as a build writes it
};
inline constexpr D88Weights kD88Weights = {
    .disk_size = 30, .first_track = 30, .size = 20, .first_sector = 20};
static_assert(kD88Weights.disk_size + kD88Weights.first_track + kD88Weights.size +
                  kD88Weights.first_sector ==
              100);

struct RawDiskWeights {
  int whole_blocks;
  int block_count;  // as many as a build writes
  int program;      // a program where a build puts it
};
inline constexpr RawDiskWeights kRawDiskWeights = {
    .whole_blocks = 40, .block_count = 20, .program = 40};
static_assert(kRawDiskWeights.whole_blocks + kRawDiskWeights.block_count +
                  kRawDiskWeights.program ==
              100);

// A main tape's payload is a program closed by its end marker; a data tape's fits the regions.
bool payload_as_carried(const TapeRead& tape, std::span<const Byte> file) {
  if (tape.kind == ImageKind::data_tape)
    return tape.payload.size() <= kMaxDataTapeSize - kTape.header_size;
  if (tape.kind != ImageKind::main_tape) return false;
  ProgramRead program = read_program(file, kTape.header_size);
  return program.stop == ProgramRead::ended && program.at + kEndMarkerSize == file.size();
}

bool u32_is(std::span<const Byte> file, int offset, std::uint32_t value) {
  auto at = static_cast<std::size_t>(offset);
  return file.size() >= at + 4 && read_u32(file, at) == value;
}

int tape_certainty(std::span<const Byte> file) {
  TapeRead tape = decode_tape_image(file);
  if (tape.kind == ImageKind::unknown) return 0;
  bool printable =
      tape.whole_header() && std::all_of(tape.name.begin(), tape.name.end(),
                                         [](Byte b) { return b >= 0x20 && b <= 0x7E; });
  bool build_name = tape.kind != ImageKind::other_tape;
  return kTapeWeights.leader +
         (build_name  ? kTapeWeights.build_name
          : printable ? kTapeWeights.printable_name
                      : 0) +
         (payload_as_carried(tape, file) ? kTapeWeights.payload : 0);
}

int d88_certainty(std::span<const Byte> file) {
  auto first_track = static_cast<std::uint32_t>(track_offset(0));
  int header = (u32_is(file, kD88Header.disk_size, static_cast<std::uint32_t>(file.size()))
                    ? kD88Weights.disk_size
                    : 0) +
               (u32_is(file, track_table_offset(0), first_track) ? kD88Weights.first_track : 0);
  if (header == 0) return 0;
  D88SectorHeader built = built_sector_header(0);
  bool first_sector = file.size() >= first_track + kD88.sector_header_size && [&] {
    D88SectorHeader read = decode_sector_header(file.subspan(first_track));
    return read.c == built.c && read.h == built.h && read.r == built.r && read.n == built.n;
  }();
  return header + (file.size() == kD88Size ? kD88Weights.size : 0) +
         (first_sector ? kD88Weights.first_sector : 0);
}

int raw_disk_certainty(std::span<const Byte> file) {
  if (file.empty() || !whole_blocks(file.size())) return 0;
  RawDiskRead disk = decode_raw_disk_image(file);
  return kRawDiskWeights.whole_blocks +
         (built_block_count(disk.blocks) ? kRawDiskWeights.block_count : 0) +
         (disk.program_block != 0 ? kRawDiskWeights.program : 0);
}

}  // namespace

Recognised recognise_image(std::span<const Byte> file) {
  Recognised best{file.empty() ? ImageKind::empty : ImageKind::unknown, 0};
  for (Recognised r : {Recognised{decode_tape_image(file).kind, tape_certainty(file)},
                       Recognised{ImageKind::d88, d88_certainty(file)},
                       Recognised{ImageKind::raw_disk, raw_disk_certainty(file)},
                       Recognised{ImageKind::hfe, hfe_certainty(file)}}) {
    if (r.certainty > best.certainty) best = r;
  }
  return best;
}

}  // namespace flyseat::inspect
