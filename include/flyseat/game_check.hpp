// The check before a build: the five inputs as its caller read them, and the build's own stages
// run dry on them, each stage judging what it does as it does it (the patch file's in patch.hpp,
// the listing's in listing_check.hpp, the memory image's in memory_check.hpp). The faces read
// the files, tell the check through its watch what only they know, and render the report.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "flyseat/check_report.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/finding.hpp"
#include "flyseat/io.hpp"
#include "flyseat/memory_check.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

enum class InputState { read, cannot_open, cannot_read, not_a_file };

// An input as its caller read it: its first bytes, as many as the check keeps (check_limit),
// and the size of the whole file.
struct InputRead {
  InputState state = InputState::read;
  std::span<const Byte> bytes;
  std::uint64_t size = 0;
  bool whole() const { return bytes.size() == size; }
};
inline constexpr int kInputCount = kInputNames.size();
using GameInputs = std::array<InputRead, kInputCount>;  // by Input

// How much of an input the check keeps in memory: what a build reads of it, and of an input a
// build reads whole (the patch file, the listing) this much, the rest read again from the file
// as the check goes.
inline constexpr std::size_t kMaxCheckSize = 1 << 20;
constexpr std::size_t check_limit(Input input) {
  return kMostRead[input] ? static_cast<std::size_t>(*kMostRead[input]) : kMaxCheckSize;
}

// What the check asks of its caller, who read the inputs; the defaults know only the bytes given.
class CheckWatch {
 public:
  virtual ~CheckWatch() = default;
  // Opens an input not kept whole, to read it from its start as a build reads it; false when it
  // cannot, and its kept bytes are read.
  virtual bool reopen(Input /*input*/, Source& /*source*/) { return false; }
  // The checksums of the whole file, as the Inputs section gives them; empty for none.
  virtual std::string checksums(Input /*input*/) { return {}; }
  // What stands in the way of the four outputs, in the build's words.
  virtual Findings outputs() { return {}; }
};

// The first input the memory image is made of (list1, list2, the patch file) that was not read.
std::optional<Input> unread_memory_input(const GameInputs& inputs);

// The memory image a build makes of the inputs before it converts anything. A patch record that
// a build refuses stops it with the build's Failure.
void load_memory(const GameInputs& inputs, CheckWatch& watch, LoadedMemory& memory);

// Runs the build's stages on the inputs, without writing anything, into the report's sections;
// the Outputs section from what the watch says of them.
CheckReport check_game(const GameInputs& inputs, CheckWatch& watch);

}  // namespace flyseat
