#include "flyseat/tape.hpp"

#include <algorithm>

#include "flyseat/output.hpp"

namespace flyseat {
namespace {

bool named(std::span<const Byte> name, std::string_view title) {
  return std::equal(name.begin(), name.end(), title.begin(), title.end(),
                    [](Byte b, char c) { return b == static_cast<Byte>(c); });
}

}  // namespace

TapeHeader encode_tape_header(std::string_view name) {
  TapeHeader header;
  auto leader = std::fill_n(header.begin(), kTape.leader_size, kTape.leader_byte);
  std::transform(name.begin(), name.begin() + kTape.name_size, leader,
                 [](char c) { return static_cast<Byte>(c); });
  return header;
}

TapeRead decode_tape_image(std::span<const Byte> file) {
  TapeRead tape;
  std::span<const Byte> leader = file.first(std::min<std::size_t>(file.size(), kTape.leader_size));
  if (leader.size() < kTape.leader_size ||
      std::any_of(leader.begin(), leader.end(), [](Byte b) { return b != kTape.leader_byte; })) {
    return tape;
  }
  if (file.size() < kTape.header_size) {
    tape.kind = TapeRead::cut_short;
    return tape;
  }
  tape.name = file.subspan(kTape.leader_size, kTape.name_size);
  tape.payload = file.subspan(kTape.header_size);
  tape.kind = named(tape.name, kDataTapeTitle)   ? TapeRead::data_tape
              : named(tape.name, kMainTapeTitle) ? TapeRead::main_tape
                                                 : TapeRead::other_tape;
  return tape;
}

void write_tape_image(Folder& folder, const char* file_name, std::string_view tape_name,
                      std::initializer_list<std::span<const Byte>> stretches) {
  Sink tape;
  create_output(folder, tape, file_name);
  write_bytes(tape, encode_tape_header(tape_name));
  for (std::span<const Byte> stretch : stretches)
    write_bytes(tape, stretch);
  close_output(tape);
}

}  // namespace flyseat
