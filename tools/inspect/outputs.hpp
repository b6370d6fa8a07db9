// What stands in the way of a build's four outputs, as the check sees it without writing a byte
// or taking a lock: the plain state of the folders that a porter meets and mends. What only the
// system can tell as the build runs (room, the open-file limit, another build at that moment)
// the build meets safely, with its message and the system's reason.
#pragma once

#include <string>

#include "flyseat/finding.hpp"

namespace flyseat::inspect {

// Of a build of the game in `folder` that writes into `output` (empty: `folder`), each an error
// in the build's words ("cannot open flyseat2.p6") with why as its note: a folder that cannot be
// written or made, or an output or a part file that the build can neither replace nor remove;
// and the fact that the build makes `output`, when it is not there.
Findings outputs_ahead(const std::string& folder, const std::string& output);

}  // namespace flyseat::inspect
