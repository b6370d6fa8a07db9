// What a check finds, of one type everywhere: the format checks of the images, the check of a
// game's inputs, a stage that would stop a build. A finding names its file and its place in one
// way, and where it compares a field with what a build writes, the field, its value and the
// value expected; a face (the command line's text or JSON, the page) renders it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "flyseat/failure.hpp"

namespace flyseat {

// A fact is plain information; a warning, something a build takes but probably not as the
// porter wants; an error, something a build refuses or does not write.
enum class Level { fact, warning, error };
inline constexpr std::array<const char*, 3> kLevelNames = {"fact", "warning", "error"};

struct Finding {
  Level level = Level::error;
  std::string file{};  // the file it is about; empty when the face gives it
  std::string
      place{};  // where in the file: "sector 37 (cylinder 2, R 6)", "offset 3141", "line 90"
  std::string field{};     // what stands there: "R", "link field", "size"
  std::string value{};     // what the field holds
  std::string expected{};  // what a build writes there, or the range it takes
  std::string note{};      // the rest, or all of it for a finding that compares no field
  bool detail = false;     // belongs to the finding before it, and is shown under it
};
using Findings = std::vector<Finding>;

// The finding as one line: "PLACE: FIELD is VALUE, expected EXPECTED; NOTE", with whatever it
// lacks left out. The file is the face's to add.
std::string finding_text(const Finding& finding);

// "sector 37 (cylinder 2, R 6)": a sector of the disk, counted from 0 in disk order, with the
// cylinder and the sector number its header gives it; the one way a place on the disk is named.
std::string sector_place(int s);
// "offset 3141".
std::string offset_place(std::size_t offset);
// How a check names a byte offset of the bytes it is given: offset_place for a file, another
// for bytes gathered from elsewhere (the sectors of a D88 image).
using PlaceOf = std::string (*)(std::size_t offset);

// The finding of a stage that a build would stop with: its message, the file it names.
Finding finding_of(const Failure& failure);

}  // namespace flyseat
