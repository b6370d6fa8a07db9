// Small helpers of the reports that findings make: printf into a string, counts with their
// nouns, and bytes shown so that every one of them can be told apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "flyseat/failure.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

std::string format(const char* format, ...) FLYSEAT_PRINTF_FORMAT(1, 2);

// "1 byte", "2 bytes": a count with its noun.
std::string count_of(std::uint64_t n, const char* noun);
// "block 6", "blocks 1 to 5".
std::string span_of(const char* noun, std::int64_t first, std::int64_t last);
// "0x2C", "0x00": a byte in hex.
std::string hex_byte(Byte b);

// Appends a byte as itself when it is printable ASCII and not the backslash, else as \xHH.
void append_visible(std::string& text, Byte b);
std::string visible(std::span<const Byte> bytes);

}  // namespace flyseat
