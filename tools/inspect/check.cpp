// The check before a build: the build's own stages run on the inputs in memory, watched, to
// tell the porter whether the inputs are the game that the compiled-in tables were made for.
// A record that matches nothing or a halved word that was never a video address leaves a
// build silent; here they are warnings.
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include "flyseat/basic.hpp"
#include "flyseat/d88.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/little_endian.hpp"
#include "flyseat/output.hpp"
#include "inspect.hpp"
#include "text.hpp"

namespace flyseat::inspect {
namespace {

constexpr std::size_t kMostOfAKind = 5;  // warnings of one kind listed; the rest are counted
constexpr int kRecordsALine = 15;        // in the line of how often each record fired

struct Checker {
  CheckReport report;
  void add(Section section, Level level, std::string text, int depth = 0) {
    report.findings.push_back({section, level, std::move(text), depth});
  }
  void fact(Section s, std::string text) { add(s, Level::fact, std::move(text)); }
  // A fact that belongs to the one before it.
  void detail(Section s, std::string text) { add(s, Level::fact, std::move(text), 1); }
  void warning(Section s, std::string text) { add(s, Level::warning, std::move(text)); }
  void error(Section s, std::string text) { add(s, Level::error, std::move(text)); }
  // Warnings of one kind: the first few, then how many more.
  void warnings(Section s, const std::vector<std::string>& texts, const char* one,
                const char* more) {
    for (std::size_t i = 0; i < texts.size() && i < kMostOfAKind; ++i)
      warning(s, texts[i]);
    if (texts.size() > kMostOfAKind) {
      std::size_t rest = texts.size() - kMostOfAKind;
      warning(s, format("and %zu more %s", rest, rest == 1 ? one : more));
    }
  }
};

// --- Inputs ---------------------------------------------------------------------------------

void check_checksums(const FileRead& file, Checker& c) {
  if (file.checksums.crc32.empty() && file.checksums.sha1.empty()) return;
  c.detail(kInputsSection, format("CRC-32 %s, SHA-1 %s", file.checksums.crc32.c_str(),
                                  file.checksums.sha1.c_str()));
}

// The size of an input and how much of it a build reads, then the checksums of the whole file,
// for a porter to look up in a catalogue of known releases.
void check_size(const FileRead& file, Input input, Checker& c) {
  const char* name = kInputNames[input];
  auto most = static_cast<std::uint64_t>(kMostRead[input]);
  switch (file.status) {
    case ReadStatus::cannot_open:
      return c.error(kInputsSection, format(kCannotOpen, name));
    case ReadStatus::cannot_read:
      return c.error(kInputsSection, format(kCannotRead, name));
    case ReadStatus::not_a_file:
      return c.error(kInputsSection, format("%s: %s", name, kNotAFile));
    case ReadStatus::too_large:
      c.warning(kInputsSection, format("%s: %llu bytes, too large to check", name,
                                       static_cast<unsigned long long>(file.size)));
      break;
    case ReadStatus::read:
      if (most != kWhole && file.size > most) {
        c.warning(kInputsSection, format("%s: %llu bytes; the first %llu are read, %llu ignored",
                                         name, static_cast<unsigned long long>(file.size),
                                         static_cast<unsigned long long>(most),
                                         static_cast<unsigned long long>(file.size - most)));
      } else if (input != kListing) {  // the listing's line comes with its conversion
        c.fact(kInputsSection,
               format("%s: %s, all read", name, count_of(file.size, "byte").c_str()));
      }
  }
  if (input != kListing) check_checksums(file, c);
}

// --- Patch file -----------------------------------------------------------------------------

std::string record_name(std::size_t index, const PatchRecordSeen& record) {
  return format("record %zu at offset %lld", index + 1, static_cast<long long>(record.offset));
}

// Which outputs carry a patched byte: all of them from the list2 start on (the list2 region grows
// to cover it) and in the list1 region; only the disk images in the rest of list1's blocks; none
// anywhere else.
enum class Carried { everywhere, on_disk_only, nowhere };
Carried carried(int address, std::int32_t list1_length) {
  if (address >= kList2Start) return Carried::everywhere;
  if (address < kList1Start) return Carried::nowhere;
  if (address < kList1Start + list1_length) return Carried::everywhere;
  return address - kList1Start < block_count(list1_length) * kBlockSize ? Carried::on_disk_only
                                                                        : Carried::nowhere;
}

// The bytes of one record that an output leaves out.
struct LeftOut {
  int count = 0;
  int first = 0, last = 0;
  void add(int address) {
    if (count++ == 0) first = address;
    last = address;
  }
  // "4 bytes (0x8000 to 0x8003)", "2 of its 4 bytes (...)", "3 bytes between 0x... and 0x..."
  std::string text(int of) const {
    std::string bytes = count == of ? count_of(static_cast<std::size_t>(count), "byte")
                                    : format("%d of its %d bytes", count, of);
    bool run = last - first + 1 == count;
    return format(run ? "%s (0x%04X to 0x%04X)" : "%s between 0x%04X and 0x%04X", bytes.c_str(),
                  first, last);
  }
};

// Takes the records one by one as the build's own patch stage applies them: a patch file may
// hold millions.
class PatchCheck {
 public:
  PatchCheck(const LoadedMemory& memory, Checker& c)
      : memory_(memory), c_(c), count_at_(c.report.findings.size()) {}

