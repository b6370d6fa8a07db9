// The listing path alone: arbitrary listing bytes give a program that fits the program buffer
// with its end marker, or a refusal about list3.txt.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "flyseat/basic.hpp"
#include "flyseat/failure.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace flyseat;
  static auto work = std::make_unique<WorkArea>();
  *work = WorkArea{};
  Source listing;
  open_bytes(listing, "list3.txt", std::span<const Byte>(data, size));
  try {
    if (convert_listing(listing, *work) + kEndMarkerSize > kProgramSize) std::abort();
  } catch (const Failure& failure) {
    if (std::strncmp(failure.message(), "list3.txt: ", 11) != 0) std::abort();
  }
  return 0;
}
