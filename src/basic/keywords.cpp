// The keyword table of the target's disk BASIC: the token of a keyword is 0x80 plus its
// place in the table. The tokenizer and anything that lists a stored program share it.
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <numeric>

#include "flyseat/basic.hpp"

namespace flyseat {
namespace {

// Earlier entries win where two match at one place ("INPUT" before "INP", "LOCATE" before
// "LOC"). There is no ELSE, WIDTH or SPACE$: those stay letters.
// clang-format off
constexpr std::string_view kKeywords[] = {
    "END",      // 0x80
    "FOR",      // 0x81
    "NEXT",     // 0x82
    "DATA",     // 0x83
    "INPUT",    // 0x84
    "DIM",      // 0x85
    "READ",     // 0x86
    "LET",      // 0x87
    "GOTO",     // 0x88
    "RUN",      // 0x89
    "IF",       // 0x8A
    "RESTORE",  // 0x8B
    "GOSUB",    // 0x8C
    "RETURN",   // 0x8D
    "REM",      // 0x8E
    "STOP",     // 0x8F
    "OUT",      // 0x90
    "ON",       // 0x91
    "LPRINT",   // 0x92
    "DEF",      // 0x93
    "POKE",     // 0x94
    "PRINT",    // 0x95
    "CONT",     // 0x96
    "LIST",     // 0x97
    "LLIST",    // 0x98
    "CLEAR",    // 0x99
    "COLOR",    // 0x9A
    "PSET",     // 0x9B
    "PRESET",   // 0x9C
    "LINE",     // 0x9D
    "PAINT",    // 0x9E
    "SCREEN",   // 0x9F
    "CLS",      // 0xA0
    "LOCATE",   // 0xA1
    "CONSOLE",  // 0xA2
    "CLOAD",    // 0xA3
    "CSAVE",    // 0xA4
    "EXEC",     // 0xA5
    "SOUND",    // 0xA6
    "PLAY",     // 0xA7
    "KEY",      // 0xA8
    "LCOPY",    // 0xA9
    "NEW",      // 0xAA
    "RENUM",    // 0xAB
    "CIRCLE",   // 0xAC
    "GET",      // 0xAD
    "PUT",      // 0xAE
    "BLOAD",    // 0xAF
    "BSAVE",    // 0xB0
    "FILES",    // 0xB1
    "LFILES",   // 0xB2
    "LOAD",     // 0xB3
    "MERGE",    // 0xB4
    "NAME",     // 0xB5
    "SAVE",     // 0xB6
    "FIELD",    // 0xB7
    "LSET",     // 0xB8
    "RSET",     // 0xB9
    "OPEN",     // 0xBA
    "CLOSE",    // 0xBB
    "DSKO$",    // 0xBC
    "KILL",     // 0xBD
    "TALK",     // 0xBE
    "MON",      // 0xBF
    "KANJI",    // 0xC0
    "DELETE",   // 0xC1
    "TAB(",     // 0xC2
    "TO",       // 0xC3
    "FN",       // 0xC4
    "SPC(",     // 0xC5
    "INKEY$",   // 0xC6
    "THEN",     // 0xC7
    "NOT",      // 0xC8
    "STEP",     // 0xC9
    "+",        // 0xCA
    "-",        // 0xCB
    "*",        // 0xCC
    "/",        // 0xCD
    "^",        // 0xCE
    "AND",      // 0xCF
    "OR",       // 0xD0
    ">",        // 0xD1
    "=",        // 0xD2
    "<",        // 0xD3
    "SGN",      // 0xD4
    "INT",      // 0xD5
    "ABS",      // 0xD6
    "USR",      // 0xD7
    "FRE",      // 0xD8
    "INP",      // 0xD9
    "LPOS",     // 0xDA
    "POS",      // 0xDB
    "SQR",      // 0xDC
    "RND",      // 0xDD
    "LOG",      // 0xDE
    "EXP",      // 0xDF
    "COS",      // 0xE0
    "SIN",      // 0xE1
    "TAN",      // 0xE2
    "PEEK",     // 0xE3
    "LEN",      // 0xE4
    "HEX$",     // 0xE5
    "STR$",     // 0xE6
    "VAL",      // 0xE7
    "ASC",      // 0xE8
    "CHR$",     // 0xE9
    "LEFT$",    // 0xEA
    "RIGHT$",   // 0xEB
    "MID$",     // 0xEC
    "POINT",    // 0xED
    "CSRLIN",   // 0xEE
    "STICK",    // 0xEF
    "STRIG",    // 0xF0
    "TIME",     // 0xF1
    "PAD",      // 0xF2
    "DSKI$",    // 0xF3
    "LOF",      // 0xF4
    "LOC",      // 0xF5
    "EOF",      // 0xF6
    "DSKF",     // 0xF7
    "CVS",      // 0xF8
    "MKS$",     // 0xF9
};
// clang-format on

static_assert(std::size(kKeywords) == kKeywordCount);
static_assert(kKeywords[kDataToken - kFirstToken] == "DATA");
static_assert(kKeywords[kRemToken - kFirstToken] == "REM");

// Each keyword fits an 8-byte field with its zero byte, and none holds a space, a lower-case
// letter or an apostrophe, which the tokenizer treats on their own.
static_assert(std::all_of(std::begin(kKeywords), std::end(kKeywords), [](std::string_view keyword) {
  return !keyword.empty() && keyword.size() <= 7 && keyword.find_first_of(" '") == keyword.npos &&
         std::none_of(keyword.begin(), keyword.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}));

// The most keywords that share a first character ("C" has the most).
constexpr std::size_t kMostWithOneFirst = 16;

struct FirstCharacterIndex {
  std::array<std::array<Byte, kMostWithOneFirst>, 256> tokens{};
  std::array<std::uint8_t, 256> counts{};
};

constexpr FirstCharacterIndex index_by_first_character() {
  FirstCharacterIndex index;
  for (std::size_t i = 0; i < std::size(kKeywords); ++i) {
    auto first = static_cast<Byte>(kKeywords[i][0]);
    index.tokens[first][index.counts[first]++] = static_cast<Byte>(kFirstToken + i);
  }
  return index;
}
constexpr FirstCharacterIndex kByFirst = index_by_first_character();

// Building the index would have failed on a first character with too many keywords.
static_assert(std::accumulate(kByFirst.counts.begin(), kByFirst.counts.end(), std::size_t{0}) ==
              std::size(kKeywords));

}  // namespace

std::span<const Byte> tokens_starting_with(Byte first) {
  return std::span<const Byte>(kByFirst.tokens[first]).first(kByFirst.counts[first]);
}

std::string_view keyword_text(Byte token) {
  if (token < kFirstToken || token > kLastToken) return {};
  return kKeywords[token - kFirstToken];
}

}  // namespace flyseat
