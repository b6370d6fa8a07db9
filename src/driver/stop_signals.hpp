// Between the file layer and the stop signals: the part file a stop removes, and the steps that
// a stop must not split.
#pragma once

#include <signal.h>

namespace flyseat {

// From now on a stop removes the part file `name` (copied); a stale one of that name is the
// run's to remove too, for the folder is locked.
void hold_part(const char* name);
void drop_part();

// Holds the stop signals back while it lives, once handle_stop_signals has run: one that comes
// meanwhile takes effect when it ends.
class StopsHeldBack {
 public:
  StopsHeldBack();
  ~StopsHeldBack();
  StopsHeldBack(const StopsHeldBack&) = delete;
  StopsHeldBack& operator=(const StopsHeldBack&) = delete;

 private:
  bool holding_;
  sigset_t before_;
};

}  // namespace flyseat
