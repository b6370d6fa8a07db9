#include "flyseat/d88.hpp"

#include <algorithm>

#include "flyseat/failure.hpp"
#include "flyseat/little_endian.hpp"
#include "flyseat/output.hpp"

namespace flyseat {
namespace {

constexpr auto kSectorSize = static_cast<std::size_t>(kD88.sector_size);
constexpr std::size_t kRawTrackSize = kD88.sectors * kSectorSize;  // a track's bytes alone

using Header = std::array<Byte, kD88.header_size>;

// Name, reserved bytes, write protection and media type are zero.
Header d88_header() {
  Header header{};
  for (int c = 0; c < kD88.cylinders; ++c) {
    for (int h = 0; h < kD88.heads; ++h) {
      write_u32(header, static_cast<std::size_t>(track_table_offset(track_table_entry(c, h))),
                static_cast<std::uint32_t>(track_offset(c, h)));
    }
  }
  write_u32(header, kD88.disk_size_offset, kD88Size);
  return header;
}

// The sector header for `at`, then `data`, or the 0xFF fill when there is none. Density,
// deleted mark, status and the reserved bytes are zero.
void encode_sector(const SectorAddress& at, std::span<const Byte> data, std::span<Byte> record) {
  std::fill(record.begin(), record.end(), Byte{0});
  record[static_cast<std::size_t>(kD88Sector.c)] = static_cast<Byte>(at.c);
  record[static_cast<std::size_t>(kD88Sector.h)] = static_cast<Byte>(at.h);
  record[static_cast<std::size_t>(kD88Sector.r)] = static_cast<Byte>(at.r);
  record[static_cast<std::size_t>(kD88Sector.n)] = static_cast<Byte>(at.n);
  write_u16(record, kD88Sector.sector_count, kD88.sectors);
  write_u16(record, kD88Sector.data_size, kD88.sector_size);
  auto sector = record.begin() + kD88.sector_header_size;
  if (data.empty()) {
    std::fill(sector, record.end(), kD88Fill);
  } else {
    std::copy(data.begin(), data.end(), sector);
  }
}

// The sector records of track `t`, counted in disk order: the whole sectors of `raw`, the raw
// disk image from the track's first sector on, then the fill. A last piece shorter than a
// sector is not copied.
void encode_track(int t, std::span<const Byte> raw, std::span<Byte> records) {
  std::size_t whole_sectors = raw.size() / kSectorSize;
  SectorAddress at{.c = t / kD88.heads, .h = t % kD88.heads};
  for (std::size_t s = 0; s < kD88.sectors; ++s, advance_sector(at)) {
    encode_sector(
        at, s < whole_sectors ? raw.subspan(s * kSectorSize, kSectorSize) : std::span<const Byte>(),
        records.subspan(s * kSectorRecordSize, kSectorRecordSize));
  }
}

}  // namespace

void advance_sector(SectorAddress& at) {
  if (++at.r > kD88.sectors) {
    at.r = 1;
    ++at.h;
  }
  if (at.h >= kD88.heads) {
    at.h = 0;
    ++at.c;
  }
}

void encode_d88_image(std::span<const Byte> raw_disk, D88Image& d88) {
  if (raw_disk.size() / kSectorSize > kDiskSectors) fail("disk full");
  Header header = d88_header();
  std::copy(header.begin(), header.end(), d88.begin());
  for (int t = 0; t < kDiskTracks; ++t) {
    std::size_t from = std::min(raw_disk.size(), static_cast<std::size_t>(t) * kRawTrackSize);
    encode_track(t, raw_disk.subspan(from),
                 std::span(d88).subspan(
                     static_cast<std::size_t>(sector_record_offset(t * kD88.sectors)), kTrackSize));
  }
}

// Copies the raw disk image as it is read back, a track at a time, then fills the rest of the
// disk.
void write_d88_image(Folder& folder) {
  Sink out;
  create_output(folder, out, kD88Name);
  Source disk;
  if (!try_open_input(folder, disk, kRawDiskName)) fail("cannot open %s for reading", kRawDiskName);
  write_bytes(out, d88_header());
  std::array<Byte, kRawTrackSize> raw;
  std::array<Byte, kTrackSize> track;
  std::size_t got = raw.size();  // once a read comes short, the raw disk image has ended
  for (int t = 0; t < kDiskTracks; ++t) {
    got = got < raw.size() ? 0 : read_bytes(disk, raw);
    encode_track(t, std::span(raw).first(got), track);
    write_bytes(out, track);
  }
  if (got == raw.size() && read_bytes(disk, std::span(raw).first(kSectorSize)) == kSectorSize)
    fail("disk full");
  close_input(disk);
  close_output(out);
  report_output(folder, kD88Name);
}

}  // namespace flyseat
