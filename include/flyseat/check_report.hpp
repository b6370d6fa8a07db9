// The report of the check before a build: its findings in five sections, each a fact, a warning
// (a build would succeed, but probably not as the porter wants) or an error (a build would fail,
// with its message); findings of one kind past the first few (five, unless the kind keeps more)
// folded into a count.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "flyseat/finding.hpp"

namespace flyseat {

enum Section { kInputsSection, kPatchSection, kListingSection, kMemorySection, kOutputsSection };
inline constexpr std::array<const char*, 5> kCheckSections = {"Inputs", "Patch file", "Listing",
                                                              "Memory image", "Outputs"};

struct CheckReport {
  std::array<Findings, kCheckSections.size()> sections;

  void add(Section s, Level level, Finding finding) {
    finding.level = level;
    sections[s].push_back(std::move(finding));
  }
  // The findings of a kind kept, then the count of the rest.
  void add(Section s, Level level, const FindingsOfAKind& kind) {
    for (Finding& f : kind.folded(level))
      sections[s].push_back(std::move(f));
  }
  void fact(Section s, Finding finding) { add(s, Level::fact, std::move(finding)); }
  // A fact that belongs to the one before it.
  void detail(Section s, Finding finding) {
    finding.detail = true;
    fact(s, std::move(finding));
  }
  void warning(Section s, Finding finding) { add(s, Level::warning, std::move(finding)); }
  void error(Section s, Finding finding) { add(s, Level::error, std::move(finding)); }

  int count(Level level) const;
  // The verdict: its worst level, and the line that closes the text report.
  Level worst() const;
  std::string verdict() const;
};

// The report's lines, each with its finding's level (a fact for the titles and the verdict): the
// sections, then the verdict.
struct CheckLine {
  Level level;
  std::string text;  // without its line feed
};
std::vector<CheckLine> check_lines(const CheckReport& report);
// The report as text, a line feed after each line.
std::string check_text(const CheckReport& report);

}  // namespace flyseat
