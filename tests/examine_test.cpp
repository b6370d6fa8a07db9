// The inspector's checks on bytes: listing a stored program, recognising and checking the
// images, and where the preview puts each pixel.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <sstream>

#include "examine.hpp"
#include "flyseat/basic.hpp"
#include "flyseat/d88.hpp"
#include "flyseat/image.hpp"
#include "flyseat/memory_build.hpp"
#include "support.hpp"

namespace flyseat::inspect {
namespace {

using test::Bytes;
using test::bytes;
using test::concat;

const Bytes kEndMarker(10, 0x00);
const Bytes kTapeLeader(10, 0xD3);

Bytes tape(const std::string& name, const Bytes& payload) {
  return concat({kTapeLeader, test::text_bytes(name), payload});
}

// The four outputs of a build of the sample game.
struct SampleOutputs {
  Bytes data_tape, main_tape, raw_disk, d88;
};

const SampleOutputs& sample_outputs() {
  static const SampleOutputs outputs = [] {
    auto read = [](const char* name) {
      return test::read_file(std::filesystem::path(FLYSEAT_SAMPLE_DIR) / name);
    };
    Bytes loader = read("loader.bin"), list1 = read("list1.bin"), list2 = read("list2.bin"),
          patch = read("patch.bin"), listing = read("list3.txt");
    auto build = std::make_unique<MemoryBuild>();
    build_in_memory({loader, list1, list2, patch, listing}, *build);
    auto out = [&](const char* name) {
      std::span<const Byte> bytes = build->output(name);
      return Bytes(bytes.begin(), bytes.end());
    };
    return SampleOutputs{out(kDataTapeName), out(kMainTapeName), out(kRawDiskName), out(kD88Name)};
  }();
  return outputs;
}

Findings listed(const Bytes& file, bool raw) {
  Findings found;
  list_program(file, raw, found);
  return found;
}

Findings described(const Bytes& file) {
  Findings found;
  describe_image(file, found);
  return found;
}

std::string problems_of(const Findings& found) {
  std::string text;
  for (const std::string& p : found.problems)
    text += p + "\n";
  return text;
}

// --- Listing ---------------------------------------------------------------------------------

TEST(ListedText, ExpandsTokensOnlyOutsideStringsDataAndRemarks) {
  struct Case {
    Bytes tokens;
    std::string text;
  };
  const Case cases[] = {
      {bytes({0x95, '"', 'A', '"'}), "PRINT\"A\""},
      {bytes({0x95, '"', 0x95, '"', 0x95}), "PRINT\"\\x95\"PRINT"},
      // DATA items run to a colon outside a string; a colon inside a string does not end them.
      {bytes({0x83, '1', ',', 0x95, ':', 0x95}), "DATA1,\\x95:PRINT"},
      {bytes({0x83, '"', ':', 0x95, '"', ':', 0x95}), "DATA\":\\x95\":PRINT"},
      // A remark runs to the end of the line, colons and quotes included.
      {bytes({0x8E, '"', ':', 0x95}), "REM\":\\x95"},
      {bytes({0x8E, ':', 0x95}), "REM:\\x95"},
      // Bytes that are not printable ASCII, and the backslash, are shown by their value.
      {bytes({'\\', 0x01, 0x7F, 0xFA, 0xFF}), "\\x5C\\x01\\x7F\\xFA\\xFF"},
      {bytes({0x80, 0xF9}), "ENDMKS$"},  // the first and the last token
  };
  for (const Case& c : cases)
    EXPECT_EQ(listed_text(c.tokens), c.text);
}

TEST(ListProgram, ListsEachRecordWithItsNumber) {
  Bytes program = concat({bytes({0xFF, 0xFF, 0x0A, 0x00, 0x95, '"', 'H', 'I', '"', 0x00}),
                          bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x00}), kEndMarker});
  Findings raw = listed(program, true);
  EXPECT_TRUE(raw.sound()) << problems_of(raw);
  EXPECT_EQ(raw.report, "10 PRINT\"HI\"\n65535 END\n");
  Findings taped = listed(tape("MAIN  ", program), false);
  EXPECT_TRUE(taped.sound()) << problems_of(taped);
  EXPECT_EQ(taped.report, raw.report);
  EXPECT_TRUE(listed(kEndMarker, true).sound());  // the empty program
}

