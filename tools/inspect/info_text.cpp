// `info` as text: a headline for each file, what its kind tells, its checksums, then its
// problems; then whether each D88 image holds each raw disk image given with it.
#include <type_traits>

#include "flyseat/d88.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"
#include "flyseat/text.hpp"
#include "images.hpp"
#include "problems.hpp"

namespace flyseat::inspect {
namespace {

void add_raw_disk_lines(const RawDiskFacts& disk, const char* indent,
                        std::vector<std::string>& lines) {
  std::size_t fill = kBlockSize - disk.loader_bytes;
  lines.push_back(
      format("%sblock 0: the loader, %s", indent, count_of(disk.loader_bytes, "byte").c_str()) +
      (fill > 0 ? format(", then %s of 0x%02X fill", count_of(fill, "byte").c_str(), kLoaderFill)
                : ""));
  if (disk.program_block == 0) return;
  lines.push_back(format("%s%s: the list1 and list2 regions", indent,
                         span_of("block", 1, disk.program_block - 1).c_str()));
  lines.push_back(format("%s%s: the program, %s, the end marker at offset %zu", indent,
                         span_of("block", disk.program_block, disk.blocks - 1).c_str(),
                         count_of(disk.program.lines, "line").c_str(), disk.program.end_marker));
}

std::string blocks(int count) {
  return count_of(static_cast<std::size_t>(count), "block");
}

void add_lines(const TapeFacts& tape, const Description& d, std::vector<std::string>& lines) {
  std::string size = count_of(*d.size, "byte");
  if (!tape.whole_header) {
    lines.push_back(format("tape image, %s: its leader and no whole tape name", size.c_str()));
    return;
  }
  lines.push_back(format("tape image \"%s\", %s: the %d-byte header and %s of payload",
                         tape.name.c_str(), size.c_str(), kTape.header_size,
                         count_of(tape.payload, "byte").c_str()));
  if (d.kind == ImageKind::data_tape)
    lines.push_back("  payload: the list1 region, then the list2 region");
  if (tape.program) {
    lines.push_back(format("  program: %s, the end marker at offset %zu",
                           count_of(tape.program->lines, "line").c_str(),
                           tape.program->end_marker));
  }
}

void add_lines(const RawDiskFacts& disk, const Description& d, std::vector<std::string>& lines) {
  lines.push_back(format("raw disk image, %s: %s of %d bytes", count_of(*d.size, "byte").c_str(),
                         blocks(disk.blocks).c_str(), kBlockSize));
  add_raw_disk_lines(disk, "  ", lines);
}

void add_lines(const D88Facts& d88, const Description& d, std::vector<std::string>& lines) {
  lines.push_back(format("D88 image, %s: %d cylinders, 1 head, %d sectors of %d bytes a track",
                         count_of(*d.size, "byte").c_str(), kD88.cylinders, kD88.sectors,
                         kD88.sector_size));
  if (d88.header) {
    lines.push_back(
        format("  header: name \"%s\", write protect 0x%02X, media type 0x%02X, disk size %u",
               d88.header->name.c_str(), d88.header->write_protect, d88.header->media_type,
               d88.header->disk_size));
  }
  if (d88.table_as_built) {
    lines.push_back(format(
        "  track table: %d tracks, the first at offset %d, %d bytes apart; the other %d entries 0",
        kDiskTracks, kD88.header_size, kTrackSize, kD88.table_entries - kDiskTracks));
  }
  if (d88.sectors_with_data) {
    int with_data = *d88.sectors_with_data;
    lines.push_back(format(
        "  sectors: %d of %d with data (%s), then %d of 0x%02X fill", with_data, kDiskSectors,
        with_data % kD88.sectors == 0
            ? count_of(static_cast<std::size_t>(with_data / kD88.sectors), "whole track").c_str()
            : "not whole tracks",
        kDiskSectors - with_data, kD88Fill));
  }
  if (d88.held) {
    lines.push_back("  the raw disk image it holds: " + blocks(d88.held->blocks));
    add_raw_disk_lines(*d88.held, "    ", lines);
  }
}

}  // namespace

std::vector<std::string> description_lines(const Description& d) {
  std::vector<std::string> lines;
  if (d.kind == ImageKind::unknown)
    lines.push_back(format("%s, not an image of a build", count_of(*d.size, "byte").c_str()));
  std::visit(
      [&](const auto& facts) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(facts)>, std::monostate>)
          add_lines(facts, d, lines);
      },
      d.facts);
  if (!d.checksums.crc32.empty()) lines.push_back("  CRC-32 " + d.checksums.crc32);
  if (!d.checksums.sha1.empty()) lines.push_back("  SHA-1 " + d.checksums.sha1);
  return lines;
}

std::vector<InfoLine> info_lines(const InfoReport& report) {
  std::vector<InfoLine> lines;
  for (const FileDescription& f : report.files) {
    std::vector<std::string> described = description_lines(f.description);
    for (std::size_t i = 0; i < described.size(); ++i)
      lines.push_back({std::nullopt, i == 0 ? f.file + ": " + described[i] : described[i]});
    for (const std::string& problem : shown_problems(f.description.problems))
      lines.push_back({Finding{.file = f.file, .note = problem}, ""});
  }
  for (const HeldImage& h : report.held) {
    if (!h.difference) {
      lines.push_back({std::nullopt, h.d88 + " holds " + h.raw_disk + " sector for sector"});
    } else {
      lines.push_back(
          {Finding{.file = h.d88,
                   .note = "does not hold " + h.raw_disk + ": " + finding_text(*h.difference)},
           ""});
    }
  }
  return lines;
}

std::string info_text(const InfoReport& report) {
  std::string text;
  for (const InfoLine& line : info_lines(report))
    text += (line.problem ? said(*line.problem) : line.text) + "\n";
  return text;
}

}  // namespace flyseat::inspect
