// The check before a build: the build's own stages run on the inputs in memory, watched, to
// tell the porter whether the inputs are the game that the compiled-in tables were made for.
// A record that matches nothing or a halved word that was never a video address leaves a
// build silent; here they are warnings.
#include <algorithm>
#include <memory>

#include "checker.hpp"
#include "problems.hpp"

namespace flyseat::inspect {

void Checker::warnings(Section s, const Findings& found, const char* one, const char* more) {
  for (std::size_t i = 0; i < found.size() && i < kMostOfAKind; ++i)
    warning(s, found[i]);
  if (found.size() > kMostOfAKind) {
    std::size_t rest = found.size() - kMostOfAKind;
    warning(s, {.note = format("and %zu more %s", rest, rest == 1 ? one : more)});
  }
}

namespace {

// --- Inputs ---------------------------------------------------------------------------------

void check_checksums(const FileRead& file, Checker& c) {
  if (file.checksums.crc32.empty()) return;  // a file that was not read
  c.detail(kInputsSection, {.note = format("CRC-32 %s, SHA-1 %s", file.checksums.crc32.c_str(),
                                           file.checksums.sha1.c_str())});
}

unsigned long long ull(std::uint64_t n) {
  return static_cast<unsigned long long>(n);
}

// How much of the listing a build reads: all of it, or up to a byte 0x1A.
void check_listing_size(const FileRead& file, const ListingResult& listing, Checker& c) {
  if (listing.refusal || listing.bytes_read == file.size) {
    c.fact(kInputsSection,
           {.file = kListingName, .note = count_of(file.size, "byte") + ", all read"});
  } else {
    c.warning(
        kInputsSection,
        {.file = kListingName,
         .note = format("%llu bytes; the first %zu are read, to the byte 0x%02X, %llu ignored",
                        ull(file.size), listing.bytes_read, kEndOfText,
                        ull(file.size - listing.bytes_read))});
  }
}

// The size of an input and how much of it a build reads, then the checksums of the whole file,
// for a porter to look up in a catalogue of known releases.
void check_size(const FileRead& file, Input input, const std::optional<ListingResult>& listing,
                Checker& c) {
  const char* name = kInputNames[input];
  switch (file.status) {
    case ReadStatus::cannot_open:
      return c.error(kInputsSection, {.note = format(kCannotOpen, name)});
    case ReadStatus::cannot_read:
      return c.error(kInputsSection, {.note = format(kCannotRead, name)});
    case ReadStatus::not_a_file:
      return c.error(kInputsSection, {.file = name, .note = kNotAFile});
    case ReadStatus::too_large:
      c.warning(kInputsSection,
                {.file = name, .note = format("%llu bytes, too large to check", ull(file.size))});
      break;
    case ReadStatus::read:
      if (input == kListing) {
        check_listing_size(file, *listing, c);
      } else if (std::uint64_t most = check_limit(input); kMostRead[input] && file.size > most) {
        c.warning(kInputsSection,
                  {.file = name,
                   .note = format("%llu bytes; the first %llu are read, %llu ignored",
                                  ull(file.size), ull(most), ull(file.size - most))});
      } else {
        c.fact(kInputsSection, {.file = name, .note = count_of(file.size, "byte") + ", all read"});
      }
  }
  check_checksums(file, c);
}

}  // namespace

int CheckReport::count(Level level) const {
  int n = 0;
  for (const Findings& section : sections) {
    n += static_cast<int>(std::count_if(section.begin(), section.end(),
                                        [level](const Finding& f) { return f.level == level; }));
  }
  return n;
}

Level CheckReport::worst() const {
  return count(Level::error) > 0     ? Level::error
         : count(Level::warning) > 0 ? Level::warning
                                     : Level::fact;
}

std::string CheckReport::verdict() const {
  return format("verdict: %s, %s",
                count_of(static_cast<std::size_t>(count(Level::error)), "error").c_str(),
                count_of(static_cast<std::size_t>(count(Level::warning)), "warning").c_str());
}

CheckReport check_inputs(const GameInputs& inputs) {
  Checker c;
  const FileRead& listing_file = inputs.files[kListing];
  std::optional<ListingResult> listing;
  if (listing_file.status == ReadStatus::read) listing = convert_watched(listing_file.bytes);
  for (std::size_t i = 0; i < kInputCount; ++i)
    check_size(inputs.files[i], Input(i), listing, c);
  if (listing) check_listing(*listing, listing_file.bytes, c);
  std::optional<OutputSizes> sizes;
  if (!unread_memory_input(inputs)) {
    auto memory = std::make_unique<LoadedMemory>();
    std::int32_t program = listing ? listing->program_length : -1;
    if (check_patch(inputs, *memory, c)) {
      check_memory(inputs, *memory, program, c);
      if (program >= 0) sizes = output_sizes(memory->dumps.list1, memory->list2_length, program);
    }
  }
  Findings outputs = inputs.foresee_outputs ? inputs.foresee_outputs(sizes) : Findings{};
  if (std::none_of(outputs.begin(), outputs.end(),
                   [](const Finding& f) { return f.level == Level::error; }))
    c.fact(kOutputsSection, {.note = "nothing stands in the way of the four outputs"});
  for (Finding& finding : outputs)
    c.add(kOutputsSection, finding.level, std::move(finding));
  return c.report;
}

std::vector<CheckLine> check_lines(const CheckReport& report) {
  std::vector<CheckLine> lines;
  for (std::size_t s = 0; s < kCheckSections.size(); ++s) {
    lines.push_back({Level::fact, kCheckSections[s]});
    for (const Finding& f : report.sections[s]) {
      std::string level = f.level == Level::fact
                              ? ""
                              : kLevelNames[static_cast<std::size_t>(f.level)] + std::string(": ");
      lines.push_back({f.level, std::string(f.detail ? 4 : 2, ' ') + level + said(f)});
    }
  }
  lines.push_back({Level::fact, report.verdict()});
  return lines;
}

std::string check_text(const CheckReport& report) {
  std::string text;
  for (const CheckLine& line : check_lines(report))
    text += line.text + "\n";
  return text;
}

}  // namespace flyseat::inspect
