#include "diff.hpp"

namespace flyseat::inspect {
namespace {

bool is_image(ImageKind kind) {
  return kind != ImageKind::unreadable && kind != ImageKind::empty && kind != ImageKind::unknown;
}

bool is_disk(ImageKind kind) {
  return kind == ImageKind::d88 || kind == ImageKind::raw_disk;
}

}  // namespace

DiffReport diff_files(const NamedFile& first, const NamedFile& second) {
  DiffReport report;
  InfoReport described = describe_files({first, second});
  for (std::size_t i = 0; i < report.files.size(); ++i) {
    report.files[i] = std::move(described.files[i]);
    const Description& d = report.files[i].description;
    if (is_image(d.kind)) continue;
    Finding problem = d.problems.front();
    problem.file = report.files[i].file;
    report.problems.push_back(problem);
  }
  if (report.problems.empty())
    report.comparison = compare_images(first.read.bytes, second.read.bytes);
  return report;
}

bool alike(ImageKind first, ImageKind second) {
  return is_image(first) && (first == second || (is_disk(first) && is_disk(second)));
}

}  // namespace flyseat::inspect
