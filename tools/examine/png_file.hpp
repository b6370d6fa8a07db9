// Writing the preview picture as a PNG file (with libpng).
#pragma once

#include <string>

#include "examine.hpp"

namespace flyseat::inspect {

// Writes the picture to `path`, or to standard output for "-"; false, with the reason in
// `error`, when it cannot.
bool write_png(const Picture& picture, const std::string& path, std::string& error);

}  // namespace flyseat::inspect