TEST(ListProgram, NamesTheOffsetOfTheDamageAfterWhatItListed) {
  const Bytes record = bytes({0xFF, 0xFF, 0x0A, 0x00, 0x95, 0x00});  // 10 PRINT, 6 bytes
  struct Case {
    Bytes file;
    bool raw;
    std::string problem;
    std::string report;
  };
  const Case cases[] = {
      {bytes({0xFF, 0xFF, 0x0A, 0x00, 0x95}), true,
       "line record at offset 0 runs past the end of the file", ""},
      {bytes({0xFF, 0xFF, 0x0A}), true, "line record at offset 0 runs past the end of the file",
       ""},
      {record, true, "the program ends at offset 6 without its end marker", "10 PRINT\n"},
      {concat({record, bytes({0xFF})}), true, "the program ends at offset 7 without its end marker",
       "10 PRINT\n"},
      {concat({record, Bytes(5, 0)}), true, "end marker at offset 6 is cut short: 5 of 10 bytes",
       "10 PRINT\n"},
      {concat({record, bytes({0, 0, 0, 1, 0, 0, 0, 0, 0, 0})}), true,
       "end marker at offset 6: byte 3 is 0x01, expected 0x00", "10 PRINT\n"},
      {concat({record, kEndMarker, bytes({1})}), true, "1 byte after the end marker at offset 6",
       "10 PRINT\n"},
      {concat({record, kEndMarker, bytes({1, 2})}), true,
       "2 bytes after the end marker at offset 6", "10 PRINT\n"},
      // In a tape image the offsets count from the start of the file.
      {tape("MAIN  ", concat({record, record})), false,
       "the program ends at offset 28 without its end marker", "10 PRINT\n10 PRINT\n"},
      {tape("MAIN  ", bytes({0xFF, 0xFF, 0x0A, 0x00, 0x95})), false,
       "line record at offset 16 runs past the end of the file", ""},
      {concat({record, kEndMarker}), false,
       "not a tape image: it does not begin with the tape leader (use --raw for a file of line "
       "records)",
       ""},
      {concat({kTapeLeader, bytes({'M', 'A'})}), false, "tape header cut short: 12 of 16 bytes",
       ""},
      {tape("DATA  ", concat({record, kEndMarker})), false, "a data tape image holds no program",
       ""},
  };
  for (const Case& c : cases) {
    Findings found = listed(c.file, c.raw);
    EXPECT_EQ(problems_of(found), c.problem + "\n") << c.problem;
    EXPECT_EQ(found.report, c.report) << c.problem;
  }
}

// \xHH back to its byte, as a person would type the listed line again.
Bytes unescape(const std::string& text) {
  Bytes out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      out.push_back(static_cast<Byte>(std::stoi(text.substr(i + 2, 2), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(static_cast<Byte>(text[i]));
    }
  }
  return out;
}

TEST(ListProgram, TheSampleProgramListedAndTokenizedAgainGivesTheSameRecords) {
  const Bytes& main_tape = sample_outputs().main_tape;
  Findings found = listed(main_tape, false);
  ASSERT_TRUE(found.sound()) << problems_of(found);

  auto program = std::make_unique<ProgramBuffer>();
  std::int32_t length = 0;
  std::istringstream lines(found.report);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    std::size_t space = line.find(' ');
    ASSERT_NE(space, std::string::npos) << line;
    Bytes text = unescape(line.substr(space + 1));
    Bytes tokens(text.size());
    tokens.resize(tokenize_line(text, tokens));
    ASSERT_TRUE(append_line_record(*program, length, std::stoi(line.substr(0, space)), tokens));
    ++count;
  }
  write_end_marker(*program, length);
  EXPECT_EQ(count, 120);
  Bytes again(program->begin(), program->begin() + length + kEndMarkerSize);
  EXPECT_EQ(tape("MAIN  ", again), main_tape);
}

// --- Images ----------------------------------------------------------------------------------

TEST(DescribeImage, ReportsEachSampleOutputAsSound) {
  const SampleOutputs& out = sample_outputs();
  struct Case {
    const Bytes* file;
    std::string report;
  };
  const Case cases[] = {
      {&out.data_tape,
       "tape image \"DATA  \", 14928 bytes: the 16-byte header and 14912 of payload\n"
       "  payload: the list1 region, then the list2 region\n"},
      {&out.main_tape,
       "tape image \"MAIN  \", 3151 bytes: the 16-byte header and 3135 of payload\n"
       "  program: 120 lines, the end marker at offset 3141\n"},
      {&out.raw_disk,
       "raw disk image, 28672 bytes: 7 blocks of 4096 bytes\n"
       "  block 0: the loader, 384 bytes before 3712 bytes of 0xFF fill\n"
       "  blocks 1 to 5: the list1 and list2 regions\n"
       "  blocks 6 to 6: the program, 120 lines, the end marker at offset 27701\n"},
      {&out.d88,
       "D88 image, 174768 bytes: 40 cylinders, 1 head, 16 sectors of 256 bytes a track\n"
       "  header: name \"\", write protect 0x00, media type 0x00, disk size 174768\n"
       "  track table: 40 tracks, the first at offset 688, 4352 bytes apart; the other 124 "
       "entries 0\n"
       "  sectors: 640 of 640; 112 with data (7 tracks and 0 sectors), then 528 of 0xFF fill\n"},
  };
  for (const Case& c : cases) {
    Findings found = described(*c.file);
    EXPECT_TRUE(found.sound()) << problems_of(found);
    EXPECT_EQ(found.report, c.report);
  }
}

