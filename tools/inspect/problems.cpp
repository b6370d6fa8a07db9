// How the inspector words a file that cannot be read, and how many problems a text report
// shows.
#include "inspect.hpp"
#include "text.hpp"

namespace flyseat::inspect {

std::vector<std::string> shown_problems(const std::vector<std::string>& problems) {
  if (problems.size() <= kMostProblems) return problems;
  std::vector<std::string> shown(problems.begin(), problems.begin() + kMostProblems);
  std::size_t more = problems.size() - kMostProblems;
  shown.push_back("and " + count_of(more, "more problem"));
  return shown;
}

std::string read_problem(const FileRead& read, std::size_t limit) {
  switch (read.status) {
    case ReadStatus::cannot_open:
      return "cannot open: " + read.reason;
    case ReadStatus::cannot_read:
      return "cannot read: " + read.reason;
    case ReadStatus::not_a_file:
      return kNotAFile;
    case ReadStatus::too_large:
      return format("larger than %zu bytes, which no file of a build is", limit);
    case ReadStatus::read:
      return {};
  }
  return {};
}

}  // namespace flyseat::inspect
