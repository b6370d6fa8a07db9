// Whole runs of the built flyseat-inspect: the command line, the exit status, what goes to
// standard output and standard error, JSON read back, and the preview PNG read back.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <nlohmann/json.hpp>
#include <sstream>

#include "file_read.hpp"
#include "process.hpp"

namespace flyseat::inspect {
namespace {

test::RunResult inspect(const test::TempDir& dir, const std::string& args) {
  return test::run_program(FLYSEAT_INSPECT_PATH, dir, args);
}

// A folder holding the sample game, what a build made of it, and a few damaged copies.
struct BuiltSample {
  BuiltSample() {
    test::write_inputs(dir);
    EXPECT_EQ(test::run_build(dir).status, 0);
    test::Bytes disk = dir.read("flyseat.dsk");
    dir.write("cut.dsk", test::Bytes(disk.begin(), disk.begin() + 6 * 4096));
    disk[5000] ^= 1;
    dir.write("changed.dsk", disk);
    test::Bytes tape = dir.read("flyseat3.p6");
    tape[test::text_of(tape).find("PRESS SPACE") + 6] = 'X';
    dir.write("line.p6", tape);
    tape[1993] = 0xFE;  // the link field of line 1000
    dir.write("link.p6", tape);
    dir.write("empty", {});
    dir.write("big.bin", test::Bytes(kMaxInspectSize, 0));
    dir.write("huge.bin", test::Bytes(kMaxInspectSize + 2, 0));
    // 10 PRINT with a space before it, which no listing gives back.
    dir.write("odd.bin",
              test::concat({test::bytes({0xFF, 0xFF, 10, 0, ' ', 0x95, 0}), test::Bytes(10, 0)}));
    std::filesystem::create_directory(dir / "adir");
    std::filesystem::create_symlink("/dev/full", dir / "full.png");  // a device: never removed
    test::Bytes d88 = dir.read("flyseat.d88");
    for (int s = 0; s < 640; ++s)
      d88[static_cast<std::size_t>(688 + 272 * s + 4)] = 0;  // every sector count 0
    dir.write("bad.d88", d88);
    std::filesystem::create_directory(dir / "bad");  // its patch record runs past the end
    for (const char* name : {"list1.bin", "list2.bin", "patch.bin"})
      dir.write(std::string("bad/") + name,
                name[0] == 'p' ? test::bytes({2, 0, 0xFF, 0xFF}) : test::Bytes{});
  }
  test::TempDir dir;
};

const BuiltSample& built_sample() {
  static const BuiltSample sample;
  return sample;
}

// Every problem is one line on standard error naming the file, and every command says it the
// same way (status 1); a wrong command line says what is wrong (status 2); help is on standard
// output (status 0).
TEST(InspectRun, EachProblemIsOneLineNamingItsFile) {
  const std::string no_file = ": cannot open: No such file or directory\n";
  const std::string kNotOver = ", which the preview never writes over\n";
  std::string every_sector;  // the first twelve of 640 problems, then a count of the rest
  for (int s = 0; s < 12; ++s)
    every_sector += "flyseat-inspect: bad.d88: sector " + std::to_string(s) + " (cylinder 0, R " +
                    std::to_string(s + 1) + "): sector count is 0, expected 16\n";
  every_sector += "flyseat-inspect: bad.d88: and 628 more problems\n";
  auto usage = [](const std::string& command) {
    return " (see 'flyseat-inspect " + command + "--help')\n";
  };
  struct Case {
    std::string args;
    int status;
    std::string err;
  };
  // clang-format off
  const Case cases[] = {
      {"--help", 0, ""}, {"list --help", 0, ""}, {"info -h", 0, ""},
      {"", 2, "a command is needed: check, verify, list, info, diff, convert or preview" + usage("")},
      {"--bogus", 2, "unknown option '--bogus'" + usage("")},
      {"frobnicate", 2, "unknown command 'frobnicate'" + usage("")},
      {"list", 2, "list: a FILE is needed" + usage("list ")},
      {"list a b c", 2, "list: unexpected argument 'b'" + usage("list ")},
      {"preview --bogus -o x", 2, "preview: unknown option '--bogus'" + usage("preview ")},
      {"info", 2, "info: one FILE or more is needed" + usage("info ")},
      {"diff flyseat.d88", 2, "diff: two FILEs are needed" + usage("diff ")},
      {"info - -", 2, "info: standard input (-) can be read once only" + usage("info ")},
      {"preview", 2, "preview: -o FILE is needed (- for standard output)" + usage("preview ")},
      {"preview -o", 2, "preview: -o needs a FILE (- for standard output)" + usage("preview ")},
      {"check -o", 2, "check: a folder is needed after '-o'" + usage("check ")},
      {"check -o ''", 2, "check: a folder is needed after '-o'" + usage("check ")},
      {"check --output=", 2, "check: a folder is needed after '--output='" + usage("check ")},
      {"check -o a -o b", 2, "check: a second output folder 'b'" + usage("check ")},
      {"check ''", 2, "check: an empty folder name ''" + usage("check ")},
      {"verify -o a -o b", 2, "verify: a second output folder 'b'" + usage("verify ")},
      {"list nonexist", 1, "nonexist" + no_file},
      {"info adir", 1, "adir: cannot read: Is a directory\n"},
      {"list empty", 1, "empty: empty file\n"}, {"list --raw empty", 1, "empty: empty file\n"},
      {"info - <empty", 1, "standard input: empty file\n"},
      {"list flyseat2.p6", 1, "flyseat2.p6: a data tape image holds no program\n"},
      {"list --raw flyseat3.p6", 1,
       "flyseat3.p6: a tape image, not a file of line records: list it without --raw\n"},
      {"list --raw --bytes odd.bin", 1, "odd.bin: line 10: begins with a space, which lists as two "
       "spaces after the number; typing it again loses one\n"},
      {"list odd.bin", 1, "odd.bin: not an image of a build: no tape leader, no D88 header, and 17 "
       "bytes is not a whole number of 4096-byte blocks (use --raw for a file of line records)\n"},
      {"list --raw list3.txt", 1, "list3.txt: a BASIC listing as text, not an image of a build: "
       "check it with flyseat-inspect check in its game's folder, and list an image that "
       "flyseat-build makes of it\n"},
      {"info big.bin", 1, "big.bin: block count is 256, expected 4 to 29\n"},
      {"list huge.bin", 1, "huge.bin: larger than 1048576 bytes, which no file of a build is\n"},
      {"check nonexist", 1, "nonexist" + no_file},
      {"check flyseat3.p6", 1, "flyseat3.p6: not a folder\n"},
      {"check flyseat3.p6/sub", 1, "flyseat3.p6/sub: cannot open: Not a directory\n"},
      {"check -- -nodash", 1, "-nodash" + no_file},
      {"preview -o list1.bin", 1, "list1.bin: is the game's list1.bin" + kNotOver},
      {"preview adir/.. -o ./loader.bin", 1, "./loader.bin: is the game's loader.bin" + kNotOver},
      {"list bad.d88", 1, every_sector.substr(17)},
      {"info flyseat.d88 changed.dsk", 1,
       "flyseat.d88: does not hold changed.dsk: sector 19 (cylinder 1, R 4): its record "
       "differs\n"},
      {"list flyseat3.p6 >/dev/full",
       1, "standard output: cannot write: No space left on device\n"},
      {"preview adir -o p.png", 1, "adir/list1.bin" + no_file},
      {"preview bad -o p.png",
       1, "bad/patch.bin: record at offset 0 runs past the end of memory\n"},
      {"preview -o no/such/p.png", 1, "no/such/p.png: cannot write: No such file or directory\n"},
      {"preview -o full.png", 1, "full.png: cannot write: No space left on device\n"},
      {"preview -o - >/dev/full", 1, "standard output: cannot write: No space left on device\n"},
  };
  // clang-format on
  const BuiltSample& sample = built_sample();
  for (const Case& c : cases) {
    test::RunResult run = inspect(sample.dir, c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_EQ(run.err, c.err.empty() ? "" : "flyseat-inspect: " + c.err) << c.args;
    EXPECT_TRUE(c.status == 1 || run.out.empty() == (c.status == 2)) << c.args;
    EXPECT_TRUE(c.status != 0 || run.out.find("Usage: flyseat-inspect") != std::string::npos);
  }
  EXPECT_FALSE(sample.dir.has("p.png"));
  EXPECT_TRUE(std::filesystem::is_symlink(sample.dir / "full.png"));
  EXPECT_EQ(inspect(sample.dir, "--version").out, "flyseat-inspect 1.1.0\n");
  EXPECT_EQ(inspect(sample.dir, "check nonexist").out, "");
  std::string list_help = inspect(sample.dir, "list --help").out;
  EXPECT_EQ(list_help.find("preview"), std::string::npos);
  EXPECT_EQ(list_help.find("check"), std::string::npos);
}

// The examples of flyseat-inspect in the README and in docs/, run in a folder holding the sample
// game, what a build made of it, and examples/sample: each must print what the page shows
// ("..." stands for any lines).
bool matches(std::istringstream& expected, std::istringstream& actual) {
  std::string want, got;
  while (std::getline(expected, want)) {
    if (want == "...") {
      std::getline(expected, want);
      while (std::getline(actual, got) && got != want) {
      }
    } else if (!std::getline(actual, got) || got != want) {
      return false;
    }
  }
  return !std::getline(actual, got);
}

// The examples of a document: each command after "$ " in a block, with the lines it prints up
// to the next command or the end of the block. The manual pages' blocks are roff, unescaped.
struct Example {
  std::string command, output;
};
std::vector<Example> examples_in(std::string text, const std::string& open,
                                 const std::string& close) {
  for (auto [roff, plain] : {std::pair{"\\-", "-"}, {"\\&", ""}, {"\\e", "\\"}}) {
    for (std::size_t at = 0; (at = text.find(roff, at)) != std::string::npos;)
      text.replace(at, std::strlen(roff), plain);
  }
  std::vector<Example> found;
  for (std::size_t at = 0; (at = text.find(open, at)) != std::string::npos;) {
    std::size_t end = text.find(close, at + open.size());
    std::istringstream block(text.substr(at + open.size(), end - at - open.size()));
    bool commands = false;  // in this block
    for (std::string line; std::getline(block, line);) {
      if (line.starts_with("$ "))
        found.push_back({line.substr(2), ""});
      else if (commands)
        found.back().output += line + "\n";
      commands = commands || line.starts_with("$ ");
    }
    at = end;
  }
  return found;
}

// Each document's examples run in order in one shell, as a reader runs them: a `cd` carries on.
TEST(InspectRun, TheExamplesOfTheDocumentsAreItsRealOutput) {
  const BuiltSample& sample = built_sample();
  for (const char* copy : {"examples/sample", "game"}) {
    std::filesystem::create_directories(sample.dir / copy);
    std::filesystem::copy(FLYSEAT_SAMPLE_DIR, sample.dir / copy,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
  }
  std::string path = std::filesystem::path(FLYSEAT_INSPECT_PATH).parent_path().string();
  int run = 0;
  for (const char* document : {"/../README.md", "/checks.md", "/json.md", "/../man/flyseat-build.1",
                               "/../man/flyseat-inspect.1"}) {
    std::string text = test::text_of(test::read_file(std::string(FLYSEAT_DOCS_DIR) + document));
    bool page = std::string_view(document).ends_with(".1");
    std::vector<Example> examples =
        page ? examples_in(text, ".nf\n", ".fi") : examples_in(text, "```\n", "```");
    test::TempDir said;
    std::string script = "PATH=" + path + ":$PATH\n";
    for (std::size_t i = 0; i < examples.size(); ++i)
      script +=
          "{ " + examples[i].command + "\n} >'" + (said / std::to_string(i)).string() + "' 2>&1\n";
    said.write("script", test::text_bytes(script));
    test::run_program("sh", sample.dir, "'" + (said / "script").string() + "'");
    for (std::size_t i = 0; i < examples.size(); ++i) {
      std::string out = test::text_of(said.read(std::to_string(i)));
      std::istringstream expected(examples[i].output), actual(out);
      EXPECT_TRUE(matches(expected, actual)) << document << ": " << examples[i].command << "\n"
                                             << out;
      ++run;
    }
  }
  EXPECT_GE(run, 13);
}

// verify ends as cmp does: 0 every image the same, 1 one that differs, is missing or is another
// kind, or inputs that do not build, 2 an input that cannot be read. Each row: shell commands run
// in a folder of the sample built and converted, then verify's words, standard output and error.
TEST(InspectRun, VerifySaysWhetherTheImagesAreWhatTheInputsMake) {
  const std::string kSame = "flyseat2.p6: same\nflyseat3.p6: same\nflyseat.dsk: same\n";
  // clang-format off
  struct Case { const char* what; std::string setup, args; int status; std::string out, err{}; };
  const Case cases[] = {
      {"the same", "", "", 0, kSame + "flyseat.d88: same\nflyseat.hfe: same\n"},
      {"a byte of each image",
       "for f in f*; do printf Z | dd of=$f bs=1 seek=3000 conv=notrunc 2>/dev/null; done", "", 1,
       "flyseat2.p6: differs\n  the list1 and list2 data, byte 2984: 00 became 5A\nflyseat3.p6: "
       "differs\n  line 1890: \"FOR W=1 TO 2000:NEXT W\" became \"FOR W=1 TO 2000:Z W\"\n"
       "flyseat.dsk: differs\n  the loader, byte 3000: FF became 5A\n  sector 11 (cylinder 0, R 12): "
       "1 byte differs, in the loader\nflyseat.d88: differs\n  the loader, byte 2168: FF became 5A\n"
       "  sector 8 (cylinder 0, R 9): 1 byte differs, in the loader\nflyseat.hfe: differs\n  offset "
       "3000: the files differ from here\n"},
      {"no HFE image, and one missing", "rm flyseat.hfe flyseat.dsk", "", 1,
       "flyseat2.p6: same\nflyseat3.p6: same\nflyseat.dsk: missing\nflyseat.d88: same\n"},
      {"another kind", "cp flyseat2.p6 flyseat.d88 && cp flyseat.dsk flyseat.hfe", "", 1,
       kSame + "flyseat.d88: not a D88 image\nflyseat.hfe: not an HFE image\n"},
      {"inputs that do not build", "printf '\\002\\000\\377\\377' >>patch.bin", "", 1,
       "the inputs do not build: patch.bin: record at offset 38 runs past the end of memory\n"},
      {"inputs that cannot be read", "rm loader.bin list3.txt", "", 2, "",
       "flyseat-inspect: ./loader.bin: cannot open: No such file or directory\n"
       "flyseat-inspect: ./list3.txt: cannot open: No such file or directory\n"},
      {"-o", "mkdir out; mv f* out", "-o out .", 0, kSame + "flyseat.d88: same\nflyseat.hfe: same\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    test::TempDir dir;
    test::write_inputs(dir);
    ASSERT_EQ(test::run_build(dir).status, 0);
    ASSERT_EQ(inspect(dir, "convert flyseat.d88 -o flyseat.hfe").status, 0);
    ASSERT_EQ(
        std::system(("cd '" + dir.path().string() + "' && " + (c.setup.empty() ? "true" : c.setup))
                        .c_str()),
        0);
    test::RunResult run = inspect(dir, "verify " + c.args);
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
    EXPECT_EQ(run.err, c.err) << c.what;
  }
}

// convert makes the same HFE bytes of a D88 image and of its raw disk image, replaces a file
// whole and leaves nothing behind, and refuses in one line what holds no disk of the target's
// geometry. Each row: the command, its status, standard output and error, run in one folder of
// the sample built, beside the HFE of its D88 image (ref.hfe).
TEST(InspectRun, ConvertWritesTheDiskAsAnHfeImage) {
  test::TempDir dir;
  test::write_inputs(dir);
  ASSERT_EQ(test::run_build(dir).status, 0);
  ASSERT_EQ(inspect(dir, "convert flyseat.d88 -o ref.hfe").status, 0);
  // clang-format off
  struct Case { const char* what; std::string command; int status; std::string out, err{}; };
  const Case cases[] = {
      {"the raw disk image, over a longer file", "head -c 2000000 /dev/zero >disk.hfe && "
       "I convert flyseat.dsk -o disk.hfe && cmp disk.hfe ref.hfe && ls | grep -c hfe", 0,
       "disk.hfe: HFE image of flyseat.dsk, 1004544 bytes\n2\n"},
      {"to standard output", "I convert - -o - <flyseat.d88 | cmp - ref.hfe", 0, ""},
      {"a tape image", "I convert flyseat2.p6 -o x.hfe", 1, "", "flyseat2.p6: a tape image holds no disk"},
      {"45 tracks", "cat flyseat.dsk /dev/zero | head -c 184320 >big.dsk && I convert big.dsk -o x.hfe",
       1, "", "big.dsk: 45 tracks, more than the disk's 40"},
      {"15 sectors on a track", "cp flyseat.d88 odd.d88 && printf '\\017' | dd of=odd.d88 bs=1 "
       "seek=692 conv=notrunc 2>/dev/null && I convert odd.d88 -o x.hfe", 1, "",
       "odd.d88: not the disk's geometry: 40 cylinders, one side, 16 sectors of 256 bytes"},
      {"an HFE image", "I convert ref.hfe -o x.hfe", 1, "",
       "ref.hfe: neither a D88 image nor a raw disk image"},
      {"its own input", "cp flyseat.d88 kept.d88 && I convert flyseat.d88 -o ./flyseat.d88 || "
       "{ s=$?; cmp flyseat.d88 kept.d88 && exit $s; }", 1, "",
       "./flyseat.d88: is the image it converts, which convert never writes over"},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::string command = c.command;
    for (std::size_t at; (at = command.find("I convert")) != std::string::npos;)
      command.replace(at, 1, std::string("'") + FLYSEAT_INSPECT_PATH + "'");
    test::RunResult run = test::run_program("true", dir, "", command + "; exit $?;");
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
    EXPECT_EQ(run.err, c.err.empty() ? "" : "flyseat-inspect: " + c.err + "\n") << c.what;
    EXPECT_FALSE(dir.has("x.hfe")) << c.what;
  }
}

// diff ends as cmp does: 0 the same, 1 different, 2 trouble; a D88 image compares with a raw
// disk image by what it holds.
TEST(InspectRun, DiffSaysWhatDiffersAsAPorterReadsIt) {
  // clang-format off
  struct Case { std::string args; int status; std::string out, err; };
  const Case cases[] = {
      {"flyseat.d88 - <flyseat.d88", 0, "", ""}, {"flyseat.d88 flyseat.dsk", 0, "", ""},
      // The damage first; the lines after it compare by number, and all of them hold the same.
      {"flyseat3.p6 link.p6", 1, "link.p6: offset 1993: link field of a line record is 0xFFFE, "
       "expected 0xFFFF\nline 90: \"COLOR 15:LOCATE 13,9:PRINT \"PRESS SPACE\"\" became \"COLOR "
       "15:LOCATE 13,9:PRINT \"PRESS XPACE\"\"\n", ""},
      {"flyseat.d88 changed.dsk", 1, "list1 0x2F88: FC became FD\nsector 19 (cylinder 1, R 4): 1 "
       "byte differs, in the list1 and list2 data\n", ""},
      {"flyseat3.p6 flyseat.dsk", 1, "the first is a tape image, the second a raw disk image\n", ""},
      {"flyseat.d88 nonexist", 2, "", "nonexist: cannot open: No such file or directory\n"},
      {"empty flyseat.dsk", 2, "", "empty: empty file\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    test::RunResult run = inspect(built_sample().dir, "diff " + c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_EQ(run.out, c.out) << c.args;
    EXPECT_EQ(run.err, c.err.empty() ? "" : "flyseat-inspect: " + c.err) << c.args;
  }
  EXPECT_EQ(inspect(built_sample().dir, "diff flyseat3.p6 line.p6 >/dev/full").status, 2);
}

TEST(InspectRun, AProblemFollowsTheReportOfItsFileAndStandardInputIsAFile) {
  const BuiltSample& sample = built_sample();
  std::string both = inspect(sample.dir, "info cut.dsk flyseat2.p6 2>&1").out;
  EXPECT_LT(both.find("flyseat-inspect: cut.dsk:"), both.find("flyseat2.p6: tape image"));
  EXPECT_EQ(both.find(": the program"), std::string::npos);  // cut.dsk has none
  EXPECT_EQ(inspect(sample.dir, "info empty 2>&1").out, "flyseat-inspect: empty: empty file\n");
  EXPECT_EQ(inspect(sample.dir, "list - <flyseat.d88").out,
            inspect(sample.dir, "list flyseat3.p6").out);
}

// A warning or an error gives status 1. The size and checksums are the whole file's, and what
// a build cannot read or write is an error before the build: a pipe (read, it would never end)
// and a folder in an output's place.
TEST(InspectRun, CheckEndsWithStatus1OnAWarningOrAnError) {
  test::TempDir dir;
  test::write_inputs(dir);
  test::RunResult clean = inspect(dir, "check");
  EXPECT_EQ(clean.status, 0);
  EXPECT_NE(clean.out.find("\n  loader.bin: 384 bytes, all read\n"), std::string::npos);
  // Line 740's number, record 36's 148 bytes and the zero byte after them.
  EXPECT_NE(clean.out.find("\n  longest edited line: line 740, 152 of 1000 bytes (848 to spare)\n"),
            std::string::npos);
  dir.write("list1.bin", test::Bytes(kMaxInspectSize + 1, 0));
  // A listing larger than the check keeps, read again from its file as a build reads it, to its
  // last line (through descriptor 0 when standard input is closed); and a patch file larger
  // still, likewise.
  std::string listing = test::text_of(dir.read("list3.txt"));
  listing.replace(listing.find("\n90 "), 4, "\n95 ");
  while (listing.size() <= kMaxCheckSize)
    listing += "119 REM\n";
  dir.write("list3.txt", test::text_bytes(listing + "2000 END\n"));
  test::RunResult warned = inspect(dir, "check . <&-");
  EXPECT_EQ(warned.status, 1);
  for (const char* line :
       {"  warning: list1.bin: 1048577 bytes; the first 54272 are read, 994305 ignored\n"
        "    CRC-32 c6a48b28, SHA-1 a84d35eda74338bd79a432f77d73f8ab5eb91902\n",
        "  130721 lines read: 121 records stored, 130600 dropped\n",
        "  warning: and 130593 more lines dropped as well\n",
        "  substitution records: 56 of 58 fired; times each fired, by record:\n",
        "verdict: 0 errors, 11 warnings\n"}) {
    EXPECT_NE(warned.out.find(line), std::string::npos) << line;
  }
  std::filesystem::remove(dir / "list3.txt");
  ASSERT_EQ(std::system(("mkfifo '" + (dir / "list3.txt").string() + "'").c_str()), 0);
  std::filesystem::create_directory(dir / "flyseat3.p6");
  dir.write("patch.bin", test::Bytes((16 << 20) + 1, 0));
  test::RunResult failed = inspect(dir, "check");
  EXPECT_EQ(failed.status, 1);
  for (const char* line :
       {"  error: list3.txt: not a regular file\n", "  patch.bin: 4194304 records\n",
        "  record 16 at offset 60: stores nothing\n  and 4194288 more records\n",
        "  warning: offset 16777216: 1 stray "
        "byte after the last record, too few for another: ignored\n",
        "Outputs\n  error: cannot open flyseat3.p6: a folder of that name is in "
        "the way\nverdict: 2 errors, 3 warnings\n"}) {
    EXPECT_NE(failed.out.find(line), std::string::npos) << line << failed.out;
  }
  EXPECT_EQ(inspect(dir, "preview -o p.png").status, 0);  // that patch file read whole too
}

// The values the JSON gives where the schema and the numbers of the text (json_test.py) do not
// pin them.
TEST(InspectRun, InfoAndCheckSpeakJson) {
  using nlohmann::json;
  const BuiltSample& sample = built_sample();
  json info = json::parse(inspect(sample.dir,
                                  "info --json flyseat3.p6 flyseat.dsk empty changed.dsk "
                                  "flyseat.d88 nonexist")
                              .out);
  EXPECT_EQ(info["files"][5]["problems"][0], "cannot open: No such file or directory");
  EXPECT_EQ(info["files"][5]["kind"], "unreadable");
  EXPECT_EQ(info["files"][5]["sound"], false);
  // Scripts get every problem; only the text report caps them.
  json bad = json::parse(inspect(sample.dir, "info --json bad.d88").out);
  EXPECT_EQ(bad["files"][0]["problems"].size(), 640u);
  EXPECT_EQ(info["d88_holds_raw_disk"][0]["holds"], true);
  EXPECT_EQ(info["d88_holds_raw_disk"][1]["finding"]["place"]["text"],
            "sector 19 (cylinder 1, R 4)");
  EXPECT_EQ(info["d88_holds_raw_disk"][1]["finding"]["place"]["r"], 4);
  EXPECT_EQ(info["d88_holds_raw_disk"][1]["finding"]["file"], "flyseat.d88");

  // The end marker's offset only where the program ends whole.
  EXPECT_EQ(json::parse(inspect(sample.dir, "list --json flyseat3.p6").out)["end_marker"], 3141);
  EXPECT_FALSE(json::parse(inspect(sample.dir, "list --json link.p6").out).contains("end_marker"));

  json check = json::parse(inspect(sample.dir, "check --json").out);
  EXPECT_EQ(check["sections"][0]["findings"][1]["text"].get<std::string>().substr(0, 7),
            "CRC-32 ");  // a detail line, without the text report's indentation
}

// The pixels of a PNG file, as RGB; empty when it is none.
test::Bytes pixels_of(const test::Bytes& file, int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) return {};
  image.format = PNG_FORMAT_RGB;
  test::Bytes rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) return {};
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return rgb;
}

TEST(InspectRun, ThePreviewIsThePictureInTheDocs) {
  test::TempDir out;
  test::RunResult run = inspect(out, "preview '" FLYSEAT_SAMPLE_DIR "' -o preview.png");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "preview.png: preview of " FLYSEAT_SAMPLE_DIR ", 1464 x 2066 pixels\n");
  int width = 0, height = 0, docs_width = 0, docs_height = 0;
  test::Bytes made = pixels_of(out.read("preview.png"), width, height);
  test::Bytes docs =
      pixels_of(test::read_file(FLYSEAT_DOCS_DIR "/preview.png"), docs_width, docs_height);
  EXPECT_TRUE(!made.empty() && made == docs) << "docs/preview.png is out of date";
  EXPECT_EQ(inspect(out, "preview '" FLYSEAT_SAMPLE_DIR "' -o -").out,
            test::text_of(out.read("preview.png")));
  // A device is written as it stands.
  EXPECT_EQ(inspect(out, "preview '" FLYSEAT_SAMPLE_DIR "' -o /dev/null").status, 0);
  // A picture that cannot be written whole leaves the older one as it was, and nothing else.
  test::RunResult full = test::run_program(FLYSEAT_INSPECT_PATH, out,
                                           "preview '" FLYSEAT_SAMPLE_DIR "' -o preview.png",
                                           "trap '' XFSZ; ulimit -f 1;");
  EXPECT_EQ(full.err, "flyseat-inspect: preview.png: cannot write: File too large\n");
  EXPECT_TRUE(pixels_of(out.read("preview.png"), width, height) == docs);
  EXPECT_EQ(out.names(), std::vector<std::string>{"preview.png"});
}

}  // namespace
}  // namespace flyseat::inspect
