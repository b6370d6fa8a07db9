// A file known by what it is: each format the companion reads weighs the facts its decoder finds
// and says how sure it is that the file is of that format, from 0 to 100; the most certain wins.
#pragma once

#include <span>

#include "flyseat/image_kind.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat::inspect {

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

int tape_certainty(std::span<const Byte> file);
int d88_certainty(std::span<const Byte> file);
int raw_disk_certainty(std::span<const Byte> file);

// The most certain format, the first of tape, D88, raw disk and HFE on a tie (hfe.hpp has
// hfe_certainty). An empty file is empty,
// one that no format takes unknown (certainty 0).
struct Recognised {
  ImageKind kind = ImageKind::unknown;
  int certainty = 0;
};
Recognised recognise_image(std::span<const Byte> file);

}  // namespace flyseat::inspect