Bytes changed(Bytes file, std::size_t at, std::initializer_list<int> values) {
  for (int v : values)
    file.at(at++) = static_cast<Byte>(v);
  return file;
}

Bytes cut(const Bytes& file, std::size_t size) {
  return Bytes(file.begin(), file.begin() + static_cast<long>(size));
}

Bytes random_bytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  Bytes out(size);
  for (Byte& b : out)
    b = static_cast<Byte>(generator());
  return out;
}

std::size_t sector_header(int s) {
  return static_cast<std::size_t>(sector_record_offset(s));
}

TEST(DescribeImage, NamesThePlaceTheFieldAndTheValueOfEachDamage) {
  const SampleOutputs& out = sample_outputs();
  const Bytes& d88 = out.d88;
  struct Case {
    const char* what;
    Bytes file;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {"d88 truncated",
       cut(d88, 100000),
       {"the file is 100000 bytes, expected 174768",
        "the file ends inside sector 365 (cylinder 22, R 14), whose record starts at offset "
        "99968"}},
      {"d88 cut inside its header",
       cut(d88, 600),
       {"the file ends inside the 688-byte header, at 600 bytes"}},
      {"d88 track offset of cylinder 1",
       changed(d88, 0x28, {0xB1}),
       {"track table entry 2 is 0x13B1, expected 0x13B0"}},
      {"d88 track offset of the absent side",
       changed(d88, 0x24, {0x05}),
       {"track table entry 1 is 0x5, expected 0x0"}},
      {"d88 sector number",
       changed(d88, sector_header(37) + 2, {7}),
       {"sector 37: R is 7, expected 6"}},
      {"d88 data size",
       changed(d88, sector_header(639) + 14, {0xFF, 0x00}),
       {"sector 639: data size is 255, expected 256"}},
      {"d88 deleted mark",
       changed(d88, sector_header(0) + 7, {0x10}),
       {"sector 0: deleted mark is 16, expected 0"}},
      {"d88 disk size and media",
       changed(d88, 0x1B, {0x20, 0xB1}),
       {"header: media type is 0x20, expected 0x00",
        "header: disk size is 174769, expected 174768"}},
      {"d88 reserved header byte",
       changed(d88, 0x13, {0x05}),
       {"header: reserved byte 0x13 is 0x05, expected 0x00"}},
      {"raw disk truncated",
       cut(out.raw_disk, 28000),
       {"not an image of a build: no tape leader, no D88 header, and 28000 bytes is not a whole "
        "number of 4096-byte blocks"}},
      {"raw disk of three blocks",
       cut(out.raw_disk, 3 * 4096),
       {"3 blocks: a build writes at least 4"}},
      {"raw disk with its end marker damaged",
       changed(out.raw_disk, 27701 + 4, {0x01}),
       {"no program found: no block from block 3 on begins line records that end with the end "
        "marker in the blocks the block rule gives them"}},
      {"main tape truncated",
       cut(out.main_tape, 3008),
       {"line record at offset 3004 runs past the end of the file"}},
      {"main tape with a byte after it",
       concat({out.main_tape, bytes({7})}),
       {"1 byte after the end marker at offset 3141"}},
      {"tape of another name",
       changed(out.data_tape, 10, {'X', 'Y', 'Z'}),
       {"tape name \"XYZA  \" is neither \"DATA  \" nor \"MAIN  \""}},
      {"tape cut inside its header",
       cut(out.data_tape, 12),
       {"tape image cut short inside its header: 12 of 16 bytes"}},
      {"random bytes",
       random_bytes(5000, 1),
       {"not an image of a build: no tape leader, no D88 header, and 5000 bytes is not a whole "
        "number of 4096-byte blocks"}},
      {"random whole blocks",
       random_bytes(5 * 4096, 2),
       {"no program found: no block from block 3 on begins line records that end with the end "
        "marker in the blocks the block rule gives them"}},
      // The program takes at most nine blocks, so only the last nine are searched.
      {"random disk of 40 blocks",
       random_bytes(40 * 4096, 3),
       {"no program found: no block from block 31 on begins line records that end with the end "
        "marker in the blocks the block rule gives them"}},
      {"random disk of 41 blocks",
       random_bytes(41 * 4096, 3),
       {"41 blocks: more than the 40 tracks of the D88 image",
        "no program found: no block from block 32 on begins line records that end with the end "
        "marker in the blocks the block rule gives them"}},
      {"empty file", Bytes{}, {"empty file"}},
  };
  for (const Case& c : cases) {
    Findings found = described(c.file);
    EXPECT_EQ(found.problems, c.problems) << c.what;
  }
}

