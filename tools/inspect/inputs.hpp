// The files the inspector looks at, as they were read: whole or up to a limit, with the
// checksums of the whole file, or why they could not be read; the five inputs of a game, and the
// memory image that a build loads from them.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flyseat/file_names.hpp"
#include "flyseat/finding.hpp"
#include "flyseat/folder.hpp"
#include "flyseat/image.hpp"
#include "flyseat/io.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat::inspect {

// The checksums that preservation catalogues list, as lower-case hex: CRC-32 by the inspector's
// own table, SHA-1 by whoever reads the file (the command line with nettle, the page with the
// browser's).
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
  // `bytes` keeps: a patch file is read as a build reads it, however large.
  std::function<void(Source&)> reopen;
  bool whole() const { return bytes.size() == size; }
};
// The problem of a file that could not be read whole: "cannot open: REASON" and the like.
std::optional<Finding> read_problem(const std::string& name, const FileRead& read,
                                    std::size_t limit);

// A file larger than this is no image of a build and is not read further.
inline constexpr std::size_t kMaxInspectSize = 1 << 20;
// A build reads the listing whole, whatever its size; the check keeps it up to this, and says it
// does not check a larger one. A patch file is streamed instead, however large.
inline constexpr std::size_t kMaxCheckSize = 16 << 20;
// How much of an input the check keeps: what a build reads of it, and of an input read whole
// kMaxCheckSize. Its size and checksums are always those of the whole file.
constexpr std::size_t check_limit(Input input) {
  return kMostRead[input] ? static_cast<std::size_t>(*kMostRead[input]) : kMaxCheckSize;
}
// Marks a listing larger than the check takes as too large, and drops what was kept of it.
void limit_listing(FileRead& listing);

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

// The memory image after the dumps and the patch file, as a build has it before converting.
struct LoadedMemory {
  MemoryImage image{};
  std::bitset<kMemorySize> loaded;  // set by a dump or a patch record; the rest is unset
  DumpLengths dumps{};              // as read
  std::int32_t list2_length = 0;    // after the patch file
  PatchSummary patch;

  // How many of the `size` bytes from `first` a dump or a patch record set.
  int loaded_count(int first, int size) const;
};
// Loads the dumps and applies the patch file as a build does, handing each record to `watch`.
// A patch record that a build refuses stops it with the build's Failure.
void load_memory(const GameInputs& inputs, LoadedMemory& memory, const PatchWatcher& watch = {});

}  // namespace flyseat::inspect
