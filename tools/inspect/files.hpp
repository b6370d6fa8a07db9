// The files the inspector reads and writes: read whole or bounded, written whole or not at all,
// and saying why when it cannot.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "file_read.hpp"

namespace flyseat::inspect {

// The path that names standard input, or standard output.
inline constexpr const char* kStandardStream = "-";

// Reads a whole file, or standard input for "-", with its checksums; a file of more than
// `limit` bytes is too large, and only its first `limit` bytes are kept.
FileRead read_file(const std::string& path, std::size_t limit);

// Reads the inputs wanted from `folder` (the others stay unread) as far as the check reads them,
// or with `whole` as far as a build reads them, with each file's whole size and checksums; each
// read says whether it worked. Each is opened and judged as a build opens it: one that is no
// regular file nor a folder is not read.
InputFiles read_inputs(const std::string& folder,
                       std::span<const Input> wanted = std::array{kLoader, kList1, kList2, kPatch,
                                                                  kListing},
                       bool whole = false);

// Writes the bytes to `path`, or to standard output for "-": a file beside its name, taking it
// once whole, as a build writes its outputs (a stop meanwhile leaves no part file); a device or
// a pipe as it stands. The problem ("cannot write: REASON") when it cannot.
std::optional<Finding> write_file(const std::string& path, std::span<const Byte> bytes);

// Whether the two paths name one file, through links and other paths to it.
bool same_file(const std::string& a, const std::string& b);

// The input in `folder` that `path` is, by the file it names (through links and other paths to
// it); nothing when it is none of them.
std::optional<Input> input_at(const std::string& folder, const std::string& path);

}  // namespace flyseat::inspect
