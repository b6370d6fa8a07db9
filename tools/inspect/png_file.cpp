#include <png.h>

#include "png_file.hpp"

namespace flyseat::inspect {

bool write_png(const Picture& picture, const char* path, std::string& error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_RGB;
  // On any failure, a short write or a failed close included, the file is removed.
  if (png_image_write_to_file(&image, path, 0, picture.rgb.data(), 0, nullptr) != 0) return true;
  error = image.message;
  png_image_free(&image);
  return false;
}

}  // namespace flyseat::inspect
