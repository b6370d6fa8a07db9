// The check's own pieces: how its findings are gathered, and the sections that look at the
// patch file, the listing and the memory image, each a file of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "flyseat/basic.hpp"
#include "inspect.hpp"
#include "text.hpp"

namespace flyseat::inspect {

inline constexpr std::size_t kMostOfAKind = 5;  // warnings of one kind listed; the rest counted

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
                const char* more);
};

// The listing converted as a build converts it, every line watched.
struct ListingResult {
  std::vector<ListingLineSeen> lines;
  ListingWatch watch;
  std::optional<std::string> refusal;  // the message a build would stop with
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
void check_memory(const LoadedMemory& memory, std::int32_t program_length, Checker& c);

}  // namespace flyseat::inspect
