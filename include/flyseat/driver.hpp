// The whole build, in its fixed order.
#pragma once

#include "flyseat/io.hpp"
#include "flyseat/work_area.hpp"

namespace flyseat {

// Runs the conversion in `folder` on `work`, which must be all zero; returns exit status 0 after
// the last output is written. Every failure throws a Failure carrying its message. A folder on
// disk has its inputs opened already (enter_folders).
int run(Folder& folder, WorkArea& work);

}  // namespace flyseat
