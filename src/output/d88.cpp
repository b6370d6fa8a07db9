#include "flyseat/d88.hpp"

#include <algorithm>

#include "flyseat/failure.hpp"
#include "flyseat/little_endian.hpp"
#include "flyseat/output.hpp"

namespace flyseat {
namespace {

constexpr auto kSectorSize = static_cast<std::size_t>(kD88.sector_size);
constexpr std::size_t kRawTrackSize = kD88.sectors * kSectorSize;  // a track's bytes alone

std::size_t at(int offset) {
  return static_cast<std::size_t>(offset);
}

// Density, deleted mark, status and the reserved bytes are zero.
void encode_sector_header(const D88SectorHeader& sector, std::span<Byte> header) {
  constexpr D88SectorFields f = kD88Sector;
  std::fill(header.begin(), header.end(), Byte{0});
  header[at(f.c)] = static_cast<Byte>(sector.c);
  header[at(f.h)] = static_cast<Byte>(sector.h);
  header[at(f.r)] = static_cast<Byte>(sector.r);
  header[at(f.n)] = static_cast<Byte>(sector.n);
  write_u16(header, at(f.sector_count), static_cast<std::uint32_t>(sector.sector_count));
  write_u16(header, at(f.data_size), static_cast<std::uint32_t>(sector.data_size));
}

// The sector header, then `data`, or the 0xFF fill when there is none.
void encode_sector(int s, std::span<const Byte> data, std::span<Byte> record) {
  encode_sector_header(built_sector_header(s), record.first(kD88.sector_header_size));
  auto sector = record.begin() + kD88.sector_header_size;
  if (data.empty()) {
    std::fill(sector, record.end(), kD88Fill);
  } else {
    std::copy(data.begin(), data.end(), sector);
  }
}

}  // namespace

SectorAddress sector_address(int s) {
  return {.c = s / kD88.sectors, .r = s % kD88.sectors + 1};
}

D88HeaderBytes encode_d88_header() {
  D88HeaderBytes header{};
  for (int c = 0; c < kD88.cylinders; ++c)
    write_u32(header, at(track_table_offset(c)), static_cast<std::uint32_t>(track_offset(c)));
  write_u32(header, at(kD88Header.disk_size), kD88Size);
  return header;
}

void encode_d88_track(int t, std::span<const Byte> raw, std::span<Byte, kTrackSize> records) {
  std::size_t whole_sectors = raw.size() / kSectorSize;
  for (std::size_t s = 0; s < kD88.sectors; ++s) {
    encode_sector(
        t * kD88.sectors + static_cast<int>(s),
        s < whole_sectors ? raw.subspan(s * kSectorSize, kSectorSize) : std::span<const Byte>(),
        records.subspan(s * kSectorRecordSize, kSectorRecordSize));
  }
}

void encode_d88_image(std::span<const Byte> raw_disk, D88Image& d88) {
  if (raw_disk.size() / kSectorSize > kDiskSectors) fail("disk full");
  D88HeaderBytes header = encode_d88_header();
  std::copy(header.begin(), header.end(), d88.begin());
  for (int t = 0; t < kDiskTracks; ++t) {
    std::size_t from = std::min(raw_disk.size(), static_cast<std::size_t>(t) * kRawTrackSize);
    encode_d88_track(
        t, raw_disk.subspan(from),
        std::span(d88).subspan(at(sector_record_offset(t * kD88.sectors))).first<kTrackSize>());
  }
}

D88Header decode_d88_header(std::span<const Byte> header) {
  constexpr D88HeaderFields f = kD88Header;
  D88Header read;
  std::span<const Byte> name = header.subspan(at(f.name), at(f.name_size));
  read.name = name.first(
      static_cast<std::size_t>(std::find(name.begin(), name.end(), Byte{0}) - name.begin()));
  read.reserved = header.subspan(at(f.reserved), at(f.reserved_size));
  read.write_protect = header[at(f.write_protect)];
  read.media_type = header[at(f.media_type)];
  read.disk_size = read_u32(header, at(f.disk_size));
  for (std::size_t entry = 0; entry < read.track_table.size(); ++entry)
    read.track_table[entry] = read_u32(header, at(f.track_table) + 4 * entry);
  return read;
}

D88SectorHeader built_sector_header(int s) {
  SectorAddress sector = sector_address(s);
  return {.c = sector.c,
          .h = sector.h,
          .r = sector.r,
          .n = sector.n,
          .sector_count = kD88.sectors,
          .density = 0,
          .deleted = 0,
          .status = 0,
          .reserved = {},
          .data_size = kD88.sector_size};
}

D88SectorHeader decode_sector_header(std::span<const Byte> header) {
  constexpr D88SectorFields f = kD88Sector;
  return {.c = header[at(f.c)],
          .h = header[at(f.h)],
          .r = header[at(f.r)],
          .n = header[at(f.n)],
          .sector_count = read_u16(header, at(f.sector_count)),
          .density = header[at(f.density)],
          .deleted = header[at(f.deleted)],
          .status = header[at(f.status)],
          .reserved = header.subspan(at(f.reserved), at(f.reserved_size)),
          .data_size = read_u16(header, at(f.data_size))};
}

D88Read decode_d88_image(std::span<const Byte> file) {
  D88Read d88;
  d88.file = file;
  if (file.size() < at(kD88.header_size)) return d88;
  d88.header_whole = true;
  d88.header = decode_d88_header(file);
  d88.whole_sectors = static_cast<int>(std::min<std::size_t>(
      (file.size() - at(kD88.header_size)) / kSectorRecordSize, kDiskSectors));
  return d88;
}

D88SectorHeader D88Read::sector_header(int s) const {
  return decode_sector_header(file.subspan(at(sector_record_offset(s)), kD88.sector_header_size));
}

std::span<const Byte> D88Read::sector_data(int s) const {
  return file.subspan(at(sector_record_offset(s) + kD88.sector_header_size), kSectorSize);
}

// Copies the raw disk image as it is read back, a track at a time, then fills the rest of the
// disk.
void write_d88_image(Folder& folder) {
  Sink out;
  create_output(folder, out, kD88Name);
  Source disk;
  if (!try_open_input(folder, disk, kRawDiskName)) fail("cannot open %s for reading", kRawDiskName);
  write_bytes(out, encode_d88_header());
  std::array<Byte, kRawTrackSize> raw;
  std::array<Byte, kTrackSize> track;
  std::size_t got = raw.size();  // once a read comes short, the raw disk image has ended
  for (int t = 0; t < kDiskTracks; ++t) {
    got = got < raw.size() ? 0 : read_bytes(disk, raw);
    encode_d88_track(t, std::span(raw).first(got), track);
    write_bytes(out, track);
  }
  if (got == raw.size() && read_bytes(disk, std::span(raw).first(kSectorSize)) == kSectorSize)
    fail("disk full");
  close_input(disk);
  close_output(out);
}

}  // namespace flyseat
