// `diff`: two images compared as a porter reads them, each known by what it is: the damage that
// info finds in either, then the tape header, the program lines that were added, removed or
// changed, the memory that differs by region and address with both bytes, and for disk images
// the sectors that differ with what they belong to. A D88 image and a raw disk image compare by
// what the D88 image holds. Nothing on an image says where list2 begins in its data: a byte
// there is named by its address in list1 where every layout the image allows puts list1, and
// otherwise by its place in the data.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "flyseat/finding.hpp"
#include "info.hpp"

namespace flyseat::inspect {

// Each kind of difference (header fields, lines, memory, sectors) and each file's damage is told
// this many times at most, then counted.
inline constexpr std::size_t kMostDifferences = 32;
// A run of differing bytes is told this many bytes at a time.
inline constexpr std::size_t kRunBytes = 16;

// Each finding a difference, the first file's as expected, the second's as value. Both files are
// images: recognise_image gives each a kind.
Findings compare_images(std::span<const Byte> first, std::span<const Byte> second);

// An image of the kind, as a finding names it: "a tape image", "an HFE image", "no image".
const char* kind_words(ImageKind kind);

struct DiffReport {
  std::array<FileDescription, 2> files;
  Findings problems;    // the trouble, each naming its file
  Findings damage;      // what info finds wrong with either, each naming its file
  Findings difference;  // of the two, when neither is trouble
  // As cmp ends: 0 the same, 1 different, 2 trouble.
  int status() const { return !problems.empty() ? 2 : difference.empty() ? 0 : 1; }
};
DiffReport diff_files(const NamedFile& first, const NamedFile& second);

// Two images a porter holds side by side: of one kind, or a D88 image and a raw disk image. The
// page compares two files given together when they are.
bool alike(ImageKind first, ImageKind second);

}  // namespace flyseat::inspect
