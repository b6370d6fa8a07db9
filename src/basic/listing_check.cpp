// The listing's check: each line judged as the conversion reads and stores it.
#include "flyseat/listing_check.hpp"

#include <algorithm>
#include <string_view>

#include "flyseat/text.hpp"

namespace flyseat {
namespace {

constexpr int kRecordsALine = 15;  // in the line of how often each record fired

// Spaces, tabs and line ends alone: a line a text editor shows empty.
bool is_blank(std::string_view text) {
  return text.find_first_not_of(" \t\v\f\r\n") == text.npos;
}

std::string_view text_of(std::span<const Byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A line text as read, without the space after its number and its line end.
std::string_view trimmed(std::string_view view) {
  while (!view.empty() && view.front() == ' ')
    view.remove_prefix(1);
  while (!view.empty() && (view.back() == kLineFeed || view.back() == kCarriageReturn))
    view.remove_suffix(1);
  return view;
}

// A line text short enough for one line of the report, every byte visible.
std::string shortened(std::string_view text) {
  constexpr std::size_t kMostShown = 60;
  std::string shown = visible(std::span(reinterpret_cast<const Byte*>(text.data()), text.size()));
  return shown.size() <= kMostShown ? shown : shown.substr(0, kMostShown - 3) + "...";
}

std::string quoted(std::string_view text) {
  std::string shown(1, '"');
  shown += shortened(text);
  shown += '"';
  return shown;
}

// Where a line stands among those before it, for a line that its number does not name well.
std::string after_text(std::optional<std::int32_t> before) {
  return before ? format("after line %d", *before) : std::string("at the start");
}
at::Line line_place(std::int32_t number, std::optional<std::int32_t> before) {
  at::Line place{number};
  if (before) {
    place.after = *before;
  } else {
    place.at_start = true;
  }
  return place;
}

bool ends_line(std::span<const Byte> bytes) {
  return !bytes.empty() && bytes.back() == kLineFeed;
}

}  // namespace

std::vector<ListingCheck::RecordLine> ListingCheck::record_lines() {
  std::vector<RecordLine> lines;
  for (const SubstitutionRecord& record : substitution_table()) {
    if (record.line != kEveryLine) lines.push_back({record.line, std::nullopt});
  }
  std::sort(lines.begin(), lines.end(), [](auto& a, auto& b) { return a.number < b.number; });
  lines.erase(std::unique(lines.begin(), lines.end(),
                          [](auto& a, auto& b) { return a.number == b.number; }),
              lines.end());
  return lines;
}

std::optional<std::size_t> ListingCheck::record_line(std::int32_t number) const {
  auto line = std::lower_bound(record_lines_.begin(), record_lines_.end(), number,
                               [](const RecordLine& r, std::int32_t n) { return r.number < n; });
  if (line == record_lines_.end() || line->number != number) return std::nullopt;
  return static_cast<std::size_t>(line - record_lines_.begin());
}

void ListingCheck::read(const ListingLine& line) {
  std::span<const Byte> bytes = line.as_read();
  piece_.number = line.number;
  piece_.numbered = line.numbered;
  piece_.cut = line.cut;
  piece_.dropped = line.dropped;
  piece_.offset = line.offset;
  piece_.length = bytes.size();
  piece_.text_start = kLineSize - line.text.size();
  piece_.lone_returns = line.lone_returns;
  piece_.first_lone_return = line.first_lone_return;
  piece_.line_used = 0;
  std::copy(bytes.begin(), bytes.end(), piece_.bytes.begin());
  high_ = {};
  judge_line_ends(piece_);
  if (line.dropped >= 0) judge(piece_, 0);  // no record follows
}

void ListingCheck::fired(std::size_t record) {
  ++fired_[record];
}

void ListingCheck::edited(std::size_t line_used) {
  piece_.line_used = line_used;
}

void ListingCheck::high_byte(Byte value, bool in_text) {
  std::size_t& count = in_text ? high_.characters : high_.tokens;
  if (count++ == 0) (in_text ? high_.first_character : high_.first_token) = value;
}

void ListingCheck::stored(std::size_t record_size) {
  judge(piece_, record_size);
}

void ListingCheck::ended(std::uint64_t read) {
  bytes_read = read;
}

// The line ends as read, the line a build stops at included: a carriage return that no line feed
// follows keeps what comes after it in the line; an editor's byte-order mark begins the first.
void ListingCheck::judge_line_ends(const Piece& piece) {
  std::span<const Byte> bytes = std::span(piece.bytes).first(piece.length);
  if (piece.offset == 0) {
    constexpr std::array<Byte, 3> kMark = {0xEF, 0xBB, 0xBF};
    byte_order_mark_ =
        bytes.size() >= kMark.size() && std::equal(kMark.begin(), kMark.end(), bytes.begin());
  }
  line_feed_ = line_feed_ || ends_line(bytes);
  lone_returns_ += piece.lone_returns;
  if (piece.lone_returns == 0) return;
  returns_.add([&] {
    std::size_t at = static_cast<std::size_t>(piece.first_lone_return - piece.offset);
    std::string_view rest = trimmed(text_of(bytes.subspan(at + 1)));
    std::string what = is_blank(rest)
                           ? std::string("a build keeps it as a byte of the line")
                           : "a build ends a line only at a line feed, so " + quoted(rest) +
                                 format(" after it is part of line %d", piece.number) +
                                 (piece.dropped >= 0 ? ", and dropped with it" : "");
    return Finding{
        .place = at::Line{piece.number, {}, false, piece.first_lone_return},
        .note = "a carriage return that no line feed follows: " + what +
                (piece.lone_returns > 1
                     ? format(" (%zu such carriage returns in the line)", piece.lone_returns)
                     : "")};
  });
}

// Each line in the order read: a line left out with no record, any other once it is stored.
void ListingCheck::judge(const Piece& piece, std::size_t record_size) {
  flush_blank(false);
  std::span<const Byte> bytes = std::span(piece.bytes).first(piece.length);
  ++pieces_;
  judge_cut(piece);
  if (piece.dropped >= 0) {
    ++dropped_count_;
    if (++dropped_times_[static_cast<std::size_t>(piece.dropped)] > 1) {
      again_.add([&] {
        std::string_view text = trimmed(text_of(bytes.subspan(piece.text_start)));
        std::string held = text.empty() ? std::string("nothing") : quoted(text);
        return Finding{.place = line_place(piece.number, before_),
                       .note = format("dropped as well: a build leaves out every line %d, and "
                                      "this one holds %s",
                                      piece.number, held.c_str())};
      });
    }
  } else {
    judge_number(piece);
    judge_bytes(piece, record_size);
  }
  before_ = piece.number;
}

// A line longer than a build reads at once, and where its rest goes: a line of its own, or
// nowhere when its number is one that a build drops.
void ListingCheck::judge_cut(const Piece& piece) {
  if (!cut_) {
    if (piece.cut) cut_ = CutLine{piece.number, piece.numbered, piece.length};
    return;
  }
  std::size_t line_end = ends_line(std::span(piece.bytes).first(piece.length)) ? 1 : 0;
  cut_->length += piece.length;
  if (cut_->rest_pieces++ == 0) cut_->first_rest = piece.number;
  if (piece.dropped >= 0) {
    cut_->lost += piece.length - line_end;
    cut_->dropped_as = piece.number;
  }
  if (piece.cut) return;
  cut_->length -= line_end;
  end_cut();
}

void ListingCheck::end_cut() {
  if (!cut_ || cut_->rest_pieces == 0) return cut_.reset();
  const CutLine& cut = *cut_;
  cuts_.add([&] {
    std::string rest = cut.rest_pieces == 1 ? format("line %d", cut.first_rest)
                                            : format("%zu lines, the first numbered %d",
                                                     cut.rest_pieces, cut.first_rest);
    return Finding{
        .place = at::Line{cut.number},
        .field = "length",
        .value = Value::number(static_cast<std::int64_t>(cut.length)),
        .expected = Value::at_most(kMaxLineRead),
        .unit = "byte",
        .note = "a build cuts it and stores the rest as " + rest +
                (cut.lost > 0 ? format(", but drops %s of it as line %d",
                                       count_of(cut.lost, "byte").c_str(), cut.dropped_as)
                              : "")};
  });
  cut_.reset();
}

void ListingCheck::flush_blank(bool last) {
  if (!blank_after_) return;
  blank_.add([&] {
    return Finding{.note = "a blank line " + *blank_after_ + (last ? ", the last" : "") +
                           ": stored as line 0 with no text"};
  });
  blank_after_.reset();
}

// The target's BASIC keeps lines in ascending order of their stored numbers and looks them up
// that way, so a line out of order or a number given twice is likely a different release.
void ListingCheck::judge_number(const Piece& piece) {
  std::string_view text =
      text_of(std::span(piece.bytes).first(piece.length).subspan(piece.text_start));
  if (!piece.numbered && is_blank(text)) {
    blank_after_ = after_text(before_);
  } else if (!piece.numbered) {
    unnumbered_.add([&] {
      return Finding{.note =
                         "a line without a number " + after_text(before_) + ": stored as line 0"};
    });
  }
  std::uint16_t stored = stored_line_number(piece.number);
  if (piece.number != stored) {
    out_of_range_.add([&] {
      return Finding{.place = at::Line{piece.number},
                     .field = "stored number",
                     .value = Value::number(stored),
                     .expected = Value::number(piece.number),
                     .note =
                         "line numbers run from 0 to 65535, and a build stores this one "
                         "modulo 65536"};
    });
  }
  if (stored_before_ && stored < *stored_before_) {
    out_of_order_.add([&] {
      return Finding{.place = at::Line{stored},
                     .note = format("follows line %u, out of ascending order", *stored_before_)};
    });
  }
  if (stored_numbers_.test(stored) && !repeated_numbers_.test(stored)) {
    repeated_numbers_.set(stored);
    repeated_.add(
        [&] { return Finding{.place = at::Line{stored}, .note = "given more than once"}; });
  }
  stored_numbers_.set(stored);
  stored_before_ = stored;
  if (std::optional<std::size_t> r = record_line(piece.number); r && !record_lines_[*r].text)
    record_lines_[*r].text = std::string(trimmed(text.substr(0, text.find('\0'))));
}

// What the tokenizer never sees of a line (the bytes from a zero byte on), and what it stores
// as it is but the target reads otherwise: bytes from 0x80 on outside strings, remarks and DATA,
// each read as a keyword's token; inside them, each shown as a character of the target's own;
// and a carriage return that no line feed follows, which keeps what comes after it in the line.
void ListingCheck::judge_bytes(const Piece& piece, std::size_t record_size) {
  std::span<const Byte> text = std::span(piece.bytes).first(piece.length).subspan(piece.text_start);
  auto zero = std::find(text.begin(), text.end(), Byte{0});
  auto after_zero = static_cast<std::size_t>(text.end() - zero);
  if (after_zero > 0 && ends_line(text)) --after_zero;
  std::string_view as_read = text_of(text.first(static_cast<std::size_t>(zero - text.begin())));
  if (after_zero > 0) {
    zeros_.add([&] {
      std::string_view before = trimmed(as_read);
      std::string where =
          before.empty() ? std::string("at the start of its text") : "after " + quoted(before);
      return Finding{
          .place = at::Line{piece.number},
          .note = format("a zero byte %s ends the line for a build: %s from it on %s lost",
                         where.c_str(), count_of(after_zero, "byte").c_str(),
                         after_zero == 1 ? "is" : "are")};
    });
  }
  if (high_.tokens > 0) {
    tokens_.add([&] {
      std::string_view keyword = keyword_text(high_.first_token);
      return Finding{
          .place = at::Line{piece.number},
          .field = "byte outside a string, a remark or DATA",
          .value = Value::hex(high_.first_token, 2),
          .expected = Value::text("ASCII"),
          .note = format("stored as it is, where the target reads %s%s",
                         keyword.empty() ? "a token it has no keyword for"
                                         : ("the keyword " + std::string(keyword)).c_str(),
                         high_.tokens > 1
                             ? format(" (%zu such bytes in the line)", high_.tokens).c_str()
                             : "")};
    });
  }
  if (high_.characters > 0) {
    characters_.add([&] {
      return Finding{
          .place = at::Line{piece.number},
          .field = "byte in a string, a remark or DATA",
          .value = Value::hex(high_.first_character, 2),
          .expected = Value::text("ASCII"),
          .note = format("stored as it is, and the target shows a character of its own for it, "
                         "not the one a text editor shows%s",
                         high_.characters > 1
                             ? format(" (%zu such bytes in the line)", high_.characters).c_str()
                             : "")};
    });
  }
  if (piece.line_used > longest_) {
    longest_ = piece.line_used;
    longest_number_ = piece.number;
  }
  records_size_ += static_cast<std::int32_t>(record_size);
}

void ListingCheck::refused(const Failure& failure) {
  const Piece& piece = piece_;
  Finding finding = finding_of(failure);
  refusal = finding;
  if (failure.error != 0) return;  // the file could not be read: no line of it is to blame
  finding.place = at::Line{piece.number, {}, false, piece.offset};
  std::string where;
  if (cut_) {
    std::string line =
        cut_->numbered ? format("line %d", cut_->number) : std::string("a line without a number");
    where = format("the piece at offset %llu is the rest of %s, cut at %d bytes, ",
                   static_cast<unsigned long long>(piece.offset), line.c_str(), kMaxLineRead);
    where += piece.numbered ? format("and its digits are read as line %d", piece.number)
                            : std::string("and has no line number: read as line 0");
  } else if (!piece.numbered) {
    where = format("the piece at offset %llu has no line number: read as line 0",
                   static_cast<unsigned long long>(piece.offset));
  } else {
    where = format("the line begins at offset %llu", static_cast<unsigned long long>(piece.offset));
    if (piece.cut) where += format(" and is cut at %d bytes", kMaxLineRead);
  }
  if (piece.line_used == 0) {  // stopped before it was edited
    where +=
        format("; the records' edits make it longer than the %d bytes a line may take", kLineSize);
  } else {
    where += format("; the line records before it take %d of the %d bytes the program holds",
                    records_size_, kProgramRoom);
  }
  finding.note = where;
  refusal = finding;
}

void ListingCheck::report_line_ends(CheckReport& report) const {
  // A listing saved with carriage returns alone at its line ends has, for a build, no line ends.
  if (lone_returns_ > 0 && !line_feed_) {
    report.warning(kListingSection,
                   {.file = kListingName,
                    .note = format("carriage returns but no line feeds: a build ends a line only "
                                   "at a line feed, so it reads the whole listing as one line, "
                                   "cut every %d bytes",
                                   kMaxLineRead)});
  } else {
    report.add(kListingSection, Level::warning, returns_);
  }
}

// Whether lines 119 and 345 were there to drop, and once each.
void ListingCheck::report_dropped(CheckReport& report) const {
  for (std::size_t i = 0; i < kDroppedLines.size(); ++i) {
    if (dropped_times_[i] == 0) {
      report.warning(kListingSection,
                     {.note = format("no line %d to drop: a build leaves lines %d and %d out",
                                     kDroppedLines[i], kDroppedLines[0], kDroppedLines[1])});
    }
  }
  report.add(kListingSection, Level::warning, again_);
}

// How often each record fired; each record of one line that fired nowhere (the line is not
// there, or holds nothing it finds), when the build read the whole listing; what each record
// that replaces a whole line throws away, which no rule can judge.
void ListingCheck::report_records(CheckReport& report) const {
  auto fired_once = std::count_if(fired_.begin(), fired_.end(), [](int n) { return n > 0; });
  report.fact(kListingSection,
              {.note = format("substitution records: %td of %zu fired; times each fired, by "
                              "record:",
                              fired_once, fired_.size())});
  std::string times;
  for (std::size_t r = 0; r < fired_.size(); ++r) {
    times += format("%s%zu:%d", times.empty() ? "" : " ", r + 1, fired_[r]);
    if ((r + 1) % kRecordsALine == 0 || r + 1 == fired_.size()) {
      report.detail(kListingSection, {.note = times});
      times.clear();
    }
  }
  auto table = substitution_table();
  FindingsOfAKind nowhere{"record that fired nowhere", "records that fired nowhere"};
  for (std::size_t r = 0; r < table.size() && !refusal; ++r) {
    const SubstitutionRecord& record = table[r];
    if (fired_[r] > 0 || record.line == kEveryLine) continue;
    nowhere.add([&] {
      std::string why = record_lines_[*record_line(record.line)].text
                            ? format("line %d holds nothing it finds", record.line)
                            : format("the listing has no line %d", record.line);
      return Finding{.place = at::Substitution{r + 1, record.line, std::string(record.find)},
                     .note = "fired nowhere: " + why};
    });
  }
  report.add(kListingSection, Level::warning, nowhere);
  for (std::size_t r = 0; r < table.size(); ++r) {
    const SubstitutionRecord& record = table[r];
    if (!record.find.empty() || record.line == kEveryLine) continue;
    const std::optional<std::string>& text = record_lines_[*record_line(record.line)].text;
    if (!text) continue;
    report.fact(kListingSection, {.note = format("record %zu replaces the whole of line %d: %s",
                                                 r + 1, record.line, quoted(*text).c_str())});
  }
}

// A listing listed back from a converted program (list --bytes) holds the records' replacement
// texts already; a build would apply the records a second time.
void ListingCheck::report_converted(CheckReport& report) const {
  std::size_t with_line = 0, in_place = 0;
  auto table = substitution_table();
  for (std::size_t r = 0; r < table.size(); ++r) {
    const SubstitutionRecord& record = table[r];
    if (record.line == kEveryLine || record.replacement.empty()) continue;
    const std::optional<std::string>& line = record_lines_[*record_line(record.line)].text;
    if (!line) continue;
    ++with_line;
    std::string_view text = *line;
    in_place += record.find.empty() ? text == record.replacement
                                    : fired_[r] == 0 && text.find(record.replacement) != text.npos;
  }
  if (with_line == 0 || 2 * in_place < with_line) return;
  bool dropped_gone = std::all_of(dropped_times_.begin(), dropped_times_.end(),
                                  [](int count) { return count == 0; });
  report.warning(kListingSection,
                 {.file = kListingName,
                  .note = format("looks already converted: %zu of the %zu records whose line it "
                                 "has find their replacement in place%s; a build would convert "
                                 "it a second time",
                                 in_place, with_line,
                                 dropped_gone ? ", and the lines a build drops are missing" : "")});
}

// The longest edited line against the line buffer, and the program against its buffer: less
// room left than one listing line may take is a warning.
void ListingCheck::report_room(CheckReport& report) const {
  if (longest_ > 0) {
    report.fact(kListingSection,
                {.note = format("longest edited line: line %d, %zu of %d bytes (%zu to spare)",
                                longest_number_, longest_, kLineSize, kLineSize - longest_)});
  }
  int spare = kProgramRoom - program_length;
  std::string program =
      format("program: %d of %d bytes, %d to spare", program_length, kProgramRoom, spare);
  if (spare < kLineSize) {
    report.warning(kListingSection, {.note = program + ", less than a listing line may need"});
  } else {
    report.fact(kListingSection, {.note = program});
  }
}

// The last blank line and the last cut line, now known to be the last; past a stop, nothing is
// known of what follows, and the refusal tells of the line cut.
void ListingCheck::finish() {
  flush_blank(!refusal);
  if (refusal) return cut_.reset();
  end_cut();
}

void ListingCheck::report(CheckReport& report) const {
  std::size_t stored = pieces_ - dropped_count_;
  report.fact(kListingSection,
              {.note = format("%s read: %s stored, %zu dropped", count_of(pieces_, "line").c_str(),
                              count_of(stored, "record").c_str(), dropped_count_)});
  report_line_ends(report);
  if (!refusal) report_dropped(report);
  if (byte_order_mark_) {
    report.warning(kListingSection, {.file = kListingName,
                                     .place = offset_place(0),
                                     .note = "a UTF-8 byte-order mark (EF BB BF), which a build "
                                             "reads as part of the first line"});
  }
  for (const FindingsOfAKind* kind : {&cuts_, &zeros_, &tokens_, &characters_, &blank_,
                                      &unnumbered_, &out_of_range_, &out_of_order_, &repeated_})
    report.add(kListingSection, Level::warning, *kind);
  report_records(report);
  if (!refusal) {
    report_converted(report);
    report_room(report);
    return;
  }
  report.error(kListingSection, *refusal);
  report.fact(kListingSection,
              {.note = format("the build stops at line %d: what follows is not read",
                              static_cast<int>(piece_.number))});
}

void convert_checked(Source& listing, WorkArea& work, ListingCheck& check) {
  try {
    check.program_length = convert_listing(listing, work, check);
  } catch (const Failure& failure) {
    check.refused(failure);
  }
  check.finish();
}

}  // namespace flyseat
