// `info` as text: the report of each file, its first line naming it, then its problems; then
// whether each D88 or HFE image holds each disk image given with it.
#include "info.hpp"
#include "problems.hpp"

namespace flyseat::inspect {

std::vector<InfoLine> info_lines(const InfoReport& report) {
  std::vector<InfoLine> lines;
  for (const FileDescription& f : report.files) {
    std::vector<std::string> described = description_lines(f.description);
    for (std::size_t i = 0; i < described.size(); ++i)
      lines.push_back({std::nullopt, i == 0 ? f.file + ": " + described[i] : described[i]});
    for (const std::string& problem : shown_problems(f.description.problems))
      lines.push_back({Finding{.file = f.file, .note = problem}, ""});
  }
  for (const HeldImage& h : report.held) {
    if (!h.difference) {
      lines.push_back({std::nullopt, h.holder + " holds " + h.held + " sector for sector"});
    } else {
      lines.push_back(
          {Finding{.file = h.holder,
                   .note = "does not hold " + h.held + ": " + finding_text(*h.difference)},
           ""});
    }
  }
  return lines;
}

std::string info_text(const InfoReport& report) {
  std::string text;
  for (const InfoLine& line : info_lines(report))
    text += (line.problem ? said(*line.problem) : line.text) + "\n";
  return text;
}

}  // namespace flyseat::inspect