  // The dumps are loaded by the time the first record is applied.
  void seen(const PatchRecordSeen& r) {
    if (records_ == 0) list2_length_ = memory_.dumps.list2;
    std::size_t i = records_++;
    if (i < kMostRecords) c_.fact(kPatchSection, record_text(i, r));
    if (r.missing > 0) {
      c_.warning(kPatchSection,
                 format("%s is cut short: %s missing, stored as 0xFF", record_name(i, r).c_str(),
                        count_of(static_cast<std::size_t>(r.missing), "data byte").c_str()));
    }
    std::size_t overwritten = 0;
    std::size_t earlier = 0;
    for (int a = r.address; a < r.address + r.count; ++a) {
      std::size_t& w = writer_[static_cast<std::size_t>(a)];
      if (w != 0) {
        ++overwritten;
        if (earlier == 0) earlier = w;
      }
      w = i + 1;
    }
    if (overwritten > 0) {
      overwrites_.push_back(format("%s overwrites %s that record %zu wrote",
                                   record_name(i, r).c_str(), count_of(overwritten, "byte").c_str(),
                                   earlier));
    }
    check_carried(i, r);
  }

  void finish(const PatchSummary& patch) {
    c_.report.findings.insert(c_.report.findings.begin() + static_cast<std::ptrdiff_t>(count_at_),
                              {kPatchSection, Level::fact,
                               format("%s: %s", kPatchName, count_of(records_, "record").c_str())});
    if (records_ > kMostRecords) {
      std::size_t more = records_ - kMostRecords;
      c_.fact(kPatchSection, "and " + count_of(more, "more record"));
    }
    c_.warnings(kPatchSection, overwrites_, "record overwrites earlier ones",
                "records overwrite earlier ones");
    c_.warnings(kPatchSection, uncarried_, "record stores bytes no output carries",
                "records store bytes no output carries");
    c_.warnings(kPatchSection, on_disk_only_, "record stores bytes only the disk images carry",
                "records store bytes only the disk images carry");
    if (patch.stray_bytes > 0) {
      c_.warning(kPatchSection,
                 format("%s after the last record, at offset %lld: ignored",
                        count_of(static_cast<std::size_t>(patch.stray_bytes), "stray byte").c_str(),
                        static_cast<long long>(patch.end)));
    }
  }

 private:
  static constexpr std::size_t kMostRecords = 16;  // listed; the rest are counted

  std::string record_text(std::size_t i, const PatchRecordSeen& r) {
    std::string text = record_name(i, r) + ": ";
    text += r.count == 0 ? "stores nothing"
                         : format("0x%04X to 0x%04X, %s", r.address, r.address + r.count - 1,
                                  count_of(static_cast<std::size_t>(r.count), "byte").c_str());
    if (r.list2_length > list2_length_) {
      text += format("; the list2 region grows to %d bytes", r.list2_length);
      list2_length_ = r.list2_length;
    }
    return text;
  }

