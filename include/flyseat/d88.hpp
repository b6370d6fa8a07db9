// The D88 floppy image of the target disk (disk.hpp): a header with a track offset table, then
// the tracks in cylinder order, each sector a header of its own and its data. One row of the
// file's geometry, one row of field offsets for the header and one for a sector's header; every
// offset in the file follows from them. Its encoder, its decoder and its check.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "flyseat/disk.hpp"
#include "flyseat/finding.hpp"
#include "flyseat/io.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

struct D88Geometry {
  int header_size;         // the disk header, its track offset table included
  int table_entries;       // in the track offset table, 32 bits each
  int table_sides;         // entries a cylinder: one for each side the format has room for
  int sector_header_size;  // before each sector's data
};
inline constexpr D88Geometry kD88 = {
    .header_size = 688, .table_entries = 164, .table_sides = 2, .sector_header_size = 16};

// The disk header's fields, by offset; the disk size and the table entries are 32-bit
// little-endian.
struct D88HeaderFields {
  int name, name_size;  // the disk name, zero-terminated
  int reserved, reserved_size;
  int write_protect;
  int media_type;
  int disk_size;    // the file's size
  int track_table;  // the track offset table, to the end of the header
};
inline constexpr D88HeaderFields kD88Header = {
    .name = 0x00,
    .name_size = 17,
    .reserved = 0x11,
    .reserved_size = 9,
    .write_protect = 0x1A,
    .media_type = 0x1B,
    .disk_size = 0x1C,
    .track_table = 0x20,
};
static_assert(kD88Header.name + kD88Header.name_size == kD88Header.reserved &&
              kD88Header.reserved + kD88Header.reserved_size == kD88Header.write_protect &&
              kD88Header.media_type + 1 == kD88Header.disk_size &&
              kD88Header.disk_size + 4 == kD88Header.track_table);
static_assert(kD88Header.track_table + 4 * kD88.table_entries == kD88.header_size);

// A sector header's fields, by offset; the sector count and the data size are 16-bit
// little-endian.
struct D88SectorFields {
  int c, h, r, n;    // cylinder, head, sector number, size code
  int sector_count;  // of its track
  int density, deleted, status;
  int reserved, reserved_size;
  int data_size;
};
inline constexpr D88SectorFields kD88Sector = {
    .c = 0,
    .h = 1,
    .r = 2,
    .n = 3,
    .sector_count = 4,
    .density = 6,
    .deleted = 7,
    .status = 8,
    .reserved = 9,
    .reserved_size = 5,
    .data_size = 14,
};
static_assert(kD88Sector.sector_count + 2 == kD88Sector.density &&
              kD88Sector.reserved + kD88Sector.reserved_size == kD88Sector.data_size &&
              kD88Sector.data_size + 2 == kD88.sector_header_size);

inline constexpr int kSectorRecordSize = kD88.sector_header_size + kDisk.sector_size;  // 272
inline constexpr int kTrackSize = kDisk.sectors * kSectorRecordSize;                   // 4,352
inline constexpr int kD88Size = kD88.header_size + kDiskTracks * kTrackSize;
static_assert(kD88Size == 174768);

// Every sector past the end of the raw disk image holds this.
inline constexpr Byte kD88Fill = 0xFF;

// File offset of cylinder c's track.
constexpr int track_offset(int c) {
  return kD88.header_size + c * kTrackSize;
}
// File offset of sector record s, counting from 0 in disk order.
constexpr int sector_record_offset(int s) {
  return kD88.header_size + s * kSectorRecordSize;
}
// File offset of the track offset table's entry for cylinder c on side 0.
constexpr int track_table_offset(int c) {
  return kD88Header.track_table + 4 * kD88.table_sides * c;
}

// --- The encoder ----------------------------------------------------------------------------

using D88HeaderBytes = std::array<Byte, kD88.header_size>;
using D88Image = std::array<Byte, kD88Size>;

// The disk header, the same for every image: an empty name, no write protection, media type 0,
// the file's size and the track offset table.
D88HeaderBytes encode_d88_header();

// The one encoder of the image, which streams: the header, then each sector in disk order, its
// header and the raw disk image's next whole sector, or the 0xFF fill once the raw disk image
// has ended. A last piece shorter than a sector is not copied; more whole sectors than the disk
// holds stop the run with "disk full", once every sector is written.
void encode_d88(Source& raw_disk, Sink& d88);
// The same encoder over a raw disk image held in memory; `d88` holds kD88Size bytes.
void encode_d88_image(std::span<const Byte> raw_disk, std::span<Byte> d88);

// --- The decoder ----------------------------------------------------------------------------

struct D88Header {
  std::span<const Byte> name;  // without the zero bytes that end it
  std::span<const Byte> reserved;
  Byte write_protect = 0;
  Byte media_type = 0;
  std::uint32_t disk_size = 0;
  std::array<std::uint32_t, kD88.table_entries> track_table{};
};
// `header` holds at least kD88.header_size bytes.
D88Header decode_d88_header(std::span<const Byte> header);

struct D88SectorHeader {
  int c, h, r, n;
  int sector_count;
  int density, deleted, status;
  std::span<const Byte> reserved;
  int data_size;
};
// What a build writes in sector s's header.
D88SectorHeader built_sector_header(int s);
// `header` holds at least kD88.sector_header_size bytes.
D88SectorHeader decode_sector_header(std::span<const Byte> header);

// What a file holds as a D88 image of the disk.
struct D88Read {
  std::span<const Byte> file;
  bool header_whole = false;
  D88Header header;                            // of a whole header
  int whole_sectors = 0;                       // sector records the file holds whole, in disk order
  D88SectorHeader sector_header(int s) const;  // of a whole sector record
  std::span<const Byte> sector_data(int s) const;
};
D88Read decode_d88_image(std::span<const Byte> file);

// --- The check ------------------------------------------------------------------------------

// Whether a D88 image is what a build writes: every header field, the track offset table, each
// sector's header, the 0xFF fill after the raw disk image, and the raw disk image its sectors
// hold, checked as one.
struct D88Check {
  D88Read d88;
  bool table_as_built = false;             // every entry of the track offset table
  std::optional<int> sectors_with_data{};  // when the file holds every sector
  std::vector<Byte> held{};                // the data of those sectors, when they are whole tracks
  std::optional<RawDiskCheck> held_check{};
  Findings findings{};
};
D88Check check_d88_image(std::span<const Byte> file);

}  // namespace flyseat
