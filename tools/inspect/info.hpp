// `info`: what each file is, known by what it is and checked by its format's own check in the
// core, with what the format tells and the checksums that catalogues list; and whether a D88
// image holds a raw disk image given with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "file_read.hpp"
#include "flyseat/finding.hpp"
#include "flyseat/image_kind.hpp"
#include "flyseat/work_area.hpp"
#include "recognise.hpp"

namespace flyseat::inspect {

const char* kind_name(ImageKind kind);  // for scripts: "data-tape", "raw-disk", ...

// Whether `d88` is exactly what a build writes of `raw_disk`; the first difference when not.
std::optional<Finding> d88_difference(std::span<const Byte> d88, std::span<const Byte> raw_disk);

// What `info` says of one file: its kind, how sure its format's recogniser is, what the kind
// tells and its checksums, and its problems. The facts are the data: each has the key that JSON
// gives it, and the report's lines (a headline, then the rest, indented) name each as {key}.
struct Description {
  ImageKind kind = ImageKind::unreadable;
  std::optional<std::size_t> size;  // of a file that could be read, held in memory
  Facts facts;
  std::vector<std::string> lines;
  Findings problems;
  // Where the program lies, for `list`: the offset of its first record in the file, or in
  // `held`, the raw disk image gathered from a D88 image's sectors.
  std::optional<std::size_t> program_at;
  std::vector<Byte> held;
  bool sound() const { return problems.empty(); }
};
// Recognises the file by the format most certain of it, checks it by that format's check and
// says what it holds.
Description describe_image(std::span<const Byte> file, const Checksums& checksums = {});
// The report's lines, without line feeds, with their facts in place.
std::vector<std::string> description_lines(const Description& description);

// `info` of several files: each described (a file that cannot be read has the kind
// `unreadable` and its problem), then each D88 image against each raw disk image given with it,
// and each HFE image against each of the others.
struct NamedFile {
  std::string name;  // as the reports show it
  FileRead read;
};
struct FileDescription {
  std::string file;
  Description description;
};
// A D88 image and a raw disk image given together, or an HFE image and either: whether the
// first holds the second sector for sector.
struct HeldImage {
  std::string holder;
  std::string held;
  std::optional<Finding> difference;  // of the holder; none when it holds the other
  ImageKind holder_kind = ImageKind::d88;
};
struct InfoReport {
  std::vector<FileDescription> files;
  std::vector<HeldImage> held;
  bool sound() const;
};
InfoReport describe_files(const std::vector<NamedFile>& files);

// What `info` says, in the order a terminal shows it: each file's report, then its problems (as
// many as a text report shows), then whether each D88 image holds each raw disk image. A report
// line is text for standard output; a problem is a line for standard error.
struct InfoLine {
  std::optional<Finding> problem;
  std::string text;  // a report line, without its line feed
};
std::vector<InfoLine> info_lines(const InfoReport& report);
// The same as the page shows it: every line, a problem as "FILE: TEXT".
std::string info_text(const InfoReport& report);

}  // namespace flyseat::inspect
