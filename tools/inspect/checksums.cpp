#include "checksums.hpp"

#include <array>

#include "crc32.hpp"
#include "flyseat/text.hpp"

namespace flyseat::inspect {

ChecksumStream::ChecksumStream() {
  sha1_init(&sha1_);
}

void ChecksumStream::add(std::span<const Byte> bytes) {
  crc_ = crc32(bytes, crc_);
  sha1_update(&sha1_, bytes.size(), bytes.data());
}

Checksums ChecksumStream::sums() {
  std::array<std::uint8_t, SHA1_DIGEST_SIZE> digest;
  sha1_digest(&sha1_, digest.size(), digest.data());
  Checksums sums{crc32_text(crc_), ""};
  for (std::uint8_t b : digest)
    sums.sha1 += format("%02x", b);
  return sums;
}

}  // namespace flyseat::inspect
