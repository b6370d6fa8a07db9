// The checksums of a file that preservation catalogues list, taken as the file is read piece by
// piece: CRC-32 by the inspector's own table, SHA-1 by nettle.
#pragma once

#include <nettle/sha1.h>

#include <cstdint>
#include <span>

#include "file_read.hpp"

namespace flyseat::inspect {

class ChecksumStream {
 public:
  ChecksumStream();
  void add(std::span<const Byte> bytes);
  Checksums sums();  // of every byte added

 private:
  std::uint32_t crc_ = 0;
  sha1_ctx sha1_;
};

}  // namespace flyseat::inspect
