// Writing the preview picture as a PNG file (with libpng).
#pragma once

#include <string>

#include "inspect.hpp"

namespace flyseat::inspect {

// Writes the picture to `path`, or to standard output for "-"; the problem ("cannot write:
// REASON") when it cannot, else nothing.
std::string write_png(const Picture& picture, const std::string& path);

}  // namespace flyseat::inspect
