// flyseat-inspect: looks at what a build made, and at what a build will read. Every check works
// on bytes held in memory and says what it found, so that the command line, the browser page,
// the tests and the fuzzer all run the same code. Nothing here reads or writes a file or needs
// a library beyond the standard one; the command line adds files, checksums, JSON and PNG.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "flyseat/file_names.hpp"
#include "flyseat/image.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat::inspect {

// A fact for scripts: a key and a number, a text or a truth value.
using FactValue = std::variant<std::int64_t, std::string, bool>;
struct Fact {
  std::string key;
  FactValue value;
};

// What a look at one file found: the report for standard output, the same facts for scripts,
// and every problem, each a line without the file name. A file is sound when it has no
// problems. Only a text report caps how many problems it shows (kMostProblems).
struct Findings {
  std::string report;
  std::vector<Fact> facts;
  std::vector<std::string> problems;
  bool sound() const { return problems.empty(); }
  void fact(std::string key, FactValue value) {
    facts.push_back({std::move(key), std::move(value)});
  }
  void problem(std::string text) { problems.push_back(std::move(text)); }
};

inline constexpr std::size_t kMostProblems = 12;  // shown for one file; the rest are counted
// The problems of one file as a text report shows them: at most kMostProblems, then how many
// more there are.
std::vector<std::string> shown_problems(const std::vector<std::string>& problems);

// The checksums that preservation catalogues list, as lower-case hex: computed by whoever
// reads the file (the command line with its libraries, the browser page with its own).
struct Checksums {
  std::string crc32;
  std::string sha1;
};

// --- Reading files --------------------------------------------------------------------------

enum class ReadStatus { read, cannot_open, cannot_read, not_a_file, too_large };
struct FileRead {
  ReadStatus status = ReadStatus::read;
  std::vector<Byte> bytes;  // its first bytes: at most as many as it was read for
  std::uint64_t size = 0;   // of the whole file, as far as it could be read
  std::string reason;       // why it could not be opened or read
  Checksums checksums;      // of the whole file
};
// "cannot open: REASON" and the like, for a file that could not be read whole; empty for a
// file that was.
std::string read_problem(const FileRead& read, std::size_t limit);

// A file larger than this is no image of a build and is not read further.
inline constexpr std::size_t kMaxInspectSize = 1 << 20;
// A build reads the patch file and the listing whole, whatever their size; `check` reads them
// up to this, and says it does not check a larger one.
inline constexpr std::size_t kMaxCheckSize = 16 << 20;
// How much of an input the check keeps: what a build reads of it, and of an input read whole
// kMaxCheckSize. Its size and checksums are always those of the whole file.
constexpr std::size_t check_limit(Input input) {
  return kMostRead[input] == kWhole ? kMaxCheckSize : static_cast<std::size_t>(kMostRead[input]);
}

// --- What a file is -------------------------------------------------------------------------

// A file that cannot be read is `unreadable`; recognise() gives every other kind.
enum class ImageKind {
  empty,
  data_tape,
  main_tape,
  foreign_tape,
  d88,
  raw_disk,
  unknown,
  unreadable
};
ImageKind recognise(std::span<const Byte> file);
const char* kind_name(ImageKind kind);  // for scripts: "data-tape", "raw-disk", ...

// --- The stored BASIC program ---------------------------------------------------------------

struct ProgramLine {
  std::uint16_t number;
  std::vector<Byte> tokens;
};

struct Program {
  std::vector<ProgramLine> lines;
  bool ended = false;          // a whole end marker closes the line records
  std::size_t end_marker = 0;  // its offset
};

// Walks the line records from `start` up to the end marker. A record that runs past the end,
// a link field other than a build's, or a missing or damaged end marker is a problem; the
// lines before it are in the program.
Program walk_program(std::span<const Byte> bytes, std::size_t start, Findings& found);

// A stored line as the target lists it: tokens outside strings, DATA items and remarks
// expanded to their keywords, every other byte as stored. With `escaped`, a byte that is not
// printable ASCII, and the backslash itself, is shown as \xHH, so that the text is
// unambiguous; without, every byte is written as it is.
std::string listed_text(std::span<const Byte> tokens, bool escaped);
// A line as `list` prints it: the number, a space, the listed text, a line feed.
std::string listed_line(const ProgramLine& line, bool escaped);

// The program that a file carries: a main tape image, a raw disk image or a D88 image, found as
// `info` finds it, or with `raw` a file of line records alone. Problems say why there is none,
// or where it is damaged.
Program find_program(std::span<const Byte> file, bool raw, Findings& found);

