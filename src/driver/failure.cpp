#include "flyseat/failure.hpp"

#include <cstdarg>
#include <cstdio>

namespace flyseat {

void fail(const char* format, ...) {
  Failure failure;
  va_list args;
  va_start(args, format);
  std::vsnprintf(failure.text.data(), failure.text.size(), format, args);
  va_end(args);
  throw failure;
}

void fail_open(const char* name) {
  fail("cannot open %s", name);
}

}  // namespace flyseat
