#include "flyseat/failure.hpp"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <utility>

namespace flyseat {
namespace {

// More than a failing run still allocates: the exception and its message.
constexpr std::size_t kReserveSize = 64 * 1024;
void* reserve = nullptr;

[[noreturn]] void stop(Failure&& failure) {
  release_memory_reserve();
  throw std::move(failure);
}

}  // namespace

bool hold_memory_reserve() {
  reserve = std::malloc(kReserveSize);
  return reserve != nullptr;
}

void release_memory_reserve() {
  std::free(reserve);
  reserve = nullptr;
}

void fail_file(const char* message, const char* name) {
  Failure failure{.error = errno, .name = name};
  failure.text = format(message, name);
  stop(std::move(failure));
}

void fail(const char* format, ...) {
  Failure failure;
  va_list args;
  va_start(args, format);
  failure.text = format_list(format, args);
  va_end(args);
  stop(std::move(failure));
}

void fail_in(const char* file, const char* format, ...) {
  Failure failure{.text = std::string(file) + ": ", .file = file};
  failure.detail_at = failure.text.size();
  va_list args;
  va_start(args, format);
  failure.text += format_list(format, args);
  va_end(args);
  stop(std::move(failure));
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
  Failure failure{.error = errno, .standard_output = true};
  stop(std::move(failure));
}

}  // namespace flyseat
