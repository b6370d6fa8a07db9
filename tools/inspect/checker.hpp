// The check's own pieces: how its findings are gathered, and the sections that look at the
// patch file, the listing and the memory image, each a file of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "check.hpp"
#include "flyseat/basic.hpp"
#include "flyseat/text.hpp"

namespace flyseat::inspect {

inline constexpr std::size_t kMostOfAKind = 5;  // warnings of one kind listed; the rest counted

struct Checker {
  CheckReport report;
  void add(Section s, Level level, Finding finding) {
    finding.level = level;
    report.sections[s].push_back(std::move(finding));
  }
  void fact(Section s, Finding finding) { add(s, Level::fact, std::move(finding)); }
  // A fact that belongs to the one before it.
  void detail(Section s, Finding finding) {
    finding.detail = true;
    fact(s, std::move(finding));
  }
  void warning(Section s, Finding finding) { add(s, Level::warning, std::move(finding)); }
  void error(Section s, Finding finding) { add(s, Level::error, std::move(finding)); }
  // Warnings of one kind: the first few, then how many more.
  void warnings(Section s, const Findings& found, const char* one, const char* more);
};

// The listing converted as a build converts it, every line watched.
struct ListingResult {
  std::vector<ListingLineSeen> lines;
  ListingWatch watch;
  std::optional<Finding> refusal;  // what a build would stop with
  std::int32_t program_length = -1;
  std::size_t bytes_read = 0;  // up to a byte 0x1A, or where a build stops
};
ListingResult convert_watched(std::span<const Byte> listing);
// The Listing section.
void check_listing(const ListingResult& result, std::span<const Byte> listing, Checker& c);

// The Patch file section: loads the memory image as a build does, watching each record as the
// build's own patch stage applies it. False when a build would stop on the patch file.
bool check_patch(const GameInputs& inputs, LoadedMemory& memory, Checker& c);

// The Memory image section; the disk layout only of a program a build would store.
void check_memory(const GameInputs& inputs, const LoadedMemory& memory, std::int32_t program_length,
                  Checker& c);

}  // namespace flyseat::inspect
