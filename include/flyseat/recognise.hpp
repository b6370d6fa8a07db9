// A file known by what it is: each format's recogniser (beside the format) weighs the facts it
// has and says how sure it is; the most certain format wins.
#pragma once

#include <span>

#include "flyseat/work_area.hpp"

namespace flyseat {

enum class ImageFormat { none, tape, d88, raw_disk };

struct Recognised {
  ImageFormat format = ImageFormat::none;
  int certainty = 0;  // from 1 to 100; 0 when no format takes the file
};
// The most certain of the formats, the first of tape, D88 and raw disk on a tie.
Recognised recognise_image(std::span<const Byte> file);

}  // namespace flyseat
