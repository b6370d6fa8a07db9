// How the faces show the findings that are problems: one line each naming the file, and in a
// text report at most twelve for one file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "flyseat/finding.hpp"

namespace flyseat::inspect {

// The texts of findings, one each, as JSON lists them.
std::vector<std::string> texts_of(const Findings& findings);

inline constexpr std::size_t kMostProblems = 12;  // shown for one file; the rest are counted
// The texts of one file's problems as a text report shows them: at most kMostProblems, then how
// many more there are.
std::vector<std::string> shown_problems(const Findings& problems);

}  // namespace flyseat::inspect
