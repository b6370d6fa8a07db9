#include "flyseat/io.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "flyseat/failure.hpp"

namespace flyseat {
namespace {

MemoryFile* find_file(Folder& folder, const char* name) {
  for (MemoryFile& file : folder.memory) {
    if (file.name != nullptr && std::strcmp(file.name, name) == 0) return &file;
  }
  return nullptr;
}

// A chunk that comes short is the file's last: no read is wasted on finding its end again.
bool refill(Source& source) {
  if (source.ended) return false;
  if (!source.chunk) source.chunk = std::make_unique<Byte[]>(kFileBuffer);
  std::size_t got = std::fread(source.chunk.get(), 1, kFileBuffer, source.file);
  if (got < kFileBuffer && std::ferror(source.file)) fail_read(source.name);
  source.ended = got < kFileBuffer;
  source.held = std::span<const Byte>(source.chunk.get(), got);
  source.pos = 0;
  return got > 0;
}

}  // namespace

Source::~Source() {
  if (file != nullptr) std::fclose(file);
}

Sink::~Sink() {
  // Only a run that is failing leaves a sink open: its part file goes.
  if (file != nullptr) {
    std::fclose(file);
    std::remove(part_name.data());
  }
}

void open_bytes(Source& source, const char* name, std::span<const Byte> bytes) {
  source.file = nullptr;
  source.name = name;
  source.held = bytes;
  source.pos = 0;
}

bool try_open_input(Folder& folder, Source& source, const char* name) {
  if (folder.memory.empty()) {
    source.file = std::fopen(name, "rb");
    source.name = name;
    source.held = {};
    source.pos = 0;
    source.ended = false;
    return source.file != nullptr;
  }
  MemoryFile* file = find_file(folder, name);
  if (file == nullptr || !file->exists) return false;
  open_bytes(source, name, file->bytes);
  return true;
}

void refuse_special_files(const Folder& folder, std::span<const char* const> names) {
  if (!folder.memory.empty()) return;
  for (const char* name : names) {
    std::error_code missing;  // left to the open, which names it
    auto status = std::filesystem::status(name, missing);
    if (missing || std::filesystem::is_regular_file(status) ||
        std::filesystem::is_directory(status)) {
      continue;
    }
    fail_in(name, "%s", kNotAFile);
  }
}

void open_input(Folder& folder, Source& source, const char* name) {
  if (!try_open_input(folder, source, name)) fail_open(name);
}

void close_input(Source& source) {
  if (source.file != nullptr) std::fclose(source.file);
  source.file = nullptr;
}

int read_byte_refill(Source& source) {
  if (source.file == nullptr || !refill(source)) return -1;
  return source.held[source.pos++];
}

std::size_t read_bytes(Source& source, std::span<Byte> into) {
  std::size_t done = 0;
  while (done < into.size()) {
    if (source.pos == source.held.size() && (source.file == nullptr || !refill(source))) break;
    std::size_t n = std::min(into.size() - done, source.held.size() - source.pos);
    std::memcpy(into.data() + done, source.held.data() + source.pos, n);
    source.pos += n;
    done += n;
  }
  return done;
}

void create_output(Folder& folder, Sink& sink, const char* name) {
  sink.name = name;
  sink.size = 0;
  if (folder.memory.empty()) {
    const char* part = sink.part_name.data();
    int length = std::snprintf(sink.part_name.data(), sink.part_name.size(), "%s.part", name);
    if (length < 0 || static_cast<std::size_t>(length) >= sink.part_name.size()) fail_open(name);
    // Created afresh ("x": never an existing file, nor through a link of that name). A part
    // file left by an earlier run, or a link, is removed first; a folder is in the way.
    sink.file = std::fopen(part, "wbx");
    if (sink.file == nullptr && errno == EEXIST) {
      std::error_code ignored;
      if (!std::filesystem::is_directory(std::filesystem::symlink_status(part, ignored)))
        std::remove(part);
      sink.file = std::fopen(part, "wbx");
    }
    if (sink.file == nullptr) fail_open(errno == EEXIST ? part : name);
    sink.buffer = std::make_unique<char[]>(kFileBuffer);
    std::setvbuf(sink.file, sink.buffer.get(), _IOFBF, kFileBuffer);
    return;
  }
  sink.memory = find_file(folder, name);
  if (sink.memory == nullptr || sink.memory->room.empty()) fail_open(name);
  // Written into its room, the output is no file until it is whole.
  sink.memory->exists = false;
}

void write_bytes(Sink& sink, std::span<const Byte> bytes) {
  if (sink.file != nullptr) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), sink.file) != bytes.size()) {
      fail_write(sink.name);
    }
  } else {
    std::span<Byte> room = sink.memory->room;
    if (bytes.size() > room.size() - sink.size) {
      errno = ENOSPC;
      fail_write(sink.name);
    }
    std::copy(bytes.begin(), bytes.end(), room.begin() + static_cast<std::ptrdiff_t>(sink.size));
  }
  sink.size += bytes.size();
}

void write_fill(Sink& sink, Byte value, std::size_t count) {
  std::array<Byte, 256> run;
  run.fill(value);
  while (count > 0) {
    std::size_t n = std::min(count, run.size());
    write_bytes(sink, std::span<const Byte>(run.data(), n));
    count -= n;
  }
}

void close_output(Sink& sink) {
  if (sink.memory != nullptr) {
    sink.memory->bytes = sink.memory->room.first(sink.size);
    sink.memory->exists = true;
    sink.memory = nullptr;
    return;
  }
  std::FILE* file = sink.file;
  sink.file = nullptr;
  bool closed = std::fclose(file) == 0;
  if (closed && std::rename(sink.part_name.data(), sink.name) == 0) return;
  int error = errno;
  std::remove(sink.part_name.data());
  errno = error;
  if (!closed) fail_write(sink.name);
  fail_open(sink.name);
}

void report_output(const Folder& folder, const char* name) {
  if (folder.console != nullptr) std::fprintf(folder.console, kOutputReport, name);
}

}  // namespace flyseat
