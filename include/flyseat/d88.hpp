// The D88 floppy image of the target disk, described by one row of geometry from which every
// offset in the file follows.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "flyseat/work_area.hpp"

namespace flyseat {

struct D88Geometry {
  int cylinders;
  int heads;             // sides written; the format has room for two per cylinder
  int sectors;           // per track, numbered 1 up
  int sector_size;       // bytes of data in a sector
  int size_code;         // N: sector size = 128 << N
  int header_size;       // disk header, including the track offset table
  int table_entries;     // track offset table entries
  int table_entry_size;  // a 32-bit offset
  int table_offset;      // where the track offset table starts in the header
  int disk_size_offset;  // where the header keeps the file size
  int sector_header_size;
};

// Every sector past the end of the raw disk image holds this.
inline constexpr Byte kD88Fill = 0xFF;

inline constexpr D88Geometry kD88 = {40, 1, 16, 256, 1, 688, 164, 4, 0x20, 0x1C, 16};

// Fields of the disk header before its size field, by offset.
struct D88HeaderFields {
  int name, name_size;  // zero-terminated disk name
  int reserved, reserved_size;
  int write_protect;
  int media_type;
};
inline constexpr D88HeaderFields kD88Header = {0x00, 17, 0x11, 9, 0x1A, 0x1B};
static_assert(kD88Header.reserved + kD88Header.reserved_size == kD88Header.write_protect);
static_assert(kD88Header.media_type + 1 == kD88.disk_size_offset);

// Fields of a sector header, by offset. Counts and sizes are 16-bit little-endian.
struct D88SectorFields {
  int c, h, r, n;
  int sector_count;
  int density, deleted, status;
  int reserved, reserved_size;
  int data_size;
};
inline constexpr D88SectorFields kD88Sector = {0, 1, 2, 3, 4, 6, 7, 8, 9, 5, 14};
static_assert(kD88Sector.reserved + kD88Sector.reserved_size == kD88Sector.data_size);
static_assert(kD88Sector.data_size + 2 == kD88.sector_header_size);

inline constexpr int kSectorRecordSize = kD88.sector_header_size + kD88.sector_size;  // 272
inline constexpr int kTrackSize = kD88.sectors * kSectorRecordSize;                   // 4,352
inline constexpr int kDiskTracks = kD88.cylinders * kD88.heads;                       // 40
inline constexpr int kD88Size = kD88.header_size + kDiskTracks * kTrackSize;
inline constexpr int kDiskSectors = kDiskTracks * kD88.sectors;  // 640

static_assert(kD88.table_offset + kD88.table_entry_size * kD88.table_entries == kD88.header_size);
static_assert(128 << kD88.size_code == kD88.sector_size);
static_assert(kD88Size == 174768);

// File offset of the track of cylinder c on head h.
constexpr int track_offset(int c, int h) {
  return kD88.header_size + (c * kD88.heads + h) * kTrackSize;
}
// File offset of sector record s, counting from 0 in disk order.
constexpr int sector_record_offset(int s) {
  return kD88.header_size + s * kSectorRecordSize;
}
// The track offset table has two entries per cylinder, one for each side.
constexpr int track_table_entry(int c, int h) {
  return 2 * c + h;
}
// File offset of a track offset table entry.
constexpr int track_table_offset(int entry) {
  return kD88.table_offset + entry * kD88.table_entry_size;
}

// A sector's place on the disk, as its header names it; the first sector of the disk by
// default.
struct SectorAddress {
  int c = 0;
  int h = 0;
  int r = 1;
  int n = kD88.size_code;
};

void advance_sector(SectorAddress& at);

using D88Image = std::array<Byte, kD88Size>;

// Lays out the D88 image of a raw disk image: the header, then the raw image's whole sectors in
// disk order, then 0xFF in every sector after them. A last piece shorter than a sector is not
// copied; more whole sectors than the disk holds stop the run with "disk full".
void encode_d88_image(std::span<const Byte> raw_disk, D88Image& d88);

}  // namespace flyseat
