// Small helpers of the inspector: printf into a string, little-endian fields read from bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "flyseat/work_area.hpp"

namespace flyseat::inspect {

std::string format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "1 byte", "2 bytes": a count with its noun.
std::string count_of(std::size_t n, const char* noun);
// "block 6", "blocks 1 to 5".
std::string span_of(const char* noun, std::int64_t first, std::int64_t last);

// Appends a byte as itself when it is printable ASCII and not the backslash, else as \xHH.
void append_visible(std::string& text, Byte b);
std::string visible(std::span<const Byte> bytes);

// Fields at `at`, which the caller has checked lie inside the bytes.
inline std::uint16_t read_u16(std::span<const Byte> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}
inline std::uint32_t read_u32(std::span<const Byte> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// A tape image begins with its leader; the tape name follows it.
bool has_tape_leader(std::span<const Byte> file);
// The tape name of a file that holds a whole tape header.
std::string_view tape_name(std::span<const Byte> file);

}  // namespace flyseat::inspect
