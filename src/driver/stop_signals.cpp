// A build stopped by a signal leaves no part file, as git leaves no temporary file: its handler
// removes the file, puts the signal's default action back and raises it again.
#include "stop_signals.hpp"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include "flyseat/io.hpp"

namespace flyseat {
namespace {

// What people, terminals, session managers and limits send to end a process; a closed pipe is
// EPIPE, SIGPIPE being ignored. A fault of the program's own (SIGSEGV and the like) is left as
// it comes, for the sanitizers and a debugger.
constexpr int kStops[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ, SIGXCPU};

// An atomic pointer is lock-free, and so safe to read in a handler.
std::atomic<const char*> part{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);

// The stops are blocked while it runs, so a second one waits for it, and its own disposition
// stays until it puts the default back: the signal raised again, and any other that waited, then
// end the process as they ask once it returns.
extern "C" void on_stop(int signal) {
  int error = errno;
  if (const char* name = part.load()) ::unlink(name);
  std::signal(signal, SIG_DFL);
  ::raise(signal);
  errno = error;
}

}  // namespace

void handle_stop_signals() {
  struct sigaction stop = {};
  stop.sa_handler = on_stop;
  sigemptyset(&stop.sa_mask);
  for (int signal : kStops)
    sigaddset(&stop.sa_mask, signal);
  // One that comes while the handlers are set waits, and is discarded with the ignoring put back
  // where a stop was ignored from the start (under nohup, say).
  sigset_t was;
  ::sigprocmask(SIG_BLOCK, &stop.sa_mask, &was);
  for (int signal : kStops) {
    struct sigaction before = {};
    ::sigaction(signal, &stop, &before);
    if (before.sa_handler == SIG_IGN) ::sigaction(signal, &before, nullptr);
  }
  ::sigprocmask(SIG_SETMASK, &was, nullptr);
}

void hold_part(const char* name) {
  part.store(name);
}

void drop_part() {
  part.store(nullptr);
}

}  // namespace flyseat
