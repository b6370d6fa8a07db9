// Line substitution: matching across case and spaces, positions after a replacement, the
// every-line records, empty find texts and the room an edited text may take.
#include <gtest/gtest.h>

#include "basic_support.hpp"

namespace flyseat {
namespace {

using test::edit_all;
using test::ReadLine;

struct Case {
  const char* what;
  std::string listing_line;
  ReadLine edited;
};

void expect_edits(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<ReadLine> lines = edit_all(c.listing_line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], c.edited);
  }
}

TEST(Substitution, MatchesAcrossCaseAndSpacesInTheLine) {
  expect_edits({
      {"plain", "10 CLEAR,&HB000\n", {10, " CLEAR 300,&HB000\n"}},
      {"lower case, a space inside", "10 clear ,&HB000\n", {10, " CLEAR 300,&HB000\n"}},
      {"the rest keeps its case",
       "1000 input \"NAME\";n$\n",
       {1000, " EXEC &H1058:INPUT \"NAME\";n$\n"}},
      {"spaces before and after the match remain",
       "60 LOCATE  32 , 5 :X\n",
       {60, " LOCATE  12,2 :X\n"}},
      {"inside string literals",
       "720 PRINT\"RUNWAY-HEADING  GLIDE-SLOPE  OUTER-MARKER  "
       "MIDDLE-MARKER  DECISION-HIGHT  \"\n",
       {720,
        " PRINT\"RUNWAY-HEADING\":PRINT \"GLIDE-SLOPE\":PRINT \"OUTER-MARKER\":PRINT "
        "\"MIDDLE-MARKER\":PRINT \"DECISION-HIGHT  \"\n"}},
      {"lower case in the find text's place", "70 locate 25,8\n", {70, " locate 5,5\n"}},
  });
}

TEST(Substitution, GoesLeftToRightWhateverTheTableOrder) {
  expect_edits({
      {"record 17 before record 16",
       "90 COLOR 5 :LOCATE 33,12\n",
       {90, " COLOR 15 :LOCATE 13,9\n"}},
      {"two records of one line",
       "118 FORJ=0TO7:COLOR=(J,RND(1)*7):NEXT:FORI=0TO7:COLOR=(I,I):NEXT\n",
       {118, " FORJ=0TO2:NEXT\n"}},
      {"three records of one line",
       "1670 READ XX1,YY1,XX2,YY2:LINE(XX1*2,YY1)-(XX2*2,YY2),7\n",
       {1670, " READ XX,YY,X2,Y2:LINE(XX,YY)-(X2,Y2),7\n"}},
      {"a replacement ending in a space",
       "1040 DEFUSR2=&HC000:A=USR2(0)\n",
       {1040, " OUT &H93,2:EXEC &HC000\n"}},
  });
}

TEST(Substitution, ResumesOnePastTheInsertedText) {
  expect_edits({
      {"removed twice in a row: the second is not tried",
       "500 X=1:A=USR1(0):A=USR1(0)\n",
       {500, " X=1:A=USR1(0)\n"}},
      {"a space between the two", "500 X=1:A=USR1(0) :A=USR1(0)\n", {500, " X=1 \n"}},
      {"apart", "510 PRINT WB1;WB2\n", {510, " PRINT W1;W2\n"}},
      {"directly after a replacement", "510 PRINT WB1WB2\n", {510, " PRINT W1WB2\n"}},
      {"one byte later", "510 PRINT WB1XWB2\n", {510, " PRINT W1XW2\n"}},
      {"the inserted text is not searched again",
       "1000 INPUT\"A\";B:INPUT\"C\";D\n",
       {1000, " EXEC &H1058:INPUT \"A\";B:EXEC &H1058:INPUT \"C\";D\n"}},
  });
}

TEST(Substitution, SelectsRecordsByTheWholeLineNumber) {
  expect_edits({
      {"another line", "91 COLOR 5:LOCATE 33,12\n", {91, " COLOR 5:LOCATE 33,12\n"}},
      {"the same low 16 bits", "65546 CLEAR,1\n", {65546, " CLEAR,1\n"}},
      {"line -1 gets only the every-line records", "-1 CLEAR,WB1\n", {-1, " CLEAR,W1\n"}},
      {"no number: only the every-line records", "CLEAR,WB1\n", {0, "CLEAR,W1\n"}},
  });
}

