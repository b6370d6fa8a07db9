#include "checksums.hpp"

#include <nettle/sha1.h>
#include <zlib.h>

#include <array>

#include "text.hpp"

namespace flyseat::inspect {

Checksums checksums_of(std::span<const Byte> bytes) {
  Checksums sums;
  // zlib takes the length as a 32-bit count; the inspector reads no file that large.
  uLong crc = crc32(0L, bytes.data(), static_cast<uInt>(bytes.size()));
  sums.crc32 = format("%08lx", crc);

  sha1_ctx context;
  sha1_init(&context);
  sha1_update(&context, bytes.size(), bytes.data());
  std::array<std::uint8_t, SHA1_DIGEST_SIZE> digest;
  sha1_digest(&context, digest.size(), digest.data());
  for (std::uint8_t b : digest)
    sums.sha1 += format("%02x", b);
  return sums;
}

}  // namespace flyseat::inspect
