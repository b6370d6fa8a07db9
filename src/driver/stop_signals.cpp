// A build stopped by a signal leaves no part file, as git and dpkg leave no temporary file.
#include "stop_signals.hpp"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "flyseat/folder.hpp"
#include "flyseat/io.hpp"

namespace flyseat {
namespace {

constexpr int kStops[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t handled = 0;
volatile std::sig_atomic_t holding = 0;
decltype(Sink::part_name) part;

sigset_t stops() {
  sigset_t set;
  sigemptyset(&set);
  for (int stop : kStops)
    sigaddset(&set, stop);
  return set;
}

// Only what is safe in a handler: unlink, then the signal again, which the default action
// (SA_RESETHAND) meets once this handler returns, the signal being blocked until then.
extern "C" void on_stop(int signal) {
  int error = errno;
  if (holding != 0) ::unlink(part.data());
  ::raise(signal);
  errno = error;
}

}  // namespace

void handle_stop_signals() {
  struct sigaction stop = {};
  stop.sa_handler = on_stop;
  stop.sa_mask = stops();  // one stop at a time
  stop.sa_flags = static_cast<int>(SA_RESETHAND);
  for (int signal : kStops) {
    struct sigaction before = {};
    ::sigaction(signal, nullptr, &before);
    if (before.sa_handler != SIG_IGN) ::sigaction(signal, &stop, nullptr);
  }
  handled = 1;
}

void hold_part(const char* name) {
  holding = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::strncpy(part.data(), name, part.size() - 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  holding = 1;
}

void drop_part() {
  holding = 0;
}

StopsHeldBack::StopsHeldBack() : holding_(handled != 0) {
  sigset_t held = stops();
  if (holding_) ::sigprocmask(SIG_BLOCK, &held, &before_);
}

StopsHeldBack::~StopsHeldBack() {
  if (holding_) ::sigprocmask(SIG_SETMASK, &before_, nullptr);
}

}  // namespace flyseat