TEST(Substitution, AnEmptyFindTextReplacesTheWholeTextAtTheFirstPositionTried) {
  expect_edits({
      {"spaces, no LF left", "50    \n", {50, "NEXT:COLOR 16"}},
      {"a statement", "1570 PRINT \"GONE\"\n", {1570, "CLS:LOCATE 30,19:COLOR 4"}},
      {"LF alone", "50\n", {50, "NEXT:COLOR 16"}},
      {"an empty text has no position", "50", {50, ""}},
      {"a space is no hindrance",
       "20 WB1\n",
       {20, "SCREEN 1,1,1:CONSOLE 0,20,0,0:CLS:COLOR 16,1,1:I=RND(-TIME)"}},
  });
}

TEST(Substitution, EveryLineRecordsWinAtASharedPosition) {
  // At position 0 record 3 and line 20's own record 9 both match; record 3 comes first and
  // the scan resumes past the end of the short text.
  expect_edits({{"every-line record first", "20WB1\n", {20, "W1\n"}}});
  // Further on, the line's own record still gets its turn.
  SubstitutionCounts fired{};
  std::vector<ReadLine> lines = edit_all("20SPACE$(3)\n", &fired);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "SCREEN 1,1,1:CONSOLE 0,20,0,0:CLS:COLOR 16,1,1:I=RND(-TIME)");
  EXPECT_EQ(fired[0], 1);  // record 1
  EXPECT_EQ(fired[8], 1);  // record 9
}

TEST(Substitution, CountsEachAppliedRecord) {
  SubstitutionCounts fired{};
  edit_all("510 WB1:WB1 WB2\n90 COLOR5\n91 COLOR5\n", &fired);
  SubstitutionCounts expected{};
  expected[2] = 2;   // record 3, twice
  expected[3] = 1;   // record 4
  expected[16] = 1;  // record 17, on line 90 only
  EXPECT_EQ(fired, expected);
}

// Lines whose edited text takes exactly the line buffer, and one byte more.
TEST(Substitution, AnEditedTextMustFitTheLineBufferAtEveryStep) {
  auto fits = [](const std::string& number, const std::string& text) {
    std::vector<ReadLine> lines = edit_all(number + text);
    return lines.size() == 1 && lines[0].text != "(too long)";
  };
  // " CLEAR," grows by 4: the number's 2 bytes + (text + 4) + the zero byte <= 1,000.
  auto clear = [](std::size_t length) { return " CLEAR," + std::string(length - 8, 'A') + "\n"; };
  EXPECT_TRUE(fits("10", clear(993)));
  EXPECT_FALSE(fits("10", clear(994)));
  // Leading white space and the sign count as the number's bytes too.
  EXPECT_TRUE(fits("  +10", clear(990)));
  EXPECT_FALSE(fits("  +10", clear(991)));
  // No number: the whole buffer is the text's (and the scratch's) room; INPUT" grows by 13.
  auto input = [](std::size_t length) { return "INPUT\"" + std::string(length - 7, 'A') + "\n"; };
  EXPECT_TRUE(fits("", input(986)));
  EXPECT_FALSE(fits("", input(987)));
  // Line 1040 first grows by 8 and then shrinks by 10: the first step must fit on its own.
  auto call = [](std::size_t length) {
    std::string head = " DEFUSR2=&HC000";
    return head + std::string(length - head.size() - 11, 'A') + ":A=USR2(0)\n";
  };
  EXPECT_TRUE(fits("1040", call(987)));
  EXPECT_FALSE(fits("1040", call(988)));
  // A whole-line replacement is checked the same way: 13 bytes of line 50 after a number
  // written with leading zeros.
  auto zeros = [](std::size_t length) { return std::string(length - 2, '0') + "50"; };
  EXPECT_TRUE(fits(zeros(986), "\n"));
  EXPECT_FALSE(fits(zeros(987), "\n"));
}

TEST(Substitution, AFailedEditLeavesTheTextAsItStood) {
  std::array<Byte, 16> text{};
  std::array<Byte, 16> scratch{};
  const std::string before = " CLEAR,A:WB1\n";  // 13 bytes and the zero: the 17-byte edit fails
  std::copy(before.begin(), before.end(), text.begin());
  EXPECT_FALSE(substitute_line(10, text, scratch));
  EXPECT_EQ(test::text_of(text), before);
  // The scratch bounds the assembly as well as the text's room does.
  std::array<Byte, 3> small{};  // "W1\n" and its zero need 4
  const std::string wb = "WB1\n";
  std::copy(wb.begin(), wb.end(), text.begin());
  text[4] = 0;
  EXPECT_FALSE(substitute_line(10, text, small));
  EXPECT_TRUE(substitute_line(10, text, scratch));
  EXPECT_EQ(test::text_of(text), "W1\n");
}

}  // namespace
}  // namespace flyseat
