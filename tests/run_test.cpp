// Whole runs of the built programs in a temporary folder: every message, exit status and
// output size that the README gives for flyseat-build, and flyseat-make-sample's usage.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <csignal>
#include <map>
#include <set>
#include <sstream>

#include "process.hpp"

namespace flyseat::test {
namespace {

using namespace std::string_literals;

constexpr long kNone = -1;  // no such file

// The "output to" lines of the first `count` outputs, 22 bytes each.
std::string done(int count) {
  const std::string all = "output to flyseat2.p6\noutput to flyseat3.p6\noutput to flyseat.dsk\n";
  return (all + "output to flyseat.d88\n").substr(0, static_cast<std::size_t>(22 * count));
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
// its subshell (see run_program), then what the run should print, end with and leave: the size
// of each output, or kNone where there is none. Every other file in the folder stays as it was.
// A case that needs a command (`needs`, run first) is skipped where that fails.
struct Case {
  const char* what;
  std::string needs{}, setup{};
  std::vector<std::pair<const char*, std::string>> files{};
  std::string before{}, args{}, out{}, err{};
  bool usage = false;  // `out` is the usage, which the manual page gives
  int status = 0;
  std::array<long, 4> sizes = {kNone, kNone, kNone, kNone};
  const char* program = FLYSEAT_BUILD_PATH;
  friend void PrintTo(const Case& run, std::ostream* os) { *os << run.what; }
};

const std::array<long, 4> kBlankSizes = {16, 26, 4 * 4096, 174768};
const std::string kBuild = "'" FLYSEAT_BUILD_PATH "'";
const std::string kStrace = "strace -o /dev/null true";
// A build run by strace, which a sanitizer's leak check cannot run under.
const std::string kNoLeakCheck = "-E ASAN_OPTIONS=detect_leaks=0 ";
const std::string kTraced = "strace " + kNoLeakCheck;
// Holds the folder's lock, as a build does, for the program run after it.
const std::string kLocked = "exec 9<.; flock 9; ";
// A file size limit stands for a full disk: the same message, why "File too large".
const std::string kFull = "trap '' XFSZ; ulimit -f ";  // then the file size limit in 512 bytes
const char* const kUsage = "usage: flyseat-make-sample FOLDER\n";
const std::string kTryHelp = " (see 'flyseat-build --help')\n";
// The second line of a refusal, on standard error: the file, and why the system refused it.
std::string why(const std::string& name, const char* reason = "No such file or directory") {
  return "flyseat-build: " + name + ": " + reason + "\n";
}
// A full pipe on descriptor 3 that nobody reads: a write to it waits.
const std::string kStalled = "mkfifo f; exec 3<>f; rm f; head -c 65536 /dev/zero >&3; ";
// Notes of the porter's that share the folder: a run must never write them.
const std::string kNotes = "; echo notes >notes.txt";
// Inputs in a folder `g` of their own, for a run with -o.
const std::string kInG = "mkdir g; cd g && " + kBlank;
// Root runs the program without the power to read any folder (others run it as they are), then
// the folder is given back its mode: a folder that can be written but not listed.
const std::string kUnlisted =
    "chmod 300 .; $([ $(id -u) != 0 ] || echo setpriv --bounding-set=-dac_override,"
    "-dac_read_search) ";
const std::string kListedAgain = "; s=$?; chmod 700 .; exit $s";

// clang-format off
const Case kRuns[] = {
    {.what = "empty inputs", .setup = kBlank, .out = done(4), .sizes = kBlankSizes},
    {.what = "help: no file read or written", .setup = kBlank + "; rm list1.bin",
     .args = "x --help", .usage = true},
    {.what = "the version: no file read or written", .setup = kBlank, .args = "--version",
     .out = "flyseat-build 1.1.0\n"},
    {.what = "unknown options: one line, nothing written", .setup = kBlank, .args = "-x --helpful",
     .err = "flyseat-build: unknown option '-x'" + kTryHelp, .status = 2},
    {.what = "three folders: one line", .setup = kBlank, .args = ". . x",
     .err = "flyseat-build: unexpected argument '.'" + kTryHelp, .status = 2},
    {.what = "an empty -o", .setup = kBlank, .args = "-o ''",
     .err = "flyseat-build: a folder is needed after '-o'" + kTryHelp, .status = 2},
    {.what = "an empty folder", .setup = kBlank, .args = "''",
     .err = "flyseat-build: an empty folder name ''" + kTryHelp, .status = 2},
    {.what = "-o without a folder", .setup = kBlank, .args = "-o",
     .err = "flyseat-build: a folder is needed after '-o'" + kTryHelp, .status = 2},
    {.what = "a lone - is a folder", .setup = "mkdir ./-; cd ./- && " + kBlank, .args = "-",
     .out = done(4)},
    {.what = "after --, --help is a folder", .setup = "mkdir ./--help; cd ./--help && " + kBlank,
     .args = "-- --help", .out = done(4)},
    {.what = "a folder that can be written but not listed, built unlocked", .setup = kBlank,
     .before = kUnlisted, .args = kListedAgain, .out = done(4), .sizes = kBlankSizes},
    // OUT made, the outputs alone in it, and nothing written among the five inputs.
    {.what = "-o: the outputs go into OUT, made", .setup = kInG,
     .args = "--output out g && ls g | wc -l && mv out/* . && rmdir out", .out = done(4) + "5\n",
     .sizes = kBlankSizes},
    {.what = "-o: OUT is a file", .setup = kBlank, .args = "-oloader.bin",
     .out = "cannot open loader.bin\n", .err = why("loader.bin", "Not a directory"), .status = 1},
    // Another build made OUT while this one made it too: it is taken as it stands.
    {.what = "-o: OUT made by another build a moment before", .needs = kStrace, .setup = kInG,
     .before = "(sleep 0.5; mkdir out) & " + kTraced + "-o /dev/null -e inject=mkdir:delay_enter="
     "1500000", .args = "--output out g && mv out/* . && rmdir out", .out = done(4),
     .sizes = kBlankSizes},
    // The inputs are opened before OUT is made: the missing one is named, and nothing is made.
    {.what = "-o: OUT named as a missing input", .setup = kBlank + "; rm list3.txt",
     .args = "-o list3.txt", .out = "cannot open list3.txt\n", .err = why("list3.txt"),
     .status = 1},
    {.what = "-o: OUT's parent is not there", .setup = kBlank, .args = "-o no/out",
     .out = "cannot open no/out\n", .err = why("no/out", "No such file or directory"),
     .status = 1},
    // A link in the part file's place is removed, never written through.
    {.what = "a link for a part file",
     .setup = kBlank + kNotes + "; ln -s notes.txt flyseat2.p6.part",
     .out = done(4), .sizes = kBlankSizes},
    {.what = "a folder for a part file", .setup = kBlank + "; mkdir flyseat3.p6.part",
     .out = done(1) + "cannot open flyseat3.p6.part\n",
     .err = why("flyseat3.p6.part", "Is a directory"), .status = 1,
     .sizes = {16, kNone, kNone, kNone}},
    {.what = "a device for an input", .setup = kBlank + "; ln -sf /dev/zero patch.bin",
     .out = "patch.bin: not a regular file\n", .status = 1},
    {.what = "a pipe for an input", .setup = kBlank + "; rm list3.txt; mkfifo list3.txt",
     .out = "list3.txt: not a regular file\n", .status = 1},
    {.what = "a missing input before a pipe", .setup = kBlank + "; rm loader.bin list3.txt; "
     "mkfifo list3.txt", .out = "cannot open loader.bin\n", .err = why("loader.bin"), .status = 1},
    // The pipe takes the listing's name while the build is held at its open: it is refused
    // without waiting for a writer.
    {.what = "an input swapped for a pipe", .needs = kStrace,
     .setup = kBlank + "; mkdir p; mkfifo p/pipe", .before = "(sleep 0.5; mv p/pipe list3.txt) & "
     "exec timeout 10 " + kTraced + "-o /dev/null -P list3.txt -e inject=openat:delay_enter=1000000",
     .args = "2>/dev/null", .out = "list3.txt: not a regular file\n", .status = 1},
    // The listing is swapped for another once the five are open, before the first is read: the
    // build reads the one it opened.
    {.what = "an input swapped once opened", .needs = kStrace,
     .setup = kSample + "; mkdir p; echo 10 END >p/other", .before = "(sleep 1; mv p/other "
     "list3.txt) & exec timeout 10 " + kTraced + "-o /dev/null -P loader.bin -e "
     "inject=read:delay_enter=3000000", .args = "2>/dev/null", .out = done(4),
     .sizes = {14928, 3151, 7 * 4096, 174768}},
    {.what = "a hangup ignored from the start, as under nohup", .needs = kStrace, .setup = kBlank,
     .before = "trap '' HUP; exec " + kTraced + "-o /dev/null -e inject=write:signal=SIGHUP:when=1",
     .out = done(4), .sizes = kBlankSizes},
    {.what = "another build holds the folder named", .setup = kInG, .before = "cd g; " + kLocked
     + "cd ..;", .args = "g", .out = "g: another build is running there\n", .status = 1},
    // The first build waits to say its first output into a full pipe, holding the folder.
    {.what = "two builds at once", .setup = kSample, .before = kStalled + kBuild +
     " >&3 & until [ -e flyseat2.p6 ]; do sleep 0.01; done;",
     .args = "; echo $?; head -c 65536 <&3 >/dev/null; wait; head -c 88 <&3",
     .out = "another build is running in this folder\n1\n" + done(4), .sizes = {14928, 3151, 7 * 4096, 174768}},
    // The dumps and the loader are cut to their maximum; the 4,097-byte listing is read in lines
    // of at most 999 bytes, giving records of 1,002, 1,004, 1,004, 1,004 and 106 bytes.
    {.what = "the largest inputs, read in chunks", .setup = kBlank,
     .files = {{"loader.bin", std::string(5000, 'L')}, {"list1.bin", std::string(60000, 1)},
               {"list2.bin", std::string(20000, 2)}, {"list3.txt", "1 " + std::string(4095, 'A')}},
     .out = done(4), .sizes = {16 + 54272 + 17968, 26 + 4120, (1 + 14 + 5 + 2) * 4096, 174768}},
    {.what = "a folder for an input", .setup = kBlank + "; rm loader.bin; mkdir loader.bin",
     .out = "cannot read loader.bin\n", .err = why("loader.bin", "Is a directory"), .status = 1},
    {.what = "a folder for an output", .setup = kBlank + "; mkdir flyseat3.p6",
     .out = done(1) + "cannot open flyseat3.p6\n", .err = why("flyseat3.p6", "Is a directory"),
     .status = 1, .sizes = {16, kNone, kNone, kNone}},
    {.what = "a full disk on a write", .setup = kSample, .before = kFull + "10;",
     .out = "cannot write flyseat2.p6\n", .err = why("flyseat2.p6", "File too large"), .status = 1},
    // The program is one write that the C library holds until the file is closed.
    {.what = "a full disk on closing flyseat3.p6",
     .setup = kBlank + "; cp '" FLYSEAT_SAMPLE_DIR "/list3.txt' .", .before = kFull + "1;",
     .out = done(1) + "cannot write flyseat3.p6\n", .err = why("flyseat3.p6", "File too large"),
     .status = 1, .sizes = {16, kNone, kNone, kNone}},
    // 32,758 bytes of program and the end marker take 9 blocks, the last all fill.
    {.what = "a full disk on writing flyseat.dsk", .setup = kBlank,
     .files = {{"list3.txt", records(758)}}, .before = kFull + "90;",
     .out = done(2) + "cannot write flyseat.dsk\n", .err = why("flyseat.dsk", "File too large"),
     .status = 1, .sizes = {16, 26 + 32758, kNone, kNone}},
    {.what = "a patch record past the end of memory", .setup = kBlank,
     .files = {{"patch.bin", "\x01\x00\xFF\xFF\x01\x02\x00\xFF\xFF\x01\x02"s}},
     .out = "patch.bin: record at offset 5 runs past the end of memory\n", .status = 1},
    {.what = "a line too long after editing", .setup = kBlank,
     .files = {{"list3.txt", "  10 CLEAR," + std::string(984, 'A') + "\n"}},
     .out = "list3.txt: line 10 too long after editing\n", .status = 1},
    {.what = "a program too large", .setup = kBlank, .files = {{"list3.txt", records(759)}},
     .out = "list3.txt: program too large at line 2310\n", .status = 1},
    // The run stops at the first line it cannot say: the output it names is new, no other.
    {.what = "standard output on a full disk", .setup = kBlank, .before = "exec >/dev/full;",
     .err = "flyseat-build: cannot write standard output: No space left on device\n", .status = 1,
     .sizes = {16, kNone, kNone, kNone}},
    {.what = "standard output a closed pipe", .setup = kBlank,
     .before = "mkfifo f; exec 4<>f 3>f 4<&-; rm f; exec >&3 3>&-;",
     .err = "flyseat-build: cannot write standard output: Broken pipe\n", .status = 1,
     .sizes = {16, kNone, kNone, kNone}},
    {.what = "a failure said to a full standard output", .before = "exec >/dev/full;",
     .err = why("loader.bin") + "flyseat-build: cannot write standard output: No space left on "
     "device\n", .status = 1},
    // A stop is obeyed at once while standard output is a full pipe that nobody reads (a build
    // that holds it back is killed after 5 s): the output whose line was being said is new.
    {.what = "a stop while standard output is stalled", .setup = kSample, .before = kStalled +
     "timeout -s KILL 5 " + kBuild + " >&3 & b=$!; until [ -e flyseat2.p6 ]; do sleep 0.01; done;",
     .args = "-TERM $b; wait $b 2>/dev/null; echo $?", .out = "143\n",
     .sizes = {14928, kNone, kNone, kNone}, .program = "kill"},
    {.what = "a folder name no message cuts", .args = std::string(250, 'd'),
     .out = "cannot open " + std::string(250, 'd') + "\n", .err = why(std::string(250, 'd')),
     .status = 1},
    {.what = "make-sample without a folder", .err = kUsage, .status = 2,
     .program = FLYSEAT_MAKE_SAMPLE_PATH},
};
// clang-format on

class WholeRun : public testing::TestWithParam<Case> {};

TEST_P(WholeRun, PrintsItsMessagesAndLeavesItsOutputs) {
  const Case& run = GetParam();
  if (!run.needs.empty() && std::system((run.needs + " >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "needs " << run.needs;
  TempDir dir;
  ASSERT_EQ(std::system(("cd '" + dir.path().string() + "' || exit 1; " + run.setup).c_str()), 0);
  for (const auto& [name, text] : run.files)
    dir.write(name, text_bytes(text));
  std::vector<std::string> names = dir.names();

  RunResult result = run_program(run.program, dir, run.args, run.before);
  if (run.usage) {
    EXPECT_EQ(result.out.rfind("Usage: flyseat-build [-o OUT] [DIR]\n", 0), 0u) << result.out;
  } else {
    EXPECT_EQ(result.out, run.out);
  }
  EXPECT_EQ(result.err, run.err);
  EXPECT_EQ(result.status, run.status);
  std::set<std::string> left(names.begin(), names.end());  // and no part file, stale or new
  std::erase_if(left, [&dir](const std::string& name) {
    return name.ends_with(".part") && !is_directory(dir / name);  // a folder is not its to remove
  });
  for (std::size_t i = 0; i < kOutputNames.size(); ++i) {
    std::filesystem::path path = dir / kOutputNames[i];
    long size = is_regular_file(path) ? static_cast<long>(file_size(path)) : kNone;
    EXPECT_EQ(size, run.sizes[i]) << kOutputNames[i];
    if (size != kNone) left.insert(kOutputNames[i]);
  }
  std::vector<std::string> now = dir.names();
  EXPECT_EQ(std::set<std::string>(now.begin(), now.end()), left);
  EXPECT_TRUE(!dir.has("notes.txt") || text_of(dir.read("notes.txt")) == "notes\n");
}

INSTANTIATE_TEST_SUITE_P(Runs, WholeRun, testing::ValuesIn(kRuns));

// A run of the built command in a folder writes what a build in memory makes of the same inputs
// (whose bytes the unit tests pin): the sample, and dumps longer than a build reads, whose rest
// must not reach the next input read, with a patch file whose last byte is read alone in a chunk
// of its own.
TEST(SampleGame, ARunWritesWhatABuildInMemoryMakes) {
  Inputs sample = sample_game(), long_dumps = sample;
  long_dumps[kList1] = Bytes(60000, 1);
  long_dumps[kList2] = Bytes(20000, 2);
  long_dumps[kPatch] = concat({Bytes(kFileBuffer - 4, 0), patch_record(1, 0xE000, {7})});
  for (const Inputs& inputs : {sample, long_dumps}) {
    TempDir dir;
    write_inputs(dir, inputs);
    ASSERT_EQ(run_build(dir).status, 0);
    auto made = built_in_memory(inputs);
    for (std::size_t i = 0; i < made.size(); ++i)
      EXPECT_TRUE(text_of(dir.read(kOutputNames[i])) == made[i]) << kOutputNames[i];
  }
}

// What people, terminals, session managers and limits send to end a process.
const std::vector<int> kStops = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ, SIGXCPU};

// strace's selection of the calls a build makes to write its outputs in `dir`: those on a part
// file or an output, by name or by descriptor, and on standard output, sent to `said` there.
std::string writing(const TempDir& dir) {
  std::string paths = " -P " + (dir / "said").string() + " ";
  for (const std::string name : kOutputNames)
    for (const std::string& file : {name, name + ".part"})
      paths += "-P " + file + " -P " + (dir / file).string() + " ";
  return paths;
}

// A build stopped at each call that writes its outputs, by each signal of kStops in turn, ends as
// the signal asks and leaves no part file; each output is the older build's or, said, the new
// one, but for the one after the last said, which may have taken its name unsaid. The calls are
// told by the files they name, which no runtime beneath the build touches, so each is reached in
// every run.
TEST(StoppedBuild, LeavesNoPartFileAndSaysEachOutputItReplaced) {
  if (std::system((kStrace + " 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "needs strace";
  Inputs older = sample_game();
  older[kList1].resize(4000);  // an older build of other inputs: each output differs
  older[kListing].resize(older[kListing].size() / 2);
  const auto was = built_in_memory(older);
  const std::string kSaid = "ulimit -c 0; exec >said;";  // no core file from SIGQUIT and others
  TempDir traced;
  write_inputs(traced);
  std::string trace = kNoLeakCheck + "-o calls" + writing(traced) + kBuild;
  ASSERT_EQ(run_program("strace", traced, trace, kSaid).status, 0);
  std::istringstream calls(text_of(traced.read("calls")));
  std::map<std::string, int> seen;
  std::size_t stops = 0;
  for (std::string call; std::getline(calls, call);) {
    std::string name = call.substr(0, call.find('('));
    if (name == call) continue;
    int signal = kStops[stops++ % kStops.size()];
    std::string at =
        name + ":when=" + std::to_string(++seen[name]) + ":signal=" + std::to_string(signal);
    TempDir dir;
    write_inputs(dir);
    for (std::size_t i = 0; i < was.size(); ++i)
      dir.write(kOutputNames[i], text_bytes(was[i]));
    RunResult run = run_program(
        "strace", dir,
        kNoLeakCheck + "-o /dev/null" + writing(dir) + "-e inject=" + at + " " + kBuild, kSaid);
    EXPECT_EQ(run.status, 128 + signal) << at;
    EXPECT_EQ(dir.names().size(), kInputNames.size() + kOutputNames.size() + 1) << at;
    std::string said = text_of(dir.read("said"));
    EXPECT_EQ(done(4).find(said), 0u) << at;  // each line once, in order
    for (std::size_t i = 0; i < was.size(); ++i) {
      std::string now = text_of(dir.read(kOutputNames[i]));
      bool is_new = said.find("output to "s + kOutputNames[i] + "\n") != std::string::npos;
      bool unsaid = i == said.size() / 22 && now == sample_outputs()[i];
      EXPECT_TRUE(now == (is_new || unsaid ? sample_outputs() : was)[i]) << at;
    }
  }
  EXPECT_GE(stops, kStops.size());  // each signal once at least
}

// A stop is still caught while its handler runs: held at its removal of the part file, the
// handler has SIGTERM caught and blocked, and a second SIGTERM sent then waits for it, so the run
// ends by SIGTERM with no part file left. (A shell starts a command in the background with SIGINT
// ignored, and the build keeps it so.)
TEST(StoppedBuild, AStopIsStillCaughtWhileItsHandlerRuns) {
  if (std::system((kStrace + " 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "needs strace";
  TempDir dir;
  write_inputs(dir);
  std::string part = " -P flyseat2.p6.part -P " + (dir / "flyseat2.p6.part").string();
  RunResult run = run_program("strace", dir,
                              kNoLeakCheck + "-o /dev/null" + part +
                                  " -e inject=write:signal=SIGTERM:when=1 -e "
                                  "inject=unlink:delay_enter=3000000 " +
                                  kBuild +
                                  " >/dev/null & s=$!; for i in $(seq 200); do sleep 0.1; "
                                  "b=$(awk '{ print $1 }' /proc/$s/task/$s/children 2>/dev/null); "
                                  "[ -n \"$b\" ] || continue; "
                                  "m=$(awk '/^SigBlk/ { print $2 }' /proc/$b/status); "
                                  "[ $((0x${m:-0} >> (15 - 1) & 1)) = 1 ] && break; done; "
                                  "grep -E '^Sig(Blk|Cgt)' /proc/$b/status; "
                                  "kill -TERM $b; wait $s; echo $?; ls | grep -c part");
  std::istringstream said(run.out);
  std::string blocked, caught, status, parts;
  said >> blocked >> blocked >> caught >> caught >> status >> parts;
  auto has_sigterm = [](const std::string& mask) {
    return !mask.empty() && (std::stoull(mask, nullptr, 16) >> (SIGTERM - 1) & 1) != 0;
  };
  EXPECT_TRUE(has_sigterm(blocked)) << run.out;  // inside the handler
  EXPECT_TRUE(has_sigterm(caught)) << run.out;
  EXPECT_EQ(status, std::to_string(128 + SIGTERM)) << run.out;
  EXPECT_EQ(parts, "0");
}

// From the least address space the build starts in on, every run ends as a build ends: its four
// lines and status 0, or its one line and status 1, with out of memory said as such; never an
// abort, and no part file left.
TEST(WholeRun, RunsOutOfMemoryAsAnyFailureFromTheLeastLimitItStartsIn) {
  if (std::system(("ulimit -v 65536 && " + kBuild + " --version >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "the sanitizers' runtime cannot start under a limit";
  TempDir dir;
  write_inputs(dir);
  RunResult runs = run_program(
      "true", dir, "",
      "v=1024; until (ulimit -v $v; exec " + kBuild +
          " --version) >/dev/null 2>&1; do "
          "v=$((v + 8)); done; for i in $(seq 0 8 400); do (ulimit -v $((v + i)); exec " +
          kBuild +
          ") >out 2>err; echo \"$? $(wc -l <out) $(ls | grep -c part) $(cat err)\"; done;");
  std::istringstream lines(runs.out);
  int built = 0;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    int status = -1, said = -1, parts = -1;
    std::string why;
    words >> status >> said >> parts;
    std::getline(words, why);
    EXPECT_EQ(parts, 0) << line;
    if (status == 0) {
      EXPECT_EQ(said, 4) << line;
      ++built;
    } else {
      EXPECT_EQ(status, 1) << line;
      EXPECT_TRUE(why == " flyseat-build: out of memory" || why.ends_with("Cannot allocate memory"))
          << line;
    }
  }
  EXPECT_TRUE(runs.out.starts_with("1 0 0 flyseat-build: out of memory\n")) << runs.out;
  EXPECT_GT(built, 0) << runs.out;
}

#ifdef FLYSEAT_INSPECT_PATH
// The check foretells what in the folders stops a build, with the build's own message: shell
// commands run in the folder as root, then the check and the build each after `before` (as
// another user with kNobody) and with `args`; the lines of the outputs the build writes first,
// its message, and why, which the check says after it; no message for a build that nothing
// stops. A row that this system cannot set up (no chattr) is skipped.
struct Foreseen {
  const char* what;
  std::string setup, before;
  int written;
  std::string message{}, why{};
  int errors = 1;  // when there is a message
  std::string args{};
};
const std::string kNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
const std::string kSticky = kSample + "; chmod 1777 .; ";
const std::string kOthers =
    "it is another user's, in a folder whose sticky bit lets only its owner replace or remove it";
const std::string kNeither = ": a build can neither replace nor remove it";
// 16 folders deep, 4,088 bytes: no input's path from here fits PATH_MAX.
const std::string kLongPath = [] {
  std::string path;
  while (path.size() + 256 < 4088)
    path += std::string(255, 'd') + "/";
  return path + std::string(4088 - path.size(), 'e');
}();
const Foreseen kForeseen[] = {
    // sh cannot enter it: its path from / is too long.
    {"a folder path of 4,088 bytes",
     "mkdir -p " + kLongPath + " && bash -c \"cd " + kLongPath + " && " + kSample + "\"", "", 4, "",
     "", 1, kLongPath},
    {"-o: a folder made", kSample, "", 4, "", "", 1, "-o new"},
    {"-o: a folder under a file", kSample, "", 0, "cannot open loader.bin/o",
     "it cannot be opened as a folder (Not a directory)", 1, "-o loader.bin/o"},
    {"-o: a folder under one that is not there", kSample, "", 0, "cannot open no/o",
     "it is not there and cannot be made (No such file or directory)", 1, "-o no/o"},
    {"root, others' outputs, sticky", kSticky + kBuild + ">/dev/null; chown 65534 f*", "", 4, ""},
    {"the sticky folder's owner", kSticky + kBuild + ">/dev/null; chown 65534 .", kNobody, 4, ""},
    {"another user's output, sticky", kSticky + kBuild + " >/dev/null", kNobody, 0,
     "cannot open flyseat2.p6", kOthers, 4},
    {"another user's part file, sticky", kSticky + "touch flyseat.dsk.part", kNobody, 2,
     "cannot open flyseat.dsk.part", kOthers},
    {"a folder of root's", kSample + "; chmod 555 .", kNobody, 0, "cannot open flyseat2.p6",
     "the folder cannot be written (Permission denied)"},
    {"a folder this user cannot list, built unlocked", kSample + "; chmod 333 .", kNobody, 4},
    {"an immutable folder", kSample + "; chattr +i .", "", 0, "cannot open flyseat2.p6",
     "the folder cannot be written (it is immutable)"},
    {"an immutable output", kSample + "; touch flyseat.dsk; chattr +i flyseat.dsk", "", 2,
     "cannot open flyseat.dsk", "it is immutable" + kNeither},
    {"an append-only folder", kSample + "; chattr +a .", "", 0, "cannot open flyseat2.p6",
     "the folder is append-only: no file there can be renamed or removed"},
    {"an append-only part file", kSample + "; touch flyseat3.p6.part; chattr +a flyseat3.p6.part",
     "", 1, "cannot open flyseat3.p6.part", "it is append-only" + kNeither},
    {"folders at three names", kSample + "; mkdir flyseat2.p6.part flyseat3.p6 flyseat.d88", "", 0,
     "cannot open flyseat2.p6.part", "a folder of that name is in the way", 3},
};

TEST(Check, ForeseesWhatStopsTheBuildInItsWords) {
  // The programs where another user can run them, wherever they were built.
  TempDir bin;
  std::filesystem::permissions(bin.path(), std::filesystem::perms(0755));
  for (const char* program : {FLYSEAT_BUILD_PATH, FLYSEAT_INSPECT_PATH})
    std::filesystem::copy_file(program, bin / std::filesystem::path(program).filename());
  std::string build_program = (bin / "flyseat-build").string();
  std::string inspect = (bin / "flyseat-inspect").string();
  if (::geteuid() != 0 || std::system((kNobody + "test -x " + build_program).c_str()) != 0)
    GTEST_SKIP() << "needs root and setpriv";
  std::string skipped;
  for (const Foreseen& c : kForeseen) {
    TempDir dir;
    std::string in = "cd '" + dir.path().string() + "' || exit 1; ";
    if (std::system((in + c.setup + " 2>/dev/null").c_str()) != 0) {
      skipped += std::string(c.what) + "; ";
      continue;
    }
    RunResult check = run_program(inspect.c_str(), dir, "check " + c.args, c.before);
    RunResult build = run_program(build_program.c_str(), dir, c.args, c.before);
    ASSERT_EQ(std::system((in + "chattr -i -a . * 2>/dev/null; rm -rf d*; true").c_str()), 0);
    EXPECT_EQ(build.out, done(c.written) + (c.message.empty() ? "" : c.message + "\n")) << c.what;
    std::string said = c.message.empty()
                           ? "\n  nothing stands in the way of the four outputs\n"
                           : "\n  error: " + c.message + (c.why.empty() ? "" : ": " + c.why) + "\n";
    EXPECT_NE(check.out.find("Outputs" + said), std::string::npos) << c.what << check.out;
    std::string verdict = "verdict: " + std::to_string(c.message.empty() ? 0 : c.errors) + " error";
    EXPECT_NE(check.out.find(verdict), std::string::npos) << c.what << check.out;
  }
  if (!skipped.empty()) GTEST_SKIP() << "where this system cannot set them up: " << skipped;
}
#endif

// The committed sample inputs are exactly what the generator writes, so neither can drift.
TEST(SampleGame, CommittedBinariesAreWhatTheGeneratorWrites) {
  TempDir dir;
  ASSERT_EQ(run_program(FLYSEAT_MAKE_SAMPLE_PATH, dir, ".").status, 0);
  for (const char* name : {kLoaderName, kList1Name, kList2Name, kPatchName})
    EXPECT_EQ(dir.read(name), sample_input(name)) << name;
}

}  // namespace
}  // namespace flyseat::test