  // A patched byte that no output carries is lost to the port; one that only the disk images
  // carry is missing from the data tape.
  void check_carried(std::size_t i, const PatchRecordSeen& r) {
    std::int32_t list1 = memory_.dumps.list1;
    LeftOut nowhere, tape;
    for (int a = r.address; a < r.address + r.count; ++a) {
      Carried where = carried(a, list1);
      if (where == Carried::nowhere) nowhere.add(a);
      if (where == Carried::on_disk_only) tape.add(a);
    }
    if (nowhere.count > 0) {
      uncarried_.push_back(format(
          "%s stores %s that no output carries: the outputs hold memory from 0x%04X to 0x%04X (the "
          "list1 region and the rest of its disk blocks) and from 0x%04X on (the list2 region)",
          record_name(i, r).c_str(), nowhere.text(r.count).c_str(), kList1Start,
          kList1Start + block_count(list1) * kBlockSize - 1, kList2Start));
    }
    if (tape.count > 0) {
      on_disk_only_.push_back(format(
          "%s stores %s that only the disk images carry: the data tape holds %s",
          record_name(i, r).c_str(), tape.text(r.count).c_str(),
          list1 == 0
              ? "no list1 region (list1.bin is empty)"
              : format("the list1 region only up to 0x%04X", kList1Start + list1 - 1).c_str()));
    }
  }

