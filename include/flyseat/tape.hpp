// The tape image: a leader, the tape name, then the payload, with no length field, no checksum
// and nothing after the payload. Its geometry, its encoder, its decoder and its check.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "flyseat/finding.hpp"
#include "flyseat/image_kind.hpp"
#include "flyseat/program.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

struct TapeGeometry {
  int leader_size;  // bytes of the leader, each leader_byte
  Byte leader_byte;
  int name_size;    // the tape name: characters filled with spaces, no terminating zero
  int header_size;  // the leader and the name; the payload follows
};
inline constexpr TapeGeometry kTape = {
    .leader_size = 10, .leader_byte = 0xD3, .name_size = 6, .header_size = 16};
static_assert(kTape.leader_size + kTape.name_size == kTape.header_size);

// The two tapes of a build: the list1 and list2 regions, and the program.
inline constexpr std::string_view kDataTapeTitle = "DATA  ";
inline constexpr std::string_view kMainTapeTitle = "MAIN  ";
static_assert(kDataTapeTitle.size() == kTape.name_size && kMainTapeTitle.size() == kTape.name_size);
// The largest tape images a build writes.
inline constexpr int kMaxDataTapeSize = kTape.header_size + kList1Max + kList2Max;
inline constexpr int kMaxMainTapeSize = kTape.header_size + kProgramSize;

using TapeHeader = std::array<Byte, kTape.header_size>;

// The header of a tape image; `name` has kTape.name_size characters.
TapeHeader encode_tape_header(std::string_view name);

// What a file holds as a tape image: no tape (unknown) when it does not begin with the leader;
// a data tape or a main tape by the name a build gives it; another tape for another name, or one
// cut before its whole name.
struct TapeRead {
  ImageKind kind = ImageKind::unknown;
  std::span<const Byte> name;     // of a whole header
  std::span<const Byte> payload;  // after a whole header
  bool whole_header() const { return !name.empty(); }
};
TapeRead decode_tape_image(std::span<const Byte> file);

// Whether a tape image is what a build writes: its whole header; a data tape whose payload the
// list1 and list2 regions can hold; a main tape whose payload is a program closed by its end
// marker, with nothing after it. Another tape name is a finding.
struct TapeCheck {
  TapeRead tape;
  std::optional<ProgramRead> program;  // the payload of a main tape image, read as a program
  Findings findings;
};
TapeCheck check_tape_image(std::span<const Byte> file);

}  // namespace flyseat
