// The substitution table that adapts the game's listing to the two-colour screen, and the
// find-and-replace pass that applies it to one line text.
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <optional>

#include "flyseat/basic.hpp"

namespace flyseat {
namespace {

// A record as the table lists it, with the lengths of its texts beside it so that the
// texts with inner quotes and trailing spaces can be checked row by row.
struct Row {
  SubstitutionRecord record;
  std::size_t find_length;
  std::size_t replacement_length;
};

// At each position of a line the records are tried in this order. The every-line records
// stand first, so they win over a line's own records at a shared position. Replacements 41
// and 43 end with a space.
// clang-format off
constexpr Row kRows[] = {
    // {{line, find, replacement}, find length, replacement length},  // record number
    {{kEveryLine, "SPACE$", "SPC"}, 6, 3},  // 1
    {{kEveryLine, "INPUT\"", "EXEC &H1058:INPUT \""}, 6, 19},  // 2
    {{kEveryLine, "WB1", "W1"}, 3, 2},  // 3
    {{kEveryLine, "WB2", "W2"}, 3, 2},  // 4
    {{kEveryLine, "WB3", "W3"}, 3, 2},  // 5
    {{kEveryLine, "WBS", "BS"}, 3, 2},  // 6
    {{kEveryLine, ":A=USR1(0)", ""}, 10, 0},  // 7
    {{10, "CLEAR,", "CLEAR 300,"}, 6, 10},  // 8
    {{20, "", "SCREEN 1,1,1:CONSOLE 0,20,0,0:CLS:COLOR 16,1,1:I=RND(-TIME)"}, 0, 59},  // 9
    {{30, "100", "50"}, 3, 2},  // 10
    {{40, "", "LOCATE RND(I)*&H28,RND(I)*&H13:COLOR RND(I)*7+&HA:PRINT\".\";"}, 0, 59},  // 11
    {{50, "", "NEXT:COLOR 16"}, 0, 13},  // 12
    {{60, "32,5", "12,2"}, 4, 4},  // 13
    {{70, "25,8", "5,5"}, 4, 3},  // 14
    {{80, "39,10", "19,7"}, 5, 4},  // 15
    {{90, "33,12", "13,9"}, 5, 4},  // 16
    {{90, "COLOR5", "COLOR 15"}, 6, 8},  // 17
    {{100, "28,16", "8,13"}, 5, 4},  // 18
    {{110, "24,18", "4,15"}, 5, 4},  // 19
    {{115, "23,20", "3,17"}, 5, 4},  // 20
    {{115, "COLOR7", "COLOR 16"}, 6, 8},  // 21
    {{118, "7:COLOR=(J,RND(1)*7)", "2"}, 20, 1},  // 22
    {{118, ":FORI=0TO7:COLOR=(I,I):NEXT", ""}, 27, 0},  // 23
    {{210, "", "SCREEN 1,1,1:COLOR 16:CLS"}, 0, 25},  // 24
    {{340, "22,24", "17,3"}, 5, 4},  // 25
    {{340, "0,23", "0,18"}, 4, 4},  // 26
    {{360, "0,24", "0,20"}, 4, 4},  // 27
    {{400, "", "SCREEN 1,1,1:CONSOLE 0,20,0,0:CLS"}, 0, 33},  // 28
    {{410, "COLOR4", "COLOR 11"}, 6, 8},  // 29
    {{610, "WIDTH40", "CLS"}, 7, 3},  // 30
    {{620, "COLOR6", "COLOR 12"}, 6, 8},  // 31
    {{700, "WIDTH80", "CLS"}, 7, 3},  // 32
    {{710, "COLOR7", "COLOR 16"}, 6, 8},  // 33
    {{720, "RUNWAY-HEADINGGLIDE-SLOPEOUTER-MARKERMIDDLE-MARKERDECISION-HIGHT", "RUNWAY-HEADING\":PRINT \"GLIDE-SLOPE\":PRINT \"OUTER-MARKER\":PRINT \"MIDDLE-MARKER\":PRINT \"DECISION-HIGHT"}, 64, 100},  // 34
    {{730, "TAB(33);", ""}, 8, 0},  // 35
    {{740, "", "LOCATE 28,3:PRINT Z1$;\" (deg)\":LOCATE 27,4:PRINT Z2$;\" (deg)\":LOCATE 26,5:PRINT Z3$;\" (m)\":LOCATE 27,6:PRINT Z4$;\" (m)\":LOCATE 28,7:PRINT Z5$;\" (m)\""}, 0, 148},  // 36
    {{770, "22,24", "17,3"}, 5, 4},  // 37
    {{780, "0,23", "0,18"}, 4, 4},  // 38
    {{810, "0,24", "0,20"}, 4, 4},  // 39
    {{940, "WIDTH40:COLOR5", "CLS:COLOR 15"}, 14, 12},  // 40
    {{1040, "DEFUSR2=", "OUT &H93,2:EXEC "}, 8, 16},  // 41
    {{1040, ":A=USR2(0)", ""}, 10, 0},  // 42
    {{1550, "DEFUSR3=", "SCREEN 4,2,2:COLOR ,,3:OUT &H93,3:EXEC "}, 8, 39},  // 43
    {{1550, ":A=USR3(0)", ""}, 10, 0},  // 44
    {{1570, "", "CLS:LOCATE 30,19:COLOR 4"}, 0, 24},  // 45
    {{1590, "3000", "300"}, 4, 3},  // 46
    {{1650, "(532,46)-(630,52),3", "(266,46)-(315,52),2"}, 19, 19},  // 47
    {{1670, "XX1,YY1,XX2,YY2", "XX,YY,X2,Y2"}, 15, 11},  // 48
    {{1670, "XX1*2,YY1", "XX,YY"}, 9, 5},  // 49
    {{1670, "XX2*2,YY2", "X2,Y2"}, 9, 5},  // 50
    {{1680, "(24,I)-(28,I),6", "(12,I)-(14,I),3"}, 15, 15},  // 51
    {{1690, "(24,I)-(28,I),6", "(12,I)-(14,I),3"}, 15, 15},  // 52
    {{1700, "I*2", "I"}, 3, 1},  // 53
    {{1720, "(540,198)-(A*2,B),7", "(270,198)-(A,B),4"}, 19, 17},  // 54
    {{1790, "(PX*2,PY),5", "(PX,PY),3"}, 11, 9},  // 55
    {{1800, "(PX*2,PZ),5", "(PX,PZ),3"}, 11, 9},  // 56
    {{1890, "4000", "2000"}, 4, 4},  // 57
    {{1920, "16,49,315,49,7,16,198,315,198,4,266,199,315,199,3", "16,49,315,49,4,16,198,315,198,3,266,199,315,199,2"}, 49, 49},  // 58
};
// clang-format on

static_assert(std::size(kRows) == kSubstitutionCount);

// Every text is as long as its row says, which catches inner quotes and trailing spaces.
static_assert(std::all_of(std::begin(kRows), std::end(kRows),
                          [](const Row& row) {
                            return row.record.find.size() == row.find_length &&
                                   row.record.replacement.size() == row.replacement_length;
                          }),
              "a text differs from its listed length");

// Matching upper-cases the line only and passes over spaces in it, so a find text with a
// space or a lower-case letter could never match; and each text fits a 200-byte field with its
// zero byte.
static_assert(std::all_of(std::begin(kRows), std::end(kRows), [](const Row& row) {
  return row.record.find.find(' ') == std::string_view::npos &&
         std::none_of(row.record.find.begin(), row.record.find.end(),
                      [](char c) { return c >= 'a' && c <= 'z'; }) &&
         row.record.find.size() < 200 && row.record.replacement.size() < 200;
}));

// The every-line records stand before all records of one line, so at a shared position the
// every-line record is the one that applies.
static_assert(std::is_partitioned(std::begin(kRows), std::end(kRows),
                                  [](const Row& row) { return row.record.line < 0; }));

constexpr std::array<SubstitutionRecord, kSubstitutionCount> records_of_rows() {
  std::array<SubstitutionRecord, kSubstitutionCount> records{};
  for (std::size_t i = 0; i < records.size(); ++i)
    records[i] = kRows[i].record;
  return records;
}
constexpr std::array<SubstitutionRecord, kSubstitutionCount> kTable = records_of_rows();

bool applies_to(const SubstitutionRecord& record, std::int32_t number) {
  return record.line == kEveryLine || record.line == number;
}

// The length of the span of `text` that `find` matches at `p`, spaces after each matched
// character included; empty when it does not match there.
std::optional<std::size_t> match_at(std::string_view find, std::span<const Byte> text,
                                    std::size_t p) {
  std::size_t k = 0;
  for (char f : find) {
    if (p + k >= text.size() || upper_case(text[p + k]) != static_cast<Byte>(f)) {
      return std::nullopt;
    }
    ++k;
    while (p + k < text.size() && text[p + k] == ' ')
      ++k;
  }
  return k;
}

struct Line {
  std::span<Byte> room;  // the text, its zero byte and the free bytes after it
  std::size_t length;
  std::span<const Byte> text() const { return room.first(length); }
};

void append(std::span<Byte> into, std::size_t& at, std::span<const Byte> bytes) {
  std::copy(bytes.begin(), bytes.end(), into.begin() + static_cast<std::ptrdiff_t>(at));
  at += bytes.size();
}

std::span<const Byte> bytes_of(std::string_view text) {
  return {reinterpret_cast<const Byte*>(text.data()), text.size()};
}

// Puts the replacement in place of text[p, e), or in place of the whole text when the find
// text is empty; false, changing nothing, when the new text would not fit.
bool replace(Line& line, std::span<Byte> scratch, const SubstitutionRecord& record, std::size_t p,
             std::size_t e) {
  std::span<const Byte> replacement = bytes_of(record.replacement);
  std::span<const Byte> before = line.text().first(record.find.empty() ? 0 : p);
  std::span<const Byte> after = line.text().subspan(record.find.empty() ? line.length : e);
  std::size_t length = before.size() + replacement.size() + after.size();
  if (length + 1 > scratch.size() || length + 1 > line.room.size()) return false;

  std::size_t at = 0;
  append(scratch, at, before);
  append(scratch, at, replacement);
  append(scratch, at, after);
  scratch[at] = 0;
  std::copy_n(scratch.begin(), length + 1, line.room.begin());
  line.length = length;
  return true;
}

}  // namespace

std::span<const SubstitutionRecord, kSubstitutionCount> substitution_table() {
  return kTable;
}

bool substitute_line(std::int32_t number, std::span<Byte> text, std::span<Byte> scratch,
                     ListingWatch& watch) {
  // The records selected for this line, in table order: the every-line records and the
  // line's own, a handful out of the table.
  std::array<std::uint8_t, kSubstitutionCount> selected;
  std::size_t selected_count = 0;
  // The characters at which one of them can match; an empty find text matches anywhere.
  std::array<bool, 256> can_start{};
  bool matches_anywhere = false;
  for (std::size_t r = 0; r < kTable.size(); ++r) {
    if (!applies_to(kTable[r], number)) continue;
    selected[selected_count++] = static_cast<std::uint8_t>(r);
    std::string_view find = kTable[r].find;
    if (find.empty())
      matches_anywhere = true;
    else
      can_start[static_cast<Byte>(find[0])] = true;
  }

  Line line{text, static_cast<std::size_t>(std::find(text.begin(), text.end(), 0) - text.begin())};
  for (std::size_t p = 0; p < line.length; ++p) {
    if (!matches_anywhere && !can_start[upper_case(line.room[p])]) continue;
    for (std::size_t i = 0; i < selected_count; ++i) {
      const SubstitutionRecord& record = kTable[selected[i]];
      std::optional<std::size_t> span = match_at(record.find, line.text(), p);
      if (!span) continue;

      // The spaces after the last matched character stay in the line.
      std::size_t e = p + *span;
      while (e > 0 && line.room[e - 1] == ' ')
        --e;
      if (!replace(line, scratch, record, p, e)) return false;
      watch.fired(selected[i]);
      // The inserted text is never searched again, and the byte after it begins no match.
      p += record.replacement.size();
      break;
    }
  }
  return true;
}

}  // namespace flyseat
