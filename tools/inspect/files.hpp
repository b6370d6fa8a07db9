// Reading the files the inspector looks at: whole, bounded, and saying why when it cannot.
#pragma once

#include <cstddef>
#include <string>

#include "inspect.hpp"

namespace flyseat::inspect {

// The path that names standard input, or standard output.
inline constexpr const char* kStandardStream = "-";

// Reads a whole file, or standard input for "-", with its checksums; a file of more than
// `limit` bytes is too large, and only its first `limit` bytes are kept.
FileRead read_file(const std::string& path, std::size_t limit);

// Reads the five inputs from `folder`; each read says whether it worked.
GameInputs read_inputs(const std::string& folder);

}  // namespace flyseat::inspect
