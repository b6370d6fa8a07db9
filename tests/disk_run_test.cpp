// Whole runs that write the disk images, checked by sizes, layout and an outside reader.
#include <gtest/gtest.h>

#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes;
using test::TempDir;

const char kFourLines[] =
    "output to flyseat2.p6\noutput to flyseat3.p6\noutput to flyseat.dsk\noutput to flyseat.d88\n";

TEST(DiskRun, WritesFourOutputsInOrder) {
  TempDir dir;
  test::Inputs in;
  in.loader = Bytes(100, 0x42);
  in.list1 = Bytes(36000, 0);
  in.list2 = Bytes(4000, 0);
  test::write_inputs(dir, in);
  test::RunResult r = test::run_build(dir);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kFourLines);
  EXPECT_EQ(r.err, "");
  Bytes disk = dir.read("flyseat.dsk");
  // Loader, 9 list1 blocks, 1 list2 block, 1 program block.
  ASSERT_EQ(disk.size(), 12u * 4096);
  EXPECT_EQ(Bytes(disk.begin(), disk.begin() + 100), Bytes(100, 0x42));
  EXPECT_EQ(Bytes(disk.begin() + 100, disk.begin() + 4096), Bytes(3996, 0xFF));
  EXPECT_EQ(dir.read("flyseat.d88").size(), 174768u);
}

TEST(DiskRun, ALoaderLongerThanATrackGivesOnlyItsFirstTrack) {
  TempDir dir;
  test::Inputs in;
  in.loader = Bytes(5000, 0x11);
  test::write_inputs(dir, in);
  ASSERT_EQ(test::run_build(dir).status, 0);
  Bytes disk = dir.read("flyseat.dsk");
  ASSERT_EQ(disk.size(), 4u * 4096);
  EXPECT_EQ(Bytes(disk.begin(), disk.begin() + 4096), Bytes(4096, 0x11));
  EXPECT_EQ(disk[4096], 0x00);  // the zero-filled memory image at 0x2C00
}

TEST(DiskRun, AFailedD88WriteKeepsTheOtherOutputs) {
  TempDir dir;
  test::write_inputs(dir, {});
  std::filesystem::create_symlink("/dev/full", dir / "flyseat.d88");
  test::RunResult r = test::run_build(dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "output to flyseat2.p6\noutput to flyseat3.p6\noutput to flyseat.dsk\n"
            "cannot write flyseat.d88\n");
  EXPECT_EQ(dir.read("flyseat.dsk").size(), 4u * 4096);
}

// floptool, from Debian's mame-tools, reads the D88 image back sector by sector.
TEST(DiskRun, AnOutsideReaderGivesBackTheRawImage) {
  if (std::system("command -v floptool >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "floptool is not installed";
  }
  TempDir dir;
  test::copy_sample(dir);
  ASSERT_EQ(test::run_build(dir).status, 0);
  std::string cd = "cd '" + dir.path().string() + "' && ";
  ASSERT_EQ(std::system((cd + "floptool identify flyseat.d88 | grep -q 'd88'").c_str()), 0);
  ASSERT_EQ(
      std::system((cd + "floptool flopconvert auto sf7 flyseat.d88 sectors >/dev/null").c_str()),
      0);
  Bytes expected = dir.read("flyseat.dsk");
  expected.resize(163840, 0xFF);
  EXPECT_EQ(dir.read("sectors"), expected);
}

}  // namespace
}  // namespace flyseat
