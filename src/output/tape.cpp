#include <array>

#include "flyseat/output.hpp"

namespace flyseat {
namespace {

constexpr int kLeaderSize = 10;
constexpr Byte kLeaderByte = 0xD3;
constexpr int kTapeNameSize = 6;
static_assert(kLeaderSize + kTapeNameSize == kTapeHeaderSize);

}  // namespace

void write_tape_image(Folder& folder, const char* file_name, const char (&tape_name)[7],
                      std::initializer_list<std::span<const Byte>> stretches) {
  Sink tape;
  create_output(folder, tape, file_name);
  write_fill(tape, kLeaderByte, kLeaderSize);
  write_bytes(tape, std::span<const Byte>(reinterpret_cast<const Byte*>(tape_name), kTapeNameSize));
  for (std::span<const Byte> stretch : stretches)
    write_bytes(tape, stretch);
  close_output(tape);
  report_output(folder, file_name);
}

}  // namespace flyseat
