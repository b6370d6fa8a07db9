// `preview`: the bitmap rows of the inputs before and after the depth reduction, as a picture.
#pragma once

#include <array>
#include <string>
#include <variant>
#include <vector>

#include "file_read.hpp"
#include "flyseat/finding.hpp"

namespace flyseat::inspect {

// An RGB picture, row by row, three bytes a pixel.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Byte> rgb;
  std::size_t offset(int x, int y) const;  // of the pixel's first byte in rgb
  std::array<Byte, 3> pixel(int x, int y) const;
};

// Where pixel `x` of bitmap row `row` of range `range` lands in the preview, before or after
// the depth reduction: the top left corner of its square.
struct PixelCorner {
  int x, y;
};
inline constexpr int kPreviewScale = 3;  // a bitmap pixel is a square this many wide
PixelCorner preview_place(int range, bool after, int row, int x);

// The label of a range: its addresses, rows and width, and whether it holds no loaded data.
std::string band_title(const LoadedMemory& memory, int range);

// The six bitmap row ranges of `before` in four grey levels beside the same rows converted, in
// black and white, each range labelled with its addresses (and as unloaded when no dump or
// patch record set any of its bytes), under a legend of the grey levels.
Picture render_preview(const LoadedMemory& before);

// The picture the preview makes of the dumps and the patch file in `inputs`, or the problem
// that keeps it from being made: an input not read, or a patch record a build refuses. The
// problem names its file in `folder`, when given.
std::variant<Picture, Finding> preview_of(const InputFiles& inputs, const std::string& folder);

}  // namespace flyseat::inspect
