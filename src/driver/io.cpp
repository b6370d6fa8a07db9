#include "flyseat/io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "flyseat/failure.hpp"
#include "stop_signals.hpp"

namespace flyseat {
namespace {

MemoryFile* find_file(Folder& folder, const char* name) {
  for (MemoryFile& file : folder.memory) {
    if (file.name != nullptr && std::strcmp(file.name, name) == 0) return &file;
  }
  return nullptr;
}

// Reads until the chunk is full or the input ends.
std::size_t read_chunk(Source& source) {
  std::size_t got = 0;
  while (got < kFileBuffer) {
    ssize_t n = ::read(source.file, source.chunk.get() + got, kFileBuffer - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail_read(source.name);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

// A chunk that comes short is the file's last: no read is wasted on finding its end again.
bool refill(Source& source) {
  if (source.ended) return false;
  if (!source.chunk) source.chunk.reset(new Byte[kFileBuffer]);  // not zeroed: read into
  std::size_t got = read_chunk(source);
  source.ended = got < kFileBuffer;
  source.held = std::span<const Byte>(source.chunk.get(), got);
  source.pos = 0;
  return got > 0;
}

// The descriptor of an input opened ahead, handed over once; -1 for none.
int take_opened(Folder& folder, const char* name) {
  for (std::size_t i = 0; i < kInputNames.size(); ++i) {
    if (std::strcmp(kInputNames[i], name) != 0) continue;
    int file = folder.inputs.files[i];
    folder.inputs.files[i] = -1;
    return file;
  }
  return -1;
}

// Said at once: a run that stops later has told what it did.
void say_output(std::FILE* console, const char* name) {
  if (console == nullptr) return;
  if (std::fprintf(console, kOutputReport, name) < 0 || std::fflush(console) != 0)
    fail_standard_output();
}

// Created afresh ("x": never an existing file, nor through a link of that name). A part file
// left by an earlier run, or a link, is removed first; what cannot be removed (a folder, an
// immutable file) is in the way, errno saying why.
std::FILE* create_part(const char* part, bool& in_the_way) {
  std::FILE* file = std::fopen(part, "wbx");
  in_the_way = file == nullptr && errno == EEXIST;
  if (!in_the_way) return file;
  struct stat facts;
  if (::lstat(part, &facts) == 0 && S_ISDIR(facts.st_mode)) {
    errno = EISDIR;
    return nullptr;
  }
  if (::unlink(part) != 0 && errno != ENOENT) return nullptr;
  file = std::fopen(part, "wbx");
  in_the_way = file == nullptr && errno == EEXIST;
  return file;
}

// The part file goes and the run stops: "cannot write NAME" when the file did not close whole,
// "cannot open NAME" when it could not take its name; errno kept.
[[noreturn]] void give_up(Sink& sink, bool closed) {
  int error = errno;
  std::remove(sink.part_name.data());
  drop_part();
  errno = error;
  if (!closed) fail_write(sink.name);
  fail_open(sink.name);
}

}  // namespace

OpenedInputs::~OpenedInputs() {
  for (int file : files) {
    if (file >= 0) ::close(file);
  }
}

Source::~Source() {
  if (file >= 0) ::close(file);
}

Sink::~Sink() {
  // Only a run that is failing leaves a sink open: its part file goes.
  if (file != nullptr) {
    std::fclose(file);
    std::remove(part_name.data());
    drop_part();
  }
}

void open_bytes(Source& source, const char* name, std::span<const Byte> bytes) {
  source.file = -1;
  source.name = name;
  source.held = bytes;
  source.pos = 0;
}

Opened open_input_file(int folder, const char* name, int& descriptor) {
  descriptor = ::openat(folder, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat facts;
  if (descriptor < 0) return Opened::cannot_open;
  if (::fstat(descriptor, &facts) == 0 && (S_ISREG(facts.st_mode) || S_ISDIR(facts.st_mode)))
    return Opened::file;
  ::close(descriptor);
  descriptor = -1;
  return Opened::not_a_file;
}

void open_inputs(int folder, OpenedInputs& inputs) {
  for (std::size_t i = 0; i < kInputNames.size(); ++i) {
    switch (open_input_file(folder, kInputNames[i], inputs.files[i])) {
      case Opened::file:
        break;
      case Opened::cannot_open:
        fail_open(kInputNames[i]);
      case Opened::not_a_file:
        fail_in(kInputNames[i], "%s", kNotAFile);
    }
  }
}

bool try_open_input(Folder& folder, Source& source, const char* name) {
  if (folder.memory.empty()) {
    source.file = take_opened(folder, name);
    // A file not opened ahead, the raw disk image read back, is an output: in the working folder.
    if (source.file < 0) source.file = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    source.name = name;
    source.held = {};
    source.pos = 0;
    source.ended = false;
    return source.file >= 0;
  }
  MemoryFile* file = find_file(folder, name);
  if (file == nullptr || !file->exists) return false;
  open_bytes(source, name, file->bytes);
  return true;
}

void open_input(Folder& folder, Source& source, const char* name) {
  if (!try_open_input(folder, source, name)) fail_open(name);
}

void close_input(Source& source) {
  if (source.file >= 0) ::close(source.file);
  source.file = -1;
}

int read_byte_refill(Source& source) {
  if (source.file < 0 || !refill(source)) return -1;
  return source.held[source.pos++];
}

std::size_t read_bytes(Source& source, std::span<Byte> into) {
  std::size_t done = 0;
  while (done < into.size()) {
    if (source.pos == source.held.size() && (source.file < 0 || !refill(source))) break;
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
  sink.console = folder.console;
  if (folder.memory.empty()) {
    const char* part = sink.part_name.data();
    int length = std::snprintf(sink.part_name.data(), sink.part_name.size(), "%s.part", name);
    if (length < 0 || static_cast<std::size_t>(length) >= sink.part_name.size()) {
      errno = ENAMETOOLONG;
      fail_open(name);
    }
    hold_part(part);
    bool in_the_way = false;
    sink.file = create_part(part, in_the_way);
    if (sink.file == nullptr) {
      drop_part();
      fail_open(in_the_way ? part : name);
    }
    sink.buffer.reset(new char[kFileBuffer]);
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
    say_output(sink.console, sink.name);
    return;
  }
  std::FILE* file = std::exchange(sink.file, nullptr);
  if (std::fclose(file) != 0) give_up(sink, false);
  if (std::rename(sink.part_name.data(), sink.name) != 0) give_up(sink, true);
  drop_part();
  say_output(sink.console, sink.name);
}

}  // namespace flyseat
