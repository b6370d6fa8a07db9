// flyseat-inspect: looks at what a build made, and at what a build will read. Every check works
// on bytes held in memory and says what it found, so that the command line, the browser page,
// the tests and the fuzzer all run the same code. Nothing here reads or writes a file or needs
// a library beyond the standard one; the command line adds files, SHA-1, JSON and PNG.
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

#include "flyseat/d88.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/image.hpp"
#include "flyseat/program.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat::inspect {

// --- Problems -------------------------------------------------------------------------------

// What is wrong, and with which file. The command line says it on standard error as
// "flyseat-inspect: FILE: TEXT", the page as "FILE: TEXT".
struct Problem {
  std::string file;
  std::string text;
  std::string said() const { return file.empty() ? text : file + ": " + text; }
};
// The problem of a stage that a build would stop with: the input it names, in `folder` when
// given, and the rest of its message.
Problem problem_of(const Failure& failure, const std::string& folder = "");

inline constexpr std::size_t kMostProblems = 12;  // shown for one file; the rest are counted
// The problems of one file as a text report shows them: at most kMostProblems, then how many
// more there are.
std::vector<std::string> shown_problems(const std::vector<std::string>& problems);

// --- Reading files --------------------------------------------------------------------------

// The checksums that preservation catalogues list, as lower-case hex: CRC-32 by the inspector's
// own table, SHA-1 by whoever reads the file (the command line with nettle, the page with the
// browser's).
struct Checksums {
  std::string crc32;
  std::string sha1;
};

enum class ReadStatus { read, cannot_open, cannot_read, not_a_file, too_large };
struct FileRead {
  ReadStatus status = ReadStatus::read;
  std::vector<Byte> bytes;  // its first bytes: at most as many as it was read for
  std::uint64_t size = 0;   // of the whole file, as far as it could be read
  std::string reason;       // why it could not be opened or read
  Checksums checksums;      // of the whole file
};
// "cannot open: REASON" and the like, for a file that could not be read whole.
std::optional<Problem> read_problem(const std::string& name, const FileRead& read,
                                    std::size_t limit);

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
Program walk_program(std::span<const Byte> bytes, std::size_t start,
                     std::vector<std::string>& problems);
// Why a program read back has no whole end marker, with the place and the value.
std::string program_problem(std::span<const Byte> bytes, const ProgramRead& read);

// A stored line as the target lists it: tokens outside strings, DATA items and remarks
// expanded to their keywords, every other byte as stored. With `escaped`, a byte that is not
// printable ASCII, and the backslash itself, is shown as \xHH, so that the text is
// unambiguous; without, every byte is written as it is.
std::string listed_text(std::span<const Byte> tokens, bool escaped);
// A line as `list` prints it: the number, a space, the listed text, a line feed.
std::string listed_line(const ProgramLine& line, bool escaped);

// The program a file carries, as `list` finds it: in a main tape image, a raw disk image or a
// D88 image, described as `info` describes it, or with `raw` in a file of line records alone.
// The problems say why there is none, or where it is damaged.
struct Listing {
  Program program;
  std::vector<std::string> problems;
  bool sound() const { return problems.empty(); }
};
Listing find_program(std::span<const Byte> file, bool raw);

// Adds a problem for each line whose listing, written with every byte as it is and tokenized
// again, would not give back the stored line.
void check_round_trip(Listing& listing);

// What `list NAME` shows on the page: the lines, escaped, then each problem as "NAME: TEXT".
std::string listing_text(const std::string& name, const Listing& listing);

// --- The images -----------------------------------------------------------------------------

// A file that cannot be read is `unreadable`; describe_image gives every other kind.
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
const char* kind_name(ImageKind kind);  // for scripts: "data-tape", "raw-disk", ...

struct ProgramFacts {
  std::size_t lines;
  std::size_t end_marker;  // its offset
};
struct TapeFacts {
  bool whole_header;
  std::string name;  // every byte visible
  std::size_t payload;
  std::optional<ProgramFacts> program;  // of a main tape image whose program ends whole
};
struct RawDiskFacts {
  int blocks;
  std::size_t loader_bytes;
  int program_block;  // 0: no program where a build puts it
  ProgramFacts program;
};
struct D88Facts {
  std::optional<D88Header> header;  // when the file holds the whole header
  bool table_as_built = false;      // every entry of the track offset table as a build writes it
  std::optional<int> sectors_with_data;  // when the file holds every sector
  std::optional<RawDiskFacts> held;      // the raw disk image in its sectors, when whole tracks
};

// What `info` says of one file: its kind, what the kind tells, its checksums and its problems.
// One value, rendered as text (description_lines) and as JSON by the command line.
struct Description {
  ImageKind kind = ImageKind::unreadable;
  std::optional<std::size_t> size;  // of a file that could be read, held in memory
  std::variant<std::monostate, TapeFacts, RawDiskFacts, D88Facts> facts;
  Checksums checksums;
  std::vector<std::string> problems;
  // Where the program lies, for `list`: the offset of its first record in the file, or in
  // `held`, the raw disk image gathered from a D88 image's sectors.
  std::optional<std::size_t> program_at;
  std::vector<Byte> held;
  bool sound() const { return problems.empty(); }
};
// Recognises a tape image by its leader, a D88 image by its header, a raw disk image by its
// whole blocks, checks it against what a build writes and says what it holds.
Description describe_image(std::span<const Byte> file, const Checksums& checksums = {});
// The report's lines, without line feeds: a headline, then what the kind tells, indented, then
// the checksums.
std::vector<std::string> description_lines(const Description& description);

// Whether a D88 image holds a raw disk image sector for sector, and nothing else, as a build
// writes it; empty when it does, else the first difference.
std::string d88_difference(std::span<const Byte> d88, std::span<const Byte> raw_disk);

// `info` of several files: each described (a file that cannot be read has the kind
// `unreadable` and its problem), then each D88 image against each raw disk image given with it.
struct NamedFile {
  std::string name;  // as the reports show it
  FileRead read;
};
struct FileDescription {
  std::string file;
  Description description;
};
struct HeldImage {
  std::string d88;
  std::string raw_disk;
  std::string difference;  // empty when it holds it sector for sector
};
struct InfoReport {
  std::vector<FileDescription> files;
  std::vector<HeldImage> held;
  bool sound() const;
};
InfoReport describe_files(const std::vector<NamedFile>& files);

// What `info` says, in the order a terminal shows it: each file's report, then its problems (as
// many as a text report shows), then whether each D88 image holds each raw disk image. A
// report line is text for standard output; a problem is one for standard error.
struct InfoLine {
  std::optional<Problem> problem;
  std::string text;  // a report line, without its line feed
};
std::vector<InfoLine> info_lines(const InfoReport& report);
// The same as the page shows it: every line, a problem as "FILE: TEXT".
std::string info_text(const InfoReport& report);

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
// the sections, then the verdict line.
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

// The picture the preview makes of the dumps and the patch file in `inputs`, or the problem
// that keeps it from being made: an input not read, or a patch record a build refuses.
std::variant<Picture, Problem> preview_of(const GameInputs& inputs, const std::string& folder);

}  // namespace flyseat::inspect
