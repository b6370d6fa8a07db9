// The check before a build, on the inputs in memory: each section's findings for inputs that
// differ from the sample in one way, as the text report words them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "flyseat/game_check.hpp"
#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes, test::bytes, test::concat, test::Inputs, test::patch_record;

// Edits the listing: replaces the first line that begins with `from` by `to`.
std::function<void(Inputs&)> listing_line(const std::string& from, const std::string& to) {
  return [=](Inputs& in) {
    std::string listing = test::text_of(in[kListing]);
    std::size_t at = listing.rfind("\n" + from, listing.size()) + 1;
    std::size_t end = listing.find('\n', at) + 1;
    listing.replace(at, end - at, to);
    in[kListing] = test::text_bytes(listing);
  };
}

std::function<void(Inputs&)> appended(Input input, const Bytes& more) {
  return [=](Inputs& in) {
    Bytes& b = in[input];
    b.insert(b.end(), more.begin(), more.end());
  };
}

std::function<void(Inputs&)> list2(std::function<void(Bytes&)> edit) {
  return [edit](Inputs& in) { edit(in[kList2]); };
}

using States = std::array<InputState, kInputCount>;

// The check of the sample's inputs changed, each read as `states` says.
CheckReport altered(const std::function<void(Inputs&)>& alter, const States& states = {}) {
  Inputs inputs = test::sample_game();
  alter(inputs);
  GameInputs game = test::read_whole(inputs);
  for (std::size_t i = 0; i < game.size(); ++i)
    game[i].state = states[i];
  CheckWatch none;
  return check_game(game, none);
}

// The lines of one section as the text report shows them, without their indentation: all of
// them, or the warnings and errors alone.
std::string section_text(const CheckReport& report, Section section, bool complaints_only) {
  std::string text;
  bool in_section = false;
  for (const CheckLine& line : check_lines(report)) {
    if (line.text[0] != ' ') {
      in_section = line.text == kCheckSections[section];
    } else if (in_section && (!complaints_only || line.level != Level::fact)) {
      text += line.text.substr(line.text.find_first_not_of(' ')) + "\n";
    }
  }
  return text;
}

struct CheckCase {
  const char* what;
  std::function<void(Inputs&)> alter;
  std::string expected;
  States states{};
};

void expect_complaints(Section section, std::span<const CheckCase> cases) {
  for (const CheckCase& c : cases)
    EXPECT_EQ(section_text(altered(c.alter, c.states), section, true), c.expected) << c.what;
}

TEST(Check, InputsSaysWhatABuildReadsOfEachFile) {
  // clang-format off
  const CheckCase cases[] = {
      {"an end-of-text byte", appended(kListing, bytes({0x1A, 'X', 'Y'})),
       "warning: list3.txt: 3802 bytes; the first 3800 are read, to the byte 0x1A, 2 ignored\n"},
      {"a loader longer than its block", appended(kLoader, Bytes(4000, 1)),
       "warning: loader.bin: 4384 bytes; the first 4096 are read, 288 ignored\n"},
      {"inputs unreadable", [](Inputs&) {},
       "error: cannot open loader.bin\nerror: cannot read list2.bin\nerror: patch.bin: not a "
       "regular file\n", {InputState::cannot_open, InputState::read, InputState::cannot_read,
                          InputState::not_a_file}},
  };
  // clang-format on
  expect_complaints(kInputsSection, cases);
}

