// `verify`: whether the images in a folder are what the five inputs make. The build runs in
// memory on the inputs, and each of its four images is compared byte for byte with the file of
// its name; an HFE image beside them, with what convert makes of the built D88 image.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "file_read.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/finding.hpp"
#include "flyseat/image_kind.hpp"
#include "hfe.hpp"

namespace flyseat::inspect {

// The images verified, in this order; an HFE image only when there is one.
inline constexpr std::array kVerifiedNames = {kDataTapeName, kMainTapeName, kRawDiskName, kD88Name,
                                              kHfeName};
// The file of each name, as read; none where there is no file of that name.
using FoundImages = std::array<std::optional<FileRead>, kVerifiedNames.size()>;

struct VerifiedImage {
  const char* name;
  enum class Verdict { same, differs, missing, not_that_image } verdict;
  ImageKind kind;          // of the file, as info knows it
  Findings differences{};  // of one that differs: diff's, the built image first
};
struct VerifyReport {
  Findings problems;               // an input or an image that cannot be read, naming it
  std::optional<Finding> failure;  // the build's message, when the inputs do not build
  std::vector<VerifiedImage> images;
  // As cmp ends: 0 all the same, 1 any other or the inputs do not build, 2 trouble.
  int status() const;
};
// The inputs read whole, and the images found; a problem names them in `folder` and `output`.
VerifyReport verify_images(const InputFiles& inputs, const FoundImages& images,
                           const std::string& folder = "", const std::string& output = "");

// The report as lines: "NAME: same", "NAME: differs" and diff's lines under it, "NAME: missing",
// "NAME: not a D88 image"; "the inputs do not build: MESSAGE". The problems are the caller's.
std::vector<std::string> verify_lines(const VerifyReport& report);

}  // namespace flyseat::inspect
