// The patch reader on arbitrary bytes: it stores within the image, keeps the list2 length
// within its bounds, and refuses only records that run past the end of memory.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "flyseat/failure.hpp"
#include "flyseat/image.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace flyseat;
  static auto memory = std::make_unique<MemoryImage>();
  memory->fill(0);
  std::int32_t list2_length = size > 0 ? data[0] : 0;
  const std::int32_t before = list2_length;
  Source patch;
  open_bytes(patch, "patch.bin", std::span<const Byte>(data, size));
  try {
    apply_patch(patch, *memory, list2_length);
  } catch (const Failure& failure) {
    if (std::strstr(failure.message(), "runs past the end of memory") == nullptr) std::abort();
  }
  if (list2_length < before || list2_length > kList2Max) {
    std::fprintf(stderr, "list2 length %d out of bounds\n", list2_length);
    std::abort();
  }
  return 0;
}
