// Between the file layer and the stop signals: the part file that a stop removes.
#pragma once

namespace flyseat {

// From now on a stop removes the part file `name`, which must stay as it is until drop_part; a
// stale one of that name is the run's to remove too, for the folder is locked.
void hold_part(const char* name);
void drop_part();

}  // namespace flyseat
