// The check of the listing: the build's own conversion, watched line by line, and what its
// lines say of the release they come from. Every byte of the listing that a build reads and
// stores nowhere, other than by its rules (the line ends, the line numbers' form, the records'
// edits, the characters ! and # the tokenizer drops, lines 119 and 345 once each), is a warning
// that names its line.
#include <algorithm>
#include <map>
#include <memory>
#include <string_view>

#include "checker.hpp"

namespace flyseat::inspect {
namespace {

constexpr int kRecordsALine = 15;  // in the line of how often each record fired

// Spaces, tabs and line ends alone: a line a text editor shows empty.
bool is_blank(std::string_view text) {
  return text.find_first_not_of(" \t\v\f\r\n") == text.npos;
}

at::Line line_place(std::int32_t number) {
  return {number};
}

// Where a line stands among those before it, for a line that its number does not name well.
std::string after(const std::vector<ListingLineSeen>& lines, std::size_t i) {
  return i == 0 ? std::string("at the start") : format("after line %d", lines[i - 1].number);
}
at::Line line_place(const std::vector<ListingLineSeen>& lines, std::size_t i) {
  at::Line place{lines[i].number};
  if (i == 0) {
    place.at_start = true;
  } else {
    place.after = lines[i - 1].number;
  }
  return place;
}

std::size_t stored_lines(const ListingResult& result) {
  return static_cast<std::size_t>(
      std::count_if(result.lines.begin(), result.lines.end(),
                    [](const ListingLineSeen& line) { return !line.dropped; }));
}

// The target's BASIC keeps lines in ascending order of their stored numbers and looks them
// up that way, so a line out of order or a number given twice is likely a different release.
void check_numbers(const ListingResult& result, Checker& c) {
  Findings blank, unnumbered, out_of_range, out_of_order, repeated;
  std::map<std::uint16_t, int> times;
  const ListingLineSeen* before = nullptr;  // the stored line before
  for (std::size_t i = 0; i < result.lines.size(); ++i) {
    const ListingLineSeen& line = result.lines[i];
    if (line.dropped) continue;
    std::uint16_t stored = stored_line_number(line.number);
    bool last = i + 1 == result.lines.size();
    if (!line.numbered && is_blank(line.as_read)) {
      blank.push_back({.note = "a blank line " + after(result.lines, i) +
                               (last ? ", the last" : "") + ": stored as line 0 with no text"});
    } else if (!line.numbered) {
      unnumbered.push_back(
          {.note = "a line without a number " + after(result.lines, i) + ": stored as line 0"});
    }
    if (line.number != stored) {
      out_of_range.push_back({.place = line_place(line.number),
                              .field = "stored number",
                              .value = Value::number(stored),
                              .expected = Value::number(line.number),
                              .note = "a build stores the low 16 bits"});
    }
    if (before != nullptr && stored < stored_line_number(before->number)) {
      out_of_order.push_back({.place = at::Line{stored},
                              .note = format("follows line %u, out of ascending order",
                                             stored_line_number(before->number))});
    }
    if (++times[stored] == 2)
      repeated.push_back({.place = at::Line{stored}, .note = "given more than once"});
    before = &line;
  }
  c.warnings(kListingSection, blank, "blank line", "blank lines");
  c.warnings(kListingSection, unnumbered, "line without a number", "lines without a number");
  c.warnings(kListingSection, out_of_range, "number outside 0 to 65535",
             "numbers outside 0 to 65535");
  c.warnings(kListingSection, out_of_order, "line out of order", "lines out of order");
  c.warnings(kListingSection, repeated, "number given more than once",
             "numbers given more than once");
}

// The first stored line of that number, or none.
const ListingLineSeen* line_numbered(const ListingResult& result, std::int32_t number) {
  auto line = std::find_if(
      result.lines.begin(), result.lines.end(),
      [number](const ListingLineSeen& seen) { return !seen.dropped && seen.number == number; });
  return line == result.lines.end() ? nullptr : &*line;
}

// A line text as read, without the space after its number and its line end.
std::string_view trimmed(const std::string& text) {
  std::string_view view = text;
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

// A listing saved with carriage returns alone at its line ends has, for a build, no line ends.
void check_line_ends(std::span<const Byte> read, Checker& c) {
  if (std::find(read.begin(), read.end(), kCarriageReturn) == read.end() ||
      std::find(read.begin(), read.end(), kLineFeed) != read.end()) {
    return;
  }
  c.warning(kListingSection,
            {.file = kListingName,
             .note = format("carriage returns but no line feeds: a build ends a line only at a "
                            "line feed, so it reads the whole listing as one line, cut every %d "
                            "bytes",
                            kMaxLineRead)});
}

// Editors that save a listing as UTF-8 may put a byte-order mark before its first line.
void check_byte_order_mark(std::span<const Byte> listing, Checker& c) {
  constexpr std::array<Byte, 3> kMark = {0xEF, 0xBB, 0xBF};
  if (listing.size() >= kMark.size() && std::equal(kMark.begin(), kMark.end(), listing.begin())) {
    c.warning(kListingSection, {.file = kListingName,
                                .place = offset_place(0),
                                .note = "a UTF-8 byte-order mark (EF BB BF), which a build reads "
                                        "as part of the first line"});
  }
}

// A line longer than a build reads at once, and where its rest goes: a line of its own, or
// nowhere when its number is one that a build drops.
void check_cut_lines(const ListingResult& result, Checker& c) {
  Findings cut;
  const std::vector<ListingLineSeen>& lines = result.lines;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (!lines[i].cut) continue;
    std::size_t last = i + 1, length = lines[i].length + lines[last].length;
    while (lines[last].cut && last + 1 < lines.size())
      length += lines[++last].length;
    if (!lines[last].as_read.empty() && lines[last].as_read.back() == kLineFeed) --length;
    std::size_t lost = 0;  // of the rest, in lines that a build drops for their numbers
    std::int32_t dropped_as = 0;
    for (std::size_t rest = i + 1; rest <= last; ++rest) {
      if (!lines[rest].dropped) continue;
      lost += lines[rest].length - (lines[rest].as_read.ends_with('\n') ? 1 : 0);
      dropped_as = lines[rest].number;
    }
    std::string rest =
        last == i + 1 ? format("line %d", lines[i + 1].number)
                      : format("%zu lines, the first numbered %d", last - i, lines[i + 1].number);
    cut.push_back({.place = line_place(lines[i].number),
                   .field = "length",
                   .value = Value::number(static_cast<std::int64_t>(length)),
                   .expected = Value::at_most(kMaxLineRead),
                   .unit = "byte",
                   .note = "a build cuts it and stores the rest as " + rest +
                           (lost > 0 ? format(", but drops %s of it as line %d",
                                              count_of(lost, "byte").c_str(), dropped_as)
                                     : "")});
    i = last;
  }
  c.warnings(kListingSection, cut, "line cut", "lines cut");
}

// What the tokenizer never sees of a line (the bytes from a zero byte on), and what it stores
// as it is but the target reads otherwise (bytes from 0x80 on outside strings, remarks and
// DATA, each read as a keyword's token).
void check_lost_bytes(const ListingResult& result, Checker& c) {
  Findings zeros, strays;
  for (const ListingLineSeen& line : result.lines) {
    if (line.dropped) continue;
    if (line.after_zero > 0) {
      zeros.push_back({.place = line_place(line.number),
                       .note = format("a zero byte after \"%s\" ends the line for a build: %s "
                                      "from it on are lost",
                                      shortened(trimmed(line.as_read)).c_str(),
                                      count_of(line.after_zero, "byte").c_str())});
    }
    if (line.strays.count > 0) {
      std::string_view keyword = keyword_text(line.strays.first);
      strays.push_back(
          {.place = line_place(line.number),
           .field = "byte outside a string, a remark or DATA",
           .value = Value::hex(line.strays.first, 2),
           .expected = Value::text("ASCII"),
           .note = format("stored as it is, where the target reads %s%s",
                          keyword.empty() ? "a token it has no keyword for"
                                          : ("the keyword " + std::string(keyword)).c_str(),
                          line.strays.count > 1
                              ? format(" (%zu such bytes in the line)", line.strays.count).c_str()
                              : "")});
    }
  }
  c.warnings(kListingSection, zeros, "line cut short by a zero byte",
             "lines cut short by a zero byte");
  c.warnings(kListingSection, strays, "line with bytes read as keywords",
             "lines with bytes read as keywords");
}

// A listing listed back from a converted program (list --bytes) holds the records' replacement
// texts already; a build would apply the records a second time.
void check_converted(const ListingResult& result, Checker& c) {
  std::size_t with_line = 0, in_place = 0;
  auto table = substitution_table();
  for (std::size_t r = 0; r < table.size(); ++r) {
    const SubstitutionRecord& record = table[r];
    if (record.line == kEveryLine || record.replacement.empty()) continue;
    const ListingLineSeen* line = line_numbered(result, record.line);
    if (line == nullptr) continue;
    ++with_line;
    std::string_view text = trimmed(line->as_read);
    in_place += record.find.empty()
                    ? text == record.replacement
                    : result.watch.fired[r] == 0 && text.find(record.replacement) != text.npos;
  }
  if (with_line == 0 || 2 * in_place < with_line) return;
  bool dropped_gone = std::all_of(result.watch.dropped.begin(), result.watch.dropped.end(),
                                  [](int count) { return count == 0; });
  c.warning(kListingSection,
            {.file = kListingName,
             .note = format("looks already converted: %zu of the %zu records whose line it has "
                            "find their replacement in place%s; a build would convert it a "
                            "second time",
                            in_place, with_line,
                            dropped_gone ? ", and the lines a build drops are missing" : "")});
}

// How often each record fired, a line of counts after another.
void count_firings(const ListingResult& result, Checker& c) {
  const SubstitutionCounts& fired = result.watch.fired;
  auto fired_once = std::count_if(fired.begin(), fired.end(), [](int count) { return count > 0; });
  c.fact(kListingSection,
         {.note = format("substitution records: %td of %zu fired; times each fired, by record:",
                         fired_once, fired.size())});
  std::string times;
  for (std::size_t r = 0; r < fired.size(); ++r) {
    times += format("%s%zu:%d", times.empty() ? "" : " ", r + 1, fired[r]);
    if ((r + 1) % kRecordsALine == 0 || r + 1 == fired.size()) {
      c.detail(kListingSection, {.note = times});
      times.clear();
    }
  }
}

// A record of one line that fired nowhere: the line is not there, or holds nothing it finds.
void check_unfired(const ListingResult& result, Checker& c) {
  auto table = substitution_table();
  for (std::size_t r = 0; r < table.size(); ++r) {
    const SubstitutionRecord& record = table[r];
    if (result.watch.fired[r] > 0 || record.line == kEveryLine) continue;
    std::string why = line_numbered(result, record.line) != nullptr
                          ? format("line %d holds nothing it finds", record.line)
                          : format("the listing has no line %d", record.line);
    c.warning(kListingSection,
              {.place = at::Substitution{r + 1, record.line, std::string(record.find)},
               .note = "fired nowhere: " + why});
  }
}

// What a record that replaces a whole line throws away, which no rule can judge.
void show_replaced_lines(const ListingResult& result, Checker& c) {
  auto table = substitution_table();
  for (std::size_t r = 0; r < table.size(); ++r) {
    const SubstitutionRecord& record = table[r];
    const ListingLineSeen* line = line_numbered(result, record.line);
    if (!record.find.empty() || record.line == kEveryLine || line == nullptr) continue;
    c.fact(kListingSection,
           {.note = format("record %zu replaces the whole of line %d: \"%s\"", r + 1, record.line,
                           shortened(trimmed(line->as_read)).c_str())});
  }
}

// The longest edited line against the line buffer, and the program against its buffer: less
// room left than one listing line may take is a warning.
void check_room(const ListingResult& result, Checker& c) {
  auto longest = std::max_element(
      result.lines.begin(), result.lines.end(),
      [](const ListingLineSeen& a, const ListingLineSeen& b) { return a.line_used < b.line_used; });
  if (longest != result.lines.end() && longest->line_used > 0) {
    c.fact(kListingSection,
           {.note = format("longest edited line: line %d, %zu of %d bytes (%zu to spare)",
                           longest->number, longest->line_used, kLineSize,
                           kLineSize - longest->line_used)});
  }
  int spare = kProgramRoom - result.program_length;
  std::string program =
      format("program: %d of %d bytes, %d to spare", result.program_length, kProgramRoom, spare);
  if (spare < kLineSize) {
    c.warning(kListingSection, {.note = program + ", less than a listing line may need"});
  } else {
    c.fact(kListingSection, {.note = program});
  }
}

void count_lines(const ListingResult& result, Checker& c) {
  std::size_t stored = stored_lines(result);
  c.fact(kListingSection,
         {.note = format("%s read: %s stored, %zu dropped",
                         count_of(result.lines.size(), "line").c_str(),
                         count_of(stored, "record").c_str(), result.lines.size() - stored)});
}

// Whether lines 119 and 345 were there to drop, and once each.
void check_dropped(const ListingResult& result, Checker& c) {
  for (std::size_t i = 0; i < kDroppedLines.size(); ++i) {
    if (result.watch.dropped[i] == 0) {
      c.warning(kListingSection,
                {.note = format("no line %d to drop: a build leaves lines %d and %d out",
                                kDroppedLines[i], kDroppedLines[0], kDroppedLines[1])});
    }
  }
  std::array<int, kDroppedLines.size()> seen{};
  for (std::size_t i = 0; i < result.lines.size(); ++i) {
    const ListingLineSeen& line = result.lines[i];
    if (!line.dropped) continue;
    std::size_t which = line.number == kDroppedLines[0] ? 0 : 1;
    if (++seen[which] < 2) continue;
    c.warning(kListingSection,
              {.place = line_place(result.lines, i),
               .note = format("dropped as well: a build leaves out every line %d, and this one "
                              "holds \"%s\"",
                              line.number, shortened(trimmed(line.as_read)).c_str())});
  }
}

}  // namespace

ListingResult convert_watched(std::span<const Byte> listing_bytes) {
  ListingResult result;
  auto work = std::make_unique<WorkArea>();
  Source listing;
  open_bytes(listing, kListingName, listing_bytes);
  result.watch.each_line = [&result](const ListingLineSeen& line) { result.lines.push_back(line); };
  try {
    result.program_length = convert_listing(listing, *work, &result.watch);
  } catch (const Failure& failure) {
    result.refusal = finding_of(failure);
  }
  result.bytes_read = listing.pos;
  return result;
}

void check_listing(const ListingResult& result, std::span<const Byte> listing, Checker& c) {
  count_lines(result, c);
  // As far as a build reads: to a byte 0x1A, past where a refusal stops the conversion.
  check_line_ends(listing.first(static_cast<std::size_t>(
                      std::find(listing.begin(), listing.end(), kEndOfText) - listing.begin())),
                  c);
  check_dropped(result, c);
  check_byte_order_mark(listing, c);
  check_cut_lines(result, c);
  check_lost_bytes(result, c);
  check_numbers(result, c);
  count_firings(result, c);
  check_unfired(result, c);
  show_replaced_lines(result, c);
  check_converted(result, c);
  if (result.refusal) {
    c.error(kListingSection, *result.refusal);
  } else {
    check_room(result, c);
  }
}

}  // namespace flyseat::inspect