TEST(DescribeImage, ListsTwelveProblemsAndCountsTheRest) {
  Bytes d88 = sample_outputs().d88;
  for (int s = 0; s < kDiskSectors; ++s)
    d88[sector_header(s) + 4] = 0;  // every sector count 0
  Findings found = described(d88);
  ASSERT_EQ(found.problems.size(), 13u);
  EXPECT_EQ(found.problems[0], "sector 0: sector count is 0, expected 16");
  EXPECT_EQ(found.problems[12], "and 628 more problems");
}

// --- Preview ---------------------------------------------------------------------------------

TEST(Preview, ShowsARowInGreyLevelsBeforeAndInBlackAndWhiteAfter) {
  auto before = std::make_unique<MemoryImage>();
  before->at(0x2C00) = 0xC0;
  before->at(0x2C01) = 0x03;
  before->at(0x2C02) = 0xFF;
  before->at(0x2C05) = 0x40;  // second row: one pixel of colour 1
  before->at(0x4BFE) = 0x80;  // last row of the last range: one pixel of colour 2
  auto after = std::make_unique<MemoryImage>(*before);
  convert_memory_image(*after);
  ASSERT_EQ(after->at(0x2C00), 0x81);
  ASSERT_EQ(after->at(0x2C01), 0xF0);

  Picture picture = render_preview(*before, *after);
  using Rgb = std::array<Byte, 3>;
  auto grey = [](int level) { return Rgb{Byte(85 * level), Byte(85 * level), Byte(85 * level)}; };
  auto seen = [&](int range, bool is_after, int row, int x) {
    Place at = preview_place(range, is_after, row, x);
    // The whole square of the pixel has its colour.
    EXPECT_EQ(picture.pixel(at.x, at.y), picture.pixel(at.x + 2, at.y + 2));
    return picture.pixel(at.x, at.y);
  };
  const int before_row[16] = {3, 0, 0, 0, 0, 0, 0, 3, 3, 3, 3, 3, 0, 0, 0, 0};
  const int after_row[16] = {1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0};
  for (int x = 0; x < 16; ++x) {
    EXPECT_EQ(seen(0, false, 0, x), grey(before_row[x])) << x;
    EXPECT_EQ(seen(0, true, 0, x), grey(3 * after_row[x])) << x;
  }
  EXPECT_EQ(seen(0, false, 1, 4), grey(1));
  EXPECT_EQ(seen(0, true, 1, 4), grey(3));
  EXPECT_EQ(seen(0, false, 1, 5), grey(0));
  EXPECT_EQ(seen(5, false, 415, 0), grey(2));
  EXPECT_EQ(seen(5, true, 415, 0), grey(3));
  EXPECT_EQ(seen(5, true, 415, 1), grey(0));
}

TEST(Preview, EveryPixelOfEveryRangeHasASquareOfItsOwnInsideThePicture) {
  auto zero = std::make_unique<MemoryImage>();
  Picture picture = render_preview(*zero, *zero);
  std::vector<bool> taken(static_cast<std::size_t>(picture.width) *
                          static_cast<std::size_t>(picture.height));
  auto ranges = bitmap_row_ranges();
  for (int r = 0; r < kRowRangeCount; ++r) {
    const RowRange& range = ranges[static_cast<std::size_t>(r)];
    for (bool is_after : {false, true}) {
      for (int row = 0; row < range.rows(); ++row) {
        for (int x = 0; x < 4 * range.width; ++x) {
          Place at = preview_place(r, is_after, row, x);
          ASSERT_GE(at.x, 0);
          ASSERT_GE(at.y, 0);
          ASSERT_LE(at.x + kPreviewScale, picture.width);
          ASSERT_LE(at.y + kPreviewScale, picture.height);
          for (int dy = 0; dy < kPreviewScale; ++dy) {
            for (int dx = 0; dx < kPreviewScale; ++dx) {
              std::size_t p =
                  static_cast<std::size_t>(at.y + dy) * static_cast<std::size_t>(picture.width) +
                  static_cast<std::size_t>(at.x + dx);
              ASSERT_FALSE(taken[p]) << r << " " << row << " " << x;
              taken[p] = true;
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace flyseat::inspect
