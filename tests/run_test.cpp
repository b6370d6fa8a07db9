// Whole runs of the built programs in a temporary folder: every message, exit status and
// output size that the README gives for flyseat-build, and flyseat-make-sample's usage.
#include <gtest/gtest.h>

#include <array>

#include "support.hpp"

namespace flyseat::test {
namespace {

using namespace std::string_literals;

const char* const kOutputs[] = {"flyseat2.p6", "flyseat3.p6", "flyseat.dsk", "flyseat.d88"};
constexpr long kNone = -1, kAny = -2;  // no such file; a file of any size

// The "output to" lines of the first `count` outputs, 22 bytes each.
std::string done(int count) {
  const std::string all = "output to flyseat2.p6\noutput to flyseat3.p6\noutput to flyseat.dsk\n";
  return (all + "output to flyseat.d88\n").substr(0, 22 * count);
}

// 32 line records of 1,000 bytes, then one of `last` bytes numbered 2310.
std::string records(std::size_t last) {
  std::string listing;
  for (int i = 0; i < 32; ++i)
    listing += "1 " + std::string(995, 'A') + "\n";
  return listing + "2310 " + std::string(last - 5, 'B') + "\n";
}

const std::string kBlank = "touch loader.bin list1.bin list2.bin patch.bin list3.txt";
const std::string kSample = "cp '" FLYSEAT_SAMPLE_DIR "'/* .";

// Shell commands run in the folder first, files written then, shell text before the program in
// its subshell (see run_program), then what the run should print, end with and leave.
// clang-format off
struct Case {
  const char* what; std::string setup; std::vector<std::pair<const char*, std::string>> files;
  std::string before, args, out, err; int status; std::array<long, 4> sizes;
  const char* program = FLYSEAT_BUILD_PATH;
  friend void PrintTo(const Case& run, std::ostream* out) { *out << run.what; }
};
// clang-format on

const std::array<long, 4> kNoOutputs = {kNone, kNone, kNone, kNone};
const std::array<long, 4> kBlankSizes = {16, 26, 4 * 4096, 174768};
const std::string kFull = "trap '' XFSZ; ulimit -f ";  // then the file size limit in 512 bytes

// clang-format off
const Case kRuns[] = {
    {"empty inputs, arguments ignored", kBlank, {}, "", "--help x", done(4), "", 0, kBlankSizes},
    // The dumps and the loader are cut to their maximum; the 4,097-byte listing is read in lines
    // of at most 999 bytes, giving records of 1,002, 1,004, 1,004, 1,004 and 106 bytes.
    {"the largest inputs, read in chunks", kBlank, {{"loader.bin", std::string(5000, 'L')},
     {"list1.bin", std::string(60000, 1)}, {"list2.bin", std::string(20000, 2)},
     {"list3.txt", "1 " + std::string(4095, 'A')}}, "", "", done(4), "", 0,
     {16 + 54272 + 17968, 26 + 4120, (1 + 14 + 5 + 2) * 4096, 174768}},
    {"no inputs", "", {}, "", "", "cannot open loader.bin\n", "", 1, kNoOutputs},
    {"list1.bin missing", kBlank + "; rm list1.bin", {}, "", "", "cannot open list1.bin\n", "", 1,
     kNoOutputs},
    {"list2.bin missing", kBlank + "; rm list2.bin", {}, "", "", "cannot open list2.bin\n", "", 1,
     kNoOutputs},
    {"patch.bin missing", kBlank + "; rm patch.bin", {}, "", "", "cannot open patch.bin\n", "", 1,
     kNoOutputs},
    {"list3.txt missing", kBlank + "; rm list3.txt", {}, "", "", "cannot open list3.txt\n", "", 1,
     kNoOutputs},
    {"a folder for an input", kBlank + "; rm loader.bin; mkdir loader.bin", {}, "", "",
     "cannot read loader.bin\n", "", 1, kNoOutputs},
    {"a folder for an output", kBlank + "; mkdir flyseat3.p6", {}, "", "",
     done(1) + "cannot open flyseat3.p6\n", "", 1, {16, kNone, kNone, kNone}},
    {"a full disk on a write", kSample + "; ln -s /dev/full flyseat2.p6", {}, "", "",
     "cannot write flyseat2.p6\n", "", 1, kNoOutputs},
    {"a full disk on closing flyseat3.p6", kBlank + "; ln -s /dev/full flyseat3.p6", {}, "", "",
     done(1) + "cannot write flyseat3.p6\n", "", 1, {16, kNone, kNone, kNone}},
    {"a full disk on closing flyseat.d88", kSample, {}, kFull + "338;", "",
     done(3) + "cannot write flyseat.d88\n", "", 1, {14928, 3151, 7 * 4096, kAny}},
    // 32,758 bytes of program and the end marker take 9 blocks, the last all fill.
    {"a full disk on closing flyseat.dsk", kBlank, {{"list3.txt", records(758)}}, kFull + "90;", "",
     done(2) + "cannot write flyseat.dsk\n", "", 1, {16, 26 + 32758, kAny, kNone}},
    {"a patch record past the end of memory", kBlank,
     {{"patch.bin", "\x01\x00\xFF\xFF\x01\x02\x00\xFF\xFF\x01\x02"s}}, "", "",
     "patch.bin: record at offset 5 runs past the end of memory\n", "", 1, kNoOutputs},
    {"a line too long after editing", kBlank,
     {{"list3.txt", "  10 CLEAR," + std::string(984, 'A') + "\n"}}, "", "",
     "list3.txt: line 10 too long after editing\n", "", 1, kNoOutputs},
    {"a program too large", kBlank, {{"list3.txt", records(759)}}, "", "",
     "list3.txt: program too large at line 2310\n", "", 1, kNoOutputs},
    {"standard output on a full disk", kBlank, {}, "exec >/dev/full;", "", "",
     "flyseat-build: cannot write standard output: No space left on device\n", 1, kBlankSizes},
    {"make-sample without a folder", "", {}, "", "", "", "usage: flyseat-make-sample FOLDER\n", 2,
     kNoOutputs, FLYSEAT_MAKE_SAMPLE_PATH},
    {"make-sample with two folders", "", {}, "", ". .", "", "usage: flyseat-make-sample FOLDER\n",
     2, kNoOutputs, FLYSEAT_MAKE_SAMPLE_PATH},
};
// clang-format on

class WholeRun : public testing::TestWithParam<Case> {};

TEST_P(WholeRun, PrintsItsMessagesAndLeavesItsOutputs) {
  const Case& run = GetParam();
  TempDir dir;
  ASSERT_EQ(std::system(("cd '" + dir.path().string() + "' || exit 1; " + run.setup).c_str()), 0);
  for (const auto& [name, text] : run.files)
    dir.write(name, text_bytes(text));
  std::vector<std::string> names = dir.names();

  RunResult result = run_program(run.program, dir, run.args, run.before);
  EXPECT_EQ(result.out, run.out);
  EXPECT_EQ(result.err, run.err);
  EXPECT_EQ(result.status, run.status);
  if (run.sizes == kNoOutputs) {
    EXPECT_EQ(dir.names(), names) << "a file was written";
  }
  for (int i = 0; i < 4; ++i) {
    std::filesystem::path path = dir / kOutputs[i];
    long size = is_regular_file(path) ? static_cast<long>(file_size(path)) : kNone;
    EXPECT_EQ(run.sizes[i] == kAny && size != kNone ? kAny : size, run.sizes[i]) << kOutputs[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, WholeRun, testing::ValuesIn(kRuns));

// The committed sample inputs are exactly what the generator writes, so neither can drift.
TEST(SampleGame, CommittedBinariesAreWhatTheGeneratorWrites) {
  TempDir dir;
  ASSERT_EQ(run_program(FLYSEAT_MAKE_SAMPLE_PATH, dir, ".").status, 0);
  for (const char* name : {"loader.bin", "list1.bin", "list2.bin", "patch.bin"})
    EXPECT_EQ(dir.read(name), sample_input(name)) << name;
}

}  // namespace
}  // namespace flyseat::test
