// Two images compared as a porter reads them: the tape header, the program lines that were
// added, removed or changed, the memory that differs by region and address with both bytes, and
// for disk images the sectors that differ with what they belong to. A D88 image and a raw disk
// image compare by what the D88 image holds. Nothing on an image says where list2 begins in
// its data: a byte there is named by its address in list1 where every layout the image allows
// puts list1, and otherwise by its place in the data.
#pragma once

#include <cstddef>
#include <span>

#include "flyseat/finding.hpp"
#include "flyseat/recognise.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

// Each kind of difference (header fields, lines, memory, sectors) is told this many times at
// most, then counted.
inline constexpr std::size_t kMostDifferences = 32;
// A run of differing bytes is told this many bytes at a time.
inline constexpr std::size_t kRunBytes = 16;

struct Comparison {
  Recognised first, second;
  Findings findings;  // one a difference, the first file's as expected, the second's as value
  bool same() const { return findings.empty(); }
};
// Both files are recognised images (recognise_image gives a format for each).
Comparison compare_images(std::span<const Byte> first, std::span<const Byte> second);

}  // namespace flyseat
