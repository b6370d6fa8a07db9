#include "flyseat/text.hpp"

#include <cstdarg>
#include <cstdio>

namespace flyseat {

std::string format_list(const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  int size = std::vsnprintf(nullptr, 0, format, args);
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

std::string format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = format_list(format, args);
  va_end(args);
  return text;
}

std::string count_of(std::uint64_t n, const char* noun) {
  return format("%llu %s%s", static_cast<unsigned long long>(n), noun, n == 1 ? "" : "s");
}

std::string span_of(const char* noun, std::int64_t first, std::int64_t last) {
  if (first == last) return format("%s %lld", noun, static_cast<long long>(first));
  return format("%ss %lld to %lld", noun, static_cast<long long>(first),
                static_cast<long long>(last));
}

void append_visible(std::string& text, Byte b) {
  if (b >= 0x20 && b <= 0x7E && b != '\\') {
    text += static_cast<char>(b);
  } else {
    text += format("\\x%02X", b);
  }
}

std::string visible(std::span<const Byte> bytes) {
  std::string text;
  for (Byte b : bytes)
    append_visible(text, b);
  return text;
}

}  // namespace flyseat