// Adds a problem for each line whose listing, written with every byte as it is and tokenized
// again, would not give back the stored line.
void check_round_trip(const Program& program, Findings& found);

// --- The images -----------------------------------------------------------------------------

// `info`: recognises a tape image, a raw disk image or a D88 image by its content, checks it,
// and reports what it holds, ending with the checksums given.
void describe_image(std::span<const Byte> file, const Checksums& checksums, Findings& found);

// Whether a D88 image holds a raw disk image sector for sector, and nothing else, as a build
// writes it; empty when it does, else the first difference.
std::string d88_difference(std::span<const Byte> d88, std::span<const Byte> raw_disk);

// `info` of several files: each described (a file that cannot be read has the kind
// `unreadable` and its problem), then each D88 image against each raw disk image given with it.
struct NamedFile {
  std::string name;  // as the reports show it
  FileRead read;
};
struct FileFindings {
  std::string file;
  Findings found;
};
struct HeldImage {
  std::string d88;
  std::string raw_disk;
  std::string difference;       // empty when it holds it sector for sector
  std::string holds() const;    // the line that says it does
  std::string problem() const;  // the D88 image's problem when it does not
};
struct InfoReport {
  std::vector<FileFindings> files;
  std::vector<HeldImage> held;
  bool sound() const;
};
InfoReport describe_files(const std::vector<NamedFile>& files);

// What `info` says, in the order a terminal shows it: each file's report, then its problems (as
// many as a text report shows), then whether each D88 image holds each raw disk image. A
// report's text is whole lines; a problem is one line without its file and line feed.
struct InfoLine {
  bool problem;
  std::string file;
  std::string text;
};
std::vector<InfoLine> info_lines(const InfoReport& report);

// --- The inputs of a build ------------------------------------------------------------------

inline constexpr int kInputCount = kInputNames.size();

// The five inputs, by Input, each as read, and what stands in the way of the outputs in the
// game's folder, each in the build's words ("cannot open flyseat3.p6: ...").
struct GameInputs {
  std::array<FileRead, kInputCount> files;
  std::vector<std::string> outputs_blocked;
};

// The first input the memory image is made of (list1, list2, the patch file) that was not read
// as far as a build reads it.
std::optional<Input> unread_memory_input(const GameInputs& inputs);

// The memory image after the dumps and the patch file, as a build has it before converting.
struct LoadedMemory {
  MemoryImage image{};
  std::bitset<kMemorySize> loaded;  // set by a dump or a patch record; the rest is unset
  DumpLengths dumps{};              // as read
  std::int32_t list2_length = 0;    // after the patch file
  PatchSummary patch;

  // How many of the `size` bytes from `first` a dump or a patch record set.
  int loaded_count(int first, int size) const;
};
// Loads the dumps and applies the patch file as a build does, handing each record to `watch`.
// A patch record that a build refuses stops it with the build's Failure.
void load_memory(const GameInputs& inputs, LoadedMemory& memory, const PatchWatcher& watch = {});

// --- check: are the inputs the game the build's tables were made for ------------------------

// A finding is a plain fact, a warning (a build would succeed, but probably not as the porter
// wants) or an error (a build would fail).
enum class Level { fact, warning, error };
inline constexpr std::array<const char*, 3> kLevelNames = {"fact", "warning", "error"};
enum Section { kInputsSection, kPatchSection, kListingSection, kMemorySection, kOutputsSection };
inline constexpr std::array<const char*, 5> kCheckSections = {"Inputs", "Patch file", "Listing",
                                                              "Memory image", "Outputs"};
struct CheckFinding {
  Section section;
  Level level;
  std::string text;
  int depth = 0;  // 1 for a detail of the finding before it, shown indented
};
struct CheckReport {
  std::vector<CheckFinding> findings;
  int count(Level level) const;
};
// Runs the build's stages on the inputs in memory and reports what a porter should know
// before building; writes nothing.
CheckReport check_inputs(const GameInputs& inputs);
// The report's lines, each with its finding's level (a fact for the titles and the verdict):
// the four sections, then the verdict line.
struct CheckLine {
  Level level;
  std::string text;  // without its line feed
};
std::vector<CheckLine> check_lines(const CheckReport& report);
// The report as text, a line feed after each line.
std::string check_text(const CheckReport& report);

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

// The label of a range: its addresses, rows and width, and whether it holds no loaded data.
std::string band_title(const LoadedMemory& memory, int range);

// The six bitmap row ranges of `before` in four grey levels beside the same rows converted, in
// black and white, each range labelled with its addresses (and as unloaded when no dump or
// patch record set any of its bytes), under a legend of the grey levels.
Picture render_preview(const LoadedMemory& before);

}  // namespace flyseat::inspect
