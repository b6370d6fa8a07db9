// The check before a build: the build's own stages run on the inputs in memory, watched, to
// tell the porter whether the inputs are the game that the compiled-in tables were made for.
// A record that matches nothing or a halved word that was never a video address leaves a
// build silent; here they are warnings.
#include <algorithm>
#include <memory>

#include "checker.hpp"

namespace flyseat::inspect {

void Checker::warnings(Section s, const std::vector<std::string>& texts, const char* one,
                       const char* more) {
  for (std::size_t i = 0; i < texts.size() && i < kMostOfAKind; ++i)
    warning(s, texts[i]);
  if (texts.size() > kMostOfAKind) {
    std::size_t rest = texts.size() - kMostOfAKind;
    warning(s, format("and %zu more %s", rest, rest == 1 ? one : more));
  }
}

namespace {

// --- Inputs ---------------------------------------------------------------------------------

void check_checksums(const FileRead& file, Checker& c) {
  if (file.checksums.crc32.empty() && file.checksums.sha1.empty()) return;
  c.detail(kInputsSection, format("CRC-32 %s, SHA-1 %s", file.checksums.crc32.c_str(),
                                  file.checksums.sha1.c_str()));
}

// How much of the listing a build reads: all of it, or up to a byte 0x1A.
void check_listing_size(const FileRead& file, const ListingResult& listing, Checker& c) {
  if (listing.refusal || listing.bytes_read == file.size) {
    c.fact(kInputsSection,
           format("%s: %s, all read", kListingName, count_of(file.size, "byte").c_str()));
  } else {
    c.warning(kInputsSection,
              format("%s: %llu bytes; the first %zu are read, to the byte 0x%02X, %llu ignored",
                     kListingName, static_cast<unsigned long long>(file.size), listing.bytes_read,
                     kEndOfText, static_cast<unsigned long long>(file.size - listing.bytes_read)));
  }
}

// The size of an input and how much of it a build reads, then the checksums of the whole file,
// for a porter to look up in a catalogue of known releases.
void check_size(const FileRead& file, Input input, const std::optional<ListingResult>& listing,
                Checker& c) {
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
      if (input == kListing) {
        check_listing_size(file, *listing, c);
      } else if (most != kWhole && file.size > most) {
        c.warning(kInputsSection, format("%s: %llu bytes; the first %llu are read, %llu ignored",
                                         name, static_cast<unsigned long long>(file.size),
                                         static_cast<unsigned long long>(most),
                                         static_cast<unsigned long long>(file.size - most)));
      } else {
        c.fact(kInputsSection,
               format("%s: %s, all read", name, count_of(file.size, "byte").c_str()));
      }
  }
  check_checksums(file, c);
}

}  // namespace

int CheckReport::count(Level level) const {
  return static_cast<int>(
      std::count_if(findings.begin(), findings.end(),
                    [level](const CheckFinding& f) { return f.level == level; }));
}

CheckReport check_inputs(const GameInputs& inputs) {
  Checker c;
  const FileRead& listing_file = inputs.files[kListing];
  std::optional<ListingResult> listing;
  if (listing_file.status == ReadStatus::read) listing = convert_watched(listing_file.bytes);
  for (std::size_t i = 0; i < kInputCount; ++i)
    check_size(inputs.files[i], Input(i), listing, c);
  if (listing) check_listing(*listing, listing_file.bytes, c);
  if (!unread_memory_input(inputs)) {
    auto memory = std::make_unique<LoadedMemory>();
    if (check_patch(inputs, *memory, c))
      check_memory(*memory, listing ? listing->program_length : -1, c);
  }
  for (const std::string& blocked : inputs.outputs_blocked)
    c.error(kOutputsSection, blocked);
  if (inputs.outputs_blocked.empty())
    c.fact(kOutputsSection, "nothing stands in the way of the four outputs");
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
      lines.push_back(
          {f.level, std::string(static_cast<std::size_t>(2 + 2 * f.depth), ' ') + level + f.text});
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