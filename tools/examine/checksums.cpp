// The checksums of a file that preservation catalogues list, by the libraries that compute
// them; a build without one of them leaves its checksum out.
#include "examine.hpp"
#include "text.hpp"

#ifdef FLYSEAT_HAVE_ZLIB
#include <zlib.h>
#endif
#ifdef FLYSEAT_HAVE_NETTLE
#include <nettle/sha1.h>
#endif

namespace flyseat::inspect {

std::string crc32_of([[maybe_unused]] std::span<const Byte> bytes) {
#ifdef FLYSEAT_HAVE_ZLIB
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes the length as a 32-bit count; the inspector reads no file that large.
  crc = crc32(crc, bytes.data(), static_cast<uInt>(bytes.size()));
  return format("%08lx", crc);
#else
  return {};
#endif
}

std::string sha1_of([[maybe_unused]] std::span<const Byte> bytes) {
#ifdef FLYSEAT_HAVE_NETTLE
  sha1_ctx context;
  sha1_init(&context);
  sha1_update(&context, bytes.size(), bytes.data());
  std::array<std::uint8_t, SHA1_DIGEST_SIZE> digest;
  sha1_digest(&context, digest.size(), digest.data());
  std::string hex;
  for (std::uint8_t b : digest)
    hex += format("%02x", b);
  return hex;
#else
  return {};
#endif
}

}  // namespace flyseat::inspect
