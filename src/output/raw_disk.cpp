#include "flyseat/raw_disk.hpp"

#include "flyseat/output.hpp"
#include "flyseat/text.hpp"

namespace flyseat {
namespace {

std::span<const Byte> buffer_of(const WorkArea& work, DiskBuffer buffer) {
  switch (buffer) {
    case DiskBuffer::loader:
      return work.loader;
    case DiskBuffer::memory:
      return work.memory;
    case DiskBuffer::program:
      break;
  }
  return work.program;
}

// The program of a build from block `b` on: its records and end marker in exactly the blocks
// the block rule gives them, to the end of the image.
bool program_fills_from(std::span<const Byte> image, int blocks, int b, ProgramRead& program) {
  std::size_t start = static_cast<std::size_t>(b) * kBlockSize;
  program = read_program(image, start);
  if (program.stop != ProgramRead::ended) return false;
  auto length = static_cast<std::int32_t>(program.at + kEndMarkerSize - start);
  return block_count(length) == blocks - b;
}

}  // namespace

std::array<RawDiskPiece, 4> encode_raw_disk_image(const WorkArea& work) {
  DiskLayout layout = disk_layout(work.list1_length, work.list2_length, work.program_length);
  std::array<RawDiskPiece, 4> pieces;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const DiskStretch& stretch = layout.stretches[i];
    std::size_t zeros = stretch.past_buffer();
    std::size_t inside = static_cast<std::size_t>(stretch.blocks) * kBlockSize - zeros;
    pieces[i] = {
        buffer_of(work, stretch.buffer).subspan(static_cast<std::size_t>(stretch.start), inside),
        zeros};
  }
  return pieces;
}

RawDiskRead decode_raw_disk_image(std::span<const Byte> image) {
  RawDiskRead disk;
  disk.blocks = static_cast<int>(image.size() / kBlockSize);
  std::span<const Byte> loader = image.first(std::min<std::size_t>(image.size(), kLoaderSize));
  auto last_loaded =
      std::find_if(loader.rbegin(), loader.rend(), [](Byte b) { return b != kLoaderFill; });
  disk.loader_bytes = static_cast<std::size_t>(loader.rend() - last_loaded);
  disk.after_program = image.size();
  if (!built_block_count(disk.blocks)) return disk;
  // The program takes at least one block after the loader, list1 and list2, and at most the
  // blocks of a full program buffer.
  int first = std::max(kSmallestLayout.stretches[kProgramStretch].first_block,
                       disk.blocks - kLargestLayout.stretches[kProgramStretch].blocks);
  // Data blocks may hold what reads as a program too; the program a build wrote is followed by
  // zero bytes alone, so the first such candidate is taken, else the first at all.
  for (int b = first; b < disk.blocks; ++b) {
    ProgramRead program;
    if (!program_fills_from(image, disk.blocks, b, program)) continue;
    auto end = image.begin() + static_cast<std::ptrdiff_t>(program.at + kEndMarkerSize);
    auto after = static_cast<std::size_t>(
        std::find_if(end, image.end(), [](Byte byte) { return byte != 0; }) - image.begin());
    if (disk.program_block == 0 || after == image.size()) {
      disk.program_block = b;
      disk.program = program;
      disk.after_program = after;
    }
    if (after == image.size()) break;
  }
  return disk;
}

RawDiskCheck check_raw_disk_image(std::span<const Byte> image, PlaceOf place_of) {
  RawDiskCheck check{decode_raw_disk_image(image), {}};
  const RawDiskRead& disk = check.disk;
  Findings& findings = check.findings;
  if (!built_block_count(disk.blocks)) {
    findings.push_back({.field = "block count",
                        .value = Value::number(disk.blocks),
                        .expected = Value::range(kSmallestLayout.blocks, kLargestLayout.blocks)});
    return check;
  }
  if (disk.program_block == 0) {
    findings.push_back(
        {.note = format("its last blocks hold no program as a build writes it: line records with "
                        "the link field 0x%04X, then the end marker, in as many blocks as the "
                        "block rule gives them",
                        kUnlinked),
         .facts = {{"link_field", Value::hex(kUnlinked, 4)}}});
    return check;
  }
  if (disk.after_program < image.size()) {
    findings.push_back({.place = place_of(disk.after_program),
                        .field = "byte after the end marker",
                        .value = Value::hex(image[disk.after_program], 2),
                        .expected = Value::hex(0, 2)});
  }
  if (disk.program_block - 1 > kMostDataBlocks) {
    findings.push_back({.field = "list1 and list2 data",
                        .value = Value::number(disk.program_block - 1),
                        .expected = Value::at_most(kMostDataBlocks),
                        .unit = "block"});
  }
  return check;
}

void write_raw_disk_image(Folder& folder, const WorkArea& work) {
  Sink disk;
  create_output(folder, disk, kRawDiskName);
  for (const RawDiskPiece& piece : encode_raw_disk_image(work)) {
    write_bytes(disk, piece.bytes);
    write_fill(disk, 0x00, piece.zeros);
  }
  close_output(disk);
}

}  // namespace flyseat
