#include "problems.hpp"

#include "flyseat/text.hpp"

namespace flyseat::inspect {

std::vector<std::string> texts_of(const Findings& findings) {
  std::vector<std::string> texts;
  for (const Finding& finding : findings)
    texts.push_back(finding_text(finding));
  return texts;
}

std::vector<std::string> shown_problems(const Findings& problems) {
  std::vector<std::string> shown = texts_of(problems);
  if (shown.size() <= kMostProblems) return shown;
  std::size_t more = shown.size() - kMostProblems;
  shown.resize(kMostProblems);
  shown.push_back("and " + count_of(more, "more problem"));
  return shown;
}

}  // namespace flyseat::inspect
