// Helpers shared by the tests: byte strings, in-memory folders, and whole runs of the built
// flyseat-build in a temporary folder.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "flyseat/io.hpp"

namespace flyseat::test {

using Bytes = std::vector<Byte>;

inline Bytes bytes(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values)
    out.push_back(static_cast<Byte>(v));
  return out;
}

inline Bytes text_bytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

inline std::string text_of(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
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

inline void write_file(const std::filesystem::path& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
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
  void write(const std::string& name, const Bytes& data) const { write_file(path_ / name, data); }
  Bytes read(const std::string& name) const { return read_file(path_ / name); }
  bool has(const std::string& name) const { return std::filesystem::exists(path_ / name); }

  // The names of the files in the folder, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      out.push_back(entry.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::filesystem::path path_;
};

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs a built program in `dir` with `args` after its command name. Standard input is empty
// and the output streams are caught, unless `args` redirects them itself ("<file",
// ">/dev/full"): its redirections come last and win.
inline RunResult run_program(const char* program, const TempDir& dir, const std::string& args) {
  TempDir logs;
  std::string command = "cd '" + dir.path().string() + "' && '" + program + "' >'" +
                        (logs / "out").string() + "' 2>'" + (logs / "err").string() +
                        "' </dev/null " + args;
  int raw = std::system(command.c_str());
  RunResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  Bytes out = logs.read("out");
  Bytes err = logs.read("err");
  result.out.assign(out.begin(), out.end());
  result.err.assign(err.begin(), err.end());
  return result;
}

// Runs the built flyseat-build in `dir`, with `args` appended to the command line.
inline RunResult run_build(const TempDir& dir, const std::string& args = "") {
  return run_program(FLYSEAT_BUILD_PATH, dir, args);
}

// The five inputs of a run, as byte strings.
struct Inputs {
  Bytes loader, list1, list2, patch, listing;
};

inline void write_inputs(const TempDir& dir, const Inputs& in) {
  dir.write("loader.bin", in.loader);
  dir.write("list1.bin", in.list1);
  dir.write("list2.bin", in.list2);
  dir.write("patch.bin", in.patch);
  dir.write("list3.txt", in.listing);
}

// Copies the bundled sample game into `dir`.
inline void copy_sample(const TempDir& dir) {
  for (const char* name : {"loader.bin", "list1.bin", "list2.bin", "patch.bin", "list3.txt"}) {
    dir.write(name, read_file(std::filesystem::path(FLYSEAT_SAMPLE_DIR) / name));
  }
}

// An in-memory source over a byte string, for driving one stage.
struct BytesSource {
  explicit BytesSource(Bytes data, const char* name = "input") : bytes(std::move(data)) {
    open_bytes(source, name, bytes);
  }
  Bytes bytes;
  Source source;
};

}  // namespace flyseat::test
