// The inspector over arbitrary bytes taken as an image: list (both forms, with the round-trip
// check) and info read nothing outside them, and what the format checks call sound is what the
// encoder writes: a sound D88 image is exactly the encoding of the raw disk image it holds, and
// a sound raw disk image encodes to a sound D88 image that holds it; the HFE image of either
// holds that D88 image, its check finding nothing; an image compared with itself differs in
// nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "diff.hpp"
#include "flyseat/d88.hpp"
#include "flyseat/raw_disk.hpp"
#include "hfe.hpp"
#include "info.hpp"
#include "listing.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace flyseat;
  using namespace flyseat::inspect;
  std::span<const std::uint8_t> file(data, size);
  for (bool raw : {false, true}) {
    Listing listing = find_program(file, raw);
    check_round_trip(listing);
    if (listing.sound() && !listing.program.ended) std::abort();
  }
  ImageKind kind = recognise_image(file).kind;
  if ((is_tape(kind) || is_disk(kind)) && !compare_images(file, file).empty()) std::abort();
  Description described = describe_image(file);
  if (!described.sound()) return 0;
  if (described.kind == ImageKind::d88 && d88_difference(file, described.held)) std::abort();
  static auto d88 = std::make_unique<D88Image>();
  if (described.kind == ImageKind::raw_disk) {
    encode_d88_image(file, *d88);
    D88Check check = check_d88_image(*d88);
    if (!check.findings.empty() ||
        !std::equal(check.held.begin(), check.held.end(), file.begin(), file.end()))
      std::abort();
  } else if (described.kind == ImageKind::d88) {
    std::copy(file.begin(), file.end(), d88->begin());
  } else {
    return 0;
  }
  static auto hfe = std::make_unique<HfeImage>();
  if (hfe_of(file, *hfe)) std::abort();
  HfeCheck check = check_hfe(*hfe);
  if (!check.findings.empty() || !std::equal(check.d88.begin(), check.d88.end(), d88->begin()))
    std::abort();
  return 0;
}
