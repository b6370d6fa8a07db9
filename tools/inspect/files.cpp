#include "files.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "checksums.hpp"

namespace flyseat::inspect {

FileRead read_file(const std::string& path, std::size_t limit) {
  FileRead read;
  bool from_stdin = path == kStandardStream;
  std::FILE* file = from_stdin ? stdin : std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    read.status = ReadStatus::cannot_open;
    read.reason = std::strerror(errno);
    return read;
  }
  // One byte more than the limit tells a file that is too large from one that just fits.
  read.bytes.resize(limit + 1);
  std::size_t got = std::fread(read.bytes.data(), 1, read.bytes.size(), file);
  int error = std::ferror(file) != 0 ? errno : 0;
  if (!from_stdin) std::fclose(file);
  read.bytes.resize(got);
  if (error != 0) {
    read.status = ReadStatus::cannot_read;
    read.reason = std::strerror(error);
  } else if (got > limit) {
    read.status = ReadStatus::too_large;
    read.bytes.resize(limit);
  }
  read.checksums = checksums_of(read.bytes);
  return read;
}

GameInputs read_inputs(const std::string& folder) {
  GameInputs inputs;
  for (std::size_t i = 0; i < kInputNames.size(); ++i)
    inputs.files[i] = read_file(folder + "/" + kInputNames[i], check_limit(Input(i)));
  return inputs;
}

}  // namespace flyseat::inspect
