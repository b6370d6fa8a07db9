// The inspector's checks on bytes: the stored program and its listing, the images and their
// damage, the check of the inputs, and where the preview puts each pixel.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <nlohmann/json.hpp>

#include "check.hpp"
#include "checksums.hpp"
#include "flyseat/basic.hpp"
#include "flyseat/memory_build.hpp"
#include "flyseat/text.hpp"
#include "images.hpp"
#include "json_output.hpp"
#include "listing.hpp"
#include "preview.hpp"
#include "problems.hpp"
#include "support.hpp"

namespace flyseat::inspect {
namespace {

using test::Bytes, test::bytes, test::changed, test::concat, test::cut, test::patch_record;

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

// A raw disk image whose loader begins as a tape does: the first 16 bytes a tape header.
Bytes tape_leader(const Bytes& disk) {
  return concat(
      {Bytes(10, 0xD3), test::text_bytes("MPLE L"), Bytes(disk.begin() + 16, disk.end())});
}

// Each line on a line of its own.
std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

std::string joined(const Findings& findings) {
  return joined(texts_of(findings));
}

// --- The stored program ----------------------------------------------------------------------

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
  for (const Bytes& file : {main_tape, sample(kRawDiskName), tape_leader(sample(kRawDiskName)),
                            sample(kD88Name), records, odd}) {
    Listing listing = find_program(file, file == records || file == odd);
    check_round_trip(listing);
    EXPECT_EQ(joined(listing.problems), "");
    const Program& program = listing.program;
    EXPECT_EQ(program.lines.size(), file == odd ? 4u : 120u);
    EXPECT_EQ(tokenized(listing_of(program)), file == odd ? odd : records);
  }
  // A damaged end marker: the lines before it, its problem, and no end.
  for (const auto& [damaged, problem] :
       {std::pair{cut(records, 3132), "offset 3125: end marker is 7 bytes, expected 10 bytes\n"},
        {changed(records, 3128, {1}),
         "offset 3128: byte 3 of the end marker is 0x01, expected 0x00\n"}}) {
    Listing listing = find_program(damaged, true);
    EXPECT_EQ(joined(listing.problems) + (listing.program.ended ? "ended" : ""), problem);
    EXPECT_EQ(listing.program.lines.size(), 120u);
  }
}

TEST(FindProgram, NamesTheLinesThatCannotComeBack) {
  // clang-format off
  struct Case { Bytes tokens; std::uint16_t number; std::string problem; /* its start */ };
  const Case cases[] = {
      {bytes({' ', 0x95}), 10, "line 10: begins with a space, which lists as two spaces"},
      {bytes({0x95, '\r'}), 10, "line 10: ends with a carriage return"},
      {bytes({0x95, '"', 0x1A}), 10, "line 10: holds a byte 0x1A"},
      {bytes({0x95, '\n', 'A'}), 10, "line 10: holds a line feed"},
      {bytes({0x95}), 119, "line 119: does not come back the same"},
      {bytes({'I', 'N', 0xAE}), 10, "line 10: does not come back the same"},  // listed INPUT
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

// Each file is taken by the format most certain of it and checked by that format's check; a
// file no format takes, or one cut before it can be told, still has a headline.
TEST(DescribeImage, KnowsEachFileByWhatItIs) {
  // clang-format off
  struct Case { Bytes file; const char* kind; std::string lines, problems; };
  const Case cases[] = {
      {Bytes{}, "empty", "", "empty file\n"},
      {Bytes(12, 0xD3), "tape", "tape image, 12 bytes: its leader and no whole tape name\n",
       "tape header is 12 bytes, expected 16 bytes\n"},
      {Bytes(17, 1), "unknown", "17 bytes, not an image of a build\n",
       "not an image of a build: no tape leader, no D88 header, and 17 bytes is not a whole "
       "number of 4096-byte blocks\n"},
      {changed(Bytes(36, 0), 0x1C, {36}), "d88", "D88 image, 36 bytes: 40 cylinders, 1 head, 16 "
       "sectors of 256 bytes a track\n", "size is 36 bytes, expected 174768 bytes; the file ends "
       "inside the 688-byte header\n"},
      // Cut inside the track table: its first entry whole, then one byte short of it.
      {cut(sample(kD88Name), 0x24), "d88", "D88 image, 36 bytes: 40 cylinders, 1 head, 16 sectors "
       "of 256 bytes a track\n", "size is 36 bytes, expected 174768 bytes; the file ends inside "
       "the 688-byte header\n"},
      {cut(sample(kD88Name), 0x23), "unknown", "35 bytes, not an image of a build\n",
       "not an image of a build: no tape leader, no D88 header, and 35 bytes is not a whole "
       "number of 4096-byte blocks\n"},
      {tape_leader(sample(kRawDiskName)), "raw-disk", "raw disk image, 28672 bytes: 7 blocks of "
       "4096 bytes\n  block 0: the loader, 384 bytes, then 3712 bytes of 0xFF fill\n  blocks 1 to "
       "5: the list1 and list2 regions\n  block 6: the program, 120 lines, the end marker at "
       "offset 27701\n", ""},
      {concat({Bytes(4095, 0), Bytes(3 * 4096 + 1, 0xFF)}), "raw-disk", "raw disk image, 16384 "
       "bytes: 4 blocks of 4096 bytes\n  block 0: the loader, 4095 bytes, then 1 byte of 0xFF "
       "fill\n", "its last blocks hold no program as a build writes it: line records with the "
       "link field 0xFFFF, then the end marker, in as many blocks as the block rule gives them\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    Description d = describe_image(c.file);
    EXPECT_STREQ(kind_name(d.kind), c.kind);
    EXPECT_EQ(joined(description_lines(d)), c.lines);
    EXPECT_EQ(joined(d.problems), c.problems);
  }
}

// info as the page shows it: each file's report, then its problems naming it, then whether the
// D88 image holds the raw disk image.
TEST(DescribeImage, InfoTextGivesEachReportThenItsProblems) {
  std::vector<NamedFile> files = {{"a.dsk", {}}, {"b.d88", {}}, {"c", {}}};
  files[0].read.bytes = sample(kRawDiskName);
  files[1].read.bytes = changed(sample(kD88Name), 0x1B, {0x20});
  files[2].read.status = ReadStatus::cannot_open;
  files[2].read.reason = "gone";
  std::string text = info_text(describe_files(files));
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "a.dsk: raw disk image, 28672 bytes: 7 blocks of 4096 bytes");
  EXPECT_NE(text.find("\nb.d88: header: media type is 0x20, expected 0x00\nc: cannot open: gone\n"
                      "b.d88: does not hold a.dsk: offset 27: the headers differ\n"),
            std::string::npos)
      << text;
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

std::function<void(GameInputs&)> list2(std::function<void(Bytes&)> edit) {
  return [edit](GameInputs& in) { edit(in.files[kList2].bytes); };
}

// The sample's inputs changed, with each file's size as its bytes now are.
GameInputs altered(const std::function<void(GameInputs&)>& alter) {
  GameInputs inputs = sample_inputs();
  alter(inputs);
  for (FileRead& file : inputs.files)
    file.size = file.bytes.size();
  return inputs;
}

// The warnings and errors of one section as the text report shows them, one a line.
std::string complaints(const CheckReport& report, Section section) {
  std::string text;
  for (const CheckLine& line : check_lines(report)) {
    if (line.level != Level::fact) text += line.text.substr(2) + "\n";
  }
  std::string mine;
  for (const Finding& f : report.sections[section]) {
    if (f.level != Level::fact)
      mine += kLevelNames[static_cast<std::size_t>(f.level)] + std::string(": ") + said(f) + "\n";
  }
  EXPECT_NE(text.find(mine), std::string::npos);  // as the text report shows them
  return mine;
}

struct CheckCase {
  const char* what;
  std::function<void(GameInputs&)> alter;
  std::string expected;
};

void expect_complaints(Section section, std::span<const CheckCase> cases) {
  for (const CheckCase& c : cases)
    EXPECT_EQ(complaints(check_inputs(altered(c.alter)), section), c.expected) << c.what;
}

TEST(Check, InputsSaysWhatABuildReadsOfEachFile) {
  // clang-format off
  const CheckCase cases[] = {
      {"an end-of-text byte", appended(kListing, bytes({0x1A, 'X', 'Y'})),
       "warning: list3.txt: 3802 bytes; the first 3800 are read, to the byte 0x1A, 2 ignored\n"},
      {"a loader longer than its block", appended(kLoader, Bytes(4000, 1)),
       "warning: loader.bin: 4384 bytes; the first 4096 are read, 288 ignored\n"},
      {"inputs unreadable",
       [](GameInputs& in) { in.files[kLoader].status = ReadStatus::cannot_open;
                            in.files[kList2].status = ReadStatus::cannot_read;
                            in.files[kPatch].status = ReadStatus::not_a_file;
                            in.files[kListing].status = ReadStatus::too_large; },
       "error: cannot open loader.bin\nerror: cannot read list2.bin\nerror: patch.bin: not a "
       "regular file\nwarning: list3.txt: 3799 bytes, too large to check\n"},
  };
  // clang-format on
  expect_complaints(kInputsSection, cases);
}

TEST(Check, PatchFileSaysWhatEachRecordDoesAndWhereItsBytesGo) {
  // clang-format off
  const CheckCase cases[] = {
      {"a patch record cut short", [](GameInputs& in) { in.files[kPatch].bytes.pop_back(); },
       "warning: record 4 at offset 32: data is 1 byte, expected 2 bytes; the file ends inside the "
       "record; the 1 missing are stored as 0xFF\n"},
      {"a stray patch byte", appended(kPatch, bytes({7})),
       "warning: offset 38: 1 stray byte after the last record, too few for another: ignored\n"},
      {"a patch record past memory", appended(kPatch, patch_record(2, 0xFFFF, {1, 2})),
       "error: patch.bin: record at offset 38 runs past the end of memory\n"},
      {"six overwrites",
       appended(kPatch, concat({patch_record(1, 0x2C00, {1}), patch_record(1, 0x2C00, {2}),
                                patch_record(1, 0x2C00, {3}), patch_record(1, 0x2C00, {4}),
                                patch_record(1, 0x2C00, {5}), patch_record(1, 0x2C00, {6})})),
       "warning: record 5 at offset 38: overwrites 1 byte that record 2 wrote\nwarning: record 6 "
       "at offset 43: overwrites 1 byte that record 5 wrote\nwarning: record 7 at offset 48: "
       "overwrites 1 byte that record 6 wrote\nwarning: record 8 at offset 53: overwrites 1 byte "
       "that record 7 wrote\nwarning: record 9 at offset 58: overwrites 1 byte that record 8 "
       "wrote\nwarning: and 1 more record overwrites earlier ones\n"},
      {"patch records that no output carries",
       appended(kPatch, concat({patch_record(3, 0x2BFE, {1, 2, 3}),  // 2 bytes below list1
                                patch_record(3, 0x4FFE, {1, 2, 3}),  // one past list1, to 0x4FFF
                                patch_record(1, 0x5C00, {1})})),  // past its blocks, to 0x5BFF
       "warning: record 5 at offset 38: overwrites 1 byte that record 2 wrote\n"
       "warning: record 5 at offset 38: stores 2 of its 3 bytes (0x2BFE to 0x2BFF) that no output "
       "carries: the outputs hold memory from 0x2C00 to 0x5BFF (the list1 region and the rest of "
       "its disk blocks) and from 0xB9D0 on (the list2 region)\n"
       "warning: record 7 at offset 52: stores 1 byte (0x5C00 to 0x5C00) that no output carries: "
       "the outputs hold memory from 0x2C00 to 0x5BFF (the list1 region and the rest of its disk "
       "blocks) and from 0xB9D0 on (the list2 region)\n"
       "warning: record 6 at offset 45: stores 1 of its 3 bytes (0x5000 to 0x5000) that only the "
       "disk images carry: the data tape holds the list1 region only up to 0x4FFF\n"},
  };
  // clang-format on
  expect_complaints(kPatchSection, cases);
}

TEST(Check, ListingNamesEachLineThatDiffersOrLosesBytes) {
  std::string rems;  // 29 lines of 996 bytes each
  for (int n = 2000; n < 2029; ++n)
    rems += std::to_string(n) + " REM" + std::string(990, '*') + "\n";
  // clang-format off
  const CheckCase cases[] = {
      {"a line renumbered", listing_line("90 ", "95 COLOR 5:LOCATE 33,12:PRINT \"PRESS SPACE\"\n"),
       "warning: record 16 (line 90, finds \"33,12\"): fired nowhere: the listing has no line 90\n"
       "warning: record 17 (line 90, finds \"COLOR5\"): fired nowhere: the listing has no line "
       "90\n"},
      {"a line changed where a record finds", listing_line("730 ", "730 PRINT TAB(32);\"--\"\n"),
       "warning: record 35 (line 730, finds \"TAB(33);\"): fired nowhere: line 730 holds nothing "
       "it finds\n"},
      {"lines without numbers, one out of range",
       [](GameInputs& in) { Bytes& b = in.files[kListing].bytes; b = concat({test::text_bytes(
         "PRINT\n"), b, test::text_bytes("70000 A=1\nPRINT\nPRINT\nPRINT\nPRINT\nPRINT\n")}); },
       "warning: a line without a number at the start: stored as line 0\n"
       "warning: a line without a number after line 70000: stored as line 0\n"
       "warning: a line without a number after line 0: stored as line 0\n"
       "warning: a line without a number after line 0: stored as line 0\n"
       "warning: a line without a number after line 0: stored as line 0\n"
       "warning: and 1 more line without a number\n"
       "warning: line 70000: stored number is 4464, expected 70000; a build stores the low 16 "
       "bits\nwarning: line 0: follows line 4464, out of ascending order\n"
       "warning: line 0: given more than once\n"},
      {"dropped lines missing, and given twice",
       [](GameInputs& in) { listing_line("119 ", "")(in); 
                            appended(kListing, test::text_bytes("345 END\n"))(in); },
       "warning: no line 119 to drop: a build leaves lines 119 and 345 out\n"
       "warning: line 345 after line 1930: dropped as well: a build leaves out every line 345, "
       "and this one holds \"END\"\n"},
      {"the only line 345 the last", [](GameInputs& in) { listing_line("345 ", "")(in);
                            appended(kListing, test::text_bytes("345 END\n"))(in); }, ""},
      {"the program nearly full", appended(kListing, test::text_bytes(rems)),
       "warning: program: 32009 of 32758 bytes, 749 to spare, less than a listing line may "
       "need\n"},
      {"the program too large",
       appended(kListing, test::text_bytes(rems + "2029 REM" + std::string(990, '*') + "\n")),
       "error: list3.txt: program too large at line 2029\n"},
      {"a byte-order mark", [](GameInputs& in) { Bytes& b = in.files[kListing].bytes;
                                                 b.insert(b.begin(), {0xEF, 0xBB, 0xBF}); },
       "warning: list3.txt: offset 0: a UTF-8 byte-order mark (EF BB BF), which a build reads as "
       "part of the first line\nwarning: line 0: byte outside a string, a remark or DATA is 0xEF, "
       "expected ASCII; stored as it is, where the target reads the keyword STICK (3 such bytes in "
       "the line)\nwarning: a line without a number at the start: stored as line 0\n"
       "warning: record 8 (line 10, finds \"CLEAR,\"): fired nowhere: the listing has no line "
       "10\n"},
      // Line 1, then lines of 1,200 and 2,500 bytes before the listing: the rest of each is
      // read as lines of its own, those of line 2010 numbered 2147483647 and 5. A line of 999
      // bytes with its line feed is whole; one of 1,006 bytes is cut, and its rest read as line
      // 119, which a build drops.
      {"lines cut", [](GameInputs& in) {
         Bytes& b = in.files[kListing].bytes;
         b = concat({test::text_bytes("1 REM\n2010 " + std::string(1993, '9') + "5" +
                                      std::string(500, ' ') + "\r\n345 REM\n2000 REM" +
                                      std::string(1192, '*') + "\n"),
                     b, test::text_bytes("2020 " + std::string(993, 'X') + "\n2030 " +
                                         std::string(994, 'Y') + "119 REM\n")}); },
       "warning: line 345 after line 340: dropped as well: a build leaves out every line 345, and "
       "this one holds \"PRINT \"NOT PORTED\"\"\n"
       "warning: line 119 after line 2030: dropped as well: a build leaves out every line 119, and "
       "this one holds \"REM\"\n"
       "warning: line 2010: length is 2499 bytes, expected at most 999 bytes; a build cuts it and "
       "stores the rest as 2 lines, the first numbered 2147483647\nwarning: line 2000: length is "
       "1200 bytes, expected at most 999 bytes; a build cuts it and stores the rest as line 0\n"
       "warning: line 2030: length is 1006 bytes, expected at most 999 bytes; a build cuts it and "
       "stores the rest as line 119, but drops 7 bytes of it as line 119\nwarning: a line without "
       "a number after line 2000: stored as line 0\nwarning: line 2147483647: stored number is "
       "65535, expected 2147483647; a build stores the low 16 bits\nwarning: line 5: follows line "
       "65535, out of ascending order\nwarning: line 0: follows line 2000, out of ascending order\n"},
      {"a cut line whose rest is a number alone", appended(kListing, test::text_bytes(
         "2040 " + std::string(994, 'Z') + "77")),
       "warning: line 2040: length is 1001 bytes, expected at most 999 bytes; a build cuts it and "
       "stores the rest as line 77\nwarning: line 77: follows line 2040, out of ascending order\n"},
      {"blank lines", [](GameInputs& in) {
         Bytes& b = in.files[kListing].bytes;
         b = concat({test::text_bytes("  \r\n"), b, bytes({'\n'})}); },
       "warning: a blank line at the start: stored as line 0 with no text\n"
       "warning: a blank line after line 1930, the last: stored as line 0 with no text\n"
       "warning: line 0: follows line 1930, out of ascending order\n"
       "warning: line 0: given more than once\n"},
      {"bytes that a build loses or the target misreads", appended(kListing, test::text_bytes(
         std::string("2000 PRINT \"SCORE\";S\0:GOTO 10\n", 30) + "2010 CAF\xC3\x89=1:PRINT \"\xC3\x89\"\n2020 A=\xFF\n")),
       "warning: line 2000: a zero byte after \"PRINT \"SCORE\";S\" ends the line for a build: 9 "
       "bytes from it on are lost\nwarning: line 2010: byte outside a string, a remark or DATA is "
       "0xC3, expected ASCII; stored as it is, where the target reads the keyword TO (2 such bytes "
       "in the line)\nwarning: line 2020: byte outside a string, a remark or DATA is 0xFF, expected "
       "ASCII; stored as it is, where the target reads a token it has no keyword for\n"},
  };
  // clang-format on
  expect_complaints(kListingSection, cases);
}

// Without line feeds, a build reads the listing as one line; what follows from it comes after.
TEST(Check, ListingSaysWhatAnEditorDidToIt) {
  std::string first = complaints(check_inputs(altered([](GameInputs& in) {
                                   std::ranges::replace(in.files[kListing].bytes, '\n', '\r');
                                 })),
                                 kListingSection);
  EXPECT_EQ(first.substr(0, first.find('\n') + 1),
            "warning: list3.txt: carriage returns but no line feeds: a build ends a line only at "
            "a line feed, so it reads the whole listing as one line, cut every 999 bytes\n");
}

// A listing listed back from the program a build made (list --bytes) is no input for a build:
// told when at least half the records whose line it has find their replacement in place.
TEST(Check, ListingSaysItIsAlreadyConverted) {
  Program program = find_program(sample(kMainTapeName), false).program;
  const std::string converted = listing_of(program);
  auto warned = [](const std::string& listing) {
    GameInputs inputs =
        altered([&](GameInputs& in) { in.files[kListing].bytes = test::text_bytes(listing); });
    std::string text = check_text(check_inputs(inputs));
    std::size_t at = text.find("list3.txt: looks already converted: ");
    return at == std::string::npos ? "" : text.substr(at + 36, text.find('\n', at) - at - 36);
  };
  EXPECT_EQ(warned(converted),
            "47 of the 47 records whose line it has find their replacement in place, and the lines "
            "a build drops are missing; a build would convert it a second time");
  // Lines as they were before the conversion, for 23 of the records: 24 of 47 are in place, just
  // enough; one line more, and 23 are not.
  std::string original = test::text_of(sample_inputs().files[kListing].bytes), half = converted;
  auto revert = [&](int n) {
    std::string from = format("\n%d ", n);
    std::size_t at = half.find(from) + 1, o = original.find(from) + 1;
    half.replace(at, half.find('\n', at) + 1 - at,
                 original.substr(o, original.find('\n', o) + 1 - o));
  };
  for (int n : {90,  210, 340, 360, 400, 410,  610,  620,  700,  710, 720,
                740, 770, 780, 810, 940, 1040, 1550, 1570, 1590, 1650})
    revert(n);
  EXPECT_EQ(warned(half).substr(0, 9), "24 of the");
  revert(1680);
  EXPECT_EQ(warned(half), "");
  std::size_t at = half.find("\n1680 ") + 1;  // and without that line, exactly half
  half.erase(at, half.find('\n', at) + 1 - at);
  EXPECT_EQ(warned(half).substr(0, 12), "23 of the 46");
}

TEST(Check, MemoryImageSaysWhatTheConversionFindsAtItsPlaces) {
  const std::string unset = " converted from unset bytes (the first at 0x";
  const std::string no_video =
      ", expected a video address (0xC000 to 0xFFFF)\nwarning: halved "
      "address 0x";
  // clang-format off
  const CheckCase cases[] = {
      {"list1 blocks past memory, under list2", appended(kList1, Bytes(kList1Max - 9216, 0)),
       "warning: list1.bin: offset 36304: 5680 bytes from here on lie under the list2 region, and "
       "5679 bytes of them differ from list2.bin's, which a build stores in their place\n"
       "warning: the list1 blocks end 3072 bytes past their buffer, filled with zero bytes\n"},
      {"list1 short of the bitmap rows",
       [](GameInputs& in) { in.files[kList1].bytes.resize(0x1FFF); },
       "warning: bitmap rows 0x48C0 to 0x4BFF: 1 of 832 bytes converted from unset bytes\n"
       "warning: entry table entry: 50 of 50" + unset + "4D30)\n"},
      {"list2 short of the fixed places",
       list2([](Bytes& b) { b.resize(0xBC7B - 0xB9D0); b[0xBC75 - 0xB9D0] = 0x12; }),  // into one
       "warning: raised word: 13 of 14" + unset + "BD53)\nwarning: halved address: 185 of 192" +
       unset + "BC7A)\nwarning: split address byte: 2 of 2" + unset + "C1C5)\nwarning: rounded "
       "word: 1 of 1" + unset + "C1D7)\nwarning: high-nibble pattern byte: 14 of 14" + unset +
       "BC9D)\nwarning: low-nibble pattern byte: 13 of 14" + unset + "BC8C)\nwarning: pattern "
       "pair: 49 of 49" + unset + "BC94)\nwarning: halved address 0xBC74: value is 0x1250, "
       "expected a video address (0xC000 to 0xFFFF)\n"},
      {"words that hold no video address", list2([](Bytes& b) {
         for (std::size_t a : {0xBC75u, 0xBC7Bu, 0xBC81u, 0xBC87u, 0xBC8Fu}) b[a - 0xB9D0] = 0x12;
         b[0xBC97 - 0xB9D0] = b[0xC1C5 - 0xB9D0] = 0; b[0xBC98 - 0xB9D0] = 0xC0; }),  // 0xC000
       "warning: halved address 0xBC74: value is 0x1250" + no_video + "BC7A: value is 0x12FA" +
       no_video + "BC80: value is 0x12C0" + no_video + "BC86: value is 0x12C6" + no_video +
       "BC8E: value is 0x12CE, expected a video address (0xC000 to 0xFFFF)\nwarning: the split "
       "address (0xC1C5, 0xC1CA): value is 0x0040, expected a video address (0xC000 to 0xFFFF)\n"},
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
       "warning: entry table entry: 50 of 50" + unset + "4D30)\nwarning: raised word: 13 of 14" +
       unset + "BC41)\nwarning: halved address: 191 of 192" + unset + "BC7A)\nwarning: split "
       "address byte: 1 of 2" + unset + "C1CA)\nwarning: rounded word: 1 of 1" + unset + "C1D7)\n"
       "warning: high-nibble pattern byte: 13 of 14" + unset + "C428)\nwarning: low-nibble "
       "pattern byte: 13 of 14" + unset + "BC8C)\nwarning: pattern pair: 48 of 49" + unset +
       "BC94)\nwarning: halved address 0xBC74: value is 0x1250, expected a video address (0xC000 "
       "to 0xFFFF)\n"},
      // list1.bin reaching into the list2 region, where list2.bin's first 100 bytes stand: two
      // of its bytes differ there.
      {"list1 under list2", [](GameInputs& in) {
         Bytes& b = in.files[kList1].bytes;
         b.resize(kList2Start - kList1Start);
         b.insert(b.end(), in.files[kList2].bytes.begin(), in.files[kList2].bytes.begin() + 100);
         b[b.size() - 1] ^= 1; b[b.size() - 50] ^= 1; },
       "warning: list1.bin: offset 36304: 100 bytes from here on lie under the list2 region, and "
       "2 bytes of them differ from list2.bin's, which a build stores in their place\n"},
      {"list1 under list2, with list2's own bytes", [](GameInputs& in) {
         Bytes& b = in.files[kList1].bytes;
         b.resize(kList2Start - kList1Start);
         b.insert(b.end(), in.files[kList2].bytes.begin(), in.files[kList2].bytes.begin() + 100); },
       ""},
  };
  // clang-format on
  expect_complaints(kMemorySection, cases);
}

// The facts of one section as the text report shows them, one a line, without their details.
std::string facts(const CheckReport& report, Section section) {
  std::string text;
  for (const Finding& f : report.sections[section]) {
    if (f.level == Level::fact && !f.detail) text += said(f) + "\n";
  }
  return text;
}

TEST(Check, GivesTheDiskLayoutOfAnEmptyProgramButNoneOfARefusedOne) {
  const std::string loaded =
      "the bitmap rows and every fixed place lie in the loaded data\n192 of 192 halved addresses "
      "lie in the loaded data, each holding a video address\n";
  GameInputs inputs = sample_inputs();
  appended(kListing, test::text_bytes("2000 REM" + std::string(32000, '*') + "\n"))(inputs);
  EXPECT_EQ(facts(check_inputs(inputs), kMemorySection), loaded);  // a program too large
  inputs.files[kListing].status = ReadStatus::cannot_open;
  EXPECT_EQ(facts(check_inputs(inputs), kMemorySection), loaded);
  inputs.files[kPatch].status = ReadStatus::cannot_read;  // nor memory to lay out
  inputs.files[kListing] = {};
  EXPECT_EQ(facts(check_inputs(inputs), kMemorySection), "");
  inputs.files[kPatch] = sample_inputs().files[kPatch];
  EXPECT_EQ(facts(check_inputs(inputs), kMemorySection),
            loaded + "raw disk image: 7 of 40 tracks (loader 1, list1 3, list2 2, program 1)\n");
  inputs.files[kListing].bytes = test::text_bytes("119 REM\n345 REM\n");  // nothing stored
  EXPECT_EQ(facts(check_inputs(inputs), kListingSection),
            "2 lines read: 0 records stored, 2 dropped\nsubstitution records: 0 of 58 fired; times "
            "each fired, by record:\nprogram: 0 of 32758 bytes, 32758 to spare\n");
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

// The JSON document carries every finding as the text report gives it, with its parts: the text
// report made again from it is the text report.
TEST(Check, JsonGivesEachFindingItsParts) {
  CheckReport report = check_inputs(altered(list2([](Bytes& b) { b[0xBC75 - 0xB9D0] = 0x12; })));
  nlohmann::json json = nlohmann::json::parse(check_json("game", report));
  std::string text;
  for (const auto& section : json["sections"]) {
    text += section["title"].get<std::string>() + "\n";
    for (const auto& f : section["findings"]) {
      std::string level = f["level"].get<std::string>();
      text += std::string(f.value("detail", false) ? 4 : 2, ' ') +
              (level == "fact" ? "" : level + ": ") + f["text"].get<std::string>() + "\n";
    }
  }
  EXPECT_EQ(text + json["verdict"].get<std::string>() + "\n", check_text(report));
  EXPECT_EQ(json["warnings"], 1);
  EXPECT_EQ(report.worst(), Level::warning);
  const auto& memory = json["sections"][kMemorySection]["findings"];
  const auto& warning = *std::find_if(memory.begin(), memory.end(),
                                      [](const auto& f) { return f["level"] == "warning"; });
  EXPECT_EQ(warning["place"], nlohmann::json::parse(R"({"kind": "address", "region": "halved )"
                                                    R"(address", "address": 48244, "text": )"
                                                    R"("halved address 0xBC74"})"));
  EXPECT_EQ(warning["value"], 0x1250);
  EXPECT_EQ(warning["expected"], nlohmann::json::parse(R"({"from": 49152, "to": 65535, )"
                                                       R"("what": "a video address"})"));
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
  // Grey level 0 to 3 of a pixel's square, or -1 for a colour that is no grey.
  auto level = [&](int range, bool after, int row, int x) {
    PixelCorner at = preview_place(range, after, row, x);
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
