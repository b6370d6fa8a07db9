#include <gtest/gtest.h>

#include "flyseat/d88.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/output.hpp"
#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes;
using test::bytes;

// Byte i of a raw disk image stand-in: differs from the fill byte in every sector.
Bytes raw_image(std::size_t size) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i)
    out[i] = static_cast<Byte>((i / 256 + i) % 0xF0);
  return out;
}

struct D88Run {
  Bytes image;          // what was written to flyseat.d88
  std::string failure;  // empty after a complete image
};

// Writes flyseat.d88 in memory from a raw disk image (none when `raw` is null).
D88Run write_d88(const Bytes* raw) {
  std::vector<Byte> room(kD88Size + 4096);
  MemoryFile files[] = {{kRawDiskName,
                         raw ? std::span<const Byte>(*raw) : std::span<const Byte>(),
                         {},
                         raw != nullptr},
                        {kD88Name, {}, room, false}};
  Folder folder{files, nullptr};
  D88Run run;
  try {
    write_d88_image(folder);
  } catch (const Failure& failure) {
    run.failure = failure.message();
  }
  run.image.assign(files[1].bytes.begin(), files[1].bytes.end());
  return run;
}

Bytes at(const Bytes& image, std::size_t offset, std::size_t size) {
  auto first = image.begin() + static_cast<std::ptrdiff_t>(offset);
  return Bytes(first, first + static_cast<std::ptrdiff_t>(size));
}

Bytes sector_header(int c, int r) {
  return bytes({c, 0, r, 1, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x01});
}

// Checks every sector record: its header, and its data against the raw image where that
// holds the sector whole, 0xFF otherwise.
void expect_sectors(const Bytes& image, const Bytes& raw) {
  for (int s = 0; s < 640; ++s) {
    SCOPED_TRACE(testing::Message() << "sector " << s);
    std::size_t record = 688 + 272 * static_cast<std::size_t>(s);
    ASSERT_EQ(at(image, record, 16), sector_header(s / 16, s % 16 + 1));
    std::size_t from = 256 * static_cast<std::size_t>(s);
    Bytes expected = from + 256 <= raw.size() ? at(raw, from, 256) : Bytes(256, 0xFF);
    ASSERT_EQ(at(image, record + 16, 256), expected);
  }
}

TEST(D88Image, HeaderHoldsTheSizeAndTheTrackTable) {
  Bytes raw = raw_image(4 * 4096);
  D88Run run = write_d88(&raw);
  ASSERT_EQ(run.failure, "");
  ASSERT_EQ(run.image.size(), 174768u);
  EXPECT_EQ(at(run.image, 0, 0x1C), Bytes(0x1C, 0));  // name, reserved, protection, media
  EXPECT_EQ(at(run.image, 0x1C, 4), bytes({0xB0, 0xAA, 0x02, 0x00}));
  EXPECT_EQ(at(run.image, 0x20, 4), bytes({0xB0, 0x02, 0x00, 0x00}));
  EXPECT_EQ(at(run.image, 0x24, 4), Bytes(4, 0));  // the absent second side
  EXPECT_EQ(at(run.image, 0x28, 4), bytes({0xB0, 0x13, 0x00, 0x00}));
  EXPECT_EQ(at(run.image, 0x158, 4), bytes({0xB0, 0x99, 0x02, 0x00}));
  EXPECT_EQ(at(run.image, 0x15C, 0x2B0 - 0x15C), Bytes(0x2B0 - 0x15C, 0));
  for (int c = 0; c < 40; ++c) {
    std::uint32_t entry = 0;
    for (int i = 3; i >= 0; --i)
      entry = entry << 8 | run.image[0x20 + 8 * c + i];
    EXPECT_EQ(entry, 0x2B0u + 0x1100u * c) << "cylinder " << c;
  }
}

TEST(D88Image, CopiesTheRawImageAndFillsTheRestOfTheDisk) {
  for (std::size_t size : {std::size_t{0}, std::size_t{300}, std::size_t{6 * 4096},
                           std::size_t{6 * 4096 + 255}, std::size_t{40 * 4096}}) {
    SCOPED_TRACE(testing::Message() << size << " raw bytes");
    Bytes raw = raw_image(size);
    D88Run run = write_d88(&raw);
    ASSERT_EQ(run.failure, "");
    ASSERT_EQ(run.image.size(), 174768u);
    expect_sectors(run.image, raw);
  }
}

TEST(D88Image, SixBlocksEndAtCylinder5Sector16) {
  Bytes raw = raw_image(6 * 4096);
  D88Run run = write_d88(&raw);
  EXPECT_EQ(at(run.image, 26528, 16), sector_header(5, 16));
  EXPECT_EQ(at(run.image, 26544, 256), at(raw, 95 * 256, 256));
  EXPECT_EQ(at(run.image, 26800, 16), sector_header(6, 1));
  EXPECT_EQ(at(run.image, 26816, 256), Bytes(256, 0xFF));
}

TEST(D88Image, MoreThanFortyBlocksIsDiskFullWithTheDiskWritten) {
  Bytes raw = raw_image(41 * 4096);
  D88Run run = write_d88(&raw);
  EXPECT_EQ(run.failure, "disk full");
  ASSERT_EQ(run.image.size(), 174768u);  // the first 640 sectors, no fill
  expect_sectors(run.image, Bytes(raw.begin(), raw.begin() + 40 * 4096));

  // A 641st sector that is not whole is not copied, so the disk is not full.
  Bytes almost = raw_image(40 * 4096 + 255);
  EXPECT_EQ(write_d88(&almost).failure, "");
}

TEST(D88Image, AMissingRawImageLeavesOnlyTheHeader) {
  D88Run run = write_d88(nullptr);
  EXPECT_EQ(run.failure, "cannot open flyseat.dsk for reading");
  EXPECT_EQ(run.image.size(), 688u);
}

TEST(D88Image, SectorAddressRunsThroughTheTracksOfOneSide) {
  SectorAddress a;
  for (int s = 0; s < 640; ++s)
    advance_sector(a);
  EXPECT_EQ(a.c, 40);
  EXPECT_EQ(a.h, 0);
  EXPECT_EQ(a.r, 1);
  SectorAddress b{3, 0, 16, 1};
  advance_sector(b);
  EXPECT_EQ(b.c, 4);
  EXPECT_EQ(b.r, 1);
}

}  // namespace
}  // namespace flyseat
