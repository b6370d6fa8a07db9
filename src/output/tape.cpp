#include "flyseat/tape.hpp"

#include <algorithm>

#include "flyseat/output.hpp"
#include "flyseat/text.hpp"

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
  tape.kind = ImageKind::other_tape;
  if (file.size() < kTape.header_size) return tape;
  tape.name = file.subspan(kTape.leader_size, kTape.name_size);
  tape.payload = file.subspan(kTape.header_size);
  if (named(tape.name, kDataTapeTitle)) tape.kind = ImageKind::data_tape;
  if (named(tape.name, kMainTapeTitle)) tape.kind = ImageKind::main_tape;
  return tape;
}

namespace {

constexpr std::size_t kMostPayload = kMaxDataTapeSize - kTape.header_size;

}  // namespace

TapeCheck check_tape_image(std::span<const Byte> file) {
  TapeCheck check{.tape = decode_tape_image(file), .program = {}, .findings = {}};
  const TapeRead& tape = check.tape;
  if (is_tape(tape.kind) && !tape.whole_header()) {
    check.findings.push_back({.field = "tape header",
                              .value = Value::number(static_cast<std::int64_t>(file.size())),
                              .expected = Value::number(kTape.header_size),
                              .unit = "byte"});
    return check;
  }
  switch (tape.kind) {
    case ImageKind::data_tape:
      if (tape.payload.size() > kMostPayload) {
        check.findings.push_back(
            {.place = offset_place(kTape.header_size),
             .field = "payload",
             .value = Value::number(static_cast<std::int64_t>(tape.payload.size())),
             .expected = Value::at_most(kMostPayload, "the largest list1 and list2 regions"),
             .unit = "byte"});
      }
      break;
    case ImageKind::main_tape:
      check.program = read_program(file, kTape.header_size);
      check_program(file, *check.program, check.findings);
      break;
    case ImageKind::other_tape:
      check.findings.push_back(
          {.place = offset_place(kTape.leader_size),
           .field = "tape name",
           .value = Value::name(std::string(tape.name.begin(), tape.name.end())),
           .expected = Value::text(
               format("\"%s\" or \"%s\"", kDataTapeTitle.data(), kMainTapeTitle.data()))});
      break;
    default:  // no tape
      break;
  }
  return check;
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
