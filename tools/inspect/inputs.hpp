// The files the inspector looks at, as they were read (flyseat/game_check.hpp: whole or up to a
// limit, with the checksums of the whole file, or why they could not be read), and the problem
// of one that could not be read whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "flyseat/finding.hpp"
#include "flyseat/game_check.hpp"

namespace flyseat::inspect {

// The problem of a file that could not be read whole: "cannot open: REASON" and the like.
std::optional<Finding> read_problem(const std::string& name, const FileRead& read,
                                    std::size_t limit);

// A file larger than this is no image of a build and is not read further.
inline constexpr std::size_t kMaxInspectSize = 1 << 20;

}  // namespace flyseat::inspect
