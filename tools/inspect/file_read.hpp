// A file as the companion read it: whole or up to a limit, with the checksums of the whole file,
// or why it could not be read; the problem of one not read whole; and the five inputs of a game
// so read, as the check takes them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flyseat/finding.hpp"
#include "flyseat/game_check.hpp"

namespace flyseat::inspect {

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
};

// A file larger than this is no image of a build and is not read further.
inline constexpr std::size_t kMaxInspectSize = 1 << 20;

// The problem of a file that could not be read whole: "cannot open: REASON" and the like.
std::optional<Finding> read_problem(const std::string& name, const FileRead& read,
                                    std::size_t limit);

// The five inputs, by Input, each read as far as the check reads it (check_limit), or whole.
using InputFiles = std::array<FileRead, kInputCount>;
GameInputs game_inputs(const InputFiles& files);

// What the check asks of inputs read so: each opened again from its file, its checksums, and
// what stands in the way of the outputs, as its caller found it.
class InputFilesWatch final : public CheckWatch {
 public:
  explicit InputFilesWatch(const InputFiles& files, Findings outputs = {})
      : files_(files), outputs_(std::move(outputs)) {}
  bool reopen(Input input, Source& source) override;
  std::string checksums(Input input) override;
  Findings outputs() override { return outputs_; }

 private:
  const InputFiles& files_;
  Findings outputs_;
};

}  // namespace flyseat::inspect
