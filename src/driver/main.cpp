// flyseat-build [DIR]: ports the game in DIR (the current folder by default) and writes its tape
// and disk images there. It asks nothing; --help and --version answer without touching a file.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "flyseat/driver.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/folder.hpp"

namespace {

constexpr const char* kUsage =
    "Usage: flyseat-build [DIR]\n"
    "Ports the 8-bit game whose five inputs (loader.bin, list1.bin, list2.bin, patch.bin,\n"
    "list3.txt) are in DIR, the current folder by default, to the two-colour screen, and writes\n"
    "its tape images (flyseat2.p6, flyseat3.p6), its raw disk image (flyseat.dsk) and its D88\n"
    "image (flyseat.d88) there. It takes no options: everything it knows about the game is\n"
    "compiled in. Check the inputs first with 'flyseat-inspect check'. See 'man flyseat-build'.\n";

constexpr int kBuilt = 0, kFailed = 1, kWrongUsage = 2;

bool asked(int argc, char** argv, std::string_view option) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == option) return true;
  }
  return false;
}

// A command line that names more than a folder: one line on what is wrong, nothing built.
int usage_error(const char* what, const char* argument) {
  std::fprintf(stderr, "flyseat-build: %s '%s' (see 'flyseat-build --help')\n", what, argument);
  return kWrongUsage;
}

// A run whose messages were lost on the way out has not told the user what it did.
int lost_output(int error) {
  std::fprintf(stderr, "flyseat-build: cannot write standard output: %s\n", std::strerror(error));
  return kFailed;
}

// A run that fails says so on standard output in the build's words, and why on standard error
// when the system said why (errno).
int build(const char* folder) {
  try {
    flyseat::handle_stop_signals();
    flyseat::enter_folder(folder);
    flyseat::Folder here;
    here.console = stdout;
    // Zero, as a run must start; a page of it is touched only once a stage uses it.
    static flyseat::WorkArea work;
    return flyseat::run(here, work);
  } catch (const flyseat::Failure& failure) {
    if (failure.standard_output) return lost_output(failure.error);
    std::printf("%s\n", failure.message());
    std::fflush(stdout);  // before why, in a log of both
    if (failure.error != 0)
      std::fprintf(stderr, "flyseat-build: %s: %s\n", failure.name.c_str(),
                   std::strerror(failure.error));
    return kFailed;
  } catch (const std::bad_alloc&) {
    // The only exception besides a Failure: the part file went on the way here.
    std::fputs("flyseat-build: out of memory\n", stderr);
    return kFailed;
  }
}

// The folder named on the command line, null for none; a usage error's status in `status`.
const char* folder_argument(int argc, char** argv, int& status) {
  const char* folder = nullptr;
  bool options = true;  // "--" ends them, for a folder whose name begins with '-'
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (options && argument == "--") {
      options = false;
    } else if (options && argument.size() > 1 && argument[0] == '-') {
      status = usage_error("unknown option", argv[i]);
      return nullptr;
    } else if (folder != nullptr) {
      status = usage_error("unexpected argument", argv[i]);
      return nullptr;
    } else {
      folder = argv[i];
    }
  }
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  // A standard output closed early is a failure to write it, said as any other, not a silent end.
  std::signal(SIGPIPE, SIG_IGN);
  int status = kBuilt;
  if (asked(argc, argv, "--help") || asked(argc, argv, "-h")) {
    std::fputs(kUsage, stdout);
  } else if (asked(argc, argv, "--version")) {
    std::puts("flyseat-build " FLYSEAT_VERSION);
  } else if (const char* folder = folder_argument(argc, argv, status); status == kBuilt) {
    status = build(folder);
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) return lost_output(errno);
  return status;
}
