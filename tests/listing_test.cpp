// Reading the listing: line ends, the end-of-text byte, the 999-byte cut and line numbers.
#include <gtest/gtest.h>

#include <limits>

#include "basic_support.hpp"

namespace flyseat {
namespace {

using test::read_all;
using test::ReadLine;

struct Case {
  const char* what;
  std::string listing;
  std::vector<ReadLine> lines;
};

void expect_reads(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(read_all(c.listing), c.lines);
  }
}

TEST(ListingReader, ReadsLineEndsAsTextWithCrLfAsLf) {
  expect_reads({
      {"CR LF", "10 A\r\n20 B\r\n", {{10, " A\n"}, {20, " B\n"}}},
      {"lone CR inside", "10 A\rB\n", {{10, " A\rB\n"}}},
      {"CR CR LF", "10 A\r\r\n", {{10, " A\r\n"}}},
      {"CR at the end", "10 A\r", {{10, " A\r"}}},
      {"LF CR", "10 A\n\r", {{10, " A\n"}, {0, "\r"}}},
      {"last line without LF", "10 A\n20 B", {{10, " A\n"}, {20, " B"}}},
      {"empty lines", "\n\r\n", {{0, "\n"}, {0, "\n"}}},
      {"empty listing", "", {}},
  });
}

TEST(ListingReader, EndsAtTheEndOfTextByte) {
  expect_reads({
      {"after a line",
       "10 A\n\x1A"
       "20 B\n",
       {{10, " A\n"}}},
      {"inside a line", "10 A\x1A\n20 B\n", {{10, " A"}}},
      {"after a lone CR", "10 A\r\x1A\n20 B\n", {{10, " A\r"}}},
      {"at the start",
       "\x1A"
       "10 A\n",
       {}},
  });
}

TEST(ListingReader, AZeroByteEndsTheLineTextButNotTheLine) {
  std::string listing = std::string("10 A\0B\n", 7) + "20 C\n";
  EXPECT_EQ(read_all(listing), (std::vector<ReadLine>{{10, " A"}, {20, " C\n"}}));
}

TEST(ListingReader, CutsLinesAfter999BytesAndReadsTheRestAsTheNextLine) {
  auto line = [](std::size_t bytes_before_lf) {
    return "10 " + std::string(bytes_before_lf - 3, 'X') + "\n";
  };
  // 998 bytes and the LF: one whole line.
  EXPECT_EQ(read_all(line(998)), (std::vector<ReadLine>{{10, line(998).substr(2)}}));
  // 999 bytes and the LF: the LF alone follows.
  EXPECT_EQ(read_all(line(999)),
            (std::vector<ReadLine>{{10, line(999).substr(2, 997)}, {0, "\n"}}));
  // 1,000 bytes and the LF: one byte and the LF follow.
  EXPECT_EQ(read_all(line(1000)),
            (std::vector<ReadLine>{{10, line(1000).substr(2, 997)}, {0, "X\n"}}));
  // CR LF counts as the one LF it reads as.
  std::string crlf = "10 " + std::string(995, 'X') + "\r\n";
  EXPECT_EQ(read_all(crlf), (std::vector<ReadLine>{{10, " " + std::string(995, 'X') + "\n"}}));
  // The rest is a line like any other, number included.
  std::string split = "10 " + std::string(996, 'X') + "20 Y\n" + "30 Z\n";
  EXPECT_EQ(read_all(split),
            (std::vector<ReadLine>{{10, " " + std::string(996, 'X')}, {20, " Y\n"}, {30, " Z\n"}}));
}

TEST(ListingReader, ReadsSignedNumbersAfterWhiteSpace) {
  expect_reads({
      {"leading spaces, CR LF", "  10 PRINT\r\n", {{10, " PRINT\n"}}},
      {"every white space", "\t\v\f\r 7X\n", {{7, "X\n"}}},
      {"plus", "+5 A\n", {{5, " A\n"}}},
      {"minus", "-5 A\n", {{-5, " A\n"}}},
      {"leading zeros", "0010 A\n", {{10, " A\n"}}},
      {"text right after the digits", "10A\n", {{10, "A\n"}}},
      {"number alone at the end", "10", {{10, ""}}},
  });
}

TEST(ListingReader, ClampsNumbersToThirtyTwoBits) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  expect_reads({
      {"largest", "2147483647 A\n", {{kMax, " A\n"}}},
      {"one more", "2147483648 A\n", {{kMax, " A\n"}}},
      {"2^32 + 119 is no dropped line", "4294967415 A\n", {{kMax, " A\n"}}},
      {"far beyond", "99999999999999999999999999 A\n", {{kMax, " A\n"}}},
      {"smallest", "-2147483648 A\n", {{kMin, " A\n"}}},
      {"one less", "-2147483649 A\n", {{kMin, " A\n"}}},
      {"far below", "-99999999999999999999999999 A\n", {{kMin, " A\n"}}},
  });
}

TEST(ListingReader, ALineWithoutDigitsIsLineZeroAndKeepsAllItsBytes) {
  expect_reads({
      {"statement", "PRINT 5\n", {{0, "PRINT 5\n"}}},
      {"leading white space", "  PRINT\n", {{0, "  PRINT\n"}}},
      {"sign alone", "+\n", {{0, "+\n"}}},
      {"sign and space", "- 5\n", {{0, "- 5\n"}}},
  });
}

TEST(ListingReader, DropsLines119And345Only) {
  expect_reads({
      {"dropped among kept",
       "118 A\n119 B\n120 C\n345 D\n346 E\n",
       {{118, " A\n"}, {120, " C\n"}, {346, " E\n"}}},
      {"written otherwise", "0119 A\n+345 B\n  119\n119", {}},
      {"near misses", "1190 A\n-119 B\n34 5\n", {{1190, " A\n"}, {-119, " B\n"}, {34, " 5\n"}}},
  });
}

TEST(ListingReader, TheLineTextHasTheRestOfTheLineBufferAsRoom) {
  test::BytesSource in(test::text_bytes("  +10 PRINT\nPRINT\n"));
  ListingReader reader{&in.source};
  auto line = std::make_unique<LineBuffer>();
  std::optional<ListingLine> first = read_listing_line(reader, *line);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->text.data(), line->data() + 5);
  EXPECT_EQ(first->text.size(), 995u);
  std::optional<ListingLine> second = read_listing_line(reader, *line);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->text.data(), line->data());
  EXPECT_EQ(second->text.size(), 1000u);
  EXPECT_FALSE(read_listing_line(reader, *line));
  EXPECT_FALSE(read_listing_line(reader, *line));  // and stays ended
}

}  // namespace
}  // namespace flyseat
