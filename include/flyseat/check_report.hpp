// The report of the check before a build: its findings in five sections, each a fact, a warning
// (a build would succeed, but probably not as the porter wants) or an error (a build would fail,
// with its message); findings of one kind past the first few folded into a count, so that the
// report grows with the kinds of trouble, not with the size of the inputs.
#pragma once

#include <array>
#include <cstddef>
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

// Findings of one kind as they come: the first few kept, the rest only counted. A caller makes a
// finding only when it is kept: add(make) calls make() for the first few alone.
class FindingsOfAKind {
 public:
  // The kind, in the words of "and 1 more ONE", "and 2 more MORE"; how many are kept.
  FindingsOfAKind(const char* one, const char* more, std::size_t kept = 5)
      : one_(one), more_(more), most_kept_(kept) {}

  template <class Make>
  void add(Make&& make) {
    if (kept_.size() < most_kept_) {
      kept_.push_back(make());
    } else {
      ++more_count_;
    }
  }
  bool empty() const { return kept_.empty(); }
  // Into a section at `level`: the findings kept, then one that counts the rest.
  void report(CheckReport& report, Section s, Level level = Level::warning) const;

 private:
  const char* one_;
  const char* more_;
  std::size_t most_kept_;
  Findings kept_;
  std::size_t more_count_ = 0;
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
