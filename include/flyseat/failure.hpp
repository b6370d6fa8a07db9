// The one failure path of a run: a stage stops the run by throwing a Failure that carries
// the line to print; the entry point prints it and ends with status 1.
#pragma once

#include <cstddef>
#include <string>

#include "flyseat/text.hpp"

namespace flyseat {

struct Failure {
  std::string text{};            // whole, however long a name from the command line is
  const char* file = nullptr;    // the input the message is about, when it names one
  std::size_t detail_at = 0;     // where the message goes on after "FILE: "
  int error = 0;                 // errno of a failed open, read, write or close; 0 for the others
  std::string name{};            // the file whose open, read, write or close failed
  bool standard_output = false;  // the run's own messages could not be written: text is empty
  const char* message() const { return text.c_str(); }
  const char* detail() const { return text.c_str() + detail_at; }
};

// The messages of a file that fails, each with its name: the one wording of the build and of
// the check.
inline constexpr const char* kCannotOpen = "cannot open %s";
inline constexpr const char* kCannotRead = "cannot read %s";
inline constexpr const char* kCannotWrite = "cannot write %s";
inline constexpr const char* kNotAFile = "not a regular file";  // "NAME: " before it

// Stops the run with a printf-style message (no trailing line feed).
[[noreturn]] void fail(const char* format, ...) FLYSEAT_PRINTF_FORMAT(1, 2);

// Stops the run with a message about the content of an input: "FILE: " and the message.
[[noreturn]] void fail_in(const char* file, const char* format, ...) FLYSEAT_PRINTF_FORMAT(2, 3);

// A file of the run failed: `message` with its name for %s, errno kept as why.
[[noreturn]] void fail_file(const char* message, const char* name);
// A file of the run cannot be opened or created: "cannot open NAME", with errno kept.
[[noreturn]] void fail_open(const char* name);
// Reading or writing a file failed: "cannot read NAME" or "cannot write NAME", errno kept.
[[noreturn]] void fail_read(const char* name);
[[noreturn]] void fail_write(const char* name);
// Standard output, where a run says what it did, cannot be written; errno kept.
[[noreturn]] void fail_standard_output();

// A run that fails needs a little memory to say so, and a run out of memory has none: a reserve
// taken at the start is given back when a failure is thrown, and when an allocation fails (the
// run then ends with std::bad_alloc). False when even the reserve cannot be had.
bool hold_memory_reserve();
void release_memory_reserve();

}  // namespace flyseat
