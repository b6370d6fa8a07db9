// Each format's own check, on images a build made and on the same images damaged: every damage
// is named by its place, its field, its value and the value a build writes there.
#include <gtest/gtest.h>

#include <memory>

#include "flyseat/d88.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"
#include "support.hpp"

namespace flyseat::test {
namespace {

// What a build in memory makes of the sample game.
Bytes sample(std::size_t output) {
  return text_bytes(sample_outputs()[output]);
}

std::string texts(const Findings& findings) {
  std::string text;
  for (const Finding& finding : findings)
    text += finding_text(finding) + "\n";
  return text;
}

Bytes d88_of(const Bytes& raw_disk) {
  auto d88 = std::make_unique<D88Image>();
  encode_d88_image(raw_disk, *d88);
  return Bytes(d88->begin(), d88->end());
}

enum Format { kTape, kRawDisk, kD88 };

Findings checked(Format format, const Bytes& file) {
  switch (format) {
    case kTape:
      return check_tape_image(file).findings;
    case kRawDisk:
      return check_raw_disk_image(file).findings;
    case kD88:
      break;
  }
  return check_d88_image(file).findings;
}

TEST(FormatCheck, NamesThePlaceTheFieldAndTheValueOfEachDamage) {
  const Bytes d88 = sample(3), dsk = sample(2), tp = sample(1);
  const Bytes record = bytes({0xFF, 0xFF, 0x0A, 0x00, 0x95, 0x00});  // 10 PRINT
  const Bytes program(dsk.begin() + 6 * 4096, dsk.end());
  const std::string no_program =
      "its last blocks hold no program as a build writes it: line records with the link field "
      "0xFFFF, then the end marker, in as many blocks as the block rule gives them\n";
  struct Case {
    const char* what;
    Format format;
    Bytes file;
    std::string findings;
  };
  // clang-format off
  const Case cases[] = {
      {"a D88 image cut inside a sector", kD88, cut(d88, 100000),
       "size is 100000 bytes, expected 174768 bytes\nsector 365 (cylinder 22, R 14): the file ends "
       "inside its record, which starts at offset 99968\n"},
      {"a D88 image cut inside its header", kD88, cut(d88, 600),
       "size is 600 bytes, expected 174768 bytes; the file ends inside the 688-byte header\n"},
      {"a D88 image of its header alone", kD88, cut(d88, 688),
       "size is 688 bytes, expected 174768 bytes\nsector 0 (cylinder 0, R 1): the file ends "
       "inside its record, which starts at offset 688\n"},
      {"D88 header fields", kD88,
       changed(d88, 0x00, {'A', 0, 'B', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                           1, 0, 0, 0, 0, 0, 0, 0, 2, 0x10, 0x20, 0xB1}),
       "header: name is \"A\\x00B\", expected \"\" (zero bytes)\nheader: reserved byte 0x11 is "
       "0x01, expected 0x00\nheader: reserved byte 0x19 is 0x02, expected 0x00\nheader: write "
       "protect is 0x10, expected 0x00\nheader: media type is 0x20, expected 0x00\nheader: disk "
       "size is 174769, expected 174768\n"},
      {"D88 track table entries", kD88, changed(changed(d88, 0x20, {0xB1}), 0x15C, {1}),
       "header: track table entry 0 is 0x2B1, expected 0x2B0\nheader: track table entry 79 is "
       "0x1, expected 0x0\n"},
      {"every field of a sector header", kD88,
       changed(d88, sector_record(37), {2, 1, 7, 2, 0x10, 1, 4, 2, 3, 1, 0, 0, 0, 1, 0xFF, 0}),
       "sector 37 (cylinder 2, R 6): H is 1, expected 0\nsector 37 (cylinder 2, R 6): R is 7, "
       "expected 6\nsector 37 (cylinder 2, R 6): N is 2, expected 1\nsector 37 (cylinder 2, R 6): "
       "sector count is 272, expected 16\nsector 37 (cylinder 2, R 6): density is 4, expected 0\n"
       "sector 37 (cylinder 2, R 6): deleted mark is 2, expected 0\nsector 37 (cylinder 2, R 6): "
       "status is 3, expected 0\nsector 37 (cylinder 2, R 6): data size is 255, expected 256\n"
       "sector 37 (cylinder 2, R 6): reserved field is 01 00 00 00 01, expected 00 00 00 00 00\n"},
      {"a sector's cylinder", kD88, changed(d88, sector_record(16), {2}),
       "sector 16 (cylinder 1, R 1): C is 2, expected 1\n"},
      {"the first byte of the fill", kD88, changed(d88, sector_record(112) + 16, {0}),
       "sector 112 (cylinder 7, R 1): byte 0 of the fill is 0x00, expected 0xFF\n"},
      {"a later byte of the fill", kD88, changed(d88, sector_record(300) + 16 + 255, {0x12}),
       "sector 300 (cylinder 18, R 13): byte 255 of the fill is 0x12, expected 0xFF\n"},
      {"a D88 image of the fill alone", kD88, d88_of({}), "block count is 0, expected 4 to 29\n"},
      // Its first 5 tracks hold a raw disk image too, the program block copied into the data.
      {"a D88 image of data that holds a program block", kD88,
       d88_of(concat({cut(dsk, 4 * 4096), program, Bytes(dsk.begin() + 5 * 4096, dsk.begin() + 6 * 4096),
                      program})),
       ""},
      {"a program block changed", kD88, changed(d88, sector_record(96) + 16, {0xFE}), no_program},
      {"a byte after the end marker it holds", kD88, changed(d88, sector_record(109) + 16 + 96, {7}),
       "sector 109 (cylinder 6, R 14), byte 96: byte after the end marker is 0x07, expected "
       "0x00\n"},
      {"data ending inside a track", kD88,
       changed(changed(d88, sector_record(96) + 16, {0xFE}), sector_record(113) + 16, {0}),
       "cylinder 7: the sectors with data end inside this track; a build copies whole tracks\n"},
      {"3 blocks", kRawDisk, cut(dsk, 3 * 4096), "block count is 3, expected 4 to 29\n"},
      {"the smallest raw disk image", kRawDisk, concat({Bytes(4096, 0xFF), Bytes(3 * 4096, 0)}), ""},
      {"30 blocks", kRawDisk, concat({dsk, Bytes(23 * 4096, 0)}),
       "block count is 30, expected 4 to 29\n"},
      {"the program block cut off", kRawDisk, cut(dsk, 6 * 4096), no_program},
      {"a program of 3 blocks right after the loader", kRawDisk, concat({Bytes(4096, 0xFF),
       bytes({0xFF, 0xFF, 10, 0}), Bytes(8200, 'A'), Bytes(4084, 0)}), no_program},
      {"the program block replaced", kRawDisk, concat({cut(dsk, 6 * 4096),
       Bytes(dsk.begin() + 5 * 4096, dsk.begin() + 6 * 4096)}), no_program},
      {"a byte after the end marker", kRawDisk, changed(dsk, 28000, {7}),
       "offset 28000: byte after the end marker is 0x07, expected 0x00\n"},
      {"the largest raw disk image", kRawDisk, concat({Bytes(20 * 4096, 0x55),
       bytes({0xFF, 0xFF, 10, 0}), Bytes(32745, 'A'), Bytes(4115, 0)}), ""},  // 29 blocks
      {"20 data blocks", kRawDisk,
       concat({Bytes(21 * 4096, 0x55), record, Bytes(10, 0), Bytes(4080, 0)}),
       "list1 and list2 data is 20 blocks, expected at most 19 blocks\n"},
      {"a tape cut inside a record", kTape, cut(tp, 3000),
       "offset 2983: line record runs past the end of the file\n"},
      {"a link field", kTape, changed(tp, 16, {1}),
       "offset 16: link field of a line record is 0xFF01, expected 0xFFFF\n"},
      {"an end marker byte", kTape, changed(tp, 3144, {1}),
       "offset 3144: byte 3 of the end marker is 0x01, expected 0x00\n"},
      {"an end marker cut short", kTape, cut(tp, 3148),
       "offset 3141: end marker is 7 bytes, expected 10 bytes\n"},
      {"no end marker", kTape, tape("MAIN  ", record),
       "offset 22: the program ends without its end marker\n"},
      {"bytes after the end marker", kTape, concat({tp, bytes({7, 8})}),
       "offset 3151: 2 bytes after the end marker, where a build writes none\n"},
      {"another tape name", kTape, changed(sample(0), 10, {'X', '\\'}),
       "offset 10: tape name is \"X\\x5CTA  \", expected \"DATA  \" or \"MAIN  \"\n"},
      {"a tape leader alone", kTape, Bytes(10, 0xD3), "tape header is 10 bytes, expected 16 bytes\n"},
      {"the largest data tape", kTape, tape("DATA  ", Bytes(kList1Max + kList2Max, 0)), ""},
      {"an empty data tape", kTape, tape("DATA  ", {}), ""},
      {"a data tape too large", kTape, tape("DATA  ", Bytes(kList1Max + kList2Max + 1, 0)),
       "offset 16: payload is 72241 bytes, expected at most 72240 bytes, the largest list1 and "
       "list2 regions\n"},
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(texts(checked(c.format, c.file)), c.findings) << c.what;
}

}  // namespace
}  // namespace flyseat::test
