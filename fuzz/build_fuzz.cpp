// The whole build on arbitrary inputs, given as four 16-bit little-endian lengths (loader,
// list1, list2, patch), those inputs back to back, and the listing in the rest. Whatever the
// inputs: the check foretells the build (an error exactly when the build fails, with the build's
// own message), its report stays within a bound that no input passes (findings of one kind past
// the first few are counted, not listed), and every output the build makes passes its format's
// check.
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "flyseat/d88.hpp"
#include "flyseat/game_check.hpp"
#include "flyseat/memory_build.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"
#include "info.hpp"

namespace {

using namespace flyseat;

// The lines of a report: the sections' titles, every kind of finding with its first few and the
// count of the rest, the verdict.
constexpr std::size_t kMostReportLines = 300;

// The check's error, when it finds one, as the build would say it; "too long" for a report past
// its bound.
std::string check_error(const std::span<const Byte> (&parts)[5]) {
  GameInputs inputs;
  for (std::size_t i = 0; i < inputs.size(); ++i)
    inputs[i] = {InputState::read, parts[i], parts[i].size()};
  CheckWatch none;
  CheckReport report = check_game(inputs, none);
  if (check_lines(report).size() > kMostReportLines) return "too long";
  for (const Findings& section : report.sections) {
    for (const Finding& finding : section) {
      if (finding.level == Level::error)
        return finding.message.empty() ? said(finding) : finding.message;
    }
  }
  return {};
}

bool outputs_pass_their_checks(const MemoryBuild& build) {
  std::span<const Byte> data = build.output(kDataTapeName), main = build.output(kMainTapeName),
                        raw = build.output(kRawDiskName), d88 = build.output(kD88Name);
  return check_tape_image(data).findings.empty() && check_tape_image(main).findings.empty() &&
         check_raw_disk_image(raw).findings.empty() && check_d88_image(d88).findings.empty() &&
         !inspect::d88_difference(d88, raw);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const Byte> rest(data, size), parts[5];
  std::size_t lengths[4] = {};
  for (std::size_t i = 0; i < 4 && rest.size() >= 2; ++i, rest = rest.subspan(2))
    lengths[i] = static_cast<std::size_t>(rest[0] | rest[1] << 8);
  for (std::size_t i = 0; i < 4; ++i, rest = rest.subspan(parts[i - 1].size()))
    parts[i] = rest.first(std::min(lengths[i], rest.size()));
  parts[4] = rest;
  static auto build = std::make_unique<MemoryBuild>();
  build_in_memory({parts[0], parts[1], parts[2], parts[3], parts[4]}, *build);
  std::string foretold = check_error(parts);
  if (build->status == 0
          ? !foretold.empty() || !outputs_pass_their_checks(*build)
          : foretold != build->failure.message() || !build->output(kDataTapeName).empty())
    std::abort();
  return 0;
}
