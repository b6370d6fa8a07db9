// The HFE image: its bytes against the format's description, a track read back by its sync
// marks, each damage named by its place, and the disk it holds whatever raw disk image it came of.
#include <gtest/gtest.h>

#include <memory>

#include "flyseat/text.hpp"
#include "hfe.hpp"
#include "info.hpp"
#include "support.hpp"

namespace flyseat::inspect {
namespace {

using test::Bytes, test::bytes, test::changed, test::cut;

template <typename Image, typename Encode>
Bytes made(Encode encode) {
  auto image = std::make_unique<Image>();
  encode(*image);
  return Bytes(image->begin(), image->end());
}
Bytes hfe_of(const Bytes& d88) {
  return made<HfeImage>([&](HfeImage& hfe) { encode_hfe(decode_d88_image(d88), hfe); });
}
Bytes d88_of(const Bytes& raw) {
  return made<D88Image>([&](D88Image& d88) { encode_d88_image(raw, d88); });
}

// The sample's D88 image and its HFE, made once.
const Bytes& sample_d88() {
  static const Bytes d88 = test::text_bytes(test::sample_outputs()[3]);
  return d88;
}
const Bytes& sample_hfe() {
  static const Bytes hfe = hfe_of(sample_d88());
  return hfe;
}

// Where byte k of track c's side 0 lies: 256-byte pieces, one a 512-byte block, from block 2.
std::size_t side0(int c, std::size_t k) {
  return 512 * (2 + 49 * static_cast<std::size_t>(c) + k / 256) + k % 256;
}
// The file with the data cell of bit 0 of data byte k of track c flipped: a data byte is a
// pair of cell bytes, the first cell in time at bit 0.
Bytes flipped(Bytes file, int c, std::size_t k) {
  file.at(side0(c, 2 * k + 1)) ^= 0x80;
  return file;
}
// Data byte k of the ID mark (its 0xFE is k = 0) of the sector with index i on its track.
std::size_t id_byte(int i, std::size_t k) {
  return 161 + 372 * static_cast<std::size_t>(i) + k;
}

TEST(HfeEncode, WritesTheHeaderTheTrackTableAndTheCellsAsDescribed) {
  struct Case {
    const char* what;
    std::size_t offset;
    Bytes bytes;
  };
  const Case cases[] = {
      {"signature", 0, test::text_bytes("HXCPICFE")},
      {"revision to single step", 8,
       bytes({0, 40, 1, 0, 0xFA, 0, 0x2C, 1, 7, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
      {"the header's padding", 508, bytes({0xFF, 0xFF, 0xFF, 0xFF})},
      {"tracks 0 and 1 in the table", 0x200, bytes({2, 0, 0xA8, 0x61, 51, 0, 0xA8, 0x61})},
      {"track 39 in the table, then padding", 0x29C, bytes({0x79, 7, 0xA8, 0x61, 0xFF})},
      {"the end of the table's block", 0x3FF, bytes({0xFF})},
      {"a gap's cells on side 0, then side 1", side0(0, 254), bytes({0x49, 0x2A, 0x49, 0x2A})},
      {"the first ID mark's syncs", side0(0, 316), bytes({0x22, 0x91, 0x22, 0x91, 0x22, 0x91})},
      {"the last piece of side 0, then zeros", side0(39, 12499), bytes({0x2A, 0, 0})},
      {"the last piece of side 1, then zeros", side0(39, 12499) + 256, bytes({0x2A, 0})}};
  for (const Case& c : cases) {
    const auto at = sample_hfe().begin() + static_cast<long>(c.offset);
    EXPECT_EQ(Bytes(at, at + static_cast<long>(c.bytes.size())), c.bytes) << c.what;
  }
}

TEST(HfeDecode, ReadsATrackBackToItsSectorsAndTheirCrcs) {
  EXPECT_EQ(crc_ccitt(test::text_bytes("123456789")), 0x29B1);  // the CRC's known answer
  const HfeRead hfe = decode_hfe(sample_hfe());
  ASSERT_EQ(hfe.tracks.size(), 40u);
  EXPECT_EQ(hfe.tracks[0].sectors.at(0).id_crc_read, 0xFA0C);
  const std::vector<HfeSector>& sectors = hfe.tracks[6].sectors;
  ASSERT_EQ(sectors.size(), 16u);
  for (int r = 1; r <= 16; ++r) {
    const HfeSector& sector = sectors[static_cast<std::size_t>(r - 1)];
    EXPECT_EQ(std::vector({sector.c, sector.h, sector.r, sector.n}), std::vector({6, 0, r, 1}));
    EXPECT_TRUE(sector.id_crc_right() && sector.data_crc_right()) << "R " << r;
    const auto data = decode_d88_image(sample_d88()).sector_data(96 + r - 1);
    EXPECT_EQ(sector.data, Bytes(data.begin(), data.end())) << "R " << r;
  }
}

TEST(HfeCheck, NamesEachDamageByItsTrackAndR) {
  const Bytes& hfe = sample_hfe();
  // R 4 and R 5 of cylinder 3 swapped in the D88 image's sector headers.
  const Bytes swapped = hfe_of(changed(changed(sample_d88(), test::sector_record(51) + 2, {5}),
                                       test::sector_record(52) + 2, {4}));
  std::string track_2_as_1 = "cylinder 1: track offset is 100 blocks, expected 51 blocks\n";
  for (int s = 16; s < 32; ++s)
    track_2_as_1 += format("sector %d (cylinder 1, R %d): C is 2, expected 1\n", s, s - 15);
  struct Case {
    const char* what;
    Bytes file;
    std::string findings;
    bool holds_disk = true;  // every track holds its 16 sectors
  };
  const Case cases[] = {
      {"a cell of an ID's C", flipped(hfe, 2, id_byte(5, 1)),
       "sector 37 (cylinder 2, R 6): C is 3, expected 2\n"
       "sector 37 (cylinder 2, R 6): ID CRC is 0x8EF3, expected 0xF847\n"},
      {"a cell of a sector's data", flipped(hfe, 39, id_byte(15, 45 + 100)),
       "sector 639 (cylinder 39, R 16): data CRC is 0xFBE5, expected 0xB749\n"},
      {"a cell of an ID mark's sync", flipped(hfe, 0, id_byte(2, 0) - 2),
       "sector 2 (cylinder 0, R 3): the track holds no ID mark of it\n", false},
      {"a sector given twice", hfe_of(changed(sample_d88(), test::sector_record(52) + 2, {4})),
       "cylinder 3: R of an extra sector is 4\nsector 52 (cylinder 3, R 5): the track holds no ID "
       "mark of it\n",
       false},
      {"sectors out of order", swapped,
       "sector 51 (cylinder 3, R 4): it comes after R 5; the track holds R 1 to 16 in order\n"},
      {"track 1's entry naming track 2's blocks", changed(hfe, 0x204, {100}), track_2_as_1},
      {"header fields", changed(changed(hfe, 9, {80}), 20, {0}),
       "header: tracks is 80, expected 40\nheader: write allowed is 0x00, expected 0xFF\n"},
      {"the interface mode", changed(hfe, 16, {5}), "header: interface mode is 5, expected 7\n"},
      {"the last track's length, in whole blocks", changed(hfe, 0x29E, {0x00, 0x62}),
       "cylinder 39: track length is 25088 bytes, expected 25000 bytes\n"},
      {"the last track cut", cut(hfe, hfe.size() - 100),
       "size is 1004444 bytes, expected 1004544 bytes\n"
       "cylinder 39: its blocks lie past the end of the file\n",
       false},
      {"the header cut", cut(hfe, 300),
       "size is 300 bytes, expected 1004544 bytes; the file ends inside the 512-byte header\n",
       false}};
  for (const Case& c : cases) {
    const HfeCheck check = check_hfe(c.file);
    std::string text;
    for (const Finding& finding : check.findings)
      text += finding_text(finding) + "\n";
    EXPECT_EQ(text, c.findings) << c.what;
    EXPECT_EQ(check.held.size(), c.holds_disk ? 640u * 256 : 0) << c.what;
    EXPECT_EQ(check.d88.size(), c.holds_disk ? std::size_t{kD88Size} : 0) << c.what;
  }
}

// info beside an HFE image: a D88 image cut at a record or inside one, and a raw disk image
// larger than the disk, each named as what the HFE image does not hold.
TEST(HfeCheck, SaysWhyItDoesNotHoldTheDiskBesideIt) {
  Bytes big = test::text_bytes(test::sample_outputs()[2]);
  big.resize(41 * 4096);
  const std::pair<Bytes, std::string> cases[] = {
      {cut(sample_d88(), test::sector_record(16)),
       "sector 16 (cylinder 1, R 1): the D88 image ends before its record is whole"},
      {cut(sample_d88(), 5000),
       "sector 15 (cylinder 0, R 16): the D88 image ends before its record is whole"},
      {big, "disk full"}};
  for (const auto& [beside, said] : cases) {
    std::vector<NamedFile> files = {{"a.hfe", {}}, {"b", {}}};
    files[0].read.bytes = sample_hfe();
    files[1].read.bytes = beside;
    const InfoReport report = describe_files(files);
    ASSERT_EQ(report.held.size(), 1u) << said;
    ASSERT_TRUE(report.held[0].difference) << said;
    EXPECT_EQ(finding_text(*report.held[0].difference), said);
  }
}

// Any raw disk image, whole blocks or cut inside a sector: its D88 image holds its whole sectors
// in order and 0xFF after them, and the HFE image of that D88 holds the same sectors, by its
// check and against the D88 image read back; against another disk's D88 image it differs.
TEST(HfeCheck, AnHfeOfAnyRawDiskImageHoldsItsD88ImageSectorForSector) {
  Bytes full(40 * 4096);
  for (std::size_t i = 0; i < full.size(); ++i)
    full[i] = static_cast<Byte>(i * 7919 >> 3);
  const Bytes sample_raw = test::text_bytes(test::sample_outputs()[2]);
  EXPECT_EQ(hfe_of(d88_of(sample_raw)), sample_hfe());
  const Bytes raws[] = {sample_raw, {}, cut(full, 300), cut(full, 5 * 4096 + 300), full};
  for (std::size_t i = 0; i < std::size(raws); ++i) {
    const Bytes d88 = d88_of(raws[i]), hfe = hfe_of(d88);
    const D88Read read = decode_d88_image(d88);
    const HfeCheck check = check_hfe(hfe);
    EXPECT_TRUE(check.findings.empty()) << i << ": " << finding_text(check.findings.at(0));
    Bytes sectors;
    for (int s = 0; s < kDiskSectors; ++s)
      sectors.insert(sectors.end(), read.sector_data(s).begin(), read.sector_data(s).end());
    EXPECT_EQ(check.held, sectors) << i;
    Bytes whole(raws[i].begin(), raws[i].begin() + static_cast<long>(raws[i].size() / 256 * 256));
    whole.resize(sectors.size(), 0xFF);
    EXPECT_EQ(sectors, whole) << i;
    const std::optional<Finding> same = hfe_difference(hfe, read);
    EXPECT_FALSE(same) << i << ": " << finding_text(*same);
    EXPECT_TRUE(hfe_difference(hfe, decode_d88_image(d88_of(raws[(i + 1) % std::size(raws)]))))
        << i;
  }
}

}  // namespace
}  // namespace flyseat::inspect
