#include "verify.hpp"

#include <algorithm>
#include <memory>

#include "diff.hpp"
#include "flyseat/d88.hpp"
#include "flyseat/memory_build.hpp"
#include "recognise.hpp"

namespace flyseat::inspect {
namespace {

// What each name's image is, as info knows it: of the tapes, any name will do.
constexpr ImageKind kKinds[] = {ImageKind::data_tape, ImageKind::main_tape, ImageKind::raw_disk,
                                ImageKind::d88, ImageKind::hfe};
static_assert(std::size(kKinds) == kVerifiedNames.size());

VerifiedImage verified(std::size_t i, std::span<const Byte> built, std::span<const Byte> file) {
  VerifiedImage image{kVerifiedNames[i], VerifiedImage::Verdict::same, recognise_image(file).kind};
  if (std::equal(built.begin(), built.end(), file.begin(), file.end())) return image;
  bool alike = is_tape(kKinds[i]) ? is_tape(image.kind) : image.kind == kKinds[i];
  if (!alike) {
    image.verdict = VerifiedImage::Verdict::not_that_image;
  } else {
    image.verdict = VerifiedImage::Verdict::differs;
    image.differences = compare_images(built, file);
  }
  return image;
}

}  // namespace

int VerifyReport::status() const {
  if (!problems.empty()) return 2;
  bool all_same = std::all_of(images.begin(), images.end(), [](const VerifiedImage& image) {
    return image.verdict == VerifiedImage::Verdict::same;
  });
  return failure || !all_same ? 1 : 0;
}

VerifyReport verify_images(const InputFiles& inputs, const FoundImages& images,
                           const std::string& folder, const std::string& output) {
  VerifyReport report;
  std::string in = folder.empty() ? "" : folder + "/", out = output.empty() ? "" : output + "/";
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    if (std::optional<Finding> problem = read_problem(in + kInputNames[i], inputs[i], SIZE_MAX))
      report.problems.push_back(*problem);
  }
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (!images[i]) continue;
    if (std::optional<Finding> p =
            read_problem(out + kVerifiedNames[i], *images[i], kMaxInspectSize))
      report.problems.push_back(*p);
  }
  if (!report.problems.empty()) return report;
  auto build = std::make_unique<MemoryBuild>();
  build_in_memory({inputs[kLoader].bytes, inputs[kList1].bytes, inputs[kList2].bytes,
                   inputs[kPatch].bytes, inputs[kListing].bytes},
                  *build);
  if (build->status != 0) {
    report.failure = finding_of(build->failure);
    return report;
  }
  for (std::size_t i = 0; i < images.size(); ++i) {
    bool is_hfe = kKinds[i] == ImageKind::hfe;
    if (!images[i] && is_hfe) continue;  // verified only when there is one
    if (!images[i]) {
      report.images.push_back(
          {kVerifiedNames[i], VerifiedImage::Verdict::missing, ImageKind::unreadable});
      continue;
    }
    if (!is_hfe) {
      report.images.push_back(verified(i, build->output(kVerifiedNames[i]), images[i]->bytes));
      continue;
    }
    auto hfe = std::make_unique<HfeImage>();
    encode_hfe(decode_d88_image(build->output(kD88Name)), *hfe);
    report.images.push_back(verified(i, *hfe, images[i]->bytes));
  }
  return report;
}

std::vector<std::string> verify_lines(const VerifyReport& report) {
  if (report.failure) return {"the inputs do not build: " + report.failure->message};
  std::vector<std::string> lines;
  for (const VerifiedImage& image : report.images) {
    std::string name = std::string(image.name) + ": ";
    auto at = std::find(kVerifiedNames.begin(), kVerifiedNames.end(), std::string_view(image.name));
    switch (image.verdict) {
      case VerifiedImage::Verdict::same:
        lines.push_back(name + "same");
        break;
      case VerifiedImage::Verdict::missing:
        lines.push_back(name + "missing");
        break;
      case VerifiedImage::Verdict::not_that_image:
        lines.push_back(name + "not " + kind_words(kKinds[at - kVerifiedNames.begin()]));
        break;
      case VerifiedImage::Verdict::differs:
        lines.push_back(name + "differs");
        for (const Finding& difference : image.differences)
          lines.push_back("  " + finding_text(difference));
    }
  }
  return lines;
}

}  // namespace flyseat::inspect
