#include "flyseat/d88.hpp"

#include <array>

#include "flyseat/failure.hpp"
#include "flyseat/output.hpp"

namespace flyseat {
namespace {

constexpr Byte kFillByte = 0xFF;  // sectors past the end of the raw disk image

template <std::size_t N>
void put_u16(std::array<Byte, N>& out, int offset, int value) {
  out[static_cast<std::size_t>(offset)] = static_cast<Byte>(value & 0xFF);
  out[static_cast<std::size_t>(offset) + 1] = static_cast<Byte>((value >> 8) & 0xFF);
}

template <std::size_t N>
void put_u32(std::array<Byte, N>& out, int offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    out[static_cast<std::size_t>(offset + i)] = static_cast<Byte>((value >> (8 * i)) & 0xFF);
  }
}

bool on_disk(const SectorAddress& at) {
  return at.c < kD88.cylinders && at.h < kD88.heads && at.r <= kD88.sectors;
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

void write_d88_header(Sink& out) {
  // Name, reserved bytes, write protection and media type are all zero.
  std::array<Byte, kD88.header_size> header{};
  put_u32(header, kD88.disk_size_offset, kD88Size);
  for (int c = 0; c < kD88.cylinders; ++c) {
    for (int h = 0; h < kD88.heads; ++h) {
      put_u32(header, kD88.table_offset + 4 * track_table_entry(c, h),
              static_cast<std::uint32_t>(track_offset(c, h)));
    }
  }
  write_bytes(out, header);
}

void write_sector_header(const SectorAddress& at, Sink& out) {
  // Density, deleted mark, status and the reserved bytes stay zero.
  std::array<Byte, kD88.sector_header_size> header{};
  header[static_cast<std::size_t>(kD88Sector.c)] = static_cast<Byte>(at.c);
  header[static_cast<std::size_t>(kD88Sector.h)] = static_cast<Byte>(at.h);
  header[static_cast<std::size_t>(kD88Sector.r)] = static_cast<Byte>(at.r);
  header[static_cast<std::size_t>(kD88Sector.n)] = static_cast<Byte>(at.n);
  put_u16(header, kD88Sector.sector_count, kD88.sectors);
  put_u16(header, kD88Sector.data_size, kD88.sector_size);
  write_bytes(out, header);
}

void copy_sectors(Folder& folder, const char* name, SectorAddress& at, Sink& out) {
  Source raw;
  if (!try_open_input(folder, raw, name)) fail("cannot open %s for reading", name);
  std::array<Byte, kD88.sector_size> sector;
  while (read_bytes(raw, sector) == sector.size()) {
    if (!on_disk(at)) fail("disk full");
    write_sector_header(at, out);
    write_bytes(out, sector);
    advance_sector(at);
  }
  close_input(raw);
}

void write_d88_image(Folder& folder) {
  Sink out;
  create_output(folder, out, kD88Name);
  write_d88_header(out);
  SectorAddress at;
  copy_sectors(folder, kRawDiskName, at, out);
  while (at.c < kD88.cylinders) {
    write_sector_header(at, out);
    write_fill(out, kFillByte, kD88.sector_size);
    advance_sector(at);
  }
  close_output(out);
  report_output(folder, kD88Name);
}

}  // namespace flyseat