  const LoadedMemory& memory_;
  Checker& c_;
  std::size_t count_at_;  // where the count of records goes, before the records
  std::int32_t list2_length_ = 0;
  std::size_t records_ = 0;
  std::vector<std::size_t> writer_ = std::vector<std::size_t>(kMemorySize, 0);  // from 1
  std::vector<std::string> overwrites_;
  std::vector<std::string> uncarried_;
  std::vector<std::string> on_disk_only_;
};

// --- Memory image ---------------------------------------------------------------------------

bool all_loaded(const LoadedMemory& memory, int address, int size) {
  return memory.loaded_count(address, size) == size;
}

void check_unset_places(const LoadedMemory& memory, Checker& c) {
  std::size_t warnings_before = c.report.findings.size();
  for (const RowRange& rows : bitmap_row_ranges()) {
    int size = rows.last - rows.first + 1;
    int unset = size - memory.loaded_count(rows.first, size);
    if (unset > 0) {
      c.warning(kMemorySection,
                format("bitmap rows 0x%04X to 0x%04X: %d of %d bytes converted from unset bytes",
                       rows.first, rows.last, unset, size));
    }
  }
  for (const FixedPlaces& places : fixed_places()) {
    std::vector<int> unset;
    for (int address : places.addresses) {
      if (!all_loaded(memory, address, places.size)) unset.push_back(address);
    }
    if (!unset.empty()) {
      c.warning(kMemorySection,
                format("%s: %zu of %zu converted from unset bytes (the first at 0x%04X)",
                       places.what, unset.size(), places.addresses.size(), unset.front()));
    }
  }
  if (c.report.findings.size() == warnings_before) {
    c.fact(kMemorySection, "the bitmap rows and every fixed place lie in the loaded data");
  }
}

// Before relocation each halved address, and the split address, points into video memory.
void check_video_addresses(const LoadedMemory& memory, Checker& c) {
  const FixedPlaces& halved = fixed_places(PlaceKind::halved_address);
  std::vector<std::string> outside;
  std::size_t loaded = 0;
  for (int address : halved.addresses) {
    int value = read_u16(memory.image, static_cast<std::size_t>(address));
    if (!all_loaded(memory, address, halved.size)) continue;
    ++loaded;
    if (value < kVideoBase) {
      outside.push_back(
          format("halved address 0x%04X holds 0x%04X, not a video address", address, value));
    }
  }
  c.warnings(kMemorySection, outside, "halved address holds no video address",
             "halved addresses hold no video address");
  if (outside.empty()) {
    c.fact(kMemorySection, format("%zu of %zu halved addresses lie in the loaded data, each "
                                  "holding a video address",
                                  loaded, halved.addresses.size()));
  }
  std::span<const int> split = fixed_places(PlaceKind::split_address_byte).addresses;
  int value = read_split_address(memory.image);
  bool split_loaded = std::all_of(split.begin(), split.end(), [&memory](int address) {
    return all_loaded(memory, address, 1);
  });
  if (split_loaded && value < kVideoBase) {
    c.warning(kMemorySection,
              format("the split address (0x%04X, 0x%04X) holds 0x%04X, not a video address",
                     split[0], split[1], value));
  }
}

void check_disk(const LoadedMemory& memory, std::int32_t program_length, Checker& c) {
  RawDiskLayout layout = raw_disk_layout(memory.dumps.list1, memory.list2_length, program_length);
  std::string parts;
  for (const DiskStretch& s : layout.stretches) {
    parts += format("%s%s %d", parts.empty() ? "" : ", ", s.what, s.blocks);
    if (std::size_t fill = s.past_buffer(); fill > 0) {
      c.warning(kMemorySection,
                format("the %s blocks end %s past their buffer, filled with zero bytes", s.what,
                       count_of(fill, "byte").c_str()));
    }
  }
  c.fact(kMemorySection,
         format("raw disk image: %d of %d tracks (%s)", layout.blocks, kDiskTracks, parts.c_str()));
}

// --- Listing --------------------------------------------------------------------------------

struct ListingResult {
  std::vector<ListingLineSeen> lines;
  ListingWatch watch;
  std::optional<std::string> refusal;
  std::int32_t program_length = -1;
  std::size_t bytes_read = 0;
};

ListingResult convert(std::span<const Byte> listing_bytes) {
  ListingResult result;
  auto work = std::make_unique<WorkArea>();
  Source listing;
  open_bytes(listing, kListingName, listing_bytes);
  result.watch.each_line = [&result](const ListingLineSeen& line) { result.lines.push_back(line); };
  try {
    result.program_length = convert_listing(listing, *work, &result.watch);
  } catch (const Failure& failure) {
    result.refusal = problem_of(failure).said();
  }
  result.bytes_read = listing.pos;
  return result;
}

// Spaces, tabs and line ends alone: a line a text editor shows empty.
bool is_blank(std::string_view text) {
  return text.find_first_not_of(" \t\v\f\r\n") == text.npos;
}

// The target's BASIC keeps lines in ascending order of their stored numbers and looks them
// up that way, so a line out of order or a number given twice is likely a different release.
void check_numbers(const ListingResult& result, Checker& c) {
  std::vector<std::string> blank, unnumbered, out_of_range, out_of_order, repeated;
  std::map<std::uint16_t, int> times;
  for (std::size_t i = 0; i < result.lines.size(); ++i) {
    const ListingLineSeen& line = result.lines[i];
    std::uint16_t stored = stored_line_number(line.number);
    std::string after =
        i == 0 ? std::string("at the start") : format("after line %d", result.lines[i - 1].number);
    if (!line.numbered && is_blank(line.as_read)) {
      blank.push_back("a blank line " + after + (i + 1 == result.lines.size() ? ", the last" : "") +
                      ": stored as line 0 with no text");
    } else if (!line.numbered) {
      unnumbered.push_back("a line without a number " + after + ": stored as line 0");
    }
    if (line.number != stored) {
      out_of_range.push_back(
          format("line %d is stored as line %u (the low 16 bits)", line.number, stored));
    }
    if (i > 0 && stored < stored_line_number(result.lines[i - 1].number)) {
      out_of_order.push_back(format("line %u follows line %u, out of ascending order", stored,
                                    stored_line_number(result.lines[i - 1].number)));
    }
    if (++times[stored] == 2)
      repeated.push_back(format("line %u is in the listing more than once", stored));
  }
  c.warnings(kListingSection, blank, "blank line", "blank lines");
  c.warnings(kListingSection, unnumbered, "line without a number", "lines without a number");
  c.warnings(kListingSection, out_of_range, "number outside 0 to 65535",
             "numbers outside 0 to 65535");
  c.warnings(kListingSection, out_of_order, "line out of order", "lines out of order");
  c.warnings(kListingSection, repeated, "number given more than once",
             "numbers given more than once");
}

// The first line of that number, or none.
const ListingLineSeen* line_numbered(const ListingResult& result, std::int32_t number) {
  auto line = std::find_if(result.lines.begin(), result.lines.end(),
                           [number](const ListingLineSeen& seen) { return seen.number == number; });
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
            format("%s has carriage returns but no line feeds: a build ends a line only at a "
                   "line feed, so it reads the whole listing as one line, cut every %d bytes",
                   kListingName, kMaxLineRead));
}

// Editors that save a listing as UTF-8 may put a byte-order mark before its first line.
void check_byte_order_mark(std::span<const Byte> listing, Checker& c) {
  constexpr std::array<Byte, 3> kMark = {0xEF, 0xBB, 0xBF};
  if (listing.size() >= kMark.size() && std::equal(kMark.begin(), kMark.end(), listing.begin())) {
    c.warning(kListingSection,
              format("%s begins with a UTF-8 byte-order mark (EF BB BF), which a build reads as "
                     "part of the first line",
                     kListingName));
  }
}

// A line longer than a build reads at once, and where its rest goes.
void check_cut_lines(const ListingResult& result, Checker& c) {
  std::vector<std::string> cut;
  const std::vector<ListingLineSeen>& lines = result.lines;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (!lines[i].cut) continue;
    std::size_t last = i + 1, length = lines[i].length + lines[last].length;
    while (lines[last].cut && last + 1 < lines.size())
      length += lines[++last].length;
    if (!lines[last].as_read.empty() && lines[last].as_read.back() == kLineFeed) --length;
    std::string rest =
        last == i + 1 ? format("line %d", lines[i + 1].number)
                      : format("%zu lines, the first numbered %d", last - i, lines[i + 1].number);
    cut.push_back(
        format("line %d is %zu bytes long: a build cuts it after %d bytes and stores "
               "the rest as %s",
               lines[i].number, length, kMaxLineRead, rest.c_str()));
    i = last;
  }
  c.warnings(kListingSection, cut, "line cut", "lines cut");
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
            format("%s looks already converted: %zu of the %zu records whose line it "
                   "has find their replacement in place%s; a build would convert it a second "
                   "time",
                   kListingName, in_place, with_line,
                   dropped_gone ? ", and the lines a build drops are missing" : ""));
}

