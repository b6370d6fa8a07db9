// The whole build, in its fixed order.
#pragma once

#include "flyseat/io.hpp"

namespace flyseat {

// Runs the conversion in `folder`; returns exit status 0 after the last output is written.
// Every failure throws a Failure carrying its message.
int run(Folder& folder);

}  // namespace flyseat
