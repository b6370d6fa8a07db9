// A build stopped by a signal leaves no part file, as git and dpkg leave no temporary file.
#include "stop_signals.hpp"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "flyseat/folder.hpp"
#include "flyseat/io.hpp"

namespace flyseat {
namespace {

// Every signal that ends a process unless caught (the real-time signals are added to these),
// abort() too (an exception that escapes, a failed assertion), but those that tell of a fault
// the program hits (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS), which the sanitizers and a
// debugger must meet as they come.
constexpr int kStops[] = {
    SIGINT,    SIGTERM,   SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2,
    SIGALRM,   SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGABRT,
#ifdef SIGIO
    SIGIO,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
};

volatile std::sig_atomic_t handled = 0;
volatile std::sig_atomic_t holding = 0;
decltype(Sink::part_name) part;

// The line a stop says before the run ends, unless the run is writing it already.
volatile std::sig_atomic_t owing = 0;
volatile std::sig_atomic_t writing = 0;
int line_file = -1;
std::array<char, sizeof(Sink::part_name) + 16> line;
std::size_t line_length = 0;

template <typename Each>
void each_stop(Each each) {
  for (int stop : kStops)
    each(stop);
#ifdef SIGRTMIN
  for (int stop = SIGRTMIN; stop <= SIGRTMAX; ++stop)
    each(stop);
#endif
}

sigset_t stops() {
  sigset_t set;
  sigemptyset(&set);
  each_stop([&set](int stop) { sigaddset(&set, stop); });
  return set;
}

// A standard output that would make the run wait (a full pipe, a terminal paused with Ctrl-S)
// does not hold a stop back: the line is then left unsaid.
void say_without_waiting() {
  struct pollfd out = {line_file, POLLOUT, 0};
  if (::poll(&out, 1, 0) != 1 || (out.revents & POLLOUT) == 0) return;
  ssize_t said = ::write(line_file, line.data(), line_length);
  static_cast<void>(said);  // the run ends, whatever came of it
}

// Only what is safe in a handler: unlink, poll and write, then the signal again, which the
// default action (SA_RESETHAND) meets once this handler returns, the signal being blocked until
// then.
extern "C" void on_stop(int signal) {
  int error = errno;
  if (holding != 0) ::unlink(part.data());
  if (owing != 0 && writing == 0) say_without_waiting();
  ::raise(signal);
  errno = error;
}

}  // namespace

void handle_stop_signals() {
  struct sigaction stop = {};
  stop.sa_handler = on_stop;
  stop.sa_mask = stops();  // one stop at a time
  stop.sa_flags = static_cast<int>(SA_RESETHAND);
  // Set in one call each, and put back where it was ignored (under nohup, say): with the stops
  // blocked meanwhile, one that comes between the two calls waits, and is discarded with the
  // ignoring put back, never taken.
  sigset_t was;
  ::sigprocmask(SIG_BLOCK, &stop.sa_mask, &was);
  each_stop([&stop](int signal) {
    struct sigaction before = {};
    ::sigaction(signal, &stop, &before);
    if (before.sa_handler == SIG_IGN) ::sigaction(signal, &before, nullptr);
  });
  handled = 1;
  ::sigprocmask(SIG_SETMASK, &was, nullptr);
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

void owe_line(int file, const char* format, const char* name) {
  owing = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  int length = std::snprintf(line.data(), line.size(), format, name);
  line_length = length < 0 ? 0 : std::min(static_cast<std::size_t>(length), line.size() - 1);
  line_file = file;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  owing = 1;
}

int pay_line() {
  writing = 1;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  int error = 0;
  for (std::size_t done = 0; done < line_length && error == 0;) {
    ssize_t n = ::write(line_file, line.data() + done, line_length - done);
    if (n > 0) done += static_cast<std::size_t>(n);
    if (n == 0) error = EIO;
    if (n < 0 && errno != EINTR) error = errno;
  }
  std::atomic_signal_fence(std::memory_order_seq_cst);
  owing = 0;
  writing = 0;
  return error;
}

StopsHeldBack::StopsHeldBack() : holding_(handled != 0) {
  sigset_t held = stops();
  if (holding_) ::sigprocmask(SIG_BLOCK, &held, &before_);
}

StopsHeldBack::~StopsHeldBack() {
  if (holding_) ::sigprocmask(SIG_SETMASK, &before_, nullptr);
}

}  // namespace flyseat