void check_records(const ListingResult& result, Checker& c) {
  auto table = substitution_table();
  auto fired = std::count_if(result.watch.fired.begin(), result.watch.fired.end(),
                             [](int count) { return count > 0; });
  c.fact(kListingSection,
         format("substitution records: %td of %zu fired; times each fired, by record:", fired,
                table.size()));
  std::string times;
  for (std::size_t r = 0; r < table.size(); ++r) {
    times += format("%s%zu:%d", times.empty() ? "" : " ", r + 1, result.watch.fired[r]);
    if ((r + 1) % kRecordsALine == 0 || r + 1 == table.size()) {
      c.detail(kListingSection, times);
      times.clear();
    }
  }
  for (const SubstitutionRecord& record : table) {
    auto r = static_cast<std::size_t>(&record - table.data());
    if (result.watch.fired[r] > 0 || record.line == kEveryLine) continue;
    std::string what =
        record.find.empty()
            ? std::string("replaces the whole line")
            : format("finds \"%.*s\"", static_cast<int>(record.find.size()), record.find.data());
    std::string why = line_numbered(result, record.line) != nullptr
                          ? format("line %d holds nothing it finds", record.line)
                          : format("the listing has no line %d", record.line);
    c.warning(kListingSection, format("record %zu (line %d, %s) fired nowhere: %s", r + 1,
                                      record.line, what.c_str(), why.c_str()));
  }
  // What a record that replaces a whole line throws away, which no rule can judge.
  for (const SubstitutionRecord& record : table) {
    const ListingLineSeen* line = line_numbered(result, record.line);
    if (!record.find.empty() || record.line == kEveryLine || line == nullptr) continue;
    c.fact(kListingSection,
           format("record %td replaces the whole of line %d: \"%s\"", &record - table.data() + 1,
                  record.line, shortened(trimmed(line->as_read)).c_str()));
  }
}

