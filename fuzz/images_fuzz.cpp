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
    Findings found;
    Program program = find_program(file, raw, found);
    check_round_trip(program, found);
    if (found.sound() && file.empty()) std::abort();  // an empty file holds no program
  }
  Findings found;
  describe_image(file, {}, found);
  if (found.sound() && found.report.empty()) std::abort();  // a sound file is described
  d88_difference(file, file);

  GameInputs inputs;
  for (FileRead& input : inputs.files)
    input.bytes.assign(file.begin(), file.end());
  CheckReport report = check_inputs(inputs);
  if (check_text(report).find("verdict: ") == std::string::npos) std::abort();
  return 0;
}
