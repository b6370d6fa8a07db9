#include "flyseat/output.hpp"

namespace flyseat {

void write_tape_image(Folder& folder, const char* file_name, std::string_view tape_name,
                      std::initializer_list<std::span<const Byte>> stretches) {
  Sink tape;
  create_output(folder, tape, file_name);
  write_fill(tape, kTapeLeaderByte, kTapeLeaderSize);
  write_bytes(tape, std::span(reinterpret_cast<const Byte*>(tape_name.data()), kTapeNameSize));
  for (std::span<const Byte> stretch : stretches)
    write_bytes(tape, stretch);
  close_output(tape);
  report_output(folder, file_name);
}

}  // namespace flyseat
