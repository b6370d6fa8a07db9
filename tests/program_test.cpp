// The program image: line records in listing order, the end marker, and the two refusals of
// a listing that outgrows the program buffer or the line buffer.
#include <gtest/gtest.h>

#include "basic_support.hpp"
#include "flyseat/failure.hpp"

namespace flyseat {
namespace {

using test::Bytes;
using test::bytes;
using test::concat;

constexpr Byte kUntouched = 0xAA;

struct Converted {
  std::int32_t length;
  Bytes image;  // program length + 10 bytes
  bool rest_untouched;
};

// Converts a listing in a work area whose program buffer is pre-filled with kUntouched.
Converted convert(const std::string& listing) {
  auto work = std::make_unique<WorkArea>();
  work->program.fill(kUntouched);
  test::BytesSource in(test::text_bytes(listing), "list3.txt");
  std::int32_t length = convert_listing(in.source, *work);
  auto end = work->program.begin() + length + kEndMarkerSize;
  return {length, Bytes(work->program.begin(), end),
          std::all_of(end, work->program.end(), [](Byte b) { return b == kUntouched; })};
}

std::string refusal(const std::string& listing) {
  try {
    convert(listing);
  } catch (const Failure& failure) {
    return failure.message();
  }
  return "(converted)";
}

const Bytes kEndMarker(10, 0);

TEST(ProgramImage, AnEmptyListingIsTheEndMarkerAlone) {
  for (const char* listing : {"", "119 A\n345 B\n",
                              "\x1A"
                              "10 A\n"}) {
    SCOPED_TRACE(listing);
    Converted c = convert(listing);
    EXPECT_EQ(c.length, 0);
    EXPECT_EQ(c.image, kEndMarker);
    EXPECT_TRUE(c.rest_untouched);
  }
}

TEST(ProgramImage, HoldsTheEditedAndTokenizedLinesAsRecords) {
  Converted c = convert("10 CLEAR,&HB000\n119 PRINT\n20 CLS\n100\n");
  EXPECT_EQ(c.length, 64);
  EXPECT_EQ(c.image,
            concat({bytes({0xFF, 0xFF, 0x0A, 0x00, 0x99, 0x20, 0x33, 0x30, 0x30, 0x2C, 0x26, 0x48,
                           0x42, 0x30, 0x30, 0x30, 0x00}),
                    bytes({0xFF, 0xFF, 0x14, 0x00, 0x9F, 0x20, 0x31, 0x2C, 0x31, 0x2C, 0x31,
                           0x3A, 0xA2, 0x20, 0x30, 0x2C, 0x32, 0x30, 0x2C, 0x30, 0x2C, 0x30,
                           0x3A, 0xA0, 0x3A, 0x9A, 0x20, 0x31, 0x36, 0x2C, 0x31, 0x2C, 0x31,
                           0x3A, 0x49, 0xD2, 0xDD, 0x28, 0xCB, 0xF1, 0x29, 0x00}),
                    bytes({0xFF, 0xFF, 0x64, 0x00, 0x00}), kEndMarker}));
  EXPECT_EQ(c.image.size(), 74u);
  EXPECT_TRUE(c.rest_untouched);
}

TEST(ProgramImage, StoresTheLowSixteenBitsOfTheLineNumber) {
  struct Case {
    const char* listing;
    Bytes number;
  };
  for (const Case& c : {Case{"70000\n", bytes({0x70, 0x11})}, Case{"65535\n", bytes({0xFF, 0xFF})},
                        Case{"65536\n", bytes({0x00, 0x00})}, Case{"-1\n", bytes({0xFF, 0xFF})},
                        Case{"PRINT\n", bytes({0x00, 0x00})},
                        Case{"99999999999\n", bytes({0xFF, 0xFF})}}) {  // 0x7FFFFFFF
    SCOPED_TRACE(c.listing);
    Converted converted = convert(c.listing);
    ASSERT_GE(converted.image.size(), 4u);
    EXPECT_EQ(Bytes(converted.image.begin() + 2, converted.image.begin() + 4), c.number);
  }
}

TEST(ProgramImage, KeepsTheListingOrderAndRepeatedNumbers) {
  Converted c = convert("31 A\n21 B\n21 C\n");
  EXPECT_EQ(c.image,
            concat({bytes({0xFF, 0xFF, 31, 0, 0x41, 0}), bytes({0xFF, 0xFF, 21, 0, 0x42, 0}),
                    bytes({0xFF, 0xFF, 21, 0, 0x43, 0}), kEndMarker}));
}

TEST(ProgramImage, AppendingRefusesARecordWhoseEndMarkerWouldNotFit) {
  auto program = std::make_unique<ProgramBuffer>();
  program->fill(kUntouched);
  const Bytes tokens = bytes({0x41, 0x42});  // a 7-byte record
  struct Case {
    std::int32_t length;  // before the record; + 7 + 10 against 32,768
    bool fits;
  };
  for (Case c : {Case{32750, true}, Case{32751, true}, Case{32752, false}}) {
    SCOPED_TRACE(c.length);
    std::int32_t length = c.length;
    EXPECT_EQ(append_line_record(*program, length, 0x1234, tokens), c.fits);
    EXPECT_EQ(length, c.fits ? c.length + 7 : c.length);
  }
  // Only the records that fit were written.
  EXPECT_EQ(Bytes(program->begin() + 32751, program->begin() + 32758),
            bytes({0xFF, 0xFF, 0x34, 0x12, 0x41, 0x42, 0x00}));
  EXPECT_EQ((*program)[32758], kUntouched);
  write_end_marker(*program, 32758);
  EXPECT_EQ(Bytes(program->begin() + 32758, program->end()), kEndMarker);
}

// 32 records of 1,000 bytes, then one record of `last` bytes numbered 2310.
std::string listing_of_records(std::size_t last) {
  std::string listing;
  for (int i = 0; i < 32; ++i)
    listing += "1 " + std::string(995, 'A') + "\n";
  return listing + "2310 " + std::string(last - 5, 'B') + "\n";
}

TEST(ProgramImage, AProgramMustFitWithItsEndMarker) {
  // 32,000 + last + 10 bytes against 32,768.
  Converted c = convert(listing_of_records(757));
  EXPECT_EQ(c.length, 32757);
  EXPECT_TRUE(c.rest_untouched);  // the one byte after the end marker
  c = convert(listing_of_records(758));
  EXPECT_EQ(c.length, 32758);
  EXPECT_EQ(Bytes(c.image.end() - 11, c.image.end()), concat({bytes({0}), kEndMarker}));
  EXPECT_EQ(refusal(listing_of_records(759)), "list3.txt: program too large at line 2310");
}

TEST(ProgramImage, ALineTooLongAfterEditingStopsTheConversion) {
  // "  10" + (" CLEAR," + n + LF) grown by 4 + the zero byte against 1,000.
  auto line = [](std::size_t n) { return "  10 CLEAR," + std::string(n, 'A') + "\n"; };
  EXPECT_EQ(refusal(line(983)), "(converted)");
  EXPECT_EQ(refusal(line(984)), "list3.txt: line 10 too long after editing");
}

}  // namespace
}  // namespace flyseat
