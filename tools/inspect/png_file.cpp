#include "png_file.hpp"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "files.hpp"

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

// Writes the picture to an open file; why it could not, or nothing.
std::string write_to(const Picture& picture, std::FILE* file) {
  std::string error;
  bool written = encode(picture, file, error);
  // A write that failed says why better than the encoder does.
  if (std::fflush(file) != 0 || std::ferror(file) != 0) return std::strerror(errno);
  if (written) return {};
  return error.empty() ? "the picture cannot be encoded" : error;
}

}  // namespace

std::string write_png(const Picture& picture, const std::string& path) {
  std::string why;
  if (path == kStandardStream) {
    why = write_to(picture, stdout);
    return why.empty() ? "" : "cannot write: " + why;
  }
  // A device or a pipe is written as it stands; a file is written beside its name and takes
  // it once whole, so that a failure never leaves a cut picture, nor removes an older one.
  std::error_code ignored;
  bool in_place =
      std::filesystem::exists(path, ignored) && !std::filesystem::is_regular_file(path, ignored);
  std::string written = in_place ? path : path + ".part";
  std::FILE* file = std::fopen(written.c_str(), "wb");
  if (file == nullptr) return "cannot write: " + std::string(std::strerror(errno));
  why = write_to(picture, file);
  if (std::fclose(file) != 0 && why.empty()) why = std::strerror(errno);
  if (why.empty() && !in_place && std::rename(written.c_str(), path.c_str()) != 0) {
    why = std::strerror(errno);
  }
  if (!why.empty() && !in_place) std::remove(written.c_str());
  return why.empty() ? "" : "cannot write: " + why;
}

}  // namespace flyseat::inspect
