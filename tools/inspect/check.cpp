// The check before a build: the build's own stages run on the inputs in memory, watched, to
// tell the porter whether the inputs are the game that the compiled-in tables were made for.
// A record that matches nothing or a halved word that was never a video address leaves a
// build silent; here they are warnings.
#include <algorithm>
#include <map>
#include <memory>
#include <optional>

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
constexpr int kRecordsALine = 15;  // in the line of how often each record fired

// How much of each input a build reads; the patch file and the listing are read whole.
constexpr std::array<int, kInputCount> kMostRead = {kLoaderSize, kList1Max, kList2Max, 0, 0};

struct Checker {
  CheckReport report;
  void add(Section section, Level level, std::string text) {
    report.findings.push_back({section, level, std::move(text)});
  }
  void fact(Section s, std::string text) { add(s, Level::fact, std::move(text)); }
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

bool readable(const FileRead& file) {
  return file.status == ReadStatus::read || file.status == ReadStatus::too_large;
}

// --- Inputs ---------------------------------------------------------------------------------

void check_sizes(const GameInputs& inputs, Checker& c) {
  for (int i = 0; i < kInputCount; ++i) {
    const FileRead& file = inputs.files[static_cast<std::size_t>(i)];
    const char* name = kInputNames[static_cast<std::size_t>(i)];
    std::size_t most = static_cast<std::size_t>(kMostRead[static_cast<std::size_t>(i)]);
    std::size_t size = file.bytes.size();
    if (file.status == ReadStatus::cannot_open) {
      c.error(kInputsSection, format("cannot open %s", name));
    } else if (file.status == ReadStatus::cannot_read) {
      c.error(kInputsSection, format("cannot read %s", name));
    } else if (file.status == ReadStatus::too_large && most == 0) {
      c.error(kInputsSection, format("%s: more than %zu bytes, too large to check", name, size));
    } else if (file.status == ReadStatus::too_large) {
      c.warning(kInputsSection,
                format("%s: more than %zu bytes; the first %zu are read, the rest ignored", name,
                       size, most));
    } else if (most > 0 && size > most) {
      c.warning(kInputsSection, format("%s: %zu bytes; the first %zu are read, %zu ignored", name,
                                       size, most, size - most));
    } else if (i != kListing) {  // the listing's line comes with its conversion
      c.fact(kInputsSection, format("%s: %s, all read", name, count_of(size, "byte").c_str()));
    }
  }
}

// --- Patch file -----------------------------------------------------------------------------

std::string record_name(std::size_t index, const PatchRecordSeen& record) {
  return format("record %zu at offset %lld", index + 1, static_cast<long long>(record.offset));
}

void check_patch(const std::vector<PatchRecordSeen>& records, const LoadedMemory& memory,
                 Checker& c) {
  c.fact(kPatchSection, format("patch.bin: %s", count_of(records.size(), "record").c_str()));
  std::vector<std::uint16_t> writer(kMemorySize, 0);  // the record that last wrote a byte, from 1
  std::int32_t list2_length = memory.dumps.list2;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const PatchRecordSeen& r = records[i];
    std::string text = record_name(i, r) + ": ";
    text += r.count == 0 ? "stores nothing"
                         : format("0x%04X to 0x%04X, %s", r.address, r.address + r.count - 1,
                                  count_of(static_cast<std::size_t>(r.count), "byte").c_str());
    if (r.list2_length > list2_length) {
      text += format("; the list2 region grows to %d bytes", r.list2_length);
      list2_length = r.list2_length;
    }
    c.fact(kPatchSection, text);
    if (r.missing > 0) {
      c.warning(kPatchSection,
                format("%s is cut short: %s missing, stored as 0xFF", record_name(i, r).c_str(),
                       count_of(static_cast<std::size_t>(r.missing), "data byte").c_str()));
    }
    std::size_t overwritten = 0;
    std::uint16_t earlier = 0;
    for (int a = r.address; a < r.address + r.count; ++a) {
      std::uint16_t& w = writer[static_cast<std::size_t>(a)];
      if (w != 0) {
        ++overwritten;
        if (earlier == 0) earlier = w;
      }
      w = static_cast<std::uint16_t>(i + 1);
    }
    if (overwritten > 0) {
      c.warning(kPatchSection,
                format("%s overwrites %s that record %u wrote", record_name(i, r).c_str(),
                       count_of(overwritten, "byte").c_str(), earlier));
    }
  }
  if (memory.patch.stray_bytes > 0) {
    c.warning(
        kPatchSection,
        format("%s after the last record, at offset %lld: ignored",
               count_of(static_cast<std::size_t>(memory.patch.stray_bytes), "stray byte").c_str(),
               static_cast<long long>(memory.patch.end)));
  }
}

// --- Memory image ---------------------------------------------------------------------------

bool all_loaded(const LoadedMemory& memory, int address, int size) {
  for (int a = address; a < address + size; ++a) {
    if (!memory.loaded.test(static_cast<std::size_t>(a))) return false;
  }
  return true;
}

