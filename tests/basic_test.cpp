// The BASIC program conversion, listing in and line records out: reading lines and their
// numbers, the substitution table, the tokenizer and the program buffer. Expected programs
// are written one "number:tokens|" per line record; token bytes are 0x80 and up
// (0x95 PRINT, 0x99 CLEAR, 0xD2 =, ...).
#include <gtest/gtest.h>

#include <memory>

#include "flyseat/basic.hpp"
#include "flyseat/file_names.hpp"
#include "support.hpp"

namespace flyseat::test {
namespace {

// The program that convert_listing makes of `listing`, or the message it stops with.
std::string convert(const std::string& listing) {
  Source in;
  open_bytes(in, kListingName, span_of(listing));
  auto work = std::make_unique<WorkArea>();
  std::int32_t length = 0;
  std::string out = failure_of([&] { length = convert_listing(in, *work); });
  if (!out.empty()) return out;
  std::size_t at = 0;
  for (LineRecordRead read;
       (read = read_line_record(work->program, at)).what == LineRecordRead::record;
       at = read.next) {
    out += std::to_string(read.number) + ":" + text_of(read.tokens) + "|";
  }
  return at == static_cast<std::size_t>(length) ? out : out + "(not a whole program)";
}

// clang-format off
struct Case { std::string listing, program; };
// clang-format on

void expect_conversions(std::initializer_list<Case> cases) {
  for (const Case& c : cases)
    EXPECT_EQ(convert(c.listing), c.program) << c.listing;
}

const std::string kX996(996, 'X'), kX997(997, 'X');

// clang-format off
TEST(Listing, ReadsLinesAsTextInListingOrder) {
  expect_conversions({
      {"", ""}, {"31 A\n21 B\n21 C\n", "31:A|21:B|21:C|"}, {"1 A\r\n2 B\r\n", "1:A|2:B|"},
      {"1 A\rB\n", "1:A\rB|"}, {"1 A\r\r\n", "1:A\r|"}, {"1 A\r", "1:A\r|"},
      {"1 A\n\r", "1:A|0:\r|"}, {"1 A\n2 B", "1:A|2:B|"}, {"\n\r\n", "0:|0:|"},
      {"1 A\n\x1A" "2 B\n", "1:A|"}, {"1 A\x1A\n2 B\n", "1:A|"}, {"1 A\r\x1A\n2 B\n", "1:A\r|"},
      {"\x1A" "1 A\n", ""}, {std::string("1 A\0B\n2 C\n", 10), "1:A|2:C|"},  // a zero ends the text
      {"1 " + kX996 + "\n", "1:" + kX996 + "|"},                // 998 bytes and the LF
      {"1 " + kX996 + "\r\n", "1:" + kX996 + "|"},              // CR LF is one byte
      {"1 " + kX997 + "\n", "1:" + kX997 + "|0:|"},  // a cut after 999 bytes
      {"1 " + kX997 + "X\n", "1:" + kX997 + "|0:X|"}, {"1 \xFF\n", "1:\xFF|"},
      {"1 " + kX997 + "2 Y\n3 Z", "1:" + kX997 + "|2:Y|3:Z|"},  // the rest is a line
  });
}

// Stored as the low 16 bits of the number clamped to 32 bits; -5 is 65531.
TEST(Listing, ReadsLineNumbers) {
  expect_conversions({
      {"  1 PRINT\r\n", "1:\x95|"}, {"\t\v\f\r 7X\n", "7:X|"}, {"+5 A\n", "5:A|"},
      {"-5 A\n", "65531:A|"}, {"0011 A\n", "11:A|"}, {"11", "11:|"},
      {"70000\n65536\n", "4464:|0:|"},
      {"2147483647 A\n2147483648 A\n4294967415 A\n99999999999999999999 A\n",
       "65535:A|65535:A|65535:A|65535:A|"},
      {"-2147483648 A\n-2147483649 A\n-99999999999999999999 A\n", "0:A|0:A|0:A|"},
      {"\tPRINT\n+\n- 5\n", "0:\t\x95|0:\xCA|0:\xCB 5|"},  // no digits: every byte kept
      {"118 A\n119 B\n120 C\n345 D\n346 E\n", "118:A|120:C|346:E|"},
      {"0119 A\n+345 B\n  119\n119", ""}, {"1190 A\n-119 B\n34 5\n", "1190:A|65417:B|34:5|"},
  });
}

const std::string kLine20 = "\x9F 1,1,1:\xA2 0,20,0,0:\xA0:\x9A 16,1,1:I\xD2\xDD(\xCB\xF1)";

TEST(Substitution, EditsLinesLeftToRightByTheTable) {
  expect_conversions({
      {"10 CLEAR,&HB000\n10 clear ,1\n", "10:\x99 300,&HB000|10:\x99 300,1|"},
      {"70 locate 25,8\n", "70:\xA1 5,5|"}, {"1000 input \"A\"\n", "1000:\xA5 &H1058:\x84 \"A\"|"},
      {"60 LOCATE  32 , 5 :X\n", "60:\xA1  12,2 :X|"},  // spaces around a match remain
      {"730 PRINT \"TAB(33);X\"\n", "730:\x95 \"X\"|"},  // strings are edited too
      {"90 COLOR 5 :LOCATE 33,12\n", "90:\x9A 15 :\xA1 13,9|"},
      {"118 FORJ=0TO7:COLOR=(J,RND(1)*7):NEXT:FORI=0TO7:COLOR=(I,I):NEXT\n",
       "118:\x81J\xD2" "0\xC3" "2:\x82|"},
      {"1670 READ XX1,YY1,XX2,YY2:LINE(XX1*2,YY1)-(XX2*2,YY2),7\n",
       "1670:\x86 XX,YY,X2,Y2:\x9D(XX,YY)\xCB(X2,Y2),7|"},
      {"1040 DEFUSR2=&HC000:A=USR2(0)\n", "1040:\x90 &H93,2:\xA5 &HC000|"},
      // After a replacement the search goes on one byte past the inserted text.
      {"500 X:A=USR1(0):A=USR1(0)\n500 X:A=USR1(0) :A=USR1(0)\n",
       "500:X:A\xD2\xD7" "1(0)|500:X |"},
      {"510 WB1;WB2\n510 WB1WB2\n510 WB1XWB2\n", "510:W1;W2|510:W1WB2|510:W1XW2|"},
      {"1000 INPUT\"A\":INPUT\"C\"\n", "1000:\xA5 &H1058:\x84 \"A\":\xA5 &H1058:\x84 \"C\"|"},
      // Records are chosen by the whole line number; every-line records apply to all.
      {"91 COLOR 5\n65546 CLEAR,1\n-1 CLEAR,WB1\nCLEAR,WB1\n",
       "91:\x9A 5|10:\x99,1|65535:\x99,W1|0:\x99,W1|"},
      // An empty find text replaces the whole text at the first position tried.
      {"50    \n50\n1570 PRINT \"GONE\"\n50",
       "50:\x82:\x9A 16|50:\x82:\x9A 16|1570:\xA0:\xA1 30,19:\x9A 4|50:|"},
      {"20 WB1\n20WB1\n20SPACE$(3)\n", "20:" + kLine20 + "|20:W1|20:" + kLine20 + "|"},
  });
}
// clang-format on

// Every edit, its zero byte included, must fit both the room after the line number and the
// scratch buffer; when one does not, the text stays as it stood.
TEST(Substitution, AnEditThatDoesNotFitLeavesTheTextAsItStood) {
  // clang-format off
  struct Edit { int line; std::string text; std::size_t room, scratch; bool done;
                std::string result; };
  const Edit edits[] = {
      {10, " CLEAR,A:WB1\n", 16, 20, false, " CLEAR,A:WB1\n"}, {10, "WB1\n", 16, 3, false, "WB1\n"},
      {10, "WB1\n", 16, 4, true, "W1\n"}, {10, " CLEAR,A\n", 14, 14, true, " CLEAR 300,A\n"},
      {10, " CLEAR,A\n", 13, 20, false, " CLEAR,A\n"},
      {1040, " DEFUSR2=1:A=USR2(0)\n", 29, 40, false, " DEFUSR2=1:A=USR2(0)\n"},  // + 8, then - 10
      {1040, " DEFUSR2=1:A=USR2(0)\n", 30, 40, true, " OUT &H93,2:EXEC 1\n"},
  };
  // clang-format on
  for (const Edit& e : edits) {
    std::array<Byte, 40> text, scratch{};
    text.fill(0xEE);  // past the room
    std::copy_n(e.text.c_str(), e.text.size() + 1, text.begin());
    std::span<Byte> room = std::span(text).first(e.room);
    ListingWatch none;
    EXPECT_EQ(substitute_line(e.line, room, std::span(scratch).first(e.scratch), none), e.done);
    EXPECT_EQ(reinterpret_cast<const char*>(text.data()), e.result);
    EXPECT_EQ(text[e.room], 0xEE) << e.text;
  }
}

// clang-format off
TEST(Tokenizer, StoresKeywordsAsTokensOutsideStringsDataAndRemarks) {
  expect_conversions({
      {"1 FORI=0TO7:NEXT\n", "1:\x81I\xD2" "0\xC3" "7:\x82|"},
      {"1 ?A:else width    \n", "1:?A:ELSE WIDTH    |"},
      // The first keyword in table order wins: INPUT before INP, TO in STOP after STOP.
      {"1 INPUT:INP(1):LOCATE:LOC(1)\n", "1:\x84:\xD9(1):\xA1:\xF5(1)|"},
      {"1 DEFINT A:X=TOP:STOP:SCORE\n", "1:\x93\xD5 A:X\xD2\xC3P:\x8F:SC\xD0" "E|"},
      {"1 10GOTO20:END:MKS$\n", "1:10\x88" "20:\x80:\xF9|"},
      {"1 TAB (5):TAB(5):SPC(2):SPC 2\n", "1:TAB (5):\xC2" "5):\xC5" "2):SPC 2|"},
      {"1 IF A<>B THEN 1:A>=B\n", "1:\x8A A\xD3\xD1" "B \xC7 1:A\xD1\xD2" "B|"},
      {"1 +-*/^ AND OR NOT\n", "1:\xCA\xCB\xCC\xCD\xCE \xCF \xD0 \xC8|"},
      // Strings, DATA items up to a colon and remarks are copied as they stand.
      {"1 print \"Hi!\":a!=1 'note: x\n", "1:\x95 \"Hi!\":A\xD2" "1 \x8Enote: x|"},
      {"1 DATA 1,\"A:B\",c:print#1,x\n", "1:\x83 1,\"A:B\",c:\x95" "1,X|"},
      {"1 DATA abc'x:y\n", "1:\x83 abc'x:Y|"}, {"1 A=1:'c\n", "1:A\xD2" "1:\x8E" "c|"},
      {"1 REM A:PRINT\n", "1:\x8E A:PRINT|"}, {"1 PRINT#1,\"A#!\"\n", "1:\x95" "1,\"A#!\"|"},
      {"1 PRINT\"it's\"\n", "1:\x95\"it's\"|"}, {"1 REM \"a\":b\n", "1:\x8E \"a\":b|"},
      {"1 '\"a\":b'c\n", "1:\x8E\"a\":b'c|"}, {"1 PRINT \"a:b\n", "1:\x95 \"a:b|"},
      {"1 data 1,2:data x\n", "1:\x83 1,2:\x83 x|"}, {"1 a!#b#!\n", "1:AB|"},
  });
}
// clang-format on

TEST(Tokenizer, ReadsNoFurtherThanItsOutputIsLarge) {
  const std::string text = "ABPRINT";  // PRINT straddles the end of a 4-byte output
  std::array<Byte, 5> out;
  out.fill(0xEE);
  ListingWatch none;
  ASSERT_EQ(tokenize_line(span_of(text), std::span(out).first(4), none), 4u);
  EXPECT_EQ(std::string(out.begin(), out.end()), "ABPR\xEE");
}

}  // namespace
}  // namespace flyseat::test
