// How the inspector words a problem: of a file that cannot be read, of a stage a build would
// stop, and how many of one file's problems a text report shows.
#include "inspect.hpp"
#include "text.hpp"

namespace flyseat::inspect {

Problem problem_of(const Failure& failure, const std::string& folder) {
  if (failure.file == nullptr) return {folder, failure.message()};
  return {folder.empty() ? failure.file : folder + "/" + failure.file, failure.detail()};
}

std::vector<std::string> shown_problems(const std::vector<std::string>& problems) {
  if (problems.size() <= kMostProblems) return problems;
  std::vector<std::string> shown(problems.begin(), problems.begin() + kMostProblems);
  std::size_t more = problems.size() - kMostProblems;
  shown.push_back("and " + count_of(more, "more problem"));
  return shown;
}

std::optional<Problem> read_problem(const std::string& name, const FileRead& read,
                                    std::size_t limit) {
  switch (read.status) {
    case ReadStatus::cannot_open:
      return Problem{name, "cannot open: " + read.reason};
    case ReadStatus::cannot_read:
      return Problem{name, "cannot read: " + read.reason};
    case ReadStatus::not_a_file:
      return Problem{name, kNotAFile};
    case ReadStatus::too_large:
      return Problem{name, format("larger than %zu bytes, which no file of a build is", limit)};
    case ReadStatus::read:
      break;
  }
  return std::nullopt;
}

}  // namespace flyseat::inspect
