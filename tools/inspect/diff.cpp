#include "diff.hpp"

#include "problems.hpp"

namespace flyseat::inspect {

DiffReport diff_files(const NamedFile& first, const NamedFile& second) {
  DiffReport report;
  InfoReport described = describe_files({first, second});
  for (std::size_t i = 0; i < report.files.size(); ++i) {
    report.files[i] = std::move(described.files[i]);
    const Description& d = report.files[i].description;
    bool image = d.kind != ImageKind::unreadable && d.kind != ImageKind::empty &&
                 d.kind != ImageKind::unknown;
    if (image) continue;
    Finding problem = d.problems.front();
    problem.file = report.files[i].file;
    report.problems.push_back(problem);
  }
  if (report.problems.empty())
    report.comparison = compare_images(first.read.bytes, second.read.bytes);
  return report;
}

std::string diff_text(const DiffReport& report) {
  std::string text;
  for (const Finding& difference : report.comparison.findings)
    text += finding_text(difference) + "\n";
  for (const Finding& problem : report.problems)
    text += said(problem) + "\n";
  return text;
}

}  // namespace flyseat::inspect
