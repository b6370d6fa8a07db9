// The inspector's checks on bytes: the stored program and its listing, the images and their
// damage, the check of the inputs, and where the preview puts each pixel.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <nlohmann/json.hpp>

#include "checksums.hpp"
#include "flyseat/basic.hpp"
#include "flyseat/d88.hpp"
#include "flyseat/memory_build.hpp"
#include "inspect.hpp"
#include "json_output.hpp"
#include "support.hpp"

namespace flyseat::inspect {
namespace {

using test::Bytes, test::bytes, test::concat, test::patch_record;

Bytes tape(const std::string& name, const Bytes& payload) {
  return concat({Bytes(10, 0xD3), test::text_bytes(name), payload});
}

Bytes changed(Bytes file, std::size_t at, std::initializer_list<int> values) {
  for (int v : values)
    file.at(at++) = static_cast<Byte>(v);
  return file;
}

Bytes cut(const Bytes& file, std::size_t size) {
  return Bytes(file.begin(), file.begin() + static_cast<long>(size));
}

GameInputs sample_inputs() {
  GameInputs inputs;
  for (std::size_t i = 0; i < kInputNames.size(); ++i) {
    inputs.files[i].bytes = test::sample_input(kInputNames[i]);
    inputs.files[i].size = inputs.files[i].bytes.size();
  }
  return inputs;
}

// What a build in memory makes of the sample game.
Bytes sample(const char* name) {
  return test::text_bytes(test::sample_outputs()[static_cast<std::size_t>(
      std::find(kOutputNames.begin(), kOutputNames.end(), std::string_view(name)) -
      kOutputNames.begin())]);
}

// Each problem on a line of its own.
std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

// --- The stored program ----------------------------------------------------------------------

TEST(ListedText, ExpandsTokensOutsideStringsDataAndRemarksAndEscapesWhenAsked) {
  // clang-format off
  struct Case { Bytes tokens; std::string escaped, as_stored; };
  const Case cases[] = {
      {bytes({0x95, '"', 0x95, '"', 0x95}), "PRINT\"\\x95\"PRINT", "PRINT\"\x95\"PRINT"},
      // DATA items run to a colon outside a string; a remark runs to the end of the line.
      {bytes({0x83, '"', ':', 0x95, '"', ':', 0x95}), "DATA\":\\x95\":PRINT", "DATA\":\x95\":PRINT"},
      {bytes({0x8E, '"', ':', 0x95}), "REM\":\\x95", "REM\":\x95"},
      {bytes({0x83, 0x95, 0x8E, 0x95}), "DATA\\x95\\x8E\\x95", "DATA\x95\x8E\x95"},
      {bytes({0x8E, 0x83, ':', 0x95}), "REM\\x83:\\x95", "REM\x83:\x95"},
      {bytes({'\\', 0x01, 0x1F, ' ', '~', 0x7F}), "\\x5C\\x01\\x1F ~\\x7F", "\\\x01\x1F ~\x7F"},
      {bytes({0x80, 0xF9, 0xFA}), "ENDMKS$\\xFA", "ENDMKS$\xFA"},  // the tokens' edges
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(listed_text(c.tokens, true) + "|" + listed_text(c.tokens, false),
              c.escaped + "|" + c.as_stored);
}

// A listing of the program as `list --bytes` writes it.
std::string listing_of(const Program& program) {
  std::string text;
  for (const ProgramLine& line : program.lines)
    text += listed_line(line, false);
  return text;
}

// The program a listing gives when tokenized as a build tokenizes it, without the substitution
// records.
Bytes tokenized(const std::string& listing) {
  auto work = std::make_unique<WorkArea>();
  Source source;
  open_bytes(source, kListingName, test::span_of(listing));
  std::int32_t length = convert_listing(source, *work, nullptr, LineEdits::none);
  return Bytes(work->program.begin(), work->program.begin() + length + kEndMarkerSize);
}

// The sample's program from each carrier, and a program made to hold control bytes, bytes
// past 0x7F, backslashes and tokens in DATA, case mixed: listed as stored, tokenized again,
// each gives back its line records.
TEST(FindProgram, EachCarrierGivesAProgramWhoseListingTokenizesBackTheSame) {
  const Bytes main_tape = sample(kMainTapeName);
  const Bytes records(main_tape.begin() + 16, main_tape.end());
  const Bytes odd = tokenized(
      "2000 PRINT \"\a\x01\x7F\\\"; chr$(7) :rem \a\\ Mixed Case\t\n"
      "2010 data print,\"A:B\",\x1B,goto:Print \"\\n\"\n"
      "2020 'remark \x0B with print and \xFA\xFF\n"
      "2030 a$=\"\x0D\":b=1\n");
  for (const Bytes& file : {main_tape, sample(kRawDiskName), sample(kD88Name), records, odd}) {
    Listing listing = find_program(file, file == records || file == odd);
    check_round_trip(listing);
    EXPECT_EQ(joined(listing.problems), "");
    const Program& program = listing.program;
    EXPECT_EQ(program.lines.size(), file == odd ? 4u : 120u);
    EXPECT_EQ(tokenized(listing_of(program)), file == odd ? odd : records);
  }
  for (const Bytes& damaged : {cut(records, 3132), changed(records, 3128, {1})}) {
    Listing listing = find_program(damaged, true);  // its end marker's problem, and no end
    EXPECT_TRUE(!listing.program.ended && listing.problems.size() == 1);
  }
}

TEST(FindProgram, NamesTheLinesThatCannotComeBack) {
  // clang-format off
  struct Case { Bytes tokens; std::uint16_t number; std::string problem; /* its start */ };
  const Case cases[] = {
      {bytes({' ', 0x95}), 10, "line 10 begins with a space, which lists as two spaces"},
      {bytes({0x95, '\r'}), 10, "line 10 ends with a carriage return"},
      {bytes({0x95, '"', 0x1A}), 10, "line 10 holds a byte 0x1A"},
      {bytes({0x95, '\n', 'A'}), 10, "line 10 holds a line feed"},
      {bytes({0x95}), 119, "line 119 does not come back the same"},
      {bytes({'I', 'N', 0xAE}), 10, "line 10 does not come back the same"},  // listed INPUT
  };
  // clang-format on
  for (const Case& c : cases) {
    Listing listing{Program{{{c.number, c.tokens}}, true, 0}, {}};
    check_round_trip(listing);
    std::string page = listing_text("f", listing);  // as the page lists it: the line, one problem
    EXPECT_EQ(page.substr(page.find('\n') + 1, c.problem.size() + 3), "f: " + c.problem);
    EXPECT_EQ(std::count(page.begin(), page.end(), '\n'), 2) << c.problem;
  }
}

// --- The images ------------------------------------------------------------------------------

// Where sector s's record starts: after the 688-byte header, 272 bytes a sector.
std::size_t sector_header(int s) {
  return 688 + 272 * static_cast<std::size_t>(s);
}

// What `info` and `list` say of damaged and foreign files: the same checks, the same words.

TEST(DescribeImage, NamesThePlaceTheFieldAndTheValueOfEachDamage) {
  const Bytes& d88 = sample(kD88Name);
  const Bytes& dsk = sample(kRawDiskName);
  const Bytes& tp = sample(kMainTapeName);
  const Bytes record = bytes({0xFF, 0xFF, 0x0A, 0x00, 0x95, 0x00});  // 10 PRINT
  const std::string no_program =
      "its last blocks hold no program as a build writes it: line records with the link field "
      "0xFFFF, then the end marker, in as many blocks as the block rule gives them\n";
  const std::string not_image = "not an image of a build: no tape leader, no D88 header, and ";
  const std::string blocks = " is not a whole number of 4096-byte blocks\n";
  struct Case {
    const char* what;
    Bytes file;
    std::string problems;
  };
  // clang-format off
  const Case cases[] = {
      {"an empty file", Bytes{}, "empty file\n"},
      {"a D88 image cut inside a sector",
       cut(d88, 100000), "the file is 100000 bytes, expected 174768\nthe file ends inside sector "
                         "365 (cylinder 22, R 14), whose record starts at offset 99968\n"},
      {"a D88 image cut inside its header",
       cut(d88, 600), "the file ends inside the 688-byte header, at 600 bytes\n"},
      {"a D88 image of its header alone",
       cut(d88, 688), "the file is 688 bytes, expected 174768\nthe file ends inside sector 0 "
                      "(cylinder 0, R 1), whose record starts at offset 688\n"},
      {"a D88 header too short for its size field", changed(Bytes(36, 0), 0x1C, {36}),
       "the file ends inside the 688-byte header, at 36 bytes\n"},
      {"D88 header fields", changed(d88, 0x11, {1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0x20, 0xB1}),
       "header: reserved byte 0x11 is 0x01, expected 0x00\nheader: reserved byte 0x19 is 0x02, "
       "expected 0x00\nheader: media type is 0x20, expected 0x00\nheader: disk size is 174769, "
       "expected 174768\n"},
      {"D88 track table entries", changed(changed(d88, 0x20, {0xB1}), 0x15C, {1}),
       "track table entry 0 is 0x2B1, expected 0x2B0\ntrack table entry 79 is 0x1, expected 0x0\n"},
      {"every field of a sector header",
       changed(d88, sector_header(37), {2, 1, 7, 2, 0x10, 1, 4, 2, 3, 1, 0, 0, 0, 1, 0xFF, 0}),
       "sector 37: H is 1, expected 0\nsector 37: R is 7, expected 6\nsector 37: N is 2, expected "
       "1\nsector 37: sector count is 272, expected 16\nsector 37: density is 4, expected 0\n"
       "sector 37: deleted mark is 2, expected 0\nsector 37: status is 3, expected 0\nsector 37: "
       "data size is 255, expected 256\nsector 37: reserved bytes are not zero\n"},
      {"write-protected", changed(d88, 0x1A, {0x10}), ""},  // write-protected
      {"a sector's cylinder",
       changed(d88, sector_header(16), {2}), "sector 16: C is 2, expected 1\n"},
      // A changed byte of the 0xFF fill, at the start of it and further on.
      {"the first byte of the fill", changed(d88, sector_header(112) + 16, {0}),
       "sector 112 (cylinder 7, R 1): byte 0 of the 0xFF fill is 0x00\n"},
      {"a later byte of the fill", changed(d88, sector_header(300) + 16 + 255, {0x12}),
       "sector 300 (cylinder 18, R 13): byte 255 of the 0xFF fill is 0x12\n"},
      {"a program block changed", changed(d88, sector_header(96) + 16, {0xFE}), no_program},
      {"data ending inside a track",
       changed(changed(d88, sector_header(96) + 16, {0xFE}), sector_header(113) + 16, {0}),
       "the sectors with data end inside track 7; a build copies whole tracks\n"},
      {"a raw disk image of no whole blocks", cut(dsk, 28000), not_image + "28000 bytes" + blocks},
      {"3 blocks", cut(dsk, 3 * 4096), "3 blocks: a build writes 4 to 29\n"},
      {"the smallest raw disk image",
       concat({Bytes(4096, 0xFF), Bytes(3 * 4096, 0)}), ""},  // the smallest: empty inputs
      {"30 blocks", concat({dsk, Bytes(23 * 4096, 0)}), "30 blocks: a build writes 4 to 29\n"},
      {"the program block cut off", cut(dsk, 6 * 4096), no_program},
      {"a program of 3 blocks right after the loader", concat({Bytes(4096, 0xFF),
       bytes({0xFF, 0xFF, 10, 0}), Bytes(8200, 'A'), Bytes(4084, 0)}), no_program},
      {"the program block replaced", concat({cut(dsk, 6 * 4096),
       Bytes(dsk.begin() + 5 * 4096, dsk.begin() + 6 * 4096)}), no_program},
      {"a byte after the end marker",
       changed(dsk, 28000, {7}), "byte at offset 28000 after the end marker is 0x07; a build "
                                 "leaves zero bytes there to the end of the image\n"},
      {"the largest raw disk image",
       concat({Bytes(20 * 4096, 0x55), bytes({0xFF, 0xFF, 10, 0}), Bytes(32745, 'A'),
               Bytes(4115, 0)}), ""},  // 29 blocks
      {"20 data blocks", concat({Bytes(21 * 4096, 0x55), record, Bytes(10, 0), Bytes(4080, 0)}),
       "20 blocks of list1 and list2 data: a build writes at most 19\n"},
      {"a tape cut inside a record",
       cut(tp, 3000), "line record at offset 2983 runs past the end of the file\n"},
      {"a link field",
       changed(tp, 16, {1}), "line record at offset 16: link field is 0xFF01, expected 0xFFFF\n"},
      {"an end marker byte", changed(cut(tp, 3151), 3144, {1}),
       "end marker at offset 3141: byte 3 is 0x01, expected 0x00\n"},
      {"an end marker cut short",
       cut(tp, 3148), "end marker at offset 3141 is cut short: 7 of 10 bytes\n"},
      {"no end marker",
       tape("MAIN  ", record), "the program ends at offset 22 without its end marker\n"},
      {"bytes after the end marker",
       concat({tp, bytes({7, 8})}), "2 bytes after the end marker at offset 3141\n"},
      {"another tape name", changed(sample(kDataTapeName), 10, {'X', '\\'}),
       "tape name \"X\\x5CTA  \" is neither \"DATA  \" nor \"MAIN  \"\n"},
      {"a tape leader alone",
       Bytes(10, 0xD3), "tape image cut short inside its header: 10 of 16 bytes\n"},
      {"the largest data tape",
       tape("DATA  ", Bytes(kList1Max + kList2Max, 0)), ""},
      {"an empty data tape", tape("DATA  ", {}), ""},
      {"a data tape too large", tape("DATA  ", Bytes(kList1Max + kList2Max + 1, 0)),
       "payload of 72241 bytes is more than the list1 and list2 regions hold (72240)\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(joined(describe_image(c.file).problems), c.problems) << c.what;
  }
}

// A file that is no whole image still has a headline, and the loader's fill is told exactly.
TEST(DescribeImage, SaysWhatAFileIsThatNoBuildWroteWhole) {
  // clang-format off
  const std::pair<Bytes, std::string> cases[] = {
      {Bytes(12, 0xD3), "tape image, 12 bytes: its leader and no whole tape name\n"},
      {Bytes(17, 1), "17 bytes, not an image of a build\n"},
      {concat({Bytes(4095, 0), Bytes(3 * 4096 + 1, 0xFF)}), "raw disk image, 16384 bytes: 4 "
       "blocks of 4096 bytes\n  block 0: the loader, 4095 bytes, then 1 byte of 0xFF fill\n"},
  };
  // clang-format on
  for (const auto& [file, lines] : cases)
    EXPECT_EQ(joined(description_lines(describe_image(file))), lines);
}

TEST(DescribeImage, FindsEveryProblemAndAReportShowsTwelve) {
  for (int damaged : {12, 13}) {
    Bytes d88 = sample(kD88Name);
    for (int s = 0; s < damaged; ++s)
      d88[sector_header(s) + 4] = 0;  // a sector count of 0
    std::vector<std::string> problems = describe_image(d88).problems;
    EXPECT_EQ(problems.size(), static_cast<std::size_t>(damaged));
    std::vector<std::string> shown = shown_problems(problems);
    EXPECT_EQ(shown.back(),
              damaged == 12 ? "sector 11: sector count is 0, expected 16" : "and 1 more problem");
    EXPECT_EQ(shown.size(), damaged == 12 ? 12u : 13u);
  }
}

TEST(D88Difference, SaysWhereTheD88DoesNotHoldTheRawImage) {
  const Bytes& d88 = sample(kD88Name);
  const Bytes& dsk = sample(kRawDiskName);
  EXPECT_EQ(d88_difference(d88, dsk), "");
  EXPECT_EQ(d88_difference(changed(d88, 688, {1}), dsk), "sector 0 (cylinder 0, R 1) differs");
  EXPECT_EQ(d88_difference(cut(d88, 30000), dsk), "sector 107 (cylinder 6, R 12) is cut short");
  EXPECT_EQ(d88_difference(changed(d88, 2, {'A'}), dsk), "the headers differ at offset 2");
  EXPECT_EQ(d88_difference(concat({d88, bytes({0})}), dsk), "1 byte more after the last sector");
  EXPECT_EQ(d88_difference(d88, Bytes(41 * 4096, 0)), "disk full");
}

// As catalogues list them: eight hex digits, leading zeros kept, of a file read in pieces.
TEST(Checksums, AreThoseOfTheCatalogues) {
  ChecksumStream stream;
  stream.add(test::text_bytes("a"));
  stream.add(test::text_bytes("e"));
  Checksums sums = stream.sums();
  EXPECT_EQ(sums.crc32, "00e7ddce");
  EXPECT_EQ(sums.sha1, "1eabdaf488b3a3682bbca94c5f468f065cdfaf13");
}

// --- The check of the inputs -----------------------------------------------------------------

// Edits the listing: replaces the first line that begins with `from` by `to`.
std::function<void(GameInputs&)> listing_line(const std::string& from, const std::string& to) {
  return [=](GameInputs& in) {
    std::string listing = test::text_of(in.files[kListing].bytes);
    std::size_t at = listing.rfind("\n" + from, listing.size()) + 1;
    std::size_t end = listing.find('\n', at) + 1;
    listing.replace(at, end - at, to);
    in.files[kListing].bytes = test::text_bytes(listing);
  };
}

std::function<void(GameInputs&)> appended(Input input, const Bytes& more) {
  return [=](GameInputs& in) {
    Bytes& b = in.files[input].bytes;
    b.insert(b.end(), more.begin(), more.end());
  };
}

// The warnings and errors of a report as the text report shows them, one a line.
std::string complaints(const CheckReport& report) {
  std::string text;
  for (const CheckFinding& f : report.findings) {
    if (f.level != Level::fact)
      text += (f.level == Level::error ? "error: " : "warning: ") + f.text + "\n";
  }
  return text;
}

TEST(Check, NamesWhatDiffersFromTheGameTheTablesWereMadeFor) {
  std::string rems;  // 29 lines of 996 bytes each
  for (int n = 2000; n < 2029; ++n)
    rems += std::to_string(n) + " REM" + std::string(990, '*') + "\n";
  auto list2 = [](std::function<void(Bytes&)> edit) {
    return [edit](GameInputs& in) { edit(in.files[kList2].bytes); };
  };
  const std::string unset = " converted from unset bytes (the first at 0x";
  const std::string no_video = ", not a video address\nwarning: halved address 0x";
  struct Case {
    const char* what;
    std::function<void(GameInputs&)> alter;
    std::string expected;
  };
  // clang-format off
  const Case cases[] = {
      {"a line renumbered", listing_line("90 ", "95 COLOR 5:LOCATE 33,12:PRINT \"PRESS SPACE\"\n"),
       "warning: record 16 (line 90, finds \"33,12\") fired nowhere: the listing has no line 90\n"
       "warning: record 17 (line 90, finds \"COLOR5\") fired nowhere: the listing has no line "
       "90\n"},
      {"a line missing",
       listing_line("720 ", ""), "warning: record 34 (line 720, finds \"RUNWAY-HEADINGGLIDE-SLOPE"
       "OUTER-MARKERMIDDLE-MARKERDECISION-HIGHT\") fired nowhere: the listing has no line 720\n"},
      {"a line changed where a record finds",
       listing_line("730 ", "730 PRINT TAB(32);\"------\"\n"), "warning: record 35 (line 730, "
       "finds \"TAB(33);\") fired nowhere: line 730 holds nothing it finds\n"},
      {"lines without numbers, one out of range",
       [](GameInputs& in) { Bytes& b = in.files[kListing].bytes; b = concat({test::text_bytes(
         "PRINT\n"), b, test::text_bytes("70000 A=1\nPRINT\nPRINT\nPRINT\nPRINT\nPRINT\n")}); },
       "warning: a line without a number at the start: stored as line 0\n"
       "warning: a line without a number after line 70000: stored as line 0\n"
       "warning: a line without a number after line 0: stored as line 0\n"
       "warning: a line without a number after line 0: stored as line 0\n"
       "warning: a line without a number after line 0: stored as line 0\n"
       "warning: and 1 more line without a number\n"
       "warning: line 70000 is stored as line 4464 (the low 16 bits)\n"
       "warning: line 0 follows line 4464, out of ascending order\n"
       "warning: line 0 is in the listing more than once\n"},
      {"a dropped line missing",
       [](GameInputs& in) { listing_line("119 ", "")(in); listing_line("345 ", "")(in);
                            appended(kListing, test::text_bytes("345 END\n"))(in); },  // last
       "warning: no line 119 to drop: a build leaves lines 119 and 345 out\n"},
      {"the program nearly full",
       appended(kListing, test::text_bytes(rems)), "warning: program: 32009 of 32758 bytes, 749 to "
       "spare, less than a listing line may need\n"},
      {"the program too large",
       appended(kListing, test::text_bytes(rems + "2029 REM" + std::string(990, '*') + "\n")),
       "error: list3.txt: program too large at line 2029\n"},
      {"an end-of-text byte",
       appended(kListing, bytes({0x1A, 'X', 'Y'})), "warning: list3.txt: 3802 bytes; the first "
       "3800 are read, to the byte 0x1A, 2 ignored\n"},
      {"a patch record cut short",
       [](GameInputs& in) { in.files[kPatch].bytes.pop_back(); }, "warning: record 4 at offset 32 "
       "is cut short: 1 data byte missing, stored as 0xFF\n"},
      {"a stray patch byte",
       appended(kPatch, bytes({7})), "warning: 1 stray byte after the last record, at offset 38: "
       "ignored\n"},
      {"a patch record past memory",
       [](GameInputs& in) {  // a build stops there: nothing of the memory image is checked
         appended(kPatch, patch_record(2, 0xFFFF, {1, 2}))(in);
         in.files[kList2].bytes.resize(0x100); },
       "error: patch.bin: record at offset 38 runs past the end of memory\n"},
      {"list1 blocks past memory",
       appended(kList1, Bytes(kList1Max - 9216, 0)), "warning: the list1 blocks end 3072 bytes "
       "past their buffer, filled with zero bytes\n"},
      {"list1 short of the bitmap rows",
       [](GameInputs& in) { in.files[kList1].bytes.resize(0x1FFF); }, "warning: bitmap rows 0x48C0 "
       "to 0x4BFF: 1 of 832 bytes converted from unset bytes\nwarning: entry table entry: 50 of "
       "50" + unset + "4D30)\n"},
      {"list2 short of the fixed places",
       list2([](Bytes& b) { b.resize(0xBC7B - 0xB9D0); b[0xBC75 - 0xB9D0] = 0x12; }),  // into one
       "warning: raised word: 13 of 14" + unset + "BD53)\nwarning: halved address: 185 of 192" +
       unset + "BC7A)\nwarning: split address byte: 2 of 2" + unset + "C1C5)\nwarning: rounded "
       "word: 1 of 1" + unset + "C1D7)\nwarning: high-nibble pattern byte: 14 of 14" + unset +
       "BC9D)\nwarning: low-nibble pattern byte: 13 of 14" + unset + "BC8C)\nwarning: pattern "
       "pair: 49 of 49" + unset + "BC94)\nwarning: halved address 0xBC74 holds 0x1250, not a "
       "video address\n"},
      {"words that hold no video address", list2([](Bytes& b) {
         for (std::size_t a : {0xBC75u, 0xBC7Bu, 0xBC81u, 0xBC87u, 0xBC8Fu}) b[a - 0xB9D0] = 0x12;
         b[0xBC97 - 0xB9D0] = b[0xC1C5 - 0xB9D0] = 0; b[0xBC98 - 0xB9D0] = 0xC0; }),  // 0xC000
       "warning: halved address 0xBC74 holds 0x1250" + no_video + "BC7A holds 0x12FA" + no_video +
       "BC80 holds 0x12C0" + no_video + "BC86 holds 0x12C6" + no_video + "BC8E holds 0x12CE, not "
       "a video address\nwarning: the split address (0xC1C5, 0xC1CA) holds 0x0040, not a video "
       "address\n"},
      // Each kind of place loaded by its first byte alone, or all but its last; a pair and a
      // raised word whole.
      {"places loaded in part", [](GameInputs& in) {
         in.files[kList1].bytes.resize(0x4D30 - 0x2C00);
         in.files[kList2].bytes.resize(0x100);
         appended(kPatch, concat({patch_record(2, 0x4D30, {0x11, 0}), patch_record(1, 0xBC41, {0}),
                                  patch_record(2, 0xBC74, {0x50, 0x12}),
                                  patch_record(1, 0xC1C5, {0x12}), patch_record(1, 0xC1D7, {6}),
                                  patch_record(1, 0xBC9D, {0xE4}), patch_record(1, 0xBC72, {0xE4}),
                                  patch_record(1, 0xBC94, {0xC0}), patch_record(2, 0xC76B, {0, 0}),
                                  patch_record(2, 0xC8A8, {0, 0})}))(in); },
       "warning: record 5 at offset 38 stores 2 bytes (0x4D30 to 0x4D31) that only the disk "
       "images carry: the data tape holds the list1 region only up to 0x4D2F\n"
       "warning: entry table entry: 50 of 50" + unset + "4D30)\nwarning: raised word: 13 of 14" +
       unset + "BC41)\nwarning: halved address: 191 of 192" + unset + "BC7A)\nwarning: split "
       "address byte: 1 of 2" + unset + "C1CA)\nwarning: rounded word: 1 of 1" + unset + "C1D7)\n"
       "warning: high-nibble pattern byte: 13 of 14" + unset + "C428)\nwarning: low-nibble "
       "pattern byte: 13 of 14" + unset + "BC8C)\nwarning: pattern pair: 48 of 49" + unset +
       "BC94)\nwarning: halved address 0xBC74 holds 0x1250, not a video address\n"},
      {"inputs unreadable",
       [](GameInputs& in) { in.files[kLoader] = {};  // nothing read, as from a failed open
                            in.files[kLoader].status = ReadStatus::cannot_open;
                            in.files[kList2].status = ReadStatus::cannot_read;
                            in.files[kList1].status = ReadStatus::too_large;
                            in.files[kList1].bytes.resize(17 << 20); },
       "error: cannot open loader.bin\nwarning: list1.bin: 17825792 bytes, too large to check\n"
       "error: cannot read list2.bin\n"},
      {"a byte-order mark", [](GameInputs& in) { Bytes& b = in.files[kListing].bytes;
                            b.insert(b.begin(), {0xEF, 0xBB, 0xBF}); },
       "warning: list3.txt begins with a UTF-8 byte-order mark (EF BB BF), which a build reads as "
       "part of the first line\nwarning: a line without a number at the start: stored as line 0\n"
       "warning: record 8 (line 10, finds \"CLEAR,\") fired nowhere: the listing has no line 10\n"},
      // Lines of 1,200 and 2,500 bytes before the listing: the rest of each is read as lines of
      // their own, those of line 2010 numbered 2147483647 and 5. A last line of 999 bytes is whole.
      {"lines cut", [](GameInputs& in) {
         Bytes& b = in.files[kListing].bytes;
         b = concat({test::text_bytes("2010 " + std::string(1993, '9') + "5" +
                                      std::string(500, ' ') + "\r\n2000 REM" +
                                      std::string(1192, '*') + "\n"),
                     b, test::text_bytes("2020 " + std::string(994, 'X'))}); },
       "warning: line 2010 is 2499 bytes long: a build cuts it after 999 bytes and stores the rest "
       "as 2 lines, the first numbered 2147483647\nwarning: line 2000 is 1200 bytes long: a build "
       "cuts it after 999 bytes and stores the rest as line 0\nwarning: a line without a number "
       "after line 2000: stored as line 0\nwarning: line 2147483647 is stored as line 65535 (the "
       "low 16 bits)\nwarning: line 5 follows line 65535, out of ascending order\nwarning: line 0 "
       "follows line 2000, out of ascending order\n"},
      {"six overwrites",
       appended(kPatch, concat({patch_record(1, 0x2C00, {1}), patch_record(1, 0x2C00, {2}),
                                patch_record(1, 0x2C00, {3}), patch_record(1, 0x2C00, {4}),
                                patch_record(1, 0x2C00, {5}), patch_record(1, 0x2C00, {6})})),
       "warning: record 5 at offset 38 overwrites 1 byte that record 2 wrote\nwarning: record 6 at "
       "offset 43 overwrites 1 byte that record 5 wrote\nwarning: record 7 at offset 48 "
       "overwrites 1 byte that record 6 wrote\nwarning: record 8 at offset 53 overwrites 1 byte "
       "that record 7 wrote\nwarning: record 9 at offset 58 overwrites 1 byte that record 8 "
       "wrote\nwarning: and 1 more record overwrites earlier ones\n"},
      {"blank lines", [](GameInputs& in) {
         Bytes& b = in.files[kListing].bytes;
         b = concat({test::text_bytes("  \r\n"), b, bytes({'\n'})}); },
       "warning: a blank line at the start: stored as line 0 with no text\n"
       "warning: a blank line after line 1930, the last: stored as line 0 with no text\n"
       "warning: line 0 follows line 1930, out of ascending order\n"
       "warning: line 0 is in the listing more than once\n"},
      {"patch records that no output carries",
       appended(kPatch, concat({patch_record(3, 0x2BFE, {1, 2, 3}),  // 2 bytes below list1
                                patch_record(3, 0x4FFE, {1, 2, 3}),  // one past list1, to 0x4FFF
                                patch_record(1, 0x5C00, {1})})),  // past its blocks, to 0x5BFF
       "warning: record 5 at offset 38 overwrites 1 byte that record 2 wrote\n"
       "warning: record 5 at offset 38 stores 2 of its 3 bytes (0x2BFE to 0x2BFF) that no output "
       "carries: the outputs hold memory from 0x2C00 to 0x5BFF (the list1 region and the rest of "
       "its disk blocks) and from 0xB9D0 on (the list2 region)\n"
       "warning: record 7 at offset 52 stores 1 byte (0x5C00 to 0x5C00) that no output carries: "
       "the outputs hold memory from 0x2C00 to 0x5BFF (the list1 region and the rest of its disk "
       "blocks) and from 0xB9D0 on (the list2 region)\n"
       "warning: record 6 at offset 45 stores 1 of its 3 bytes (0x5000 to 0x5000) that only the "
       "disk images carry: the data tape holds the list1 region only up to 0x4FFF\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GameInputs inputs = sample_inputs();
    c.alter(inputs);
    for (FileRead& file : inputs.files)  // as the bytes now are
      file.size = file.bytes.size();
    CheckReport report = check_inputs(inputs);
    EXPECT_EQ(complaints(report), c.expected);
    EXPECT_EQ(check_text(report).find(": 0 bytes, all read"), std::string::npos);  // none empty
    nlohmann::json json = nlohmann::json::parse(check_json("game", report));
    std::string parsed;
    for (const auto& section : json["sections"]) {
      for (const auto& f : section["findings"]) {
        std::string level = f["level"].get<std::string>();
        if (level != "fact") parsed += level + ": " + f["text"].get<std::string>() + "\n";
      }
    }
    EXPECT_EQ(parsed, c.expected);
    EXPECT_EQ(json["errors"].get<int>() + json["warnings"].get<int>(),
              std::count(c.expected.begin(), c.expected.end(), '\n'));
  }
}

TEST(Check, ListsSixteenPatchRecordsAndCountsTheRest) {
  GameInputs inputs = sample_inputs();
  appended(kPatch, Bytes(13 * 4, 0))(inputs);  // records that store nothing
  std::string text = check_text(check_inputs(inputs));
  EXPECT_NE(text.find("  patch.bin: 17 records\n"), std::string::npos);
  EXPECT_NE(text.find("  record 16 at offset 82: stores nothing\n  and 1 more record\n"),
            std::string::npos);
}

// Without line feeds, a build reads the listing as one line; what follows from it comes after.
// An empty listing saved as UTF-8 may be a byte-order mark alone.
TEST(Check, SaysWhatAnEditorDidToTheListing) {
  GameInputs inputs = sample_inputs();
  std::ranges::replace(inputs.files[kListing].bytes, '\n', '\r');
  std::string first = complaints(check_inputs(inputs));
  EXPECT_EQ(first.substr(0, first.find('\n') + 1),
            "warning: list3.txt has carriage returns but no line feeds: a build ends a line only "
            "at a line feed, so it reads the whole listing as one line, cut every 999 bytes\n");
  inputs.files[kListing].bytes = bytes({0xEF, 0xBB, 0xBF});
  EXPECT_NE(complaints(check_inputs(inputs)).find("list3.txt begins with a UTF-8 byte-order mark"),
            std::string::npos);
}

// A listing listed back from the program a build made (list --bytes) is no input for a build.
TEST(Check, SaysAListingIsAlreadyConverted) {
  Program program = find_program(sample(kMainTapeName), false).program;
  GameInputs inputs = sample_inputs();
  inputs.files[kListing].bytes = test::text_bytes(listing_of(program));
  std::string text = check_text(check_inputs(inputs));
  EXPECT_NE(text.find("\n  warning: list3.txt looks already converted: 47 of the 47 records whose "
                      "line it has find their replacement in place, and the lines a build drops "
                      "are missing; a build would convert it a second time\n"),
            std::string::npos)
      << text;
}

TEST(Check, GivesTheDiskLayoutOfAnEmptyProgramButNoneOfARefusedOne) {
  GameInputs inputs = sample_inputs();
  appended(kListing, test::text_bytes("2000 REM" + std::string(32000, '*') + "\n"))(inputs);
  EXPECT_EQ(check_text(check_inputs(inputs)).find("raw disk image"), std::string::npos);
  inputs.files[kListing].status = ReadStatus::cannot_open;
  EXPECT_EQ(check_text(check_inputs(inputs)).find("raw disk image"), std::string::npos);
  inputs.files[kPatch].status = ReadStatus::too_large;  // nor memory to lay out
  inputs.files[kListing] = {};
  EXPECT_EQ(check_text(check_inputs(inputs)).find("raw disk image"), std::string::npos);
  inputs.files[kPatch] = sample_inputs().files[kPatch];
  inputs.files[kListing] = {};
  std::string empty = check_text(check_inputs(inputs));
  EXPECT_NE(empty.find("  raw disk image: 7 of 40 tracks"), std::string::npos);
  EXPECT_EQ(empty.find("already converted"), std::string::npos);
}

// What a record that replaces a whole line throws away, up to 60 characters of it.
TEST(Check, ShowsTheTextAWholeLineRecordThrowsAway) {
  GameInputs inputs = sample_inputs();
  listing_line("20 ", "20 " + std::string(60, 'A') + "\n")(inputs);
  listing_line("40 ", "40 \\" + std::string(58, 'B') + "\r\n")(inputs);
  std::string text = check_text(check_inputs(inputs));
  EXPECT_NE(
      text.find("  record 9 replaces the whole of line 20: \"" + std::string(60, 'A') + "\"\n"),
      std::string::npos);
  EXPECT_NE(text.find("  record 11 replaces the whole of line 40: \"\\x5C" + std::string(53, 'B') +
                      "...\"\n"),
            std::string::npos);
}

// --- The preview -----------------------------------------------------------------------------

TEST(Preview, ShowsARowInGreyLevelsBeforeAndInBlackAndWhiteAfter) {
  auto memory = std::make_unique<LoadedMemory>();
  std::copy_n("\xC0\x03\xFF", 3, memory->image.begin() + 0x2C00);  // packs to 81 F0 00 00
  memory->image[0x2C05] = 0x40;  // second row: one pixel of colour 1
  memory->image[0x4BFE] = 0x80;  // last row of the last range: one pixel of colour 2
  for (int a : {0x2C00, 0x2C01, 0x2C02, 0x2C03, 0x2C05, 0x4BFE})
    memory->loaded.set(static_cast<std::size_t>(a));
  Picture picture = render_preview(*memory);
  EXPECT_EQ(picture.rgb.size(), picture.offset(0, picture.height));    // as the page hands it on
  EXPECT_EQ(picture.pixel(1, 1), (std::array<Byte, 3>{32, 64, 112}));  // the background
  // Grey level 0 to 3 of a pixel's square, or -1 for a colour that is no grey.
  auto level = [&](int range, bool after, int row, int x) {
    Place at = preview_place(range, after, row, x);
    EXPECT_EQ(picture.pixel(at.x, at.y), picture.pixel(at.x + 2, at.y + 2));  // a whole square
    std::array<Byte, 3> rgb = picture.pixel(at.x, at.y);
    return rgb[0] == rgb[1] && rgb[1] == rgb[2] ? rgb[0] / 85 : -1;
  };
  const std::string row = "3000000333330000";  // grey before, white after, alike here
  for (int x = 0; x < 16; ++x)
    EXPECT_EQ(level(0, false, 0, x) * 10 + level(0, true, 0, x),
              (row[static_cast<std::size_t>(x)] - '0') * 11)
        << x;
  EXPECT_EQ(level(0, false, 1, 4) * 10 + level(0, true, 1, 4), 13);
  EXPECT_EQ(level(5, false, 415, 0) * 10 + level(5, true, 415, 1), 20);
  // Bytes that nothing loaded stand out in a colour of their own, before and after.
  EXPECT_EQ(level(0, false, 1, 0), -1);
  EXPECT_EQ(level(0, true, 1, 3), -1);
  EXPECT_EQ(level(5, true, 415, 4), -1);
}

TEST(Preview, LabelsARangeWithoutLoadedData) {
  auto memory = std::make_unique<LoadedMemory>();
  memory->loaded.set(0x3200).set(0x44BD);  // just past the first range; the second's last byte
  EXPECT_EQ(band_title(*memory, 0), "2C00-31FF  384 ROWS OF 4 BYTES  NO DATA LOADED");
  EXPECT_EQ(band_title(*memory, 1), "3204-44BD  799 ROWS OF 6 BYTES");
}

}  // namespace
}  // namespace flyseat::inspect
