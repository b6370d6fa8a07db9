// `info`: each file recognised by the first format that takes it and checked by that format's
// own check in the core; the facts the faces render are taken from what the check read.
#include "images.hpp"

#include <algorithm>
#include <iterator>

#include "flyseat/d88.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"
#include "flyseat/text.hpp"

namespace flyseat::inspect {
namespace {

std::optional<ProgramFacts> facts_of(const ProgramRead& program) {
  if (program.stop != ProgramRead::ended) return std::nullopt;
  return ProgramFacts{program.lines, program.at};
}

TapeFacts facts_of(const TapeCheck& check) {
  const TapeRead& tape = check.tape;
  if (tape.kind == TapeRead::cut_short) return {false, {}, 0, {}};
  return {true, visible(tape.name), tape.payload.size(),
          check.program ? facts_of(*check.program) : std::nullopt};
}

RawDiskFacts facts_of(const RawDiskRead& disk) {
  return {
      disk.blocks, disk.loader_bytes, disk.program_block, {disk.program.lines, disk.program.at}};
}

D88Facts facts_of(const D88Check& check) {
  D88Facts facts{.header = {},
                 .table_as_built = check.table_as_built,
                 .sectors_with_data = check.sectors_with_data,
                 .held = {}};
  if (const D88Header& h = check.d88.header; check.d88.header_whole)
    facts.header = D88HeaderFacts{visible(h.name), h.write_protect, h.media_type, h.disk_size};
  if (check.held_check) facts.held = facts_of(check.held_check->disk);
  return facts;
}

// Where the program of a raw disk image begins, when it has one where a build puts it.
std::optional<std::size_t> program_offset(const RawDiskRead& disk) {
  if (disk.program_block == 0) return std::nullopt;
  return static_cast<std::size_t>(disk.program_block) * kBlockSize;
}

void describe_tape(std::span<const Byte> file, const TapeRead& tape, Description& d) {
  d.kind = tape.kind == TapeRead::data_tape   ? ImageKind::data_tape
           : tape.kind == TapeRead::main_tape ? ImageKind::main_tape
                                              : ImageKind::foreign_tape;
  TapeCheck check = check_tape_image(file);
  if (check.program) d.program_at = kTape.header_size;
  d.problems = std::move(check.findings);
  d.facts = facts_of(check);
}

void describe_d88(std::span<const Byte> file, Description& d) {
  d.kind = ImageKind::d88;
  D88Check check = check_d88_image(file);
  if (check.held_check) d.program_at = program_offset(check.held_check->disk);
  d.facts = facts_of(check);
  d.problems = std::move(check.findings);
  d.held = std::move(check.held);
}

void describe_raw_disk(std::span<const Byte> file, Description& d) {
  d.kind = ImageKind::raw_disk;
  RawDiskCheck check = check_raw_disk_image(file);
  d.program_at = program_offset(check.disk);
  d.facts = facts_of(check.disk);
  d.problems = std::move(check.findings);
}

}  // namespace

const char* kind_name(ImageKind kind) {
  constexpr const char* kNames[] = {"empty", "data-tape", "main-tape", "tape",
                                    "d88",   "raw-disk",  "unknown",   "unreadable"};  // by enum
  static_assert(std::size(kNames) == static_cast<std::size_t>(ImageKind::unreadable) + 1);
  return kNames[static_cast<int>(kind)];
}

Description describe_image(std::span<const Byte> file, const Checksums& checksums) {
  Description d;
  d.size = file.size();
  d.checksums = checksums;
  TapeRead tape = decode_tape_image(file);
  if (file.empty()) {
    d.kind = ImageKind::empty;
    d.checksums = {};
    d.problems.push_back({.note = "empty file"});
  } else if (tape.kind != TapeRead::not_a_tape) {
    describe_tape(file, tape, d);
  } else if (is_d88_image(file)) {
    describe_d88(file, d);
  } else if (whole_blocks(file.size())) {
    describe_raw_disk(file, d);
  } else {
    d.kind = ImageKind::unknown;
    d.problems.push_back(
        {.note = format("not an image of a build: no tape leader, no D88 header, and %s is not "
                        "a whole number of %d-byte blocks",
                        count_of(file.size(), "byte").c_str(), kBlockSize)});
  }
  return d;
}

bool InfoReport::sound() const {
  return std::all_of(files.begin(), files.end(),
                     [](const FileDescription& f) { return f.description.sound(); }) &&
         std::all_of(held.begin(), held.end(), [](const HeldImage& h) { return !h.difference; });
}

InfoReport describe_files(const std::vector<NamedFile>& files) {
  InfoReport report;
  for (const NamedFile& file : files) {
    Description d;
    if (std::optional<Finding> problem = read_problem(file.name, file.read, kMaxInspectSize)) {
      problem->file.clear();  // the report names the file
      d.problems.push_back(*problem);
    } else {
      d = describe_image(file.read.bytes, file.read.checksums);
    }
    report.files.push_back({file.name, std::move(d)});
  }
  auto is = [&report](std::size_t i, ImageKind kind) {
    return report.files[i].description.kind == kind;
  };
  for (std::size_t d = 0; d < files.size(); ++d) {
    for (std::size_t r = 0; r < files.size(); ++r) {
      if (!is(d, ImageKind::d88) || !is(r, ImageKind::raw_disk)) continue;
      report.held.push_back(
          {files[d].name, files[r].name, d88_difference(files[d].read.bytes, files[r].read.bytes)});
    }
  }
  return report;
}

}  // namespace flyseat::inspect
