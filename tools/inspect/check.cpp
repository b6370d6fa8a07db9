#include "check.hpp"

namespace flyseat::inspect {

CheckReport check_inputs(const GameInputs& inputs) {
  CheckReport report;
  check_game(inputs, report);
  for (const std::string& blocked : inputs.outputs_blocked)
    report.error(kOutputsSection, {.note = blocked});
  if (inputs.outputs_blocked.empty())
    report.fact(kOutputsSection, {.note = "nothing stands in the way of the four outputs"});
  return report;
}

}  // namespace flyseat::inspect
