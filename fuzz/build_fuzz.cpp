// The whole build on arbitrary inputs: it either completes with outputs whose sizes follow
// from the three lengths, or refuses with one of its known messages.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "flyseat/memory_build.hpp"
#include "fuzz_input.hpp"

namespace {

using namespace flyseat;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

bool starts_with(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool known_refusal(const char* message) {
  return starts_with(message, "patch.bin: record at offset ") ||
         starts_with(message, "list3.txt: program too large at line ") ||
         (starts_with(message, "list3.txt: line ") &&
          std::strstr(message, " too long after editing"));
}

void check_outputs(const BuildInputs& in, const MemoryBuild& build) {
  auto data_tape = build.output(kDataTapeName);
  auto main_tape = build.output(kMainTapeName);
  auto raw_disk = build.output(kRawDiskName);
  auto d88 = build.output(kD88Name);

  std::int64_t list1 =
      std::min<std::int64_t>(static_cast<std::int64_t>(in.list1.size()), kList1Max);
  std::int64_t list2 = static_cast<std::int64_t>(data_tape.size()) - kTapeHeaderSize - list1;
  std::int64_t list2_read =
      std::min<std::int64_t>(static_cast<std::int64_t>(in.list2.size()), kList2Max);
  check(list2 >= list2_read && list2 <= kList2Max, "list2 length within its bounds");
  std::int64_t program =
      static_cast<std::int64_t>(main_tape.size()) - kTapeHeaderSize - kEndMarkerSize;
  check(program >= 0 && program + kEndMarkerSize <= kProgramSize, "program fits its buffer");
  for (int i = 0; i < kEndMarkerSize; ++i) {
    check(main_tape[main_tape.size() - 1 - static_cast<std::size_t>(i)] == 0, "end marker");
  }
  std::int64_t blocks = 1 + block_count(static_cast<std::int32_t>(list1)) +
                        block_count(static_cast<std::int32_t>(list2)) +
                        block_count(static_cast<std::int32_t>(program + kEndMarkerSize));
  check(static_cast<std::int64_t>(raw_disk.size()) == blocks * 4096, "raw disk size");
  std::size_t loader = std::min<std::size_t>(in.loader.size(), 4096);
  check(std::memcmp(raw_disk.data(), in.loader.data(), loader) == 0, "loader block");
  for (std::size_t i = loader; i < 4096; ++i)
    check(raw_disk[i] == 0xFF, "loader fill");
  check(d88.size() == static_cast<std::size_t>(kD88Size), "D88 size");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto build = std::make_unique<MemoryBuild>();
  BuildInputs in = fuzz::split_inputs(std::span<const std::uint8_t>(data, size));
  build_in_memory(in, *build);
  if (build->status == 0) {
    check_outputs(in, *build);
  } else {
    check(build->status == 1, "status is 0 or 1");
    check(known_refusal(build->failure.message()), build->failure.message());
    check(build->output(kDataTapeName).empty(), "a refusal leaves no output");
  }
  return 0;
}
