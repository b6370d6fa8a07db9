// The BASIC program: listing reader, line substitution, keyword tokenizer, program image.
// A listing line goes read_listing_line -> substitute_line -> tokenize_line ->
// append_line_record; write_end_marker closes the program. convert_listing runs it all.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "flyseat/io.hpp"
#include "flyseat/program.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

// Upper-casing as the whole conversion does it: a to z become A to Z, nothing else changes.
constexpr Byte upper_case(Byte c) {
  return c >= 'a' && c <= 'z' ? static_cast<Byte>(c - 'a' + 'A') : c;
}

// --- Listing reader -------------------------------------------------------------------------

// The longest line read at once, line feed included; a longer line is cut there and its rest
// is read as the following line.
inline constexpr int kMaxLineRead = kLineSize - 1;

// The listing is read as text: a line ends after its LF, CR LF reads as LF alone (any other CR
// is an ordinary byte), and a byte 0x1A ends the listing where it stands.
inline constexpr Byte kLineFeed = 0x0A;
inline constexpr Byte kCarriageReturn = 0x0D;
inline constexpr Byte kEndOfText = 0x1A;

// Lines of the game's listing that the port leaves out.
inline constexpr std::array<std::int32_t, 2> kDroppedLines = {119, 345};

class ListingWatch;

// An open listing read as text: CR LF reads as LF, any other CR is an ordinary byte, and a
// byte 0x1A ends the listing. One byte of look-ahead is kept after a CR.
struct ListingReader {
  Source& source;
  ListingWatch& watch;  // told of each line as read, those left out too
  int look_ahead = -1;  // the byte read after a CR that was not an LF; -1: none
  bool ended = false;
  std::uint64_t consumed = 0;  // bytes taken from the source, the one looked ahead at included
  // Of the line being read: its carriage returns that no line feed follows.
  std::size_t lone_returns = 0;
  std::uint64_t first_lone_return = 0;
};

struct ListingLine {
  std::int32_t number;  // clamped to the signed 32-bit range; 0 when the line has no digits
  bool numbered;        // the line has digits where its number belongs
  // The line text, zero-terminated, from where the number ends to the end of the line buffer:
  // all the room an edited text may take.
  std::span<Byte> text;
  std::size_t length;        // bytes read for the line, its LF included
  bool cut;                  // it reached kMaxLineRead bytes before its LF: the rest is read next
  std::uint64_t offset = 0;  // of its first byte in the file
  std::size_t lone_returns = 0;         // carriage returns in it that no line feed follows,
  std::uint64_t first_lone_return = 0;  // kept as ordinary bytes; the file offset of the first
  int dropped = -1;                     // of a line left out: its index in kDroppedLines

  // The line as read, its number and LF included; until the text is edited.
  std::span<const Byte> as_read() const {
    return {text.data() - (kLineSize - text.size()), length};
  }
  // The bytes of the line buffer it takes, its zero byte included.
  std::size_t used() const;
};

// Reads the next line into `line` and splits off its number, telling the reader's watch of it;
// lines 119 and 345 are skipped. Empty at the end of the listing.
std::optional<ListingLine> read_listing_line(ListingReader& reader, LineBuffer& line);

// --- Line substitution ----------------------------------------------------------------------

inline constexpr int kSubstitutionCount = 58;
inline constexpr std::int32_t kEveryLine = -1;

struct SubstitutionRecord {
  std::int32_t line;  // the line it edits, or kEveryLine
  std::string_view find;
  std::string_view replacement;
};

// The records in the order in which they are tried at each position; record number n (as
// the table is numbered, from 1) is at index n - 1.
std::span<const SubstitutionRecord, kSubstitutionCount> substitution_table();

// Edits the zero-terminated line text in place by the substitution table, assembling each
// new text in `scratch`. Every assembly must fit, zero byte included, in both `text` and
// `scratch`; at the first that would not, the text is left as it stood and the result is
// false. Tells `watch` of each record applied.
[[nodiscard]] bool substitute_line(std::int32_t number, std::span<Byte> text,
                                   std::span<Byte> scratch, ListingWatch& watch);

