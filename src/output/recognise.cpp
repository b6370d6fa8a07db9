#include "flyseat/recognise.hpp"

#include "flyseat/d88.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"

namespace flyseat {

Recognised recognise_image(std::span<const Byte> file) {
  Recognised best;
  for (Recognised r : {Recognised{ImageFormat::tape, tape_certainty(file)},
                       Recognised{ImageFormat::d88, d88_certainty(file)},
                       Recognised{ImageFormat::raw_disk, raw_disk_certainty(file)}}) {
    if (r.certainty > best.certainty) best = r;
  }
  return best;
}

}  // namespace flyseat
