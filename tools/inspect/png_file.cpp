#include "png_file.hpp"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace flyseat::inspect {
namespace {

bool encode(const Picture& picture, std::FILE* file, std::string& error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_RGB;
  if (png_image_write_to_stdio(&image, file, 0, picture.rgb.data(), 0, nullptr) != 0) return true;
  error = image.message;
  png_image_free(&image);
  return false;
}

}  // namespace

std::string write_png(const Picture& picture, const std::string& path) {
  bool to_stdout = path == "-";
  std::FILE* file = to_stdout ? stdout : std::fopen(path.c_str(), "wb");
  if (file == nullptr) return std::string("cannot write: ") + std::strerror(errno);
  std::string error;
  bool written = encode(picture, file, error);
  // A write that failed says why better than the encoder does.
  if (std::fflush(file) != 0 || std::ferror(file) != 0) {
    error = std::strerror(errno);
    written = false;
  }
  if (to_stdout) return written ? "" : "cannot write: " + error;
  if (std::fclose(file) != 0 && written) {
    error = std::strerror(errno);
    written = false;
  }
  // A half-written picture is not left behind; a device or a pipe is never removed.
  std::error_code ignored;
  if (!written && std::filesystem::is_regular_file(path, ignored)) std::remove(path.c_str());
  return written ? "" : "cannot write: " + error;
}

}  // namespace flyseat::inspect
