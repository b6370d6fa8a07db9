// Files of a run. A run reads its inputs and writes its outputs in a Folder: the current
// working folder, or a set of files held in memory, so that every stage can be run and
// tested on bytes alone. Either way a stage opens, reads, writes and closes through the
// functions here, and every open, read, write and close failure stops the run.
//
// An output is whole or not there: it is written under a name of its own (NAME.part in a
// folder) and takes its real name only once every byte is written and the file closed. A run
// that stops before leaves the file of the real name as it was, and no part file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <span>

#include "flyseat/work_area.hpp"

namespace flyseat {

// A file is read and written through a buffer this large: any input a build reads, the largest
// dump included, comes in one read, and an output goes out in a few writes.
inline constexpr std::size_t kFileBuffer = 1 << 16;

// One file of an in-memory folder. An input holds its bytes; an output has room to be
// written into, and holds the written bytes once it has been created.
struct MemoryFile {
  const char* name = nullptr;
  std::span<const Byte> bytes;
  std::span<Byte> room;
  bool exists = false;
};

struct Folder {
  std::span<MemoryFile> memory;  // empty: the current working folder
  std::FILE* console = stdout;   // where "output to" lines go; null prints nothing
};

// An input open for reading.
struct Source {
  std::FILE* file = nullptr;  // null for an in-memory input
  const char* name = nullptr;
  std::span<const Byte> held;     // in memory: the whole input; from a file: the chunk read
  std::size_t pos = 0;            // next byte of held
  std::unique_ptr<Byte[]> chunk;  // of a file, kFileBuffer bytes
  bool ended = false;             // a file's last chunk has been read

  Source() = default;
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;
  ~Source();
};

// An output open for writing.
struct Sink {
  std::FILE* file = nullptr;
  MemoryFile* memory = nullptr;
  const char* name = nullptr;
  std::array<char, 4096> part_name{};  // where a file is written until it is whole
  std::size_t size = 0;                // bytes written so far
  std::unique_ptr<char[]> buffer;      // of a file, kFileBuffer bytes

  Sink() = default;
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;
  ~Sink();
};

// An in-memory input that is a byte string.
void open_bytes(Source& source, const char* name, std::span<const Byte> bytes);

// Stops the run with "NAME: not a regular file" when one of the files named is there but is
// neither a regular file nor a folder: a device, a pipe or a socket, which might never end or
// never answer. A folder is left to fail when it is read.
void refuse_special_files(const Folder& folder, std::span<const char* const> names);

// Opens an input for binary reading; a missing input stops the run with "cannot open NAME".
void open_input(Folder& folder, Source& source, const char* name);
// As open_input, but returns false for an input that cannot be opened, for a caller with a
// message of its own.
bool try_open_input(Folder& folder, Source& source, const char* name);
void close_input(Source& source);

// Refills a file source's chunk and returns its first byte, or -1 at the end of the input.
// A read error stops the run.
int read_byte_refill(Source& source);
// The next byte, or -1 at the end of the input.
inline int read_byte(Source& source) {
  if (source.pos < source.held.size()) return source.held[source.pos++];
  return read_byte_refill(source);
}
// Reads up to into.size() bytes and returns how many arrived.
std::size_t read_bytes(Source& source, std::span<Byte> into);

// Begins an output; "cannot open NAME" when its part file cannot be created, or "cannot open
// NAME.part" when something that cannot be removed (a folder) has the part file's name.
void create_output(Folder& folder, Sink& sink, const char* name);
// Writes bytes; a short write stops the run with "cannot write NAME".
void write_bytes(Sink& sink, std::span<const Byte> bytes);
void write_fill(Sink& sink, Byte value, std::size_t count);
// Closes the output and gives it its name, replacing a file of that name; a failed close (a
// full disk seen late) stops the run with "cannot write NAME", a name that cannot be taken
// with "cannot open NAME".
void close_output(Sink& sink);

// The line a run prints for each finished output: "output to NAME".
inline constexpr const char* kOutputReport = "output to %s\n";
// Prints it to the folder's console.
void report_output(const Folder& folder, const char* name);

}  // namespace flyseat
