#include "flyseat/d88.hpp"

#include <algorithm>

#include "flyseat/failure.hpp"
#include "flyseat/little_endian.hpp"
#include "flyseat/output.hpp"
#include "flyseat/text.hpp"

namespace flyseat {
namespace {

constexpr auto kSectorSize = static_cast<std::size_t>(kDisk.sector_size);

std::size_t as_size(int offset) {
  return static_cast<std::size_t>(offset);
}

// Field by field, as the header holds them.
void encode_sector_header(const D88SectorHeader& sector, std::span<Byte> header) {
  constexpr D88SectorFields f = kD88Sector;
  header[as_size(f.c)] = static_cast<Byte>(sector.c);
  header[as_size(f.h)] = static_cast<Byte>(sector.h);
  header[as_size(f.r)] = static_cast<Byte>(sector.r);
  header[as_size(f.n)] = static_cast<Byte>(sector.n);
  write_u16(header, as_size(f.sector_count), static_cast<std::uint32_t>(sector.sector_count));
  header[as_size(f.density)] = static_cast<Byte>(sector.density);
  header[as_size(f.deleted)] = static_cast<Byte>(sector.deleted);
  header[as_size(f.status)] = static_cast<Byte>(sector.status);
  std::fill_n(header.begin() + f.reserved, f.reserved_size, Byte{0});
  write_u16(header, as_size(f.data_size), static_cast<std::uint32_t>(sector.data_size));
}

}  // namespace

D88HeaderBytes encode_d88_header() {
  D88HeaderBytes header{};  // an empty name, the reserved bytes, write protect, media type 0
  write_u32(header, as_size(kD88Header.disk_size), kD88Size);
  for (int c = 0; c < kDisk.cylinders; ++c)
    write_u32(header, as_size(track_table_offset(c)), static_cast<std::uint32_t>(track_offset(c)));
  return header;
}

void encode_d88(Source& raw_disk, Sink& d88) {
  write_bytes(d88, encode_d88_header());
  std::array<Byte, kTrackSize> track;
  bool raw_left = true;  // once a read comes short, the raw disk image has ended
  for (int c = 0; c < kDisk.cylinders; ++c) {
    for (int r = 0; r < kDisk.sectors; ++r) {
      std::span<Byte> record =
          std::span(track).subspan(as_size(r * kSectorRecordSize), kSectorRecordSize);
      encode_sector_header(built_sector_header(c * kDisk.sectors + r),
                           record.first(kD88.sector_header_size));
      std::span<Byte> data = record.subspan(kD88.sector_header_size);
      raw_left = raw_left && read_bytes(raw_disk, data) == data.size();
      if (!raw_left) std::fill(data.begin(), data.end(), kD88Fill);
    }
    write_bytes(d88, track);
  }
  std::array<Byte, kDisk.sector_size> more;
  if (raw_left && read_bytes(raw_disk, more) == more.size()) fail("disk full");
}

void encode_d88_image(std::span<const Byte> raw_disk, std::span<Byte> d88) {
  MemoryFile files[] = {{kRawDiskName, raw_disk, {}, true}, {kD88Name, {}, d88, false}};
  Folder folder{files};
  write_d88_image(folder);
}

D88Header decode_d88_header(std::span<const Byte> header) {
  constexpr D88HeaderFields f = kD88Header;
  D88Header read;
  std::span<const Byte> name = header.subspan(as_size(f.name), as_size(f.name_size));
  auto last = std::find_if(name.rbegin(), name.rend(), [](Byte b) { return b != 0; });
  read.name = name.first(static_cast<std::size_t>(name.rend() - last));
  read.reserved = header.subspan(as_size(f.reserved), as_size(f.reserved_size));
  read.write_protect = header[as_size(f.write_protect)];
  read.media_type = header[as_size(f.media_type)];
  read.disk_size = read_u32(header, as_size(f.disk_size));
  for (std::size_t entry = 0; entry < read.track_table.size(); ++entry)
    read.track_table[entry] = read_u32(header, as_size(f.track_table) + 4 * entry);
  return read;
}

D88SectorHeader built_sector_header(int s) {
  SectorAddress sector = sector_address(s);
  return {.c = sector.c,
          .h = sector.h,
          .r = sector.r,
          .n = sector.n,
          .sector_count = kDisk.sectors,
          .density = 0,
          .deleted = 0,
          .status = 0,
          .reserved = {},
          .data_size = kDisk.sector_size};
}

D88SectorHeader decode_sector_header(std::span<const Byte> header) {
  constexpr D88SectorFields f = kD88Sector;
  return {.c = header[as_size(f.c)],
          .h = header[as_size(f.h)],
          .r = header[as_size(f.r)],
          .n = header[as_size(f.n)],
          .sector_count = read_u16(header, as_size(f.sector_count)),
          .density = header[as_size(f.density)],
          .deleted = header[as_size(f.deleted)],
          .status = header[as_size(f.status)],
          .reserved = header.subspan(as_size(f.reserved), as_size(f.reserved_size)),
          .data_size = read_u16(header, as_size(f.data_size))};
}

D88Read decode_d88_image(std::span<const Byte> file) {
  D88Read d88;
  d88.file = file;
  if (file.size() < as_size(kD88.header_size)) return d88;
  d88.header_whole = true;
  d88.header = decode_d88_header(file);
  d88.whole_sectors = static_cast<int>(std::min<std::size_t>(
      (file.size() - as_size(kD88.header_size)) / kSectorRecordSize, kDiskSectors));
  return d88;
}

D88SectorHeader D88Read::sector_header(int s) const {
  return decode_sector_header(
      file.subspan(as_size(sector_record_offset(s)), kD88.sector_header_size));
}

std::span<const Byte> D88Read::sector_data(int s) const {
  return file.subspan(as_size(sector_record_offset(s) + kD88.sector_header_size), kSectorSize);
}

// --- The check ------------------------------------------------------------------------------

namespace {

bool all_are(std::span<const Byte> bytes, Byte value) {
  return std::all_of(bytes.begin(), bytes.end(), [value](Byte b) { return b == value; });
}

// The header every build writes, read back as the check reads a file's.
const D88Header& built_header() {
  static const D88HeaderBytes bytes = encode_d88_header();
  static const D88Header header = decode_d88_header(bytes);
  return header;
}

constexpr at::Header kHeader;

void check_d88_header(const D88Read& d88, Findings& findings) {
  const D88Header& header = d88.header;
  const D88Header& built = built_header();
  if (!header.name.empty()) {
    findings.push_back({.place = kHeader,
                        .field = "name",
                        .value = Value::name(std::string(header.name.begin(), header.name.end())),
                        .expected = Value::text("\"\" (zero bytes)")});
  }
  for (std::size_t i = 0; i < header.reserved.size(); ++i) {
    if (header.reserved[i] == built.reserved[i]) continue;
    int offset = kD88Header.reserved + static_cast<int>(i);
    findings.push_back({.place = kHeader,
                        .field = format("reserved byte 0x%02X", offset),
                        .value = Value::hex(header.reserved[i], 2),
                        .expected = Value::hex(built.reserved[i], 2),
                        .facts = {{"offset", Value::hex(offset, 2)}}});
  }
  struct ByteField {
    const char* name;
    Byte value, expected;
  };
  for (const ByteField& f : {ByteField{"write protect", header.write_protect, built.write_protect},
                             ByteField{"media type", header.media_type, built.media_type}}) {
    if (f.value == f.expected) continue;
    findings.push_back({.place = kHeader,
                        .field = f.name,
                        .value = Value::hex(f.value, 2),
                        .expected = Value::hex(f.expected, 2)});
  }
  if (header.disk_size != built.disk_size) {
    findings.push_back({.place = kHeader,
                        .field = "disk size",
                        .value = Value::number(header.disk_size),
                        .expected = Value::number(built.disk_size)});
  }
}

bool check_track_table(const D88Header& header, Findings& findings) {
  std::size_t before = findings.size();
  for (std::size_t entry = 0; entry < header.track_table.size(); ++entry) {
    std::uint32_t expected = built_header().track_table[entry];
    if (header.track_table[entry] == expected) continue;
    findings.push_back({.place = kHeader,
                        .field = format("track table entry %zu", entry),
                        .value = Value::hex(header.track_table[entry], 1),
                        .expected = Value::hex(expected, 1),
                        .facts = {{"entry", Value::number(static_cast<std::int64_t>(entry))}}});
  }
  return findings.size() == before;
}

struct SectorField {
  const char* name;
  int D88SectorHeader::*field;
};
constexpr SectorField kSectorFields[] = {
    {"C", &D88SectorHeader::c},
    {"H", &D88SectorHeader::h},
    {"R", &D88SectorHeader::r},
    {"N", &D88SectorHeader::n},
    {"sector count", &D88SectorHeader::sector_count},
    {"density", &D88SectorHeader::density},
    {"deleted mark", &D88SectorHeader::deleted},
    {"status", &D88SectorHeader::status},
    {"data size", &D88SectorHeader::data_size},
};

// Each field of sector s's header against the header a build writes there.
void check_sector_header(const D88SectorHeader& header, int s, Findings& findings) {
  D88SectorHeader built = built_sector_header(s);
  for (const SectorField& f : kSectorFields) {
    if (header.*f.field == built.*f.field) continue;
    findings.push_back({.place = sector_at(s),
                        .field = f.name,
                        .value = Value::number(header.*f.field),
                        .expected = Value::number(built.*f.field)});
  }
  if (!all_are(header.reserved, 0)) {
    findings.push_back({.place = sector_at(s),
                        .field = "reserved field",
                        .value = Value::bytes(header.reserved),
                        .expected = Value::bytes(std::array<Byte, kD88Sector.reserved_size>{})});
  }
}

// A byte of the raw disk image held in the sectors, named by its sector.
Place held_place(std::size_t offset) {
  at::Sector sector = sector_at(static_cast<int>(offset / kSectorSize));
  sector.byte = static_cast<int>(offset % kSectorSize);
  return sector;
}

bool is_raw_disk_of_a_build(std::span<const Byte> image) {
  return check_raw_disk_image(image).findings.empty();
}

// The sectors that hold the raw disk image: those before the 0xFF fill, unless a sector of the
// fill was changed, which the first whole tracks that hold a raw disk image then tell.
int sectors_with_data(std::span<const Byte> data, int before_fill) {
  int tracks = before_fill / kDisk.sectors;
  if (before_fill % kDisk.sectors == 0 &&
      is_raw_disk_of_a_build(data.first(static_cast<std::size_t>(tracks) * kBlockSize))) {
    return before_fill;
  }
  for (int t = kSmallestLayout.blocks; t <= std::min(tracks, kLargestLayout.blocks); ++t) {
    if (is_raw_disk_of_a_build(data.first(static_cast<std::size_t>(t) * kBlockSize))) {
      return t * kDisk.sectors;
    }
  }
  return before_fill;
}

// Each sector after the raw disk image that is not all 0xFF fill.
void check_fill(std::span<const Byte> data, int with_data, Findings& findings) {
  for (int s = with_data; s < kDiskSectors; ++s) {
    std::span<const Byte> bytes = data.subspan(as_size(s * kDisk.sector_size), kSectorSize);
    auto changed = std::find_if(bytes.begin(), bytes.end(), [](Byte b) { return b != kD88Fill; });
    if (changed == bytes.end()) continue;
    auto byte = changed - bytes.begin();
    findings.push_back({.place = sector_at(s),
                        .field = format("byte %td of the fill", byte),
                        .value = Value::hex(*changed, 2),
                        .expected = Value::hex(kD88Fill, 2),
                        .facts = {{"byte", Value::number(byte)}}});
  }
}

// The sectors in disk order: their headers checked, the data of those before the 0xFF fill
// gathered as the raw disk image they hold, when the file holds every sector.
void check_sectors(D88Check& check) {
  const D88Read& d88 = check.d88;
  std::vector<Byte> data;
  int fill_run = 0;  // 0xFF sectors since the last sector with data
  for (int s = 0; s < kDiskSectors; ++s) {
    if (s == d88.whole_sectors) {
      check.findings.push_back(
          {.place = sector_at(s),
           .note = format("the file ends inside its record, which starts at offset %d",
                          sector_record_offset(s)),
           .facts = {{"record_offset", Value::number(sector_record_offset(s))}}});
      return;
    }
    check_sector_header(d88.sector_header(s), s, check.findings);
    std::span<const Byte> bytes = d88.sector_data(s);
    fill_run = all_are(bytes, kD88Fill) ? fill_run + 1 : 0;
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  int with_data = sectors_with_data(data, kDiskSectors - fill_run);
  check_fill(data, with_data, check.findings);
  check.sectors_with_data = with_data;
  if (with_data % kDisk.sectors != 0) {
    check.findings.push_back(
        {.place = at::Cylinder{with_data / kDisk.sectors},
         .note = "the sectors with data end inside this track; a build copies whole tracks"});
    return;
  }
  data.resize(static_cast<std::size_t>(with_data) * kSectorSize);
  check.held_check = check_raw_disk_image(data, held_place);
  check.findings.insert(check.findings.end(), check.held_check->findings.begin(),
                        check.held_check->findings.end());
  check.held = std::move(data);
}

}  // namespace

D88Check check_d88_image(std::span<const Byte> file) {
  D88Check check{.d88 = decode_d88_image(file)};
  if (file.size() != kD88Size) {
    check.findings.push_back(
        {.field = "size",
         .value = Value::number(static_cast<std::int64_t>(file.size())),
         .expected = Value::number(kD88Size),
         .unit = "byte",
         .note = check.d88.header_whole
                     ? ""
                     : format("the file ends inside the %d-byte header", kD88.header_size),
         .facts = check.d88.header_whole
                      ? Facts{}
                      : Facts{{"header_size", Value::number(kD88.header_size)}}});
  }
  if (!check.d88.header_whole) return check;
  check_d88_header(check.d88, check.findings);
  check.table_as_built = check_track_table(check.d88.header, check.findings);
  check_sectors(check);
  return check;
}

// Encodes the raw disk image as it is read back.
void write_d88_image(Folder& folder) {
  Sink d88;
  create_output(folder, d88, kD88Name);
  Source raw_disk;
  if (!try_open_input(folder, raw_disk, kRawDiskName))
    fail_file("cannot open %s for reading", kRawDiskName);
  encode_d88(raw_disk, d88);
  close_input(raw_disk);
  close_output(d88);
}

}  // namespace flyseat
