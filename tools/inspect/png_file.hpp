// Writing the preview picture as a PNG file (with libpng).
#pragma once

#include <optional>
#include <string>

#include "flyseat/finding.hpp"
#include "preview.hpp"

namespace flyseat::inspect {

// Writes the picture to `path`, or to standard output for "-"; the problem ("cannot write:
// REASON") when it cannot.
std::optional<Finding> write_png(const Picture& picture, const std::string& path);

}  // namespace flyseat::inspect
