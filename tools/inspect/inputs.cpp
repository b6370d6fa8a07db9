// The problem of a file the inspector could not read whole.
#include "inputs.hpp"

#include "flyseat/text.hpp"

namespace flyseat::inspect {

std::optional<Finding> read_problem(const std::string& name, const FileRead& read,
                                    std::size_t limit) {
  Finding problem{.file = name};
  switch (read.status) {
    case ReadStatus::cannot_open:
      problem.note = "cannot open: " + read.reason;
      return problem;
    case ReadStatus::cannot_read:
      problem.note = "cannot read: " + read.reason;
      return problem;
    case ReadStatus::not_a_file:
      problem.note = kNotAFile;
      return problem;
    case ReadStatus::too_large:  // read no further than that: its size is not known
      problem.note = format("larger than %zu bytes, which no file of a build is", limit);
      return problem;
    case ReadStatus::read:
      break;
  }
  return std::nullopt;
}

}  // namespace flyseat::inspect
