// Small helpers of the reports that findings make: printf into a string, counts with their
// nouns, and bytes shown so that every one of them can be told apart.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "flyseat/work_area.hpp"

// Lets GCC and Clang check a printf-style format against its arguments.
#if defined(__GNUC__) || defined(__clang__)
#define FLYSEAT_PRINTF_FORMAT(format_index, first_argument) \
  __attribute__((format(printf, format_index, first_argument)))
#else
#define FLYSEAT_PRINTF_FORMAT(format_index, first_argument)
#endif

namespace flyseat {

// printf into a string, at whatever length it comes.
std::string format(const char* format, ...) FLYSEAT_PRINTF_FORMAT(1, 2);
std::string format_list(const char* format, va_list args);

// "1 byte", "2 bytes": a count with its noun.
std::string count_of(std::uint64_t n, const char* noun);
// "block 6", "blocks 1 to 5".
std::string span_of(const char* noun, std::int64_t first, std::int64_t last);
// Appends a byte as itself when it is printable ASCII and not the backslash, else as \xHH.
void append_visible(std::string& text, Byte b);
std::string visible(std::span<const Byte> bytes);

}  // namespace flyseat
