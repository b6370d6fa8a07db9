#include "hfe.hpp"

#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>

#include "flyseat/little_endian.hpp"
#include "flyseat/text.hpp"
#include "recognise.hpp"

namespace flyseat::inspect {
namespace {

constexpr std::size_t as_size(int n) {
  return static_cast<std::size_t>(n);
}

constexpr std::array<Byte, 8> kSignature = {'H', 'X', 'C', 'P', 'I', 'C', 'F', 'E'};

// A header field after the signature; its offset follows from the widths before it.
struct HfeField {
  const char* name;
  int HfeHeader::*member;
  int width;       // bytes: 1, or 2 little-endian
  int value;       // what convert writes
  int hex_digits;  // as a finding shows it; 0 for decimal
};
constexpr HfeField kFields[] = {
    {"revision", &HfeHeader::revision, 1, 0, 0},
    {"tracks", &HfeHeader::tracks, 1, kHfe.tracks, 0},
    {"sides", &HfeHeader::sides, 1, kHfe.sides, 0},
    {"track encoding", &HfeHeader::encoding, 1, 0, 0},  // MFM
    {"bit rate", &HfeHeader::bit_rate, 2, kHfe.bit_rate, 0},
    {"rpm", &HfeHeader::rpm, 2, kHfe.rpm, 0},
    {"interface mode", &HfeHeader::interface_mode, 1, 7, 0},  // a generic double-density drive
    {"free byte", &HfeHeader::free_byte, 1, 0x00, 2},
    {"track table block", &HfeHeader::table_block, 2, kHfe.table_block, 0},
    {"write allowed", &HfeHeader::write_allowed, 1, 0xFF, 2},
    {"single step", &HfeHeader::single_step, 1, 0xFF, 2},
    {"side 0 alternate encoding of track 0", &HfeHeader::side0_alternate, 2, 0xFFFF, 4},  // none
    {"side 1 alternate encoding of track 0", &HfeHeader::side1_alternate, 2, 0xFFFF, 4}};
static_assert(std::size(kFields) == 13);

constexpr std::size_t field_offset(std::size_t field) {
  std::size_t at = kSignature.size();
  for (std::size_t f = 0; f < field; ++f)
    at += as_size(kFields[f].width);
  return at;
}
static_assert(field_offset(std::size(kFields)) == 26);

constexpr std::size_t kTable = as_size(kHfe.table_block * kHfe.block_size);
constexpr int track_block(int t) {
  return kHfe.first_track_block + t * kHfe.blocks_a_track;
}
// Where byte k of a side's cells lies in its track: the sides alternate a piece at a time.
constexpr std::size_t side_offset(std::size_t k, std::size_t side) {
  constexpr auto piece = as_size(kHfe.piece_size);
  return k / piece * as_size(kHfe.block_size) + side * piece + k % piece;
}

constexpr Byte kSyncByte = 0xA1, kIndexByte = 0xC2, kIdMark = 0xFE, kDataMark = 0xFB,
               kIndexMark = 0xFC, kGap = 0x4E;
// A sync is its byte's cells with one clock cell left out, which no data byte makes.
constexpr unsigned kSync = 0x4489, kIndexSync = 0x5224;
// A larger N is read as this: the shift stays defined, and 16 KiB is more than a track holds.
constexpr int kLargestSizeCode = 7;

// The cells of a data byte, the first in time at the high bit: for each bit, high bit first, a
// clock cell (1 only between two 0 bits), then the bit.
constexpr unsigned mfm(Byte b, unsigned before) {
  unsigned cells = 0;
  for (int i = 7; i >= 0; --i) {
    unsigned bit = b >> i & 1u;
    cells = cells << 2 | (before | bit ? 0u : 2u) | bit;
    before = bit;
  }
  return cells;
}
static_assert(mfm(kSyncByte, 0) == (kSync | 0x20) && mfm(kIndexByte, 0) == (kIndexSync | 0x80));

// The file holds the first cell in time at bit 0 of a byte.
constexpr Byte reversed(unsigned cells) {
  unsigned r = 0;
  for (int i = 0; i < 8; ++i)
    r = r << 1 | (cells >> i & 1u);
  return static_cast<Byte>(r);
}

// Writes one side's cells into its pieces of a track, a data byte at a time.
class CellWriter {
 public:
  CellWriter(std::span<Byte> track, std::size_t side) : track_(track), side_(side) {}
  void cells(unsigned cells, Byte b) {
    put(reversed(cells >> 8));
    put(reversed(cells & 0xFF));
    before_ = b & 1u;
  }
  void bytes(std::span<const Byte> bytes) {
    for (Byte b : bytes)
      cells(mfm(b, before_), b);
  }
  void bytes(int n, Byte b) {
    for (int i = 0; i < n; ++i)
      bytes(std::span(&b, 1));
  }
  // The zeros before a mark, its three syncs and its byte.
  void mark(unsigned sync, Byte sync_byte, Byte mark) {
    bytes(kHfe.zeros, 0x00);
    for (int i = 0; i < 3; ++i)
      cells(sync, sync_byte);
    bytes(1, mark);
  }

