#include "flyseat/failure.hpp"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace flyseat {
namespace {

void put_message(Failure& failure, const char* format, va_list args) {
  std::vsnprintf(failure.text.data() + failure.detail_at, failure.text.size() - failure.detail_at,
                 format, args);
}

}  // namespace

void fail(const char* format, ...) {
  Failure failure;
  va_list args;
  va_start(args, format);
  put_message(failure, format, args);
  va_end(args);
  throw failure;
}

void fail_in(const char* file, const char* format, ...) {
  Failure failure;
  failure.file = file;
  int prefix = std::snprintf(failure.text.data(), failure.text.size(), "%s: ", file);
  failure.detail_at =
      std::min(static_cast<std::size_t>(std::max(prefix, 0)), failure.text.size() - 1);
  va_list args;
  va_start(args, format);
  put_message(failure, format, args);
  va_end(args);
  throw failure;
}

void fail_open(const char* name) {
  fail("cannot open %s", name);
}

}  // namespace flyseat
