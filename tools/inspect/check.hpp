// `check`: before a build, whether the inputs are the game that the compiled-in tables were made
// for. The core runs the build's own stages on the inputs, watched (flyseat/game_check.hpp); the
// companion adds what stands in the way of the outputs, and renders the report.
#pragma once

#include "flyseat/check_report.hpp"
#include "flyseat/game_check.hpp"

namespace flyseat::inspect {

// Runs the build's stages on the inputs in memory or streamed from their files; writes nothing.
CheckReport check_inputs(const GameInputs& inputs);

}  // namespace flyseat::inspect
