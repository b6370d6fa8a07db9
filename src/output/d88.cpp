#include "flyseat/d88.hpp"

#include <algorithm>
#include <memory>

#include "flyseat/failure.hpp"
#include "flyseat/little_endian.hpp"
#include "flyseat/output.hpp"

namespace flyseat {
namespace {

constexpr Byte kFillByte = 0xFF;  // sectors past the end of the raw disk image

// Name, reserved bytes, write protection and media type stay zero.
void write_d88_header(std::span<Byte> header) {
  write_u32(header, kD88.disk_size_offset, kD88Size);
  for (int c = 0; c < kD88.cylinders; ++c) {
    for (int h = 0; h < kD88.heads; ++h) {
      write_u32(header, static_cast<std::size_t>(track_table_offset(track_table_entry(c, h))),
                static_cast<std::uint32_t>(track_offset(c, h)));
    }
  }
}

// Density, deleted mark, status and the reserved bytes stay zero.
void write_sector_header(const SectorAddress& at, std::span<Byte> header) {
  header[static_cast<std::size_t>(kD88Sector.c)] = static_cast<Byte>(at.c);
  header[static_cast<std::size_t>(kD88Sector.h)] = static_cast<Byte>(at.h);
  header[static_cast<std::size_t>(kD88Sector.r)] = static_cast<Byte>(at.r);
  header[static_cast<std::size_t>(kD88Sector.n)] = static_cast<Byte>(at.n);
  write_u16(header, kD88Sector.sector_count, kD88.sectors);
  write_u16(header, kD88Sector.data_size, kD88.sector_size);
}

// The raw disk image as read back, up to one sector more than the disk holds: enough to tell
// an image that does not fit.
using ReadBack = std::array<Byte, (kDiskSectors + 1) * kD88.sector_size>;

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
  constexpr auto kSectorSize = static_cast<std::size_t>(kD88.sector_size);
  std::size_t whole_sectors = raw_disk.size() / kSectorSize;
  if (whole_sectors > kDiskSectors) fail("disk full");
  d88.fill(0);
  write_d88_header(std::span(d88).first(kD88.header_size));
  SectorAddress at;
  for (std::size_t s = 0; s < kDiskSectors; ++s, advance_sector(at)) {
    auto record = std::span(d88).subspan(
        static_cast<std::size_t>(sector_record_offset(static_cast<int>(s))), kSectorRecordSize);
    write_sector_header(at, record.first(kD88.sector_header_size));
    std::span<Byte> data = record.subspan(kD88.sector_header_size);
    if (s < whole_sectors) {
      std::copy_n(raw_disk.begin() + static_cast<std::ptrdiff_t>(s * kSectorSize), kSectorSize,
                  data.begin());
    } else {
      std::fill(data.begin(), data.end(), kFillByte);
    }
  }
}

void write_d88_image(Folder& folder) {
  Sink out;
  create_output(folder, out, kD88Name);
  std::unique_ptr<ReadBack> raw(new ReadBack);  // not zeroed: only the bytes read are used
  Source disk;
  if (!try_open_input(folder, disk, kRawDiskName)) fail("cannot open %s for reading", kRawDiskName);
  std::size_t size = read_bytes(disk, *raw);
  close_input(disk);
  auto image = std::make_unique<D88Image>();
  encode_d88_image(std::span(*raw).first(size), *image);
  write_bytes(out, *image);
  close_output(out);
  report_output(folder, kD88Name);
}

}  // namespace flyseat
