#include "flyseat/failure.hpp"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

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
  std::snprintf(failure.text.data(), failure.text.size(), "%s: ", file);
  failure.detail_at = std::strlen(failure.text.data());
  va_list args;
  va_start(args, format);
  put_message(failure, format, args);
  va_end(args);
  throw failure;
}

namespace {

[[noreturn]] void fail_file(const char* message, const char* name) {
  Failure failure;
  failure.error = errno;
  std::snprintf(failure.text.data(), failure.text.size(), message, name);
  throw failure;
}

}  // namespace

void fail_open(const char* name) {
  fail_file(kCannotOpen, name);
}

void fail_read(const char* name) {
  fail_file(kCannotRead, name);
}

void fail_write(const char* name) {
  fail_file(kCannotWrite, name);
}

}  // namespace flyseat
