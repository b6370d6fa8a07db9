// Whole runs of the built flyseat-build in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes;
using test::bytes;
using test::concat;
using test::Inputs;
using test::TempDir;

const char* const kInputNames[] = {"loader.bin", "list1.bin", "list2.bin", "patch.bin",
                                   "list3.txt"};
const Bytes kLeader(10, 0xD3);

Bytes counting(std::size_t size, int step) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i)
    out[i] = static_cast<Byte>(i * step + 7);
  return out;
}

// Small inputs that the conversion edits barely change: list1 is zero below 0x2C00 + 0x2200,
// where the graphics lie and pack to zero, and list2 ends before the first relocated word at
// 0xBB4B.
Inputs small_inputs() {
  Inputs in;
  in.loader = counting(100, 1);
  in.list1 = concat({Bytes(0x2200, 0), counting(0x100, 3)});
  in.list2 = counting(300, 5);
  in.patch = {};
  in.listing = {};
  return in;
}

TEST(BuildRun, ReportsTheFirstMissingInputAndCreatesNothing) {
  {
    TempDir dir;
    test::RunResult r = test::run_build(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "cannot open loader.bin\n");
    EXPECT_TRUE(dir.names().empty());
  }
  for (const char* missing : kInputNames) {
    SCOPED_TRACE(missing);
    TempDir dir;
    test::write_inputs(dir, small_inputs());
    std::filesystem::remove(dir / missing);
    std::vector<std::string> before = dir.names();
    test::RunResult r = test::run_build(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, std::string("cannot open ") + missing + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(dir.names(), before);
  }
}

TEST(BuildRun, TapeImagesCarryThePatchedDumpsAndTheProgram) {
  TempDir dir;
  Inputs in = small_inputs();
  // One record raises the list2 length from 300 to 0x200; one patches list1.
  in.patch = bytes({0x01, 0x00, 0xCF, 0xBB, 0xAB,          // 1 byte at 0xBBCF
                    0x02, 0x00, 0x10, 0x4E, 0x5A, 0xA5});  // 2 bytes at 0x4E10
  test::write_inputs(dir, in);
  test::RunResult r = test::run_build(dir);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.err, "");

  Bytes list1 = in.list1;
  list1[0x4E10 - 0x2C00] = 0x5A;
  list1[0x4E11 - 0x2C00] = 0xA5;
  list1[0x4D66 - 0x2C00] = 0x96;  // the entry-table edit stores these whatever the dump holds
  list1[0x4D6B - 0x2C00] = 0x58;
  Bytes list2 = in.list2;
  list2.resize(0xBBCF - 0xB9D0 + 1, 0x00);  // the gap reads as the zero-filled image,
  for (int a : {0xBB4B, 0xBB52, 0xBB59, 0xBB60, 0xBB66, 0xBB6C}) {
    list2[static_cast<std::size_t>(a + 1 - 0xB9D0)] = 0xA0;  // where halving 0x0000 gives 0xA000
  }
  list2.back() = 0xAB;
  EXPECT_EQ(dir.read("flyseat2.p6"), concat({kLeader, test::text_bytes("DATA  "), list1, list2}));
  EXPECT_EQ(dir.read("flyseat3.p6"), concat({kLeader, test::text_bytes("MAIN  "), Bytes(10, 0)}));
}

TEST(BuildRun, OverlappingDumpsAppearTwiceOnTheDataTape) {
  TempDir dir;
  Inputs in = small_inputs();
  in.list1 = Bytes(0x2200, 0);
  in.list1.resize(36304 + 200, 0x11);
  in.list2 = counting(100, 5);
  test::write_inputs(dir, in);
  ASSERT_EQ(test::run_build(dir).status, 0);
  Bytes tape = dir.read("flyseat2.p6");
  ASSERT_EQ(tape.size(), 16u + 36504u + 100u);
  auto at = [&](std::size_t offset, std::size_t n) {
    return Bytes(tape.begin() + static_cast<std::ptrdiff_t>(offset),
                 tape.begin() + static_cast<std::ptrdiff_t>(offset + n));
  };
  EXPECT_EQ(at(16 + 36304, 100), in.list2);  // list2.bin stands over the tail of list1.bin
  EXPECT_EQ(at(16 + 36404, 100), Bytes(100, 0x11));
  EXPECT_EQ(at(16 + 36504, 100), in.list2);
}

