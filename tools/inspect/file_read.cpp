#include "file_read.hpp"

#include "flyseat/text.hpp"

namespace flyseat::inspect {

std::optional<Finding> read_problem(const std::string& name, const FileRead& read,
                                    std::size_t limit) {
  Finding problem{.file = name};
  switch (read.status) {
    case ReadStatus::cannot_open:
      problem.note = "cannot open: " + read.reason;
      return problem;
    case ReadStatus::cannot_read:
      problem.note = "cannot read: " + read.reason;
      return problem;
    case ReadStatus::not_a_file:
      problem.note = kNotAFile;
      return problem;
    case ReadStatus::too_large:  // read no further than that: its size is not known
      problem.note = format("larger than %zu bytes, which no file of a build is", limit);
      return problem;
    case ReadStatus::read:
      break;
  }
  return std::nullopt;
}

GameInputs game_inputs(const InputFiles& files) {
  GameInputs inputs;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const FileRead& file = files[i];
    constexpr InputState kStates[] = {InputState::read, InputState::cannot_open,
                                      InputState::cannot_read, InputState::not_a_file,
                                      InputState::read};  // by ReadStatus; too large is read
    inputs[i] = {kStates[static_cast<int>(file.status)], file.bytes, file.size};
  }
  return inputs;
}

bool InputFilesWatch::reopen(Input input, Source& source) {
  if (!files_[input].reopen) return false;
  files_[input].reopen(source);
  return true;
}

std::string InputFilesWatch::checksums(Input input) {
  const Checksums& sums = files_[input].checksums;
  if (sums.crc32.empty()) return {};  // a file that was not read
  return format("CRC-32 %s, SHA-1 %s", sums.crc32.c_str(), sums.sha1.c_str());
}

}  // namespace flyseat::inspect
