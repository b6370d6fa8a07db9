// Files of a run. A run reads its inputs and writes its outputs in a Folder: the current
// working folder, or a set of files held in memory, so that every stage can be run and
// tested on bytes alone. Either way a stage opens, reads, writes and closes through the
// functions here, and every open, read, write and close failure stops the run.
//
// An output is whole or not there: it is written under a name of its own (NAME.part in a
// folder) and takes its real name only once every byte is written and the file closed. A run
// that stops before leaves the file of the real name as it was, and no part file.
#pragma once

#include <fcntl.h>

#include <array>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <span>

#include "flyseat/file_names.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

// A stop (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ, SIGXCPU) from now on removes the part file
// the run is writing and ends the process as the signal asks; a stop ignored from the start
// (under nohup) stays ignored.
void handle_stop_signals();

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

// The five inputs of a build in a folder, opened before any of them is read; the stage that
// reads one takes it from here.
struct OpenedInputs {
  std::array<int, kInputNames.size()> files;  // descriptors, -1 for none
  OpenedInputs() { files.fill(-1); }
  OpenedInputs(const OpenedInputs&) = delete;
  OpenedInputs& operator=(const OpenedInputs&) = delete;
  ~OpenedInputs();
};

struct Folder {
  std::span<MemoryFile> memory{};  // empty: the current working folder
  std::FILE* console = nullptr;    // where "output to" lines go; null prints nothing
  OpenedInputs inputs{};
};

// An input open for reading.
struct Source {
  int file = -1;  // its descriptor; -1 for an in-memory input
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
  std::FILE* console = nullptr;        // the folder's
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

// How a build opens an input, and the check with it: at once, whatever the name is now (a pipe
// with no writer does not hold the open), then judged by what was opened. A device, a pipe or a
// socket might never end or never answer and is closed unread; a folder is opened, and fails
// when it is read. On cannot_open, errno says why. `name` is reached from the folder open at
// `folder` (AT_FDCWD: the working folder), however long the folder's own path.
enum class Opened { file, cannot_open, not_a_file };
Opened open_input_file(int folder, const char* name, int& descriptor);

// Opens the five inputs in their order in the folder open at `folder`, before any is read: the
// first that is missing stops the run with "cannot open NAME", the first that is no regular file
// with "NAME: not a regular file".
void open_inputs(int folder, OpenedInputs& inputs);

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
// Closes the output and gives it its name, replacing a file of that name, then says "output to
// NAME" on the folder's console (a stop between the two leaves it new and unsaid). A failed
// close (a full disk seen late) stops the run with "cannot write NAME", a name that cannot be
// taken with "cannot open NAME", a console that cannot be written with a standard output
// Failure: the output has its name then.
void close_output(Sink& sink);

// The line a run prints for each finished output.
inline constexpr const char* kOutputReport = "output to %s\n";

}  // namespace flyseat
