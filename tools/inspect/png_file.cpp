#include "png_file.hpp"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "files.hpp"
#include "flyseat/io.hpp"

namespace flyseat::inspect {
namespace {

// Writes the picture to an open file; why it could not, or nothing.
std::string write_to(const Picture& picture, std::FILE* file) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_RGB;
  bool written = png_image_write_to_stdio(&image, file, 0, picture.rgb.data(), 0, nullptr) != 0;
  std::string error = written ? "" : image.message;
  png_image_free(&image);
  // A write that failed says why better than the encoder does.
  if (std::fflush(file) != 0 || std::ferror(file) != 0) return std::strerror(errno);
  if (written) return {};
  return error.empty() ? "the picture cannot be encoded" : error;
}

// A file is written beside its name and takes it once whole, as a build writes its outputs:
// a failure never leaves a cut picture, nor removes an older one.
std::string write_whole(const Picture& picture, const std::string& path) {
  Folder here;
  Sink sink;
  try {
    create_output(here, sink, path.c_str());
    if (std::string why = write_to(picture, sink.file); !why.empty()) return why;
    close_output(sink);
  } catch (const Failure& failure) {
    return std::strerror(failure.error);
  }
  return {};
}

}  // namespace

std::optional<Finding> write_png(const Picture& picture, const std::string& path) {
  std::string why;
  if (path == kStandardStream) {
    why = write_to(picture, stdout);
    if (why.empty()) return std::nullopt;
    return Finding{.file = "standard output", .note = "cannot write: " + why};
  }
  // A device or a pipe is written as it stands.
  std::error_code ignored;
  if (std::filesystem::exists(path, ignored) && !std::filesystem::is_regular_file(path, ignored)) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
      return Finding{.file = path, .note = "cannot write: " + std::string(std::strerror(errno))};
    why = write_to(picture, file);
    if (std::fclose(file) != 0 && why.empty()) why = std::strerror(errno);
  } else {
    why = write_whole(picture, path);
  }
  if (why.empty()) return std::nullopt;
  return Finding{.file = path, .note = "cannot write: " + why};
}

}  // namespace flyseat::inspect
