#include "flyseat/failure.hpp"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace flyseat {
namespace {

// Appends the formatted message, at whatever length it comes.
void append(std::string& text, const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  int size = std::vsnprintf(nullptr, 0, format, args);
  std::size_t at = text.size();
  text.resize(at + static_cast<std::size_t>(size > 0 ? size : 0));
  std::vsnprintf(text.data() + at, text.size() - at + 1, format, again);
  va_end(again);
}

void append(std::string& text, const char* format, ...) FLYSEAT_PRINTF_FORMAT(2, 3);
void append(std::string& text, const char* format, ...) {
  va_list args;
  va_start(args, format);
  append(text, format, args);
  va_end(args);
}

}  // namespace

void fail_file(const char* message, const char* name) {
  Failure failure;
  failure.error = errno;
  failure.name = name;
  append(failure.text, message, name);
  throw failure;
}

void fail(const char* format, ...) {
  Failure failure;
  va_list args;
  va_start(args, format);
  append(failure.text, format, args);
  va_end(args);
  throw failure;
}

void fail_in(const char* file, const char* format, ...) {
  Failure failure;
  failure.file = file;
  append(failure.text, "%s: ", file);
  failure.detail_at = failure.text.size();
  va_list args;
  va_start(args, format);
  append(failure.text, format, args);
  va_end(args);
  throw failure;
}

void fail_open(const char* name) {
  fail_file(kCannotOpen, name);
}

void fail_read(const char* name) {
  fail_file(kCannotRead, name);
}

void fail_write(const char* name) {
  fail_file(kCannotWrite, name);
}

void fail_standard_output() {
  Failure failure;
  failure.error = errno;
  failure.standard_output = true;
  throw failure;
}

}  // namespace flyseat
