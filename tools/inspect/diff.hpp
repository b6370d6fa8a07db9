// `diff`: two images compared as a porter reads them (see flyseat/compare.hpp), each known by
// what it is, or the trouble that keeps them from being compared: a file that cannot be read,
// or one that is no image of a build.
#pragma once

#include <string>

#include "flyseat/compare.hpp"
#include "images.hpp"

namespace flyseat::inspect {

struct DiffReport {
  std::array<FileDescription, 2> files;
  Findings problems;  // the trouble, each naming its file
  Comparison comparison;
  // As cmp and diff end: 0 the same, 1 different, 2 trouble.
  int status() const { return !problems.empty() ? 2 : comparison.same() ? 0 : 1; }
};
DiffReport diff_files(const NamedFile& first, const NamedFile& second);

// The differences, one a line, then the trouble as "FILE: TEXT": what the page shows.
std::string diff_text(const DiffReport& report);

}  // namespace flyseat::inspect
