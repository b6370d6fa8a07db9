#include "files.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "checksums.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/folder.hpp"
#include "flyseat/io.hpp"

namespace flyseat::inspect {
namespace {

// Reads the open file in pieces: its first `keep` bytes are kept, and all of it is counted and
// checksummed, or with `whole` false, no more than `keep` + 1 bytes, which tell a file that is
// too large from one that just fits.
FileRead read_open(std::FILE* file, std::size_t keep, bool whole) {
  FileRead read;
  ChecksumStream sums;
  std::vector<Byte> piece(64 * 1024);
  for (;;) {
    std::size_t want = piece.size();
    if (!whole) want = std::min<std::uint64_t>(want, keep + 1 - read.size);
    std::size_t got = want == 0 ? 0 : std::fread(piece.data(), 1, want, file);
    std::span<const Byte> bytes(piece.data(), got);
    sums.add(bytes);
    std::size_t kept = read.size < keep ? std::min<std::uint64_t>(got, keep - read.size) : 0;
    read.bytes.insert(read.bytes.end(), bytes.begin(), bytes.begin() + static_cast<long>(kept));
    read.size += got;
    if (got < want || want == 0) break;
  }
  if (std::ferror(file) != 0) {
    read.status = ReadStatus::cannot_read;
    read.reason = std::strerror(errno);
  } else if (!whole && read.size > keep) {
    read.status = ReadStatus::too_large;
  }
  read.checksums = sums.sums();
  return read;
}

FileRead cannot_open() {
  FileRead read;
  read.status = ReadStatus::cannot_open;
  read.reason = std::strerror(errno);
  return read;
}

FileRead read_path(const std::string& path, std::size_t keep, bool whole) {
  bool from_stdin = path == kStandardStream;
  std::FILE* file = from_stdin ? stdin : std::fopen(path.c_str(), "rb");
  if (file == nullptr) return cannot_open();
  FileRead read = read_open(file, keep, whole);
  if (!from_stdin) std::fclose(file);
  return read;
}

// A file kept open when more of it is there than was kept: each reading starts afresh from a
// descriptor of its own on it, so what was read stays what is read, whatever takes the file's
// name meanwhile.
void keep_open(std::FILE* file, const char* name, FileRead& read) {
  std::shared_ptr<std::FILE> open(file, std::fclose);
  read.reopen = [open, name](Source& source) {
    int copy = ::dup(::fileno(open.get()));
    if (copy < 0 || ::lseek(copy, 0, SEEK_SET) != 0) {
      if (copy >= 0) ::close(copy);
      fail_read(name);
    }
    source.file = copy;
    source.name = name;
  };
}

// An input, opened in the folder open at `folder` and judged as a build opens it; one that a
// build reads whole however large (the patch file, the listing) stays open when it is larger
// than `keep`, to be read again as the check goes.
FileRead read_input(int folder, Input input, std::size_t keep) {
  int descriptor = -1;
  FileRead read;
  switch (open_input_file(folder, kInputNames[input], descriptor)) {
    case Opened::cannot_open:
      return cannot_open();
    case Opened::not_a_file:
      read.status = ReadStatus::not_a_file;
      return read;
    case Opened::file:
      break;
  }
  std::FILE* file = ::fdopen(descriptor, "rb");
  if (file == nullptr) {
    ::close(descriptor);
    return cannot_open();
  }
  read = read_open(file, keep, true);
  if (!kMostRead[input] && read.status == ReadStatus::read && !read.whole()) {
    keep_open(file, kInputNames[input], read);
  } else {
    std::fclose(file);
  }
  return read;
}

}  // namespace

FileRead read_file(const std::string& path, std::size_t limit) {
  return read_path(path, limit, false);
}

InputFiles read_inputs(const std::string& folder, std::span<const Input> wanted, bool whole) {
  InputFiles inputs;
  int at = open_folder(folder.c_str());  // reached from there, as a build reaches them
  for (Input input : wanted) {
    std::size_t keep = !whole             ? check_limit(input)
                       : kMostRead[input] ? static_cast<std::size_t>(*kMostRead[input])
                                          : SIZE_MAX;
    inputs[input] = read_input(at, input, keep);
  }
  if (at >= 0) ::close(at);
  return inputs;
}

std::optional<Finding> write_file(const std::string& path, std::span<const Byte> bytes) {
  struct stat facts;
  bool as_it_stands =
      path == kStandardStream || (::stat(path.c_str(), &facts) == 0 && !S_ISREG(facts.st_mode));
  try {
    if (as_it_stands) {
      std::FILE* file = path == kStandardStream ? stdout : std::fopen(path.c_str(), "wb");
      if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
          (file == stdout ? std::fflush(file) : std::fclose(file)) != 0)
        fail_write(path.c_str());
    } else {
      handle_stop_signals();
      Folder here;
      Sink sink;
      create_output(here, sink, path.c_str());
      write_bytes(sink, bytes);
      close_output(sink);
    }
  } catch (const Failure& failure) {
    return Finding{.file = path == kStandardStream ? "standard output" : path,
                   .note = std::string("cannot write: ") + std::strerror(failure.error)};
  }
  return std::nullopt;
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat first, second;
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::optional<Input> input_at(const std::string& folder, const std::string& path) {
  for (std::size_t i = 0; i < kInputNames.size(); ++i) {
    if (same_file(folder + "/" + kInputNames[i], path)) return Input(i);
  }
  return std::nullopt;
}

}  // namespace flyseat::inspect
