// Reading the files the inspector looks at: whole, bounded, and saying why when it cannot.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "inputs.hpp"

namespace flyseat::inspect {

// The path that names standard input, or standard output.
inline constexpr const char* kStandardStream = "-";

// Reads a whole file, or standard input for "-", with its checksums; a file of more than
// `limit` bytes is too large, and only its first `limit` bytes are kept.
FileRead read_file(const std::string& path, std::size_t limit);

// Reads the inputs wanted from `folder` (the others stay unread) as far as a build reads them,
// with each file's whole size and checksums; each read says whether it worked. Each is opened
// and judged as a build opens it: one that is no regular file nor a folder is not read.
GameInputs read_inputs(const std::string& folder, std::span<const Input> wanted = std::array{
                                                      kLoader, kList1, kList2, kPatch, kListing});

// What stands in the way of the four outputs of a build of the game in `folder` that writes into
// `output` (empty: `folder`), each in the build's words: another build there, a folder that
// cannot be written or made, an output or a part file that the build cannot replace or remove,
// too little room, too few open files (see flyseat/folder.hpp); GameInputs::foresee_outputs.
std::function<Findings(const std::optional<OutputSizes>&)> outputs_ahead(const std::string& folder,
                                                                         const std::string& output);

// The input in `folder` that `path` is, by the file it names (through links and other paths to
// it); nothing when it is none of them.
std::optional<Input> input_at(const std::string& folder, const std::string& path);

}  // namespace flyseat::inspect
