// The whole build on arbitrary inputs, given as four 16-bit little-endian lengths (loader,
// list1, list2, patch), those inputs back to back, and the listing in the rest. A build either
// writes its outputs, the D88 image of its fixed size, or refuses with a message about
// patch.bin or list3.txt and writes nothing.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "flyseat/memory_build.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace flyseat;
  std::span<const Byte> rest(data, size), parts[4];
  std::size_t lengths[4] = {};
  for (std::size_t i = 0; i < 4 && rest.size() >= 2; ++i, rest = rest.subspan(2))
    lengths[i] = static_cast<std::size_t>(rest[0] | rest[1] << 8);
  for (std::size_t i = 0; i < 4; ++i, rest = rest.subspan(parts[i - 1].size()))
    parts[i] = rest.first(std::min(lengths[i], rest.size()));
  static auto build = std::make_unique<MemoryBuild>();
  build_in_memory({parts[0], parts[1], parts[2], parts[3], rest}, *build);
  std::string_view message = build->failure.message();
  if (build->status == 0
          ? build->output(kD88Name).size() != kD88Size
          : !build->output(kDataTapeName).empty() ||
                !(message.starts_with("patch.bin: ") || message.starts_with("list3.txt: ")))
    std::abort();
  return 0;
}
