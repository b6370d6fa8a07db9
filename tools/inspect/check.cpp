#include "check.hpp"

namespace flyseat::inspect {

CheckReport check_inputs(const GameInputs& inputs) {
  CheckReport report;
  check_game(inputs, report);
  return report;
}

}  // namespace flyseat::inspect
