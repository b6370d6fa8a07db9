// The graphics preview: each bitmap row range as a band of columns of rows, four grey levels
// before the depth reduction on the left, black and white after it on the right.
#include <algorithm>
#include <iterator>
#include <memory>
#include <string_view>

#include "preview.hpp"

#include "flyseat/image.hpp"
#include "flyseat/text.hpp"
#include "font.hpp"

namespace flyseat::inspect {
namespace {

constexpr int kColumnRows = 96;  // rows in one column of a band before the next column starts
constexpr int kColumnGap = 6;
constexpr int kGroupGap = 36;  // between the before and the after columns
constexpr int kMargin = 18;
constexpr int kBandGap = 30;
constexpr int kTextScale = 2;
constexpr int kTextAdvance = (kGlyphWidth + 1) * kTextScale;
constexpr int kTextHeight = kGlyphHeight * kTextScale;
constexpr int kTitleGap = 8;
constexpr int kHeadingGap = 6;

// The grey levels and black and white stand out against a blue background, which none of them
// shares; bytes that no dump or patch record loaded are drawn red, so that a range shows where
// its loaded data ends.
using Colour = std::array<Byte, 3>;
constexpr Colour kBackground = {32, 64, 112};
constexpr Colour kText = {240, 220, 130};
constexpr Colour kBlack = {0, 0, 0};
constexpr Colour kWhite = {255, 255, 255};
constexpr Colour kGreys[4] = {kBlack, {85, 85, 85}, {170, 170, 170}, kWhite};
constexpr Colour kUnloaded = {176, 48, 48};

struct Band {
  int top;          // of the title line
  int columns_top;  // of the first row of pixels
  int before_left;
  int after_left;
  int columns;
  int column_width;  // in picture pixels
  int group_width;   // of the before columns or the after columns, headings included
  int height;        // of the whole band
};

constexpr std::string_view kBeforeHeading = "BEFORE";
constexpr std::string_view kAfterHeading = "AFTER";
constexpr std::string_view kNotLoaded = "  NO DATA LOADED";
// The legend: each grey level before, and what it becomes after.
constexpr std::string_view kLegendBefore = "COLOUR";
constexpr std::string_view kLegendAfter = "AFTER";
constexpr std::string_view kGreyNames[] = {"0", "1", "2", "3"};
constexpr std::string_view kAfterNames[] = {"0", "1-3"};
constexpr std::string_view kUnloadedName = "NOT LOADED";
constexpr int kLegendGap = 12;  // between a swatch and the next label
constexpr int kLegendTop = kMargin;
constexpr int kBandsTop = kLegendTop + kTextHeight + kBandGap;
// Every character a label can hold: the headings, the legend, and the titles that
// band_title formats.
static_assert(font_covers(kBeforeHeading) && font_covers(kAfterHeading) &&
              font_covers(kNotLoaded) && font_covers(kLegendBefore) && font_covers(kLegendAfter) &&
              font_covers(kUnloadedName) && font_covers("0123-"));
static_assert(font_covers("0123456789ABCDEF- ROWS OF BYTES"));

int text_width(std::string_view text) {
  return static_cast<int>(text.size()) * kTextAdvance;
}

Band band_of(int range) {
  auto ranges = bitmap_row_ranges();
  int top = kBandsTop;
  for (int r = 0;; ++r) {
    const RowRange& rows = ranges[static_cast<std::size_t>(r)];
    Band band;
    band.top = top;
    band.columns_top = top + kTextHeight + kTitleGap + kTextHeight + kHeadingGap;
    band.columns = (rows.rows() + kColumnRows - 1) / kColumnRows;  // rounded up
    band.column_width = rows.width * kPixelsPerSourceByte * kPreviewScale;
    band.before_left = kMargin;
    int group = band.columns * band.column_width + (band.columns - 1) * kColumnGap;
    band.group_width = std::max(group, text_width(kBeforeHeading));
    band.after_left = band.before_left + band.group_width + kGroupGap;
    int tallest = std::min(rows.rows(), kColumnRows);
    band.height = band.columns_top - top + tallest * kPreviewScale;
    if (r == range) return band;
    top += band.height + kBandGap;
  }
}

void fill(Picture& picture, int left, int top, int size, const Colour& colour) {
  for (int y = top; y < top + size; ++y) {
    for (int x = left; x < left + size; ++x) {
      std::copy(colour.begin(), colour.end(),
                picture.rgb.begin() + static_cast<long>(picture.offset(x, y)));
    }
  }
}

void draw_text(Picture& picture, int left, int top, std::string_view text) {
  for (char c : text) {
    int index = glyph_index(c);
    for (int y = 0; index >= 0 && y < kGlyphHeight; ++y) {
      const Glyph& glyph = kFont[static_cast<std::size_t>(index)];
      for (int x = 0; x < kGlyphWidth; ++x) {
        if (glyph.rows[static_cast<std::size_t>(y)] & (0x10 >> x)) {
          fill(picture, left + x * kTextScale, top + y * kTextScale, kTextScale, kText);
        }
      }
    }
    left += kTextAdvance;
  }
}

// Pixel x of the row at `row_start`, before and after the depth reduction: after it, a row's
// first half holds its pixels.
int grey_at(const MemoryImage& memory, int row_start, int x) {
  return source_pixel(memory[static_cast<std::size_t>(row_start + x / kPixelsPerSourceByte)],
                      x % kPixelsPerSourceByte);
}

bool flag_at(const MemoryImage& memory, int row_start, int x) {
  return packed_pixel(memory[static_cast<std::size_t>(row_start + x / kPixelsPerPackedByte)],
                      x % kPixelsPerPackedByte);
}

// One label and its swatch after it; returns the x after the swatch and the gap.
int draw_swatch(Picture& picture, bool draw, int left, std::string_view label,
                const Colour& colour) {
  if (draw) {
    draw_text(picture, left, kLegendTop, label);
    fill(picture, left + text_width(label) + kTextScale, kLegendTop, kTextHeight, colour);
  }
  return left + text_width(label) + kTextScale + kTextHeight + kLegendGap;
}

// The legend across the top: the four grey levels before, black and white after. Draws it
// when `draw`; returns its width either way.
int draw_legend(Picture& picture, bool draw) {
  int x = kMargin;
  if (draw) draw_text(picture, x, kLegendTop, kLegendBefore);
  x += text_width(kLegendBefore) + kLegendGap;
  for (std::size_t level = 0; level < std::size(kGreys); ++level)
    x = draw_swatch(picture, draw, x, kGreyNames[level], kGreys[level]);
  x += kLegendGap;
  if (draw) draw_text(picture, x, kLegendTop, kLegendAfter);
  x += text_width(kLegendAfter) + kLegendGap;
  x = draw_swatch(picture, draw, x, kAfterNames[0], kBlack);
  x = draw_swatch(picture, draw, x, kAfterNames[1], kWhite);
  x = draw_swatch(picture, draw, x + kLegendGap, kUnloadedName, kUnloaded);
  return x - kLegendGap - kMargin;
}

// The picture, wide enough for the legend, each band and its title, filled with the background.
Picture blank_picture(const LoadedMemory& memory) {
  Picture picture;
  picture.width = kMargin + draw_legend(picture, false) + kMargin;
  for (int r = 0; r < kRowRangeCount; ++r) {
    Band band = band_of(r);
    int group_right = band.after_left + band.group_width;
    int title_right = kMargin + text_width(band_title(memory, r));
    picture.width = std::max({picture.width, group_right + kMargin, title_right + kMargin});
    picture.height = band.top + band.height + kMargin;  // the bands go down the picture
  }
  picture.rgb.resize(static_cast<std::size_t>(picture.width) *
                     static_cast<std::size_t>(picture.height) * 3);
  std::generate(picture.rgb.begin(), picture.rgb.end(),
                [i = std::size_t{0}]() mutable { return kBackground[i++ % kBackground.size()]; });
  return picture;
}

// Range r's title and headings, then each of its pixels before and after the reduction.
void draw_band(Picture& picture, const LoadedMemory& memory, const MemoryImage& after, int r) {
  const RowRange& rows = bitmap_row_ranges()[static_cast<std::size_t>(r)];
  Band band = band_of(r);
  draw_text(picture, kMargin, band.top, band_title(memory, r));
  int heading_top = band.top + kTextHeight + kTitleGap;
  draw_text(picture, band.before_left, heading_top, kBeforeHeading);
  draw_text(picture, band.after_left, heading_top, kAfterHeading);
  int pixels = rows.width * kPixelsPerSourceByte;
  for (int row = 0; row < rows.rows(); ++row) {
    int start = rows.first + row * rows.width;
    for (int x = 0; x < pixels; ++x) {
      // A packed pixel comes from the same source byte as the pixel before it.
      bool loaded = memory.loaded.test(static_cast<std::size_t>(start + x / kPixelsPerSourceByte));
      PixelCorner was = preview_place(r, false, row, x);
      fill(picture, was.x, was.y, kPreviewScale,
           loaded ? kGreys[grey_at(memory.image, start, x)] : kUnloaded);
      PixelCorner is = preview_place(r, true, row, x);
      fill(picture, is.x, is.y, kPreviewScale,
           !loaded                    ? kUnloaded
           : flag_at(after, start, x) ? kWhite
                                      : kBlack);
    }
  }
}

}  // namespace

std::string band_title(const LoadedMemory& memory, int range) {
  const RowRange& rows = bitmap_row_ranges()[static_cast<std::size_t>(range)];
  return format("%04X-%04X  %d ROWS OF %d BYTES%s", rows.first, rows.last, rows.rows(), rows.width,
                memory.loaded_count(rows.first, rows.last - rows.first + 1) > 0
                    ? ""
                    : std::string(kNotLoaded).c_str());
}

std::size_t Picture::offset(int x, int y) const {
  return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
          static_cast<std::size_t>(x)) *
         3;
}

