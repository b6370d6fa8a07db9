#include "problems.hpp"

namespace flyseat::inspect {

std::vector<std::string> texts_of(const Findings& findings) {
  std::vector<std::string> texts;
  for (const Finding& finding : findings)
    texts.push_back(finding_text(finding));
  return texts;
}

std::vector<std::string> shown_problems(const Findings& problems) {
  FindingsOfAKind shown{"problem", "problems", kMostProblems};
  for (const Finding& problem : problems)
    shown.add_finding(problem);
  return texts_of(shown.folded(Level::error));
}

}  // namespace flyseat::inspect
