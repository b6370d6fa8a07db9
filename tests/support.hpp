// Helpers shared by the tests: byte strings, the sample game's inputs and the failures of a
// run. Nothing here starts a process or touches a folder but the sample's.
#pragma once

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "flyseat/failure.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/game_check.hpp"
#include "flyseat/memory_build.hpp"
#include "flyseat/patch.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat::test {

using Bytes = std::vector<Byte>;

inline Bytes bytes(std::initializer_list<int> values) {
  return Bytes(values.begin(), values.end());
}

inline Bytes text_bytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The file with bytes from `at` on given other values.
inline Bytes changed(Bytes file, std::size_t at, std::initializer_list<int> values) {
  for (int v : values)
    file.at(at++) = static_cast<Byte>(v);
  return file;
}

// Its first `size` bytes.
inline Bytes cut(const Bytes& file, std::size_t size) {
  return Bytes(file.begin(), file.begin() + static_cast<long>(size));
}

// A patch record: its header as the build encodes it, then the data bytes given, which may be
// fewer than its count.
inline Bytes patch_record(int count, int address, const Bytes& data = {}) {
  PatchRecordHeaderBytes header = encode_patch_record_header({count, address});
  return concat({Bytes(header.begin(), header.end()), data});
}

inline Bytes read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string text_of(std::span<const Byte> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline std::span<const Byte> span_of(const std::string& text) {
  return {reinterpret_cast<const Byte*>(text.data()), text.size()};
}

// The message of the Failure that `action` throws, empty when it throws none.
template <typename Action>
std::string failure_of(Action action) {
  try {
    return action(), "";
  } catch (const Failure& failure) {
    return failure.message();
  }
}

// One of the bundled sample game's inputs.
inline Bytes sample_input(const char* name) {
  return read_file(std::filesystem::path(FLYSEAT_SAMPLE_DIR) / name);
}

using Inputs = std::array<Bytes, kInputNames.size()>;  // by Input

inline Inputs sample_game() {
  Inputs inputs;
  for (std::size_t i = 0; i < inputs.size(); ++i)
    inputs[i] = sample_input(kInputNames[i]);
  return inputs;
}

// The inputs as the check takes them, each read whole.
inline GameInputs read_whole(const Inputs& inputs) {
  GameInputs game;
  for (std::size_t i = 0; i < inputs.size(); ++i)
    game[i] = {InputState::read, inputs[i], inputs[i].size()};
  return game;
}

// The check of the inputs, each read whole, by a caller that knows nothing more.
inline CheckReport check_of(const Inputs& inputs) {
  CheckWatch none;
  return check_game(read_whole(inputs), none);
}

// The outputs a build in memory makes of the inputs, in the order of kOutputNames; empty where
// it makes none.
inline std::array<std::string, kOutputNames.size()> built_in_memory(const Inputs& in) {
  auto build = std::make_unique<MemoryBuild>();
  build_in_memory({in[kLoader], in[kList1], in[kList2], in[kPatch], in[kListing]}, *build);
  std::array<std::string, kOutputNames.size()> made;
  for (std::size_t i = 0; i < made.size(); ++i)
    made[i] = text_of(build->output(kOutputNames[i]));
  return made;
}

// What a build in memory makes of the sample game, made once.
inline const std::array<std::string, kOutputNames.size()>& sample_outputs() {
  static const auto outputs = built_in_memory(sample_game());
  return outputs;
}

// A tape image of that name and payload.
inline Bytes tape(const std::string& name, const Bytes& payload) {
  return concat({Bytes(10, 0xD3), text_bytes(name), payload});
}

// Where sector s's record starts in a D88 image: after the 688-byte header, 272 bytes a sector.
inline std::size_t sector_record(int s) {
  return 688 + 272 * static_cast<std::size_t>(s);
}

}  // namespace flyseat::test