TEST(Check, PatchFileSaysWhatEachRecordDoesAndWhereItsBytesGo) {
  // clang-format off
  const CheckCase cases[] = {
      {"a patch record cut short", [](Inputs& in) { in[kPatch].pop_back(); },
       "warning: record 4 at offset 32: data is 1 byte, expected 2 bytes; the file ends inside the "
       "record; the 1 missing are stored as 0xFF\n"},
      {"a stray patch byte", appended(kPatch, bytes({7})),
       "warning: offset 38: 1 stray byte after the last record, too few for another: ignored\n"},
      {"a patch record past memory", appended(kPatch, patch_record(2, 0xFFFF, {1, 2})),
       "error: patch.bin: record at offset 38 runs past the end of memory: record 5 stores 2 bytes "
       "from 0xFFFF, the last at 0x10000, past the end of memory (0xFFFF)\n"},
      {"overwrites", appended(kPatch, concat({patch_record(1, 0x2C00, {1}),
                                              patch_record(1, 0x2C00, {2})})),
       "warning: record 5 at offset 38: overwrites 1 byte that record 2 wrote\nwarning: record 6 "
       "at offset 43: overwrites 1 byte that record 5 wrote\n"},
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
      {"a line changed where a record finds", listing_line("730 ", "730 PRINT TAB(32);\"--\"\n"),
       "warning: record 35 (line 730, finds \"TAB(33);\"): fired nowhere: line 730 holds nothing "
       "it finds\n"},
      {"lines without numbers, one out of range",
       [](Inputs& in) { Bytes& b = in[kListing]; b = concat({test::text_bytes(
         "PRINT\n"), b, test::text_bytes("70000 A=1\nPRINT\nPRINT\nPRINT\nPRINT\nPRINT\n")}); },
       "warning: a line without a number at the start: stored as line 0\n"
       "warning: a line without a number after line 70000: stored as line 0\n"
       "warning: a line without a number after line 0: stored as line 0\n"
       "warning: a line without a number after line 0: stored as line 0\n"
       "warning: a line without a number after line 0: stored as line 0\n"
       "warning: and 1 more line without a number\n"
       "warning: line 70000: stored number is 4464, expected 70000; line numbers run from 0 to "
       "65535, and a build stores this one modulo 65536\nwarning: line 0: follows line 4464, out of ascending order\n"
       "warning: line 0: given more than once\n"},
      {"dropped lines missing, and given twice",
       [](Inputs& in) { listing_line("119 ", "")(in); 
                            appended(kListing, test::text_bytes("345\n"))(in); },
       "warning: no line 119 to drop: a build leaves lines 119 and 345 out\n"
       "warning: line 345 after line 1930: dropped as well: a build leaves out every line 345, "
       "and this one holds nothing\n"},
      {"the only line 345 the last", [](Inputs& in) { listing_line("345 ", "")(in);
                            appended(kListing, test::text_bytes("345 END\n"))(in); }, ""},
      {"the program nearly full", appended(kListing, test::text_bytes(rems)),
       "warning: program: 32009 of 32758 bytes, 749 to spare, less than a listing line may "
       "need\n"},
      {"the program too large",
       appended(kListing, test::text_bytes(rems + "2029 REM" + std::string(990, '*') + "\n")),
       "error: list3.txt: program too large at line 2029: the line begins at offset 32770; the line "
       "records before it take 32009 of the 32758 bytes the program holds\n"},
      {"a line the records' edits make too long",
       appended(kListing, test::text_bytes("2000 INPUT\"" + std::string(975, 'A') + "\n")),
       "error: list3.txt: line 2000 too long after editing: the line begins at offset 3799; the "
       "records' edits make it longer than the 1000 bytes a line may take\n"},
      // The build stops at line 60: none of the lines after it is judged, nor a record missing.
      {"a stop early in the listing", [](Inputs& in) {
         std::string line = "60 LOCATE 32,5:PRINT \"PRESS SPACE\"";
         while (line.size() < 980)
           line += ":INPUT\"A\";A";
         listing_line("60 ", line + "\n")(in); },
       "error: list3.txt: line 60 too long after editing: the line begins at offset 136; the "
       "records' edits make it longer than the 1000 bytes a line may take\n"},
      {"a line without a number that does not fit",
       appended(kListing, test::text_bytes(rems + "REM" + std::string(990, '*') + "\n")),
       "error: list3.txt: program too large at line 0: the piece at offset 32770 has no line "
       "number: read as line 0; the line records before it take 32009 of the 32758 bytes the "
       "program holds\n"},
      {"the rest of a cut line that does not fit",
       appended(kListing, test::text_bytes(rems.substr(0, 28 * 999) + "2028 REM" +
                                           std::string(2500, '*') + "\n")),
       "error: list3.txt: program too large at line 0: the piece at offset 32770 is the rest of "
       "line 2028, cut at 999 bytes, and has no line number: read as line 0; the line records "
       "before it take 32010 of the 32758 bytes the program holds\n"},
      {"a byte-order mark alone", [](Inputs& in) { in[kListing] = bytes({0xEF, 0xBB, 0xBF}); },
       "warning: no line 119 to drop: a build leaves lines 119 and 345 out\nwarning: no line 345 "
       "to drop: a build leaves lines 119 and 345 out\nwarning: list3.txt: offset 0: a UTF-8 "
       "byte-order mark (EF BB BF), which a build reads as part of the first line\nwarning: line "
       "0: byte outside a string, a remark or DATA is 0xEF, expected ASCII; stored as it is, where "
       "the target reads the keyword STICK (3 such bytes in the line)\nwarning: a line without a "
       "number at the start: stored as line 0\nwarning: record 8 (line 10, finds \"CLEAR,\"): "
       "fired nowhere: the listing has no line 10\nwarning: record 9 (line 20, replaces the whole "
       "line): fired nowhere: the listing has no line 20\nwarning: record 10 (line 30, finds "
       "\"100\"): fired nowhere: the listing has no line 30\nwarning: record 11 (line 40, replaces "
       "the whole line): fired nowhere: the listing has no line 40\nwarning: record 12 (line 50, "
       "replaces the whole line): fired nowhere: the listing has no line 50\nwarning: and 46 more "
       "records that fired nowhere\n"},
      {"a carriage return in a dropped line", listing_line("119 ", "119 REM\r1195 PRINT\n"),
       "warning: line 119, offset 523: a carriage return that no line feed follows: a build ends "
       "a line only at a line feed, so \"1195 PRINT\" after it is part of line 119, and dropped "
       "with it\n"},
      // Line 1, then lines of 1,200 and 2,500 bytes before the listing: the rest of each is
      // read as lines of its own, those of line 2010 numbered 2147483647 and 5. A line of 999
      // bytes with its line feed is whole; one of 1,006 bytes is cut, and its rest read as line
      // 119, which a build drops.
      {"lines cut", [](Inputs& in) {
         Bytes& b = in[kListing];
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
       "65535, expected 2147483647; line numbers run from 0 to 65535, and a build stores this one "
       "modulo 65536\nwarning: line 5: follows line "
       "65535, out of ascending order\nwarning: line 0: follows line 2000, out of ascending order\n"},
      // A rest that holds a zero byte, and one that is a number alone, without a line feed.
      {"cut lines whose rest is a number", appended(kListing, test::text_bytes(
         "2040 " + std::string(994, 'Z') + std::string("7\0\n", 3) + "2050 " +
         std::string(994, 'Y') + "77")),
       "warning: line 2040: length is 1001 bytes, expected at most 999 bytes; a build cuts it and "
       "stores the rest as line 7\nwarning: line 2050: length is 1001 bytes, expected at most 999 "
       "bytes; a build cuts it and stores the rest as line 77\nwarning: line 7: a zero byte at the "
       "start of its text ends the line for a build: 1 byte from it on is lost\nwarning: line 7: "
       "follows line 2040, out of ascending order\nwarning: line 77: follows line 2050, out of "
       "ascending order\n"},
      // Mixed line ends merge a line into the one before; a carriage return before the line end
      // stays in the line.
      {"carriage returns inside lines",
       appended(kListing, test::text_bytes("1940 PRINT 1\r1950 GOTO 10\n1960 END\r\r\n")),
       "warning: line 1940, offset 3811: a carriage return that no line feed follows: a build ends "
       "a line only at a line feed, so \"1950 GOTO 10\" after it is part of line 1940\nwarning: "
       "line 1960, offset 3833: a carriage return that no line feed follows: a build keeps it as a "
       "byte of the line\n"},
      {"blank lines", [](Inputs& in) {
         Bytes& b = in[kListing];
         b = concat({test::text_bytes("  \r\n"), b, bytes({'\n'})}); },
       "warning: a blank line at the start: stored as line 0 with no text\n"
       "warning: a blank line after line 1930, the last: stored as line 0 with no text\n"
       "warning: line 0: follows line 1930, out of ascending order\n"
       "warning: line 0: given more than once\n"},
      {"bytes that a build loses or the target misreads", appended(kListing, test::text_bytes(
         std::string("2000 PRINT \"SCORE\";S\0:GOTO 10\n", 30) +
         "2010 CAF\xC3\x89=1:PRINT \"\xC3\x89\"\n2020 A=\xFF\n2030 DATA \xE9\x7F:REM \xE9\xE9\n")),
       "warning: line 2000: a zero byte after \"PRINT \"SCORE\";S\" ends the line for a build: 9 "
       "bytes from it on are lost\nwarning: line 2010: byte outside a string, a remark or DATA is "
       "0xC3, expected ASCII; stored as it is, where the target reads the keyword TO (2 such bytes "
       "in the line)\nwarning: line 2020: byte outside a string, a remark or DATA is 0xFF, expected "
       "ASCII; stored as it is, where the target reads a token it has no keyword for\nwarning: "
       "line 2010: byte in a string, a remark or DATA is 0xC3, expected ASCII; stored as it is, "
       "and the target shows a character of its own for it, not the one a text editor shows (2 "
       "such bytes in the line)\nwarning: line 2030: byte in a string, a remark or DATA is 0xE9, "
       "expected ASCII; stored as it is, and the target shows a character of its own for it, not "
       "the one a text editor shows (3 such bytes in the line)\n"},
  };
  // clang-format on
  expect_complaints(kListingSection, cases);
}

TEST(Check, MemoryImageSaysWhatTheConversionFindsAtItsPlaces) {
  // A warning for each place: "A|B" stands for A, `middle`, B, `end`.
  auto warnings = [](const std::string& middle, const std::string& end,
                     std::initializer_list<std::string> places) {
    std::string text;
    for (std::string p : places)
      text += "warning: " + p.replace(p.find('|'), 1, middle) + end;
    return text;
  };
  auto unset = [&](std::initializer_list<std::string> places) {
    return warnings(" set by no dump and no patch record (the first at 0x",
                    "): a build converts zero bytes there\n", places);
  };
  auto no_video = [&](std::initializer_list<std::string> places) {
    return warnings(": value is ",
                    ", expected a video address (0xC000 to 0xFFFF); a build halves "
                    "it as if it were one\n",
                    places);
  };
  // clang-format off
  const CheckCase cases[] = {
      {"list1 blocks past memory, under list2", appended(kList1, Bytes(kList1Max - 9216, 0)),
       "warning: list1.bin: offset 36304: 5680 bytes from here on lie under the list2 region, and "
       "5679 bytes of them differ from list2.bin's, which a build stores in their place\n"
       "warning: the list1 region's 14 disk blocks reach 3072 bytes past the end of memory "
       "(0xFFFF): a build writes zero bytes there\n"},
      {"list1 short of the bitmap rows",
       [](Inputs& in) { in[kList1].resize(0x1FFF); },
       "warning: bitmap rows 0x48C0 to 0x4BFF: 1 of 832 bytes set by no dump and no patch record: "
       "a build converts zero bytes there\n" + unset({"entry table entry: 50 of 50|4D30"})},
      {"words that hold no video address", list2([](Bytes& b) {
         for (std::size_t a : {0xBC75u, 0xBC7Bu, 0xBC81u, 0xBC87u, 0xBC8Fu, 0xBCA0u})
           b[a - 0xB9D0] = 0x12;
         b[0xBC97 - 0xB9D0] = b[0xC1C5 - 0xB9D0] = 0; b[0xBC98 - 0xB9D0] = 0xC0; }),  // 0xC000
       no_video({"halved address 0xBC74|0x1250", "halved address 0xBC7A|0x12FA",
                 "halved address 0xBC80|0x12C0", "halved address 0xBC86|0x12C6",
                 "halved address 0xBC8E|0x12CE"}) +
       "warning: and 1 more halved address holds no video address\n" +
       no_video({"the split address (0xC1C5, 0xC1CA)|0x0040"})},
      // Each kind of place loaded by its first byte alone, or all but its last; a pair and a
      // raised word whole.
      {"places loaded in part", [](Inputs& in) {
         in[kList1].resize(0x4D30 - 0x2C00);
         in[kList2].resize(0x100);
         appended(kPatch, concat({patch_record(2, 0x4D30, {0x11, 0}), patch_record(1, 0xBC41, {0}),
                                  patch_record(2, 0xBC74, {0x50, 0x12}),
                                  patch_record(1, 0xBC7A, {0x50}),
                                  patch_record(1, 0xC1C5, {0x12}), patch_record(1, 0xC1D7, {6}),
                                  patch_record(1, 0xBC9D, {0xE4}), patch_record(1, 0xBC72, {0xE4}),
                                  patch_record(1, 0xBC94, {0xC0}), patch_record(2, 0xC76B, {0, 0}),
                                  patch_record(2, 0xC8A8, {0, 0})}))(in); },
       unset({"entry table entry: 50 of 50|4D30", "raised word: 13 of 14|BC41",
              "halved address: 191 of 192|BC7A", "split address byte: 1 of 2|C1CA",
              "rounded word: 1 of 1|C1D7", "high-nibble pattern byte: 13 of 14|C428",
              "low-nibble pattern byte: 13 of 14|BC8C", "pattern pair: 48 of 49|BC94"}) +
       no_video({"halved address 0xBC74|0x1250"})},
      {"list1 under list2, with list2's own bytes", [](Inputs& in) {
         Bytes& b = in[kList1];
         b.resize(kList2Start - kList1Start);
         b.insert(b.end(), in[kList2].begin(), in[kList2].begin() + 100); },
       ""},
  };
  // clang-format on
  expect_complaints(kMemorySection, cases);
}

// Whole sections for inputs changed one way: the disk layout only of a program a build would
// store; up to 60 characters of what a record replacing a whole line throws away; a listing
// without line feeds, read as one line.
TEST(Check, SectionsSayWhatABuildMakesOfTheInputs) {
  const std::string places =
      "the bitmap rows and every fixed place lie in the loaded data\n192 of 192 halved addresses "
      "lie in the loaded data, each holding a video address\n";
  const std::string disk =
      "raw disk image: 7 of 40 tracks (loader 1, list1 3, list2 2, program 1)\n";
  struct Case {
    const char* what;
    std::function<void(Inputs&)> alter;
    Section section;
    std::string expected;  // the memory section whole; lines of another
    States states{};
  };
  // clang-format off
  const Case cases[] = {
      {"a listing a build refuses", appended(kListing, test::text_bytes("2000 REM" +
       std::string(32000, '*') + "\n")), kMemorySection, places},
      {"a patch file that cannot be read, nor memory to lay out", [](Inputs&) {},
       kMemorySection, "", {InputState::read, InputState::read, InputState::read,
                            InputState::cannot_read}},
      {"an empty listing", [](Inputs& in) { in[kListing].clear(); },
       kMemorySection, places + disk},
      {"nothing stored", [](Inputs& in) {
         in[kListing] = test::text_bytes("119 REM\n345 REM\n"); },
       kListingSection, "2 lines read: 0 records stored, 2 dropped\n"},
      {"whole lines replaced", [](Inputs& in) {
         listing_line("20 ", "20 " + std::string(60, 'A') + "\n")(in);
         listing_line("40 ", "40 \\" + std::string(58, 'B') + "\r\n")(in); },
       kListingSection, "58:1\nrecord 9 replaces the whole of line 20: \"" + std::string(60, 'A') +
       "\"\nrecord 11 replaces the whole of line 40: \"\\x5C" + std::string(53, 'B') + "...\"\n"},
      {"carriage returns alone", [](Inputs& in) {
         std::replace(in[kListing].begin(), in[kListing].end(), '\n',
                      '\r'); },
       kListingSection, "0 lines read: 0 records stored, 0 dropped\nwarning: list3.txt: carriage "
       "returns but no line feeds: a build ends a line only at a line feed, so it reads the whole "
       "listing as one line, cut every 999 bytes\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::string text = section_text(altered(c.alter, c.states), c.section, false);
    if (c.section == kMemorySection) {
      EXPECT_EQ(text, c.expected) << c.what;
    } else {
      EXPECT_NE(text.find(c.expected), std::string::npos) << c.what << ": " << text;
    }
  }
}

}  // namespace
}  // namespace flyseat