std::array<Byte, 3> Picture::pixel(int x, int y) const {
  std::size_t at = offset(x, y);
  return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

PixelCorner preview_place(int range, bool after, int row, int x) {
  Band band = band_of(range);
  int column = row / kColumnRows;
  int left =
      (after ? band.after_left : band.before_left) + column * (band.column_width + kColumnGap);
  return {left + x * kPreviewScale, band.columns_top + (row % kColumnRows) * kPreviewScale};
}

Picture render_preview(const LoadedMemory& memory) {
  auto after = std::make_unique<MemoryImage>(memory.image);
  convert_memory_image(*after);
  Picture picture = blank_picture(memory);
  draw_legend(picture, true);
  for (int r = 0; r < kRowRangeCount; ++r)
    draw_band(picture, memory, *after, r);
  return picture;
}

std::variant<Picture, Finding> preview_of(const InputFiles& files, const std::string& folder) {
  auto in_folder = [&folder](const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
  };
  GameInputs inputs = game_inputs(files);
  if (std::optional<Input> unread = unread_memory_input(inputs))
    return *read_problem(in_folder(kInputNames[*unread]), files[*unread], check_limit(*unread));
  auto memory = std::make_unique<LoadedMemory>();
  InputFilesWatch watch(files);
  try {
    load_memory(inputs, watch, *memory);
  } catch (const Failure& failure) {  // a patch record that a build refuses
    return Finding{.file = in_folder(failure.file), .note = failure.detail()};
  }
  return render_preview(*memory);
}

}  // namespace flyseat::inspect
