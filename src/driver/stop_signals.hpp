// Between the file layer and the stop signals: the part file a stop removes, the line it says,
// and the steps that a stop must not split.
#pragma once

#include <signal.h>

namespace flyseat {

// From now on a stop removes the part file `name` (copied); a stale one of that name is the
// run's to remove too, for the folder is locked.
void hold_part(const char* name);
void drop_part();

// From now on a stop says the line (`format` with `name`) on `file` before the run ends, when it
// can without waiting; pay_line writes it, and a stop meanwhile ends the run at once, the line
// perhaps unsaid: a standard output that cannot take it (a full pipe, a paused terminal) does not
// hold a stop back. pay_line returns 0, or errno when the line cannot be written.
void owe_line(int file, const char* format, const char* name);
int pay_line();

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