// Returns the program length, or -1 when a build would stop on the listing.
std::int32_t check_listing(const FileRead& file, Checker& c) {
  ListingResult result = convert(file.bytes);
  std::size_t size = file.size;
  if (result.refusal || result.bytes_read == size) {
    c.fact(kInputsSection,
           format("%s: %s, all read", kListingName, count_of(size, "byte").c_str()));
  } else {
    c.warning(kInputsSection,
              format("%s: %zu bytes; the first %zu are read, to the byte 0x%02X, %zu ignored",
                     kListingName, size, result.bytes_read, kEndOfText, size - result.bytes_read));
  }
  check_checksums(file, c);
  int dropped = 0;
  for (int count : result.watch.dropped)
    dropped += count;
  c.fact(kListingSection,
         format("%s read: %s stored, %d dropped",
                count_of(result.lines.size() + static_cast<std::size_t>(dropped), "line").c_str(),
                count_of(result.lines.size(), "record").c_str(), dropped));
  auto end_of_text = std::find(file.bytes.begin(), file.bytes.end(), kEndOfText);
  check_line_ends(std::span<const Byte>(file.bytes)
                      .first(  // as far as a build reads
                          static_cast<std::size_t>(end_of_text - file.bytes.begin())),
                  c);
  for (std::size_t i = 0; i < kDroppedLines.size(); ++i) {
    if (result.watch.dropped[i] == 0) {
      c.warning(kListingSection, format("no line %d to drop: a build leaves lines %d and %d out",
                                        kDroppedLines[i], kDroppedLines[0], kDroppedLines[1]));
    }
  }
  check_byte_order_mark(file.bytes, c);
  check_cut_lines(result, c);
  check_numbers(result, c);
  check_records(result, c);
  check_converted(result, c);
  if (result.refusal) {
    c.error(kListingSection, *result.refusal);
    return -1;
  }
  auto longest = std::max_element(
      result.lines.begin(), result.lines.end(),
      [](const ListingLineSeen& a, const ListingLineSeen& b) { return a.line_used < b.line_used; });
  if (longest != result.lines.end()) {
    c.fact(kListingSection,
           format("longest edited line: line %d, %zu of %d bytes (%zu to spare)", longest->number,
                  longest->line_used, kLineSize, kLineSize - longest->line_used));
  }
  int spare = kProgramRoom - result.program_length;
  std::string program =
      format("program: %d of %d bytes, %d to spare", result.program_length, kProgramRoom, spare);
  if (spare < kLineSize) {
    c.warning(kListingSection, program + ", less than a listing line may need");
  } else {
    c.fact(kListingSection, program);
  }
  return result.program_length;
}

}  // namespace

int CheckReport::count(Level level) const {
  return static_cast<int>(
      std::count_if(findings.begin(), findings.end(),
                    [level](const CheckFinding& f) { return f.level == level; }));
}

CheckReport check_inputs(const GameInputs& inputs) {
  Checker c;
  for (const std::string& blocked : inputs.outputs_blocked)
    c.error(kOutputsSection, blocked);
  if (inputs.outputs_blocked.empty())
    c.fact(kOutputsSection, "nothing stands in the way of the four outputs");
  for (std::size_t i = 0; i < kInputCount; ++i)
    check_size(inputs.files[i], Input(i), c);
  std::int32_t program_length = -1;
  if (inputs.files[kListing].status == ReadStatus::read) {
    program_length = check_listing(inputs.files[kListing], c);
  }
  if (unread_memory_input(inputs)) return c.report;
  auto memory = std::make_unique<LoadedMemory>();
  PatchCheck patch(*memory, c);
  std::optional<std::string> refusal;
  try {
    load_memory(inputs, *memory, [&patch](const PatchRecordSeen& r) { patch.seen(r); });
  } catch (const Failure& failure) {
    refusal = problem_of(failure).said();
  }
  patch.finish(memory->patch);
  if (refusal) {
    c.error(kPatchSection, *refusal);
    return c.report;
  }
  check_unset_places(*memory, c);
  check_video_addresses(*memory, c);
  if (program_length >= 0) check_disk(*memory, program_length, c);
  return c.report;
}

std::vector<CheckLine> check_lines(const CheckReport& report) {
  std::vector<CheckLine> lines;
  for (std::size_t s = 0; s < kCheckSections.size(); ++s) {
    lines.push_back({Level::fact, kCheckSections[s]});
    for (const CheckFinding& f : report.findings) {
      if (f.section != static_cast<int>(s)) continue;
      std::string level = f.level == Level::fact
                              ? ""
                              : kLevelNames[static_cast<std::size_t>(f.level)] + std::string(": ");
      lines.push_back({f.level, std::string(2 + 2 * f.depth, ' ') + level + f.text});
    }
  }
  int errors = report.count(Level::error), warnings = report.count(Level::warning);
  lines.push_back(
      {Level::fact,
       format("verdict: %s, %s", count_of(static_cast<std::size_t>(errors), "error").c_str(),
              count_of(static_cast<std::size_t>(warnings), "warning").c_str())});
  return lines;
}

std::string check_text(const CheckReport& report) {
  std::string text;
  for (const CheckLine& line : check_lines(report))
    text += line.text + "\n";
  return text;
}

}  // namespace flyseat::inspect
