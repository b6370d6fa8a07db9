// A file known by what it is: each format the companion reads weighs the facts its decoder finds
// and says how sure it is that the file is of that format, from 0 to 100; the most certain wins.
#pragma once

#include <span>

#include "flyseat/image_kind.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat::inspect {

// The most certain format, the first of tape, D88, raw disk and HFE on a tie (hfe.hpp has
// hfe_certainty). An empty file is empty, one that no format takes unknown (certainty 0).
struct Recognised {
  ImageKind kind = ImageKind::unknown;
  int certainty = 0;
};
Recognised recognise_image(std::span<const Byte> file);

}  // namespace flyseat::inspect
