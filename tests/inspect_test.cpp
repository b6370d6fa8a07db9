// The inspector's checks on bytes: the stored program and its listing, the images and their
// damage, the check of the inputs, and where the preview puts each pixel.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <nlohmann/json.hpp>

#include "checksums.hpp"
#include "diff.hpp"
#include "flyseat/basic.hpp"
#include "flyseat/game_check.hpp"
#include "flyseat/memory_build.hpp"
#include "flyseat/text.hpp"
#include "info.hpp"
#include "json_output.hpp"
#include "listing.hpp"
#include "preview.hpp"
#include "problems.hpp"
#include "recognise.hpp"
#include "support.hpp"

namespace flyseat::inspect {
namespace {

using test::Bytes, test::bytes, test::changed, test::concat, test::cut, test::patch_record;

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
  ListingWatch none;
  std::int32_t length = convert_listing(source, *work, none, LineEdits::none);
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
      // Listed, it is read in pieces of 999 bytes, whose records outgrow the program.
      {Bytes(32000, 'A'), 10, "line 10: does not come back the same"},
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

// A stored line listed back: tokens expanded where the target expands them, every other byte as
// it is, or shown as \xHH when asked.
TEST(ListedText, ExpandsTokensOutsideStringsDataAndRemarksAndEscapesWhenAsked) {
  // clang-format off
  struct Listed { Bytes tokens; std::string escaped, as_stored; };
  const Listed cases[] = {
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
  for (const Listed& c : cases)
    EXPECT_EQ(listed_text(c.tokens, true) + "|" + listed_text(c.tokens, false),
              c.escaped + "|" + c.as_stored);
}

// The sample's program listed back as `list --bytes` writes it.
std::string converted_listing() {
  std::string listing;
  Bytes tape = sample(kMainTapeName);
  LineRecordRead line;
  for (std::size_t at = 16; (line = read_line_record(tape, at)).what == LineRecordRead::record;
       at = line.next)
    listing += listed_line(line.number, line.tokens, false);
  return listing;
}

// A listing listed back from the program a build made (list --bytes) is no input for a build:
// told when at least half the records whose line it has find their replacement in place.
TEST(Check, ListingSaysItIsAlreadyConverted) {
  const std::string converted = converted_listing();
  auto warned = [](const std::string& listing) {
    test::Inputs inputs = test::sample_game();
    inputs[kListing] = test::text_bytes(listing);
    std::string text = check_text(test::check_of(inputs));
    std::size_t at = text.find("list3.txt: looks already converted: ");
    return at == std::string::npos ? "" : text.substr(at + 36, text.find('\n', at) - at - 36);
  };
  EXPECT_EQ(warned(converted),
            "47 of the 47 records whose line it has find their replacement in place, and the lines "
            "a build drops are missing; a build would convert it a second time");
  // Lines as they were before the conversion, for 23 of the records: 24 of 47 are in place, just
  // enough; one line more, and 23 are not.
  std::string original = test::text_of(test::sample_input(kListingName)), half = converted;
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

// A D88 image is known by its header, its size and its first sector's ID; each of C, H, R and N
// that is not a build's makes it less certain.
TEST(RecogniseImage, WeighsTheFirstSectorsIdOfAD88Image) {
  const Bytes d88 = sample(kD88Name);
  EXPECT_EQ(recognise_image(d88).certainty, 100);
  for (std::size_t field = 0; field < 4; ++field) {
    Recognised r = recognise_image(changed(d88, test::sector_record(0) + field, {9}));
    EXPECT_EQ(r.kind, ImageKind::d88);
    EXPECT_EQ(r.certainty, 80) << "byte " << field << " of the ID";
  }
}

TEST(DescribeImage, JsonTellsWhetherTheTrackTableIsAsBuilt) {
  const Bytes d88 = sample(kD88Name);
  for (const auto& [file, as_built] : {std::pair{d88, true}, {changed(d88, 0x20, {0xB1}), false}}) {
    std::vector<NamedFile> files = {{"f.d88", {}}};
    files[0].read.bytes = file;
    nlohmann::json info = nlohmann::json::parse(info_json(describe_files(files)));
    EXPECT_EQ(info["files"][0]["track_table_as_built"], as_built);
  }
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

// The JSON document carries every finding as the text report gives it, with its parts: the text
// report made again from it is the text report; findings past the first few of a kind are
// counted in the one that folds them.
TEST(Check, JsonGivesEachFindingItsParts) {
  test::Inputs inputs = test::sample_game();
  inputs[kList2][0xBC75 - 0xB9D0] = 0x12;
  for (int i = 0; i < 8; ++i)
    inputs[kListing].insert(inputs[kListing].end(), {'1', '1', '9', '\n'});
  CheckReport report = test::check_of(inputs);
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
  EXPECT_EQ(json["warnings"], 7);
  EXPECT_EQ(report.worst(), Level::warning);
  const auto& folded = json["sections"][kListingSection]["findings"][6];
  EXPECT_EQ(folded["more"], 3);
  EXPECT_EQ(folded["note"], "lines dropped as well");
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

TEST(DescribeImage, SaysWhereAD88ImageDoesNotHoldTheRawImage) {
  const Bytes d88 = sample(kD88Name), dsk = sample(kRawDiskName);
  auto difference = [](const Bytes& image, const Bytes& raw) {
    std::optional<Finding> found = d88_difference(image, raw);
    return found ? finding_text(*found) : "";
  };
  EXPECT_EQ(difference(d88, dsk), "");
  EXPECT_EQ(difference(cut(d88, 30000), dsk),
            "sector 107 (cylinder 6, R 12): the file ends inside its record");
  EXPECT_EQ(difference(concat({d88, bytes({0})}), dsk),
            "offset 174768: 1 byte more after the last sector");
  EXPECT_EQ(difference(d88, Bytes(41 * 4096, 0)), "disk full");
}

// --- diff ------------------------------------------------------------------------------------

// A line record: FF FF, the number, the text as its tokens, 00.
Bytes line_record(int number, const std::string& text) {
  return concat(
      {bytes({0xFF, 0xFF, number & 0xFF, number >> 8}), test::text_bytes(text), bytes({0})});
}

TEST(Diff, SaysEachDifferenceAsAPorterReadsIt) {
  const Bytes d88 = sample(kD88Name), data = sample(kDataTapeName), main = sample(kMainTapeName);
  test::Inputs most{};
  most[kList1] = Bytes(60000, 0);
  most[kList2] = Bytes(20000, 0);
  const Bytes largest = test::text_bytes(test::built_in_memory(most)[2]);
  const Bytes end = Bytes(10, 0);
  // clang-format off
  struct Case { const char* what; Bytes first, second; std::string findings; };
  const Case cases[] = {
      {"lines removed, added and changed, matched by number in order",
       test::tape("MAIN  ", concat({line_record(10, "A"), line_record(20, "B"), line_record(20, "C"),
                              line_record(30, "D"), end})),
       test::tape("MAIN  ", concat({line_record(10, "A"), line_record(20, "B"), line_record(25, "E"),
                              line_record(30, "X\\"), end})),
       "line 20: removed \"C\"\nline 25: added \"E\"\nline 30: \"D\" became \"X\\x5C\"\n"},
      {"a D88 image whose program is damaged", d88, changed(d88, test::sector_record(96) + 16, {0xFE}),
       "sector 96 (cylinder 6, R 1): 1 byte differs, in the program, now in the raw disk image\n"},
      {"a tape name, and the payload of another tape", data, changed(data, 13, {'X', ' ', ' ', 0}),
       "offset 10: tape name \"DATA  \" became \"DATX  \"\nthe payload, byte 0: 81 became 00\n"},
      {"header fields and a sector's header", d88,
       changed(changed(changed(changed(d88, 0, {'A'}), 0x1B, {0x20}), 0x20, {0xB1, 2, 0, 0, 1}),
               test::sector_record(5) + 2, {9}),
       "header: name \"\" became \"A\"\nheader: media type 0x00 became 0x20\nheader: track table "
       "entry 0 0x2B0 became 0x2B1\nheader: track table entry 1 0x0 became 0x1\nsector 5 (cylinder 0, R 6): header 00 00 06 01 10 00 "
       "00 00 00 00 00 00 00 00 00 01 became 00 00 09 01 10 00 00 00 00 00 00 00 00 00 00 01\n"},
      {"a name byte after the first zero", d88, changed(d88, 16, {'B'}),
       "header: name \"\" became \"\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00"
       "\\x00\\x00B\"\n"},
      // 14 blocks of list1 data reach past memory: a byte past 0xFFFF is named by its place.
      {"the largest dumps", largest, changed(largest, 59096, {1}),
       "the list1 and list2 data, byte 55000: 00 became 01\nsector 230 (cylinder 14, R 7): 1 byte "
       "differs, in the list1 and list2 data\n"},
      {"raw disk images of one track", Bytes(4096, 0), changed(Bytes(4096, 0), 5, {1}),
       "the loader, byte 5: 00 became 01\nsector 0 (cylinder 0, R 1): 1 byte differs, in the "
       "loader\n"},
      {"bytes after a tape's end marker", main, concat({main, bytes({7})}),
       "offset 3151: the files differ from here\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    Findings found = compare_images(c.first, c.second);
    EXPECT_EQ(joined(found), c.findings) << c.what;
    for (const Finding& f : found)
      EXPECT_EQ(f.level, Level::fact) << c.what;  // the damage is told apart, not here
  }
  // 20 bytes in a row, told 16 at a time, then 40 bytes apart: 32 runs told, the rest counted.
  Bytes spread = data;
  for (std::size_t i = 0; i < 40; ++i)
    spread[16 + i % 20] = spread[100 + 2 * i] = 0xAA;
  Findings told = compare_images(data, spread);
  ASSERT_EQ(told.size(), 33u);
  EXPECT_EQ(finding_text(told[1]),
            "the list1 and list2 data, bytes 16 to 19: F3 F3 00 00 became AA AA AA AA");
  EXPECT_EQ(finding_text(told[32]), "and 10 more differing byte runs");
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
