// Helpers shared by the tests: byte strings, temporary folders, and whole runs of a built
// program in one.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "flyseat/failure.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat::test {

using Bytes = std::vector<Byte>;

inline Bytes bytes(std::initializer_list<int> values) {
  return Bytes(values.begin(), values.end());
}

inline Bytes text_bytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline Bytes read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string text_of(std::span<const Byte> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline std::span<const Byte> span_of(const std::string& text) {
  return {reinterpret_cast<const Byte*>(text.data()), text.size()};
}

// The message of the Failure that `action` throws, empty when it throws none.
template <typename Action>
std::string failure_of(Action action) {
  try {
    return action(), "";
  } catch (const Failure& failure) {
    return failure.message();
  }
}

// One of the bundled sample game's inputs.
inline Bytes sample_input(const char* name) {
  return read_file(std::filesystem::path(FLYSEAT_SAMPLE_DIR) / name);
}

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
// redirection of its standard output.
inline RunResult run_program(const char* program, const TempDir& dir, const std::string& args,
                             const std::string& before = "") {
  TempDir logs;
  std::string command = "cd '" + dir.path().string() + "' && (" + before + " '" + program + "' " +
                        args + ") >'" + (logs / "out").string() + "' 2>'" +
                        (logs / "err").string() + "' </dev/null";
  int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text_of(logs.read("out")),
          text_of(logs.read("err"))};
}

inline RunResult run_build(const TempDir& dir, const std::string& args = "") {
  return run_program(FLYSEAT_BUILD_PATH, dir, args);
}

// Copies the bundled sample game's five inputs into `dir`.
inline void copy_sample(const TempDir& dir) {
  for (const char* name : {"loader.bin", "list1.bin", "list2.bin", "patch.bin", "list3.txt"})
    dir.write(name, sample_input(name));
}

}  // namespace flyseat::test