// --- Keyword tokenizer ----------------------------------------------------------------------

inline constexpr int kKeywordCount = 122;
inline constexpr Byte kFirstToken = 0x80;
inline constexpr Byte kLastToken = kFirstToken + kKeywordCount - 1;  // 0xF9
inline constexpr Byte kDataToken = 0x83;
inline constexpr Byte kRemToken = 0x8E;

// The keyword a token stands for, in upper case ("TAB(" with its parenthesis); empty for a
// byte that is no token. The one keyword table, for the tokenizer and for listing a program.
std::string_view keyword_text(Byte token);

// The tokens whose keyword begins with the upper-case character `first`, in token order: the
// only keywords worth comparing at a place that holds that character.
std::span<const Byte> tokens_starting_with(Byte first);

// Where a stored line stands: strings, DATA items and remarks are stored as they were
// written, everything else as tokens and upper-case characters. The tokenizer and anything
// that lists a stored line follow the same modes.
struct LineModes {
  bool string = false;
  bool data = false;  // until a colon outside a string
  bool rem = false;   // to the end of the line
  bool copying() const { return string || data || rem; }
  // After a keyword token is stored outside the copying modes.
  void enter(Byte token) {
    if (token == kDataToken) data = true;
    if (token == kRemToken) rem = true;
  }
  // After any other byte is stored.
  void pass(Byte c) {
    if (c == '"') string = !string;
    if (c == ':' && !string && !rem) data = false;
  }
};

// Writes the token bytes of a line text into `out` and returns how many. The text ends at
// its first LF, its first zero byte or the end of the span, whichever comes first. No line
// gives more token bytes than its text has bytes, so `out` as large as `text` always holds
// them; a text longer than `out` is read only as far as `out` is large. Tells `watch` of each
// byte from 0x80 on that it stores as it is.
std::size_t tokenize_line(std::span<const Byte> text, std::span<Byte> out, ListingWatch& watch);

// --- Program image --------------------------------------------------------------------------

// Whether a listing's lines are edited by the substitution table (as a build does) or only
// tokenized, as a stored program listed again is.
enum class LineEdits { substitution_table, none };

// What the conversion of a listing tells whoever watches it, at each step that may stop it; the
// defaults do nothing, and a build watches nothing. The listing's check judges by it
// (listing_check.hpp).
class ListingWatch {
 public:
  virtual ~ListingWatch() = default;
  // Each line as read, before it is edited; a line left out has `dropped` set.
  virtual void read(const ListingLine& /*line*/) {}
  // A substitution record applied to the line, by its index in the table.
  virtual void fired(std::size_t /*record*/) {}
  // The line edited, with the bytes of the line buffer it takes (ListingLine::used).
  virtual void edited(std::size_t /*line_used*/) {}
  // A byte from 0x80 on stored as it is: inside a string, a remark or DATA, the target shows it
  // as a character of its own; outside, it reads it as the token of that value.
  virtual void high_byte(Byte /*value*/, bool /*in_text*/) {}
  // The line stored, its line record this large.
  virtual void stored(std::size_t /*record_size*/) {}
  // Read to its end: the bytes taken, a 0x1A that ends it too.
  virtual void ended(std::uint64_t /*bytes_read*/) {}
};

// Converts the whole open listing into line records and the end marker in the program
// buffer of `work`; returns the program length. A line that grows past the line buffer, or a
// program that outgrows the program buffer, stops the run naming the listing and the line.
// Tells `watch` what it does, also on the way to such a stop.
std::int32_t convert_listing(Source& listing, WorkArea& work, ListingWatch& watch,
                             LineEdits edits = LineEdits::substitution_table);
// As a build converts it, watched by no one.
inline std::int32_t convert_listing(Source& listing, WorkArea& work) {
  ListingWatch none;
  return convert_listing(listing, work, none);
}

}  // namespace flyseat
