// A whole build on byte strings: the five inputs in memory, the four outputs in memory, no
// file system. It runs exactly the stages and order of a build in a folder.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "flyseat/d88.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/io.hpp"
#include "flyseat/output.hpp"

namespace flyseat {

struct BuildInputs {
  std::span<const Byte> loader, list1, list2, patch, listing;
};

struct MemoryBuild {
  std::array<Byte, kMaxDataTapeSize> data_tape;
  std::array<Byte, kMaxMainTapeSize> main_tape;
  std::array<Byte, kMaxRawDiskSize> raw_disk;
  std::array<Byte, kD88Size> d88;
  // The five inputs, then the four outputs in the order a build writes them.
  std::array<MemoryFile, kInputNames.size() + kOutputNames.size()> files;
  int status;       // 0 after a complete build, 1 after a failure
  Failure failure;  // the message, when status is 1

  // What the build wrote to an output; empty when it did not create it.
  std::span<const Byte> output(const char* name) const;
  // What a run in a folder prints for the same inputs: a line for each output it finished,
  // then the failure's line, if any; each with its line feed.
  std::vector<std::string> message_lines() const;
  std::string messages() const;  // the lines one after another
};

// Runs the build; the outcome is in `build`. Reentrant: each call starts from zeroed buffers.
void build_in_memory(const BuildInputs& inputs, MemoryBuild& build);

}  // namespace flyseat
