// The listing path alone: arbitrary listing bytes give a program of well-formed line records
// and its end marker inside the program buffer, or one of the two listing refusals.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "flyseat/basic.hpp"
#include "flyseat/failure.hpp"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace flyseat;
  static auto work = std::make_unique<WorkArea>();
  *work = WorkArea{};
  Source listing;
  open_bytes(listing, "list3.txt", std::span<const Byte>(data, size));
  std::int32_t length = 0;
  try {
    length = convert_listing(listing, *work);
  } catch (const Failure& failure) {
    check(std::strncmp(failure.message(), "list3.txt: ", 11) == 0, failure.message());
    return 0;
  }
  check(length >= 0 && length + kEndMarkerSize <= kProgramSize, "program fits its buffer");
  // Records are FF FF, a line number, token bytes that are never zero, and a zero byte.
  std::int32_t at = 0;
  while (at < length) {
    check(length - at >= 5, "a record has at least 5 bytes");
    check(work->program[at] == 0xFF && work->program[at + 1] == 0xFF, "link field");
    std::int32_t end = at + 4;
    while (end < length && work->program[end] != 0)
      ++end;
    check(end < length, "a record ends with a zero byte inside the program");
    at = end + 1;
  }
  check(at == length, "records fill the program length exactly");
  for (int i = 0; i < kEndMarkerSize; ++i)
    check(work->program[length + i] == 0, "end marker");
  return 0;
}
