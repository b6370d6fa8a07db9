// HFE, the container of each track's MFM cells that floppy emulators take: a header, a track
// table, then the tracks, side 0's cells and side 1's alternating in pieces. The disk is one
// side in the standard double-density layout. One row of geometry, every offset following from
// it; its encoder, its decoder (by the sync marks, not by the layout) and its check.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "flyseat/d88.hpp"
#include "flyseat/finding.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat::inspect {

struct HfeGeometry {
  int header_size, block_size;  // the header's block, padded with 0xFF; the table's unit
  int tracks, sides;            // as the header gives them; a track has room for two sides
  int bit_rate, rpm;            // kbit/s
  int track_bytes;              // of cells a side: a turn's data bits, two cells each
  int blocks_a_track;           // both sides, in whole blocks
  int table_block, first_track_block;
  int piece_size;  // of one side before the other's
  // The layout, in data bytes: the gaps of 0x4E, and the zeros before each mark.
  int gap_index, zeros, gap_first, gap_id, gap_data, gap_end;
};
inline constexpr HfeGeometry kHfe = {.header_size = 512,
                                     .block_size = 512,
                                     .tracks = kDisk.cylinders,
                                     .sides = kDisk.heads,
                                     .bit_rate = 250,
                                     .rpm = 300,
                                     .track_bytes = 12500,
                                     .blocks_a_track = 49,
                                     .table_block = 1,
                                     .first_track_block = 2,
                                     .piece_size = 256,
                                     .gap_index = 80,
                                     .zeros = 12,
                                     .gap_first = 50,
                                     .gap_id = 22,
                                     .gap_data = 54,
                                     .gap_end = 152};
inline constexpr int kHfeTrackLength = 2 * kHfe.track_bytes;  // in the track table
static_assert(kHfe.bit_rate * 1000 * 60 / kHfe.rpm * 2 / 8 == kHfe.track_bytes);
static_assert(kHfe.blocks_a_track == (kHfeTrackLength + kHfe.block_size - 1) / kHfe.block_size);
// A mark is three syncs and its byte; an ID, C H R N; an ID or data, then a 2-byte CRC.
static_assert(kHfe.gap_index + kHfe.zeros + 4 + kHfe.gap_first +
                  kDisk.sectors * (kHfe.zeros + 4 + 4 + 2 + kHfe.gap_id + kHfe.zeros + 4 +
                                   kDisk.sector_size + 2 + kHfe.gap_data) +
                  kHfe.gap_end ==
              kHfe.track_bytes / 2);

inline constexpr std::size_t kHfeSize = 1004544;
static_assert(kHfeSize == static_cast<std::size_t>(kHfe.block_size) *
                              (kHfe.first_track_block + kHfe.tracks * kHfe.blocks_a_track));
using HfeImage = std::array<Byte, kHfeSize>;

// CRC-16-CCITT: polynomial 0x1021, not reflected, no final XOR; stored high byte first.
constexpr std::uint16_t crc_ccitt(std::span<const Byte> bytes, std::uint16_t crc = 0xFFFF) {
  for (Byte b : bytes) {
    crc = static_cast<std::uint16_t>(crc ^ b << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<std::uint16_t>(crc & 0x8000 ? crc << 1 ^ 0x1021 : crc << 1);
  }
  return crc;
}
static_assert(crc_ccitt(std::array<Byte, 8>{0xA1, 0xA1, 0xA1, 0xFE, 0, 0, 1, 1}) == 0xFA0C);

// The file convert writes beside the four images of a build.
inline constexpr const char* kHfeName = "flyseat.hfe";

// The disk of a whole D88 image of the target geometry (the caller checks the geometry) as HFE.
void encode_hfe(const D88Read& d88, HfeImage& hfe);
// What convert writes of a D88 image or a raw disk image, the same of either; why not, in one
// line, of another file, a raw disk image of more tracks than the disk has, or a D88 image of
// another geometry.
std::optional<std::string> hfe_of(std::span<const Byte> image, HfeImage& hfe);

// What a file holds as HFE: the header's fields in the order it holds them, then the tracks the
// header counts, each with the sectors found by their sync marks, in the order found.
struct HfeHeader {
  std::span<const Byte> signature;
  int revision = 0, tracks = 0, sides = 0, encoding = 0, bit_rate = 0, rpm = 0, interface_mode = 0,
      free_byte = 0, table_block = 0, write_allowed = 0, single_step = 0, side0_alternate = 0,
      side1_alternate = 0;
};
struct HfeSector {
  int c, h, r, n;
  std::uint16_t id_crc, id_crc_read;  // as computed of the ID, and as the file holds it
  bool has_data = false;              // a data mark followed, with all its bytes
  std::uint16_t data_crc = 0, data_crc_read = 0;
  std::vector<Byte> data{};
  bool id_crc_right() const { return id_crc == id_crc_read; }
  bool data_crc_right() const { return has_data && data_crc == data_crc_read; }
};
struct HfeTrack {
  int block = 0, length = 0;  // its track table entry
  bool inside = false;        // its blocks lie in the file
  bool index_mark = false;
  std::vector<HfeSector> sectors{};
};
struct HfeRead {
  bool header_whole = false, table_inside = false;
  HfeHeader header{};
  std::vector<HfeTrack> tracks{};
};
HfeRead decode_hfe(std::span<const Byte> file);

// How sure it is that a file is HFE, 0 to 100: the signature is the ground of the rest.
struct HfeWeights {
  int signature, geometry, first_track, size;
};
inline constexpr HfeWeights kHfeWeights = {
    .signature = 40, .geometry = 20, .first_track = 20, .size = 20};
static_assert(kHfeWeights.signature + kHfeWeights.geometry + kHfeWeights.first_track +
                  kHfeWeights.size ==
              100);
int hfe_certainty(std::span<const Byte> file);

// Whether an HFE file is what convert writes of a D88 image of the disk: the findings, and when
// every track holds its 16 sectors, the disk's sectors in disk order with their IDs.
struct HfeCheck {
  HfeRead hfe;
  Findings findings{};
  std::vector<Byte> held{};          // kDiskSectors sectors of kDisk.sector_size bytes
  std::vector<SectorAddress> ids{};  // of the sectors held, as their ID marks give them
  // The D88 image a build writes of the sectors held, which info, list and diff read as they
  // read a D88 image: its sector headers are a build's, the IDs the HFE check's to judge.
  std::vector<Byte> d88{};
};
HfeCheck check_hfe(std::span<const Byte> file);

// Whether `hfe` holds the sectors of `d88` (same C, H, R, N and data, sector for sector, in disk
// order); the first difference as a finding when not, or the check's first finding of an HFE
// image that holds no whole disk.
std::optional<Finding> hfe_difference(std::span<const Byte> hfe, const D88Read& d88);

}  // namespace flyseat::inspect