 private:
  void put(Byte b) { track_[side_offset(at_++, side_)] = b; }
  std::span<Byte> track_;
  std::size_t side_, at_ = 0;
  unsigned before_ = 0;  // the track's first clock as if a 0 came before
};

std::uint16_t record_crc(Byte mark, std::span<const Byte> body) {
  const std::array<Byte, 4> head = {kSyncByte, kSyncByte, kSyncByte, mark};
  return crc_ccitt(body, crc_ccitt(head));
}

void write_record(CellWriter& w, Byte mark, std::span<const Byte> body) {
  const std::uint16_t crc = record_crc(mark, body);
  w.mark(kSync, kSyncByte, mark);
  w.bytes(body);
  w.bytes(std::array{static_cast<Byte>(crc >> 8), static_cast<Byte>(crc & 0xFF)});
}

void encode_track(const D88Read& d88, int c, std::span<Byte> track) {
  CellWriter w(track, 0);
  w.bytes(kHfe.gap_index, kGap);
  w.mark(kIndexSync, kIndexByte, kIndexMark);
  w.bytes(kHfe.gap_first, kGap);
  for (int s = c * kDisk.sectors; s < (c + 1) * kDisk.sectors; ++s) {
    const D88SectorHeader h = d88.sector_header(s);
    write_record(w, kIdMark,
                 std::array{static_cast<Byte>(h.c), static_cast<Byte>(h.h), static_cast<Byte>(h.r),
                            static_cast<Byte>(h.n)});
    w.bytes(kHfe.gap_id, kGap);
    write_record(w, kDataMark, d88.sector_data(s));
    w.bytes(kHfe.gap_data, kGap);
  }
  w.bytes(kHfe.gap_end, kGap);
  CellWriter(track, 1).bytes(kHfe.track_bytes / 2, kGap);
}

}  // namespace

void encode_hfe(const D88Read& d88, HfeImage& hfe) {
  std::fill(hfe.begin(), hfe.end(), Byte{0x00});
  std::fill_n(hfe.begin(), kHfe.header_size, Byte{0xFF});
  std::fill_n(hfe.begin() + kTable, kHfe.block_size, Byte{0xFF});
  std::copy(kSignature.begin(), kSignature.end(), hfe.begin());
  for (std::size_t f = 0; f < std::size(kFields); ++f) {
    const auto value = static_cast<std::uint32_t>(kFields[f].value);
    if (kFields[f].width == 1) hfe[field_offset(f)] = static_cast<Byte>(value);
    if (kFields[f].width == 2) write_u16(hfe, field_offset(f), value);
  }
  for (int t = 0; t < kHfe.tracks; ++t) {
    write_u16(hfe, kTable + 4 * as_size(t), static_cast<std::uint32_t>(track_block(t)));
    write_u16(hfe, kTable + 4 * as_size(t) + 2, kHfeTrackLength);
    encode_track(d88, t,
                 std::span(hfe).subspan(as_size(track_block(t) * kHfe.block_size),
                                        as_size(kHfe.blocks_a_track * kHfe.block_size)));
  }
}

namespace {

// A side's cells gathered from its pieces: cell i is bit i % 8 of byte i / 8.
class Cells {
 public:
  explicit Cells(std::span<const Byte> bytes) : bytes_(bytes) {}
  // Whether `n` data bytes from cell i lie on the track.
  bool hold(std::size_t i, std::size_t n) const { return i + 16 * n <= bytes_.size() * 8; }
  // 16 cells from cell i, the first at the high bit.
  unsigned word(std::size_t i) const {
    unsigned w = 0;
    for (std::size_t k = i; k < i + 16; ++k)
      w = w << 1 | at(k);
    return w;
  }
  // The k-th data byte from cell i: the second cell of each pair.
  Byte byte(std::size_t i, std::size_t k = 0) const {
    unsigned b = 0;
    for (std::size_t bit = 0; bit < 8; ++bit)
      b = b << 1 | at(i + 16 * k + 2 * bit + 1);
    return static_cast<Byte>(b);
  }
  std::uint16_t crc(std::size_t i, std::size_t k) const {
    return static_cast<std::uint16_t>(byte(i, k) << 8 | byte(i, k + 1));
  }
  // The first cell of the mark byte after the first three syncs in a row from cell i on.
  std::optional<std::size_t> mark(unsigned sync, std::size_t i) const {
    unsigned window = 0;
    for (std::size_t end = i; hold(end + 1, 3); ++end) {
      window = (window << 1 | at(end)) & 0xFFFF;
      if (end >= i + 15 && window == sync && word(end + 1) == sync && word(end + 17) == sync)
        return end + 33;
    }
    return std::nullopt;
  }

