// The one failure path of a run: a stage stops the run by throwing a Failure that carries
// the line to print; the entry point prints it and ends with status 1.
#pragma once

#include <array>

namespace flyseat {

struct Failure {
  std::array<char, 160> text{};
  const char* message() const { return text.data(); }
};

// Stops the run with a printf-style message (no trailing line feed).
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A file of the run cannot be opened or created: "cannot open NAME".
[[noreturn]] void fail_open(const char* name);

}  // namespace flyseat
