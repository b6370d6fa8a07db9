// The inspector over arbitrary bytes: list (both forms, with the round-trip check), info, and
// check with the bytes as every one of the five inputs. Whatever the bytes, it reads nothing
// outside them, and it says something of every file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "inspect.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace flyseat::inspect;
  std::span<const std::uint8_t> file(data, size);
  for (bool raw : {false, true}) {
    Listing listing = find_program(file, raw);
    check_round_trip(listing);
    if (listing.sound() && file.empty()) std::abort();  // an empty file holds no program
  }
  Description described = describe_image(file);
  // A sound file is described.
  if (described.sound() && description_lines(described).empty()) std::abort();
  d88_difference(file, file);

  GameInputs inputs;
  for (FileRead& input : inputs.files) {
    input.bytes.assign(file.begin(), file.end());
    input.size = file.size();
  }
  CheckReport report = check_inputs(inputs);
  if (check_text(report).find("verdict: ") == std::string::npos) std::abort();
  return 0;
}
