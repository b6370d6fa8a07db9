// `diff`: two images compared as a porter reads them (see flyseat/compare.hpp), each known by
// what it is, or the trouble that keeps them from being compared: a file that cannot be read,
// or one that is no image of a build.
#pragma once

#include <array>

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

// Two images a porter holds side by side: of one kind, or a D88 image and a raw disk image. The
// page compares two files given together when they are.
bool alike(ImageKind first, ImageKind second);

}  // namespace flyseat::inspect
