// `check`: before a build, whether the inputs are the game that the compiled-in tables were made
// for. The build's own stages run on the inputs in memory, watched, and say what a porter should
// know: each finding a fact, a warning (a build would succeed, but probably not as the porter
// wants) or an error (a build would fail, with its message), in five sections.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "flyseat/finding.hpp"
#include "inputs.hpp"

namespace flyseat::inspect {

enum Section { kInputsSection, kPatchSection, kListingSection, kMemorySection, kOutputsSection };
inline constexpr std::array<const char*, 5> kCheckSections = {"Inputs", "Patch file", "Listing",
                                                              "Memory image", "Outputs"};
struct CheckReport {
  std::array<Findings, kCheckSections.size()> sections;
  int count(Level level) const;
  // The verdict: its worst level, and the line that closes the text report.
  Level worst() const;
  std::string verdict() const;
};
// Runs the build's stages on the inputs in memory; reads and writes nothing.
CheckReport check_inputs(const GameInputs& inputs);

// The report's lines, each with its finding's level (a fact for the titles and the verdict): the
// sections, then the verdict.
struct CheckLine {
  Level level;
  std::string text;  // without its line feed
};
std::vector<CheckLine> check_lines(const CheckReport& report);
// The report as text, a line feed after each line.
std::string check_text(const CheckReport& report);

}  // namespace flyseat::inspect
