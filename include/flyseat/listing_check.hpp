// The listing's check: the build's own conversion watched line by line as it reads the
// listing, however large, judging each line as it comes and keeping only what later judgements
// need (counts, the line before, the first line of each number that a record edits). Every byte
// of the listing that a build reads and stores nowhere, other than by its rules (the line ends,
// the line numbers' form, the records' edits, the characters ! and # the tokenizer drops, lines
// 119 and 345 once each), is a warning that names its line; so is a byte stored as it is that
// the target reads or shows otherwise.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "flyseat/basic.hpp"
#include "flyseat/check_report.hpp"
#include "flyseat/failure.hpp"

namespace flyseat {

class ListingCheck final : public ListingWatch {
 public:
  void read(const ListingLine& line) override;
  void fired(std::size_t record) override;
  void edited(std::size_t line_used) override;
  void high_byte(Byte value, bool in_text) override;
  void stored(std::size_t record_size) override;
  void ended(std::uint64_t bytes_read) override;
  // The build's stop at the line read last: its message, and where the line comes from.
  void refused(const Failure& failure);
  // Once the conversion ended or stopped: the last blank line and cut line are known.
  void finish();
  // The Listing section; nothing past a stop is judged.
  void report(CheckReport& report) const;

  std::optional<Finding> refusal;           // what a build would stop with
  std::int32_t program_length = -1;         // of a conversion that ended
  std::optional<std::uint64_t> bytes_read;  // of a conversion that ended

 private:
  // A line as read, held until its record is stored: what judging it needs.
  struct Piece {
    std::int32_t number = 0;
    bool numbered = false;
    bool cut = false;
    int dropped = -1;
    std::uint64_t offset = 0;
    std::size_t length = 0;
    std::size_t text_start = 0;  // where the text after the number begins
    std::size_t lone_returns = 0;
    std::uint64_t first_lone_return = 0;
    std::size_t line_used = 0;  // once edited
    LineBuffer bytes{};         // the line as read
  };
  // Of the line being converted: the bytes from 0x80 on it stores as they are, outside strings,
  // remarks and DATA (read as tokens) and inside them (shown as the target's characters).
  struct HighBytes {
    std::size_t tokens = 0;
    Byte first_token = 0;
    std::size_t characters = 0;
    Byte first_character = 0;
  };
  // The text of a line whose number a record edits: the first stored line of that number.
  struct RecordLine {
    std::int32_t number;
    std::optional<std::string> text;  // as read, trimmed
  };
  // A line cut at kMaxLineRead bytes and the pieces of its rest so far.
  struct CutLine {
    std::int32_t number;
    bool numbered;
    std::size_t length;
    std::size_t rest_pieces = 0;
    std::int32_t first_rest = 0;
    std::size_t lost = 0;  // of the rest, in pieces that a build drops for their numbers
    std::int32_t dropped_as = 0;
  };

  void judge_line_ends(const Piece& piece);
  void judge(const Piece& piece, std::size_t record_size);
  void judge_cut(const Piece& piece);
  void judge_number(const Piece& piece);
  void judge_bytes(const Piece& piece, std::size_t record_size);
  void flush_blank(bool last);
  void end_cut();
  // The index in record_lines_ of the line of that number; none when no record edits it.
  std::optional<std::size_t> record_line(std::int32_t number) const;

  void report_line_ends(CheckReport& report) const;
  void report_dropped(CheckReport& report) const;
  void report_records(CheckReport& report) const;
  void report_converted(CheckReport& report) const;
  void report_room(CheckReport& report) const;

  Piece piece_;  // the line read last
  HighBytes high_;
  std::array<int, kSubstitutionCount> fired_{};  // how often each record applied, by index
  std::size_t pieces_ = 0, dropped_count_ = 0;
  std::array<int, kDroppedLines.size()> dropped_times_{};
  std::optional<std::int32_t> before_;          // the number of the piece before
  std::optional<std::uint16_t> stored_before_;  // the stored number of the stored line before
  std::bitset<0x10000> stored_numbers_, repeated_numbers_;
  bool line_feed_ = false;
  std::size_t lone_returns_ = 0;
  bool byte_order_mark_ = false;
  std::optional<std::string> blank_after_;  // a blank line not yet known to be the last
  std::optional<CutLine> cut_;
  std::vector<RecordLine> record_lines_ = record_lines();
  std::size_t longest_ = 0;
  std::int32_t longest_number_ = 0;
  std::int32_t records_size_ = 0;

  FindingsOfAKind returns_{"line with a carriage return inside",
                           "lines with a carriage return inside"};
  FindingsOfAKind again_{"line dropped as well", "lines dropped as well"};
  FindingsOfAKind cuts_{"line cut", "lines cut"};
  FindingsOfAKind zeros_{"line cut short by a zero byte", "lines cut short by a zero byte"};
  FindingsOfAKind tokens_{"line with bytes read as keywords", "lines with bytes read as keywords"};
  FindingsOfAKind characters_{"line with bytes shown as the target's own characters",
                              "lines with bytes shown as the target's own characters"};
  FindingsOfAKind blank_{"blank line", "blank lines"};
  FindingsOfAKind unnumbered_{"line without a number", "lines without a number"};
  FindingsOfAKind out_of_range_{"number outside 0 to 65535", "numbers outside 0 to 65535"};
  FindingsOfAKind out_of_order_{"line out of order", "lines out of order"};
  FindingsOfAKind repeated_{"number given more than once", "numbers given more than once"};

  static std::vector<RecordLine> record_lines();
};

// Converts the listing as a build does, watched by `check`, into `work`; a stop the build would
// make is the check's refusal.
void convert_checked(Source& listing, WorkArea& work, ListingCheck& check);

}  // namespace flyseat
