// The checksums of a file that preservation catalogues list, by zlib (CRC-32) and nettle
// (SHA-1).
#pragma once

#include <span>

#include "inspect.hpp"

namespace flyseat::inspect {

Checksums checksums_of(std::span<const Byte> bytes);

}  // namespace flyseat::inspect
