// list (both forms) and info over arbitrary bytes: whatever a file holds, the inspector
// reads nothing outside it and reports either a sound file or at least one problem.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "examine.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace flyseat::inspect;
  std::span<const std::uint8_t> file(data, size);
  for (bool raw : {false, true}) {
    Findings found;
    list_program(file, raw, found);
    if (found.sound() && file.empty()) std::abort();  // an empty file holds no program
  }
  Findings found;
  describe_image(file, found);
  if (found.sound() && found.report.empty()) std::abort();  // a sound file is described
  return 0;
}