void check_unset_places(const LoadedMemory& memory, Checker& c) {
  std::size_t warnings_before = c.report.findings.size();
  for (const RowRange& rows : bitmap_row_ranges()) {
    int size = rows.last - rows.first + 1;
    int unset = 0;
    for (int a = rows.first; a <= rows.last; ++a)
      unset += memory.loaded.test(static_cast<std::size_t>(a)) ? 0 : 1;
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
  if (all_loaded(memory, split[0], 1) && all_loaded(memory, split[1], 1) && value < kVideoBase) {
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
  c.fact(kMemorySection, format("raw disk image: %d of %d tracks (%s)", layout.blocks,
                                kDiskTracks, parts.c_str()));
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
    result.refusal = failure.message();
  }
  result.bytes_read = listing.pos;
  return result;
}

// The target's BASIC keeps lines in ascending order of their stored numbers and looks them
// up that way, so a line out of order or a number given twice is likely a different release.
void check_numbers(const ListingResult& result, Checker& c) {
  std::vector<std::string> unnumbered, out_of_range, out_of_order, repeated;
  std::map<std::uint16_t, int> times;
  for (std::size_t i = 0; i < result.lines.size(); ++i) {
    const ListingLineSeen& line = result.lines[i];
    std::uint16_t stored = stored_line_number(line.number);
    std::string after =
        i == 0 ? std::string("at the start") : format("after line %d", result.lines[i - 1].number);
    if (!line.numbered)
      unnumbered.push_back("a line without a number " + after + ": stored as line 0");
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
  c.warnings(kListingSection, unnumbered, "line without a number", "lines without a number");
  c.warnings(kListingSection, out_of_range, "number outside 0 to 65535",
             "numbers outside 0 to 65535");
  c.warnings(kListingSection, out_of_order, "line out of order", "lines out of order");
  c.warnings(kListingSection, repeated, "number given more than once",
             "numbers given more than once");
}

bool has_line(const ListingResult& result, std::int32_t number) {
  return std::any_of(result.lines.begin(), result.lines.end(),
                     [number](const ListingLineSeen& line) { return line.number == number; });
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
    times += format("%s%zu:%d", times.empty() ? "  " : " ", r + 1, result.watch.fired[r]);
    if ((r + 1) % kRecordsALine == 0 || r + 1 == table.size()) {
      c.fact(kListingSection, times);
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
    std::string why = has_line(result, record.line)
                          ? format("line %d holds nothing it finds", record.line)
                          : format("the listing has no line %d", record.line);
    c.warning(kListingSection, format("record %zu (line %d, %s) fired nowhere: %s", r + 1,
                                      record.line, what.c_str(), why.c_str()));
  }
}

// Returns the program length, or -1 when a build would stop on the listing.
std::int32_t check_listing(const FileRead& file, Checker& c) {
  ListingResult result = convert(file.bytes);
  std::size_t size = file.bytes.size();
  if (result.refusal || result.bytes_read == size) {
    c.fact(kInputsSection, format("list3.txt: %s, all read", count_of(size, "byte").c_str()));
  } else {
    c.warning(kInputsSection,
              format("list3.txt: %zu bytes; the first %zu are read, to the byte 0x1A, %zu ignored",
                     size, result.bytes_read, size - result.bytes_read));
  }
  int dropped = 0;
  for (int count : result.watch.dropped)
    dropped += count;
  c.fact(kListingSection,
         format("%s read: %s stored, %d dropped",
                count_of(result.lines.size() + static_cast<std::size_t>(dropped), "line").c_str(),
                count_of(result.lines.size(), "record").c_str(), dropped));
  for (std::size_t i = 0; i < kDroppedLines.size(); ++i) {
    if (result.watch.dropped[i] == 0) {
      c.warning(kListingSection, format("no line %d to drop: a build leaves lines %d and %d out",
                                        kDroppedLines[i], kDroppedLines[0], kDroppedLines[1]));
    }
  }
  check_numbers(result, c);
  check_records(result, c);
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
  check_sizes(inputs, c);
  std::int32_t program_length = -1;
  if (readable(inputs.files[kListing])) program_length = check_listing(inputs.files[kListing], c);
  bool memory_readable = readable(inputs.files[kList1]) && readable(inputs.files[kList2]) &&
                         readable(inputs.files[kPatch]);
  if (!memory_readable) return c.report;
  auto memory = std::make_unique<LoadedMemory>();
  std::vector<PatchRecordSeen> records;
  std::optional<std::string> refusal;
  try {
    load_memory(inputs, *memory, [&records](const PatchRecordSeen& r) { records.push_back(r); });
  } catch (const Failure& failure) {
    refusal = failure.message();
  }
  check_patch(records, *memory, c);
  if (refusal) {
    c.error(kPatchSection, *refusal);
    return c.report;
  }
  check_unset_places(*memory, c);
  check_video_addresses(*memory, c);
  if (program_length >= 0) check_disk(*memory, program_length, c);
  return c.report;
}

std::string check_text(const CheckReport& report) {
  std::string text;
  for (std::size_t s = 0; s < kCheckSections.size(); ++s) {
    text += kCheckSections[s];
    text += "\n";
    for (const CheckFinding& f : report.findings) {
      if (f.section != static_cast<int>(s)) continue;
      text += "  ";
      if (f.level != Level::fact) text += kLevelNames[static_cast<std::size_t>(f.level)] + std::string(": ");
      text += f.text + "\n";
    }
  }
  int errors = report.count(Level::error), warnings = report.count(Level::warning);
  text += format("verdict: %s, %s\n", count_of(static_cast<std::size_t>(errors), "error").c_str(),
                 count_of(static_cast<std::size_t>(warnings), "warning").c_str());
  return text;
}

}  // namespace flyseat::inspect
