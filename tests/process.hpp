// Whole runs of a built program in a folder of its own: POSIX processes, shell and folders.
#pragma once

#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support.hpp"

namespace flyseat::test {

// A folder of its own under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "flyseat-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  void write(const std::string& name, const Bytes& data) const {
    std::ofstream(path_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
  }
  Bytes read(const std::string& name) const { return read_file(path_ / name); }
  bool has(const std::string& name) const { return std::filesystem::exists(path_ / name); }

  // The names of the files in the folder, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::filesystem::path path_;
};

struct RunResult {
  int status = -1;
  std::string out, err;
};

// Runs a built program in `dir` with `args` appended to its command line and no standard
// input. `before` is shell text run first in the program's own subshell: a limit, a trap, a
// redirection of its standard output. The shell's own words on a signal are not kept.
inline RunResult run_program(const char* program, const TempDir& dir, const std::string& args,
                             const std::string& before = "") {
  TempDir logs;
  std::string command = "exec 2>/dev/null; cd '" + dir.path().string() + "' && (" + before + " '" +
                        program + "' " + args + ") >'" + (logs / "out").string() + "' 2>'" +
                        (logs / "err").string() + "' </dev/null";
  int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text_of(logs.read("out")),
          text_of(logs.read("err"))};
}

inline RunResult run_build(const TempDir& dir, const std::string& args = "",
                           const std::string& before = "") {
  return run_program(FLYSEAT_BUILD_PATH, dir, args, before);
}

// Writes the five inputs (the bundled sample game's by default) into `dir`.
inline void write_inputs(const TempDir& dir, const Inputs& inputs = sample_game()) {
  for (std::size_t i = 0; i < inputs.size(); ++i)
    dir.write(kInputNames[i], inputs[i]);
}

}  // namespace flyseat::test
