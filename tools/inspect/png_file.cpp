#include "png_file.hpp"

#include <png.h>

#include "files.hpp"

namespace flyseat::inspect {

std::optional<Finding> write_png(const Picture& picture, const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  bool sized =
      png_image_write_to_memory(&image, nullptr, &size, 0, picture.rgb.data(), 0, nullptr) != 0;
  std::vector<Byte> png(size);
  bool written = sized && png_image_write_to_memory(&image, png.data(), &size, 0,
                                                    picture.rgb.data(), 0, nullptr) != 0;
  std::string error = image.message;
  png_image_free(&image);
  if (!written) return Finding{.file = path, .note = "cannot write: " + error};
  return write_file(path, std::span(png).first(size));
}

}  // namespace flyseat::inspect
