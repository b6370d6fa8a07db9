// The raw disk image: the disk's tracks one after another, with no header, as a build lays them
// out (disk.hpp). Nothing on it says where a stretch begins: the three lengths alone decide it.
// Its encoder, its decoder and its check.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "flyseat/disk.hpp"
#include "flyseat/finding.hpp"
#include "flyseat/program.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

// The raw disk image of a work area, in the order it is written: each stretch's blocks from
// its buffer, then the zero bytes that complete a last block reaching past the buffer's end.
struct RawDiskPiece {
  std::span<const Byte> bytes;
  std::size_t zeros;
};
std::array<RawDiskPiece, 4> encode_raw_disk_image(const WorkArea& work);

// What a file holds as a raw disk image. The program is found as a build lays it out: line
// records and the end marker filling the last blocks, as many as the block rule gives them.
struct RawDiskRead {
  int blocks = 0;                 // whole blocks
  std::size_t loader_bytes = 0;   // of block 0, before its 0xFF fill
  int program_block = 0;          // where the program begins; 0 when no such program is there
  ProgramRead program;            // read from program_block
  std::size_t after_program = 0;  // the first byte after the end marker that is not zero, or
                                  // the file's size when there is none
};
// Looks for the program only in an image of as many blocks as a build writes.
RawDiskRead decode_raw_disk_image(std::span<const Byte> image);

// A file of whole blocks may be a raw disk image; nothing else in it says so.
constexpr bool whole_blocks(std::size_t size) {
  return size % kBlockSize == 0;
}

// Whether a raw disk image is what a build writes: as many whole blocks as a build writes, the
// program filling the last of them as the block rule gives it, zero bytes after its end marker,
// and no more blocks of data before it than the largest dumps take. Offsets are named by
// `place_of`.
struct RawDiskCheck {
  RawDiskRead disk;
  Findings findings;
};
RawDiskCheck check_raw_disk_image(std::span<const Byte> image, PlaceOf place_of = offset_place);

}  // namespace flyseat