TEST(BuildRun, ARunIsReproducibleAndIgnoresItsArguments) {
  TempDir dir;
  test::copy_sample(dir);
  ASSERT_EQ(test::run_build(dir).status, 0);
  std::vector<std::string> names = dir.names();
  std::vector<Bytes> first;
  for (const std::string& name : names)
    first.push_back(dir.read(name));

  test::RunResult again = test::run_build(dir, "--help extra arguments");
  ASSERT_EQ(again.status, 0);
  ASSERT_EQ(dir.names(), names);
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(dir.read(names[i]), first[i]) << names[i];
}

TEST(BuildRun, AFailedWriteIsReportedAndEndsTheRun) {
  {
    TempDir dir;
    test::write_inputs(dir, small_inputs());
    std::filesystem::create_symlink("/dev/full", dir / "flyseat2.p6");
    test::RunResult r = test::run_build(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "cannot write flyseat2.p6\n");
    EXPECT_FALSE(dir.has("flyseat3.p6"));
  }
  {
    TempDir dir;
    test::write_inputs(dir, small_inputs());
    std::filesystem::create_symlink("/dev/full", dir / "flyseat3.p6");
    test::RunResult r = test::run_build(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "output to flyseat2.p6\ncannot write flyseat3.p6\n");
    EXPECT_EQ(dir.read("flyseat2.p6").size(), 16u + 0x2300u + 300u);  // complete, kept
  }
}

TEST(BuildRun, RefusalsPrintOneLineAndCreateNoOutput) {
  struct Case {
    const char* what;
    Inputs inputs;
    const char* message;
  };
  Inputs past_end = small_inputs();
  past_end.patch = bytes({0x01, 0x00, 0xFF, 0xFF, 0x01,  // fits exactly
                          0x02, 0x00, 0xFF, 0xFF, 0x01, 0x02});
  Inputs too_long = small_inputs();
  too_long.listing = test::text_bytes("  10 CLEAR," + std::string(984, 'A') + "\n");
  Inputs too_large = small_inputs();
  for (int i = 0; i < 33; ++i)  // records of 998 bytes: 32 and the end marker fit, 33 do not
    too_large.listing = concat({too_large.listing, test::text_bytes(std::to_string(2280 + i) + " " +
                                                                    std::string(993, 'A') + "\n")});
  for (const Case& c :
       {Case{"patch past the end", past_end,
             "patch.bin: record at offset 5 runs past the end of memory\n"},
        Case{"line too long after editing", too_long,
             "list3.txt: line 10 too long after editing\n"},
        Case{"program too large", too_large, "list3.txt: program too large at line 2312\n"}}) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    test::write_inputs(dir, c.inputs);
    test::RunResult r = test::run_build(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, c.message);
    EXPECT_EQ(dir.names().size(), 5u);
  }
}

TEST(BuildRun, UnreadableInputsAndUncreatableOutputsAreFailures) {
  {
    TempDir dir;
    test::write_inputs(dir, small_inputs());
    std::filesystem::remove(dir / "loader.bin");
    std::filesystem::create_directory(dir / "loader.bin");
    test::RunResult r = test::run_build(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "cannot read loader.bin\n");
  }
  {
    TempDir dir;
    test::write_inputs(dir, small_inputs());
    std::filesystem::create_directory(dir / "flyseat3.p6");
    test::RunResult r = test::run_build(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "output to flyseat2.p6\ncannot open flyseat3.p6\n");
  }
}

}  // namespace
}  // namespace flyseat
