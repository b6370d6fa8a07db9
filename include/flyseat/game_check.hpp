// The check before a build: the five inputs as they were read, and the build's own stages run
// dry on them, each stage judging what it does as it does it (the patch file's in patch.hpp, the
// listing's in listing_check.hpp, the memory image's in memory_check.hpp). The faces read the
// files and render the report.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flyseat/check_report.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/finding.hpp"
#include "flyseat/folder.hpp"
#include "flyseat/io.hpp"
#include "flyseat/memory_check.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

// The checksums that preservation catalogues list, as lower-case hex.
struct Checksums {
  std::string crc32;
  std::string sha1;
};

enum class ReadStatus { read, cannot_open, cannot_read, not_a_file, too_large };
struct FileRead {
  ReadStatus status = ReadStatus::read;
  std::vector<Byte> bytes;  // its first bytes: at most as many as it was read for
  std::uint64_t size = 0;   // of the whole file, as far as it could be read
  std::string reason;       // why it could not be opened or read
  Checksums checksums;      // of the whole file
  // Opens the whole file again for reading from its start, when more of it is there than
  // `bytes` keeps: the patch file and the listing are read as a build reads them, however large.
  std::function<void(Source&)> reopen;
  bool whole() const { return bytes.size() == size; }
  // Opens it for reading as a build reads it: the bytes kept, or the whole file again.
  void open(Source& source, const char* name) const;
};

// How much of an input the check keeps in memory: what a build reads of it, and of an input a
// build reads whole (the patch file, the listing) this much, the rest read again from the file
// as the check goes. Its size and checksums are always those of the whole file.
inline constexpr std::size_t kMaxCheckSize = 1 << 20;
constexpr std::size_t check_limit(Input input) {
  return kMostRead[input] ? static_cast<std::size_t>(*kMostRead[input]) : kMaxCheckSize;
}

inline constexpr int kInputCount = kInputNames.size();

// The five inputs, by Input, each as read, and what stands in the way of the outputs of a build
// whose outputs have these sizes (none when it stops before writing): errors in the build's
// words ("cannot open flyseat3.p6: ..."), and facts. Unset for a game in memory.
struct GameInputs {
  std::array<FileRead, kInputCount> files;
  std::function<Findings(const std::optional<OutputSizes>& sizes)> foresee_outputs;
};

// The first input the memory image is made of (list1, list2, the patch file) that was not read
// as far as a build reads it.
std::optional<Input> unread_memory_input(const GameInputs& inputs);

// The memory image a build makes of the inputs before it converts anything. A patch record that
// a build refuses stops it with the build's Failure.
void load_memory(const GameInputs& inputs, LoadedMemory& memory);

// Runs the build's stages on the inputs, without writing anything, into the report's sections;
// the Outputs section from what `foresee_outputs` says of outputs of the sizes the stages found.
CheckReport check_game(const GameInputs& inputs);

}  // namespace flyseat
