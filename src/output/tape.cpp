#include <array>

#include "flyseat/output.hpp"

namespace flyseat {

void write_tape_image(Folder& folder, const char* file_name, const char (&tape_name)[7],
                      std::initializer_list<std::span<const Byte>> stretches) {
  Sink tape;
  create_output(folder, tape, file_name);
  write_fill(tape, kTapeLeaderByte, kTapeLeaderSize);
  write_bytes(tape, std::span<const Byte>(reinterpret_cast<const Byte*>(tape_name), kTapeNameSize));
  for (std::span<const Byte> stretch : stretches)
    write_bytes(tape, stretch);
  close_output(tape);
  report_output(folder, file_name);
}

}  // namespace flyseat
