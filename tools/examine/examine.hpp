// flyseat-inspect: looks at what a build made. Every check works on the bytes of a file held
// in memory and says what it found in text, so that the command line, the tests and the
// fuzzer all run the same code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "flyseat/work_area.hpp"

namespace flyseat::inspect {

// What a look at one file found: the report for standard output, and the problems, each a
// line without the file name. A file is sound when it has no problems.
struct Findings {
  std::string report;
  std::vector<std::string> problems;
  bool sound() const { return problems.empty(); }
};

// --- The stored BASIC program ---------------------------------------------------------------

struct ProgramLine {
  std::uint16_t number;
  std::span<const Byte> tokens;
};

struct ProgramSummary {
  int lines = 0;
  bool ended = false;          // the walk reached a whole end marker
  std::size_t end_marker = 0;  // its offset in the file
};

// Walks the line records of `file` from `start` up to the end marker, handing each line to
// `each`. A record that runs past the end of the file, a missing or damaged end marker, or
// bytes after it are problems; the lines before the damage have been handed on by then.
ProgramSummary walk_program(std::span<const Byte> file, std::size_t start, Findings& found,
                            const std::function<void(const ProgramLine&)>& each);

// Bytes after a whole end marker: a problem where the program should end the file.
void check_nothing_after(std::span<const Byte> file, const ProgramSummary& program,
                         Findings& found);

// A stored line as the target lists it: tokens outside strings, DATA items and remarks
// expanded to their keywords, every other byte as stored. A byte that is not printable
// ASCII, and the backslash itself, is shown as \xHH, so that the text is unambiguous.
std::string listed_text(std::span<const Byte> tokens);

// `list`: the program of a main tape image, or with `raw` of a file that holds only the line
// records and the end marker, one "NUMBER TEXT" line per record.
void list_program(std::span<const Byte> file, bool raw, Findings& found);

// --- The images -----------------------------------------------------------------------------

// `info`: recognises a tape image, a raw disk image or a D88 image by its content, checks
// it, and reports what it holds.
void describe_image(std::span<const Byte> file, Findings& found);

// A file larger than this is no image of a build and is not read further.
inline constexpr std::size_t kMaxInspectSize = 1 << 20;

// --- The graphics preview -------------------------------------------------------------------

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
struct Place {
  int x, y;
};
inline constexpr int kPreviewScale = 3;  // a bitmap pixel is a square this many wide
Place preview_place(int range, bool after, int row, int x);

// The six bitmap row ranges of `before` in four grey levels beside the same rows of `after`
// in black and white, each range labelled with its addresses.
Picture render_preview(const MemoryImage& before, const MemoryImage& after);

// Loads the dumps and applies the patch file in the current folder into `before`, then
// converts a copy into `after`, as a build does; writes no file.
void convert_for_preview(MemoryImage& before, MemoryImage& after);

}  // namespace flyseat::inspect