 private:
  unsigned at(std::size_t i) const { return bytes_[i / 8] >> (i % 8) & 1u; }
  std::span<const Byte> bytes_;
};

// Each ID mark, then the data mark that follows it before the next ID mark.
void decode_track(const Cells& cells, HfeTrack& track) {
  const auto index = cells.mark(kIndexSync, 0);
  track.index_mark = index && cells.byte(*index) == kIndexMark;
  bool awaits_data = false;
  for (std::size_t from = 0; const auto at = cells.mark(kSync, from);) {
    from = *at + 16;
    if (cells.byte(*at) == kIdMark && cells.hold(*at, 7)) {
      const std::array id = {cells.byte(*at, 1), cells.byte(*at, 2), cells.byte(*at, 3),
                             cells.byte(*at, 4)};
      track.sectors.push_back({.c = id[0],
                               .h = id[1],
                               .r = id[2],
                               .n = id[3],
                               .id_crc = record_crc(kIdMark, id),
                               .id_crc_read = cells.crc(*at, 5)});
      awaits_data = true;
    } else if (cells.byte(*at) == kDataMark && awaits_data) {
      awaits_data = false;
      HfeSector& sector = track.sectors.back();
      const auto size = as_size(128 << std::min(sector.n, kLargestSizeCode));
      if (!cells.hold(*at, 1 + size + 2)) continue;
      sector.data.resize(size);
      for (std::size_t k = 0; k < size; ++k)
        sector.data[k] = cells.byte(*at, 1 + k);
      sector.has_data = true;
      sector.data_crc = record_crc(kDataMark, sector.data);
      sector.data_crc_read = cells.crc(*at, 1 + size);
      from = *at + 16 * (1 + size + 2);
    }
  }
}

HfeHeader read_header(std::span<const Byte> file) {
  HfeHeader header{.signature = file.first(kSignature.size())};
  for (std::size_t f = 0; f < std::size(kFields); ++f)
    header.*kFields[f].member =
        kFields[f].width == 1 ? file[field_offset(f)] : read_u16(file, field_offset(f));
  return header;
}

}  // namespace

HfeRead decode_hfe(std::span<const Byte> file) {
  HfeRead read;
  if (file.size() < as_size(kHfe.header_size)) return read;
  read.header_whole = true;
  read.header = read_header(file);
  const std::size_t table = as_size(read.header.table_block * kHfe.block_size);
  read.table_inside = table + 4 * as_size(read.header.tracks) <= file.size();
  if (!read.table_inside) return read;
  std::vector<Byte> side;
  for (std::size_t entry = table; entry < table + 4 * as_size(read.header.tracks); entry += 4) {
    HfeTrack& track = read.tracks.emplace_back();
    track.block = read_u16(file, entry);
    track.length = read_u16(file, entry + 2);
    const auto start = as_size(track.block * kHfe.block_size);
    const auto blocks = as_size((track.length + kHfe.block_size - 1) / kHfe.block_size);
    track.inside = start + blocks * as_size(kHfe.block_size) <= file.size();
    if (!track.inside) continue;
    side.resize(as_size(track.length / 2));
    for (std::size_t k = 0; k < side.size(); ++k)
      side[k] = file[start + side_offset(k, 0)];
    decode_track(Cells(side), track);
  }
  return read;
}

int hfe_certainty(std::span<const Byte> file) {
  if (file.size() < kSignature.size() ||
      !std::equal(kSignature.begin(), kSignature.end(), file.begin()))
    return 0;
  if (file.size() < kTable + 4) return kHfeWeights.signature;
  const HfeHeader h = read_header(file);
  const bool geometry = h.tracks == kHfe.tracks && h.sides == kHfe.sides && h.encoding == 0 &&
                        h.bit_rate == kHfe.bit_rate && h.rpm == kHfe.rpm;
  const bool first_track = read_u16(file, kTable) == kHfe.first_track_block &&
                           read_u16(file, kTable + 2) == kHfeTrackLength;
  return kHfeWeights.signature + (geometry ? kHfeWeights.geometry : 0) +
         (first_track ? kHfeWeights.first_track : 0) +
         (file.size() == kHfeSize ? kHfeWeights.size : 0);
}

namespace {

// A number that a field holds where convert writes `expected`; `hex_digits` 0 for decimal.
Finding number_is(Place place, const char* field, std::int64_t value, std::int64_t expected,
                  int hex_digits = 0, const char* unit = nullptr) {
  return {.place = std::move(place),
          .field = field,
          .value = Value::hex(value, hex_digits),
          .expected = Value::hex(expected, hex_digits),
          .unit = unit};
}
Finding note_at(Place place, std::string note) {
  return {.place = std::move(place), .note = std::move(note)};
}
std::int64_t count(std::size_t n) {
  return static_cast<std::int64_t>(n);
}

// The fields; the padding after them, like the gaps, is not judged.
void check_header(const HfeHeader& header, Findings& out) {
  auto text = [](auto bytes) { return Value::name(std::string(bytes.begin(), bytes.end())); };
  if (!std::equal(kSignature.begin(), kSignature.end(), header.signature.begin()))
    out.push_back({.place = at::Header{},
                   .field = "signature",
                   .value = text(header.signature),
                   .expected = text(kSignature)});
  for (const HfeField& f : kFields) {
    if (header.*f.member != f.value)
      out.push_back(number_is(at::Header{}, f.name, header.*f.member, f.value, f.hex_digits));
  }
}

// Each of C, H, R and N of sector s's ID that is not as expected.
void check_id(const SectorAddress& id, const D88SectorHeader& expected, int s, Findings& out) {
  const std::tuple<const char*, int, int> fields[] = {{"C", id.c, expected.c},
                                                      {"H", id.h, expected.h},
                                                      {"R", id.r, expected.r},
                                                      {"N", id.n, expected.n}};
  for (const auto& [name, value, wanted] : fields) {
    if (value != wanted) out.push_back(number_is(sector_at(s), name, value, wanted));
  }
}

void check_sector(const HfeSector& sector, int s, Findings& out) {
  check_id({.c = sector.c, .h = sector.h, .r = sector.r, .n = sector.n}, built_sector_header(s), s,
           out);
  if (!sector.id_crc_right())
    out.push_back(number_is(sector_at(s), "ID CRC", sector.id_crc_read, sector.id_crc, 4));
  if (!sector.has_data)
    out.push_back(note_at(sector_at(s), "no whole data mark follows its ID mark"));
  else if (!sector.data_crc_right())
    out.push_back(number_is(sector_at(s), "data CRC", sector.data_crc_read, sector.data_crc, 4));
}

// Track t's table entry and its sectors, R 1 to 16 in order, each once; the data of each is
// gathered in `check` in disk order. Whether it holds all 16, of the disk's size.
bool check_track(int t, const HfeTrack& track, HfeCheck& check) {
  Findings& out = check.findings;
  const at::Cylinder place{t};
  if (track.block != track_block(t))
    out.push_back(number_is(place, "track offset", track.block, track_block(t), 0, "block"));
  if (track.length != kHfeTrackLength)
    out.push_back(number_is(place, "track length", track.length, kHfeTrackLength, 0, "byte"));
  if (!track.inside) {
    out.push_back(note_at(place, "its blocks lie past the end of the file"));
    return false;
  }
  if (!track.index_mark) out.push_back(note_at(place, "no index mark"));
  std::array<bool, kDisk.sectors> found{};
  bool whole = true;
  int last_r = 0;
  for (const HfeSector& sector : track.sectors) {
    const int s = t * kDisk.sectors + sector.r - 1;
    if (sector.r < 1 || sector.r > kDisk.sectors || found[as_size(sector.r - 1)]) {
      out.push_back(
          {.place = place, .field = "R of an extra sector", .value = Value::number(sector.r)});
      continue;
    }
    found[as_size(sector.r - 1)] = true;
    if (sector.r < last_r)
      out.push_back(
          note_at(sector_at(s), format("it comes after R %d; the track holds R 1 to %d in order",
                                       last_r, kDisk.sectors)));
    last_r = sector.r;
    check_sector(sector, s, out);
    whole = whole && sector.data.size() == as_size(kDisk.sector_size);
    if (!whole) continue;
    std::copy(sector.data.begin(), sector.data.end(), check.held.begin() + s * kDisk.sector_size);
    check.ids[as_size(s)] = {.c = sector.c, .h = sector.h, .r = sector.r, .n = sector.n};
  }
  for (int s = t * kDisk.sectors; s < (t + 1) * kDisk.sectors; ++s) {
    if (found[as_size(s % kDisk.sectors)]) continue;
    out.push_back(note_at(sector_at(s), "the track holds no ID mark of it"));
    whole = false;
  }
  return whole;
}

}  // namespace

HfeCheck check_hfe(std::span<const Byte> file) {
  HfeCheck check{.hfe = decode_hfe(file)};
  const HfeRead& hfe = check.hfe;
  if (file.size() != kHfeSize) {
    check.findings.push_back(number_is({}, "size", count(file.size()), kHfeSize, 0, "byte"));
    if (!hfe.header_whole)
      check.findings.back().note =
          format("the file ends inside the %d-byte header", kHfe.header_size);
  }
  if (!hfe.header_whole) return check;
  check_header(hfe.header, check.findings);
  if (!hfe.table_inside) {
    check.findings.push_back(
        note_at(at::Header{}, "the track table lies past the end of the file"));
    return check;
  }
  check.held.resize(as_size(kDiskSectors * kDisk.sector_size));
  check.ids.resize(as_size(kDiskSectors));
  bool whole = hfe.tracks.size() >= as_size(kHfe.tracks);
  for (int t = 0; t < std::min(kHfe.tracks, static_cast<int>(hfe.tracks.size())); ++t)
    whole = check_track(t, hfe.tracks[as_size(t)], check) && whole;
  if (!whole) {
    check.held.clear();
    check.ids.clear();
    return check;
  }
  check.d88.resize(kD88Size);
  encode_d88_image(check.held, check.d88);
  return check;
}

std::optional<Finding> hfe_difference(std::span<const Byte> file, const D88Read& d88) {
  const HfeCheck check = check_hfe(file);
  if (check.held.empty()) return check.findings.front();
  for (int s = 0; s < kDiskSectors; ++s) {
    if (s >= d88.whole_sectors)
      return Finding{.place = sector_at(s),
                     .note = "the D88 image ends before its record is whole"};
    Findings differences;
    check_id(check.ids[as_size(s)], d88.sector_header(s), s, differences);
    if (!differences.empty()) return differences.front();
    const std::span<const Byte> ours = d88.sector_data(s),
                                theirs = std::span(check.held)
                                             .subspan(as_size(s) * ours.size(), ours.size());
    const auto [a, b] = std::mismatch(theirs.begin(), theirs.end(), ours.begin());
    if (a == theirs.end()) continue;
    at::Sector place = sector_at(s);
    place.byte = static_cast<int>(a - theirs.begin());
    return number_is(place, "data", *a, *b, 2);
  }
  return std::nullopt;
}

std::optional<std::string> hfe_of(std::span<const Byte> image, HfeImage& hfe) {
  ImageKind kind = recognise_image(image).kind;
  std::vector<Byte> d88(image.begin(), image.end());
  if (kind == ImageKind::raw_disk) {
    if (image.size() > kDiskBytes)
      return format("%zu tracks, more than the disk's %d", image.size() / kBlockSize, kDiskTracks);
    d88.resize(kD88Size);
    encode_d88_image(image, d88);
  } else if (kind != ImageKind::d88) {
    if (is_tape(kind)) return std::string("a tape image holds no disk");
    return std::string("neither a D88 image nor a raw disk image");
  }
  D88Check check = check_d88_image(d88);
  bool geometry = d88.size() == kD88Size && check.table_as_built;
  for (int s = 0; geometry && s < kDiskSectors; ++s) {
    D88SectorHeader h = check.d88.sector_header(s);
    geometry = h.h == 0 && h.n == kDisk.size_code && h.sector_count == kDisk.sectors &&
               h.data_size == kDisk.sector_size;
  }
  if (!geometry)
    return format("not the disk's geometry: %d cylinders, one side, %d sectors of %d bytes",
                  kDisk.cylinders, kDisk.sectors, kDisk.sector_size);
  encode_hfe(check.d88, hfe);
  return std::nullopt;
}

}  // namespace flyseat::inspect
