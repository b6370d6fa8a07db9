// flyseat-build: ports the game in the current folder and writes its tape and disk images.
// It asks nothing; --help and --version answer without touching a file, and any other
// argument is ignored.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "flyseat/driver.hpp"
#include "flyseat/failure.hpp"

namespace {

constexpr const char* kUsage =
    "Usage: flyseat-build\n"
    "Ports the 8-bit game whose five inputs (loader.bin, list1.bin, list2.bin, patch.bin,\n"
    "list3.txt) are in the current folder to the two-colour screen, and writes its tape images\n"
    "(flyseat2.p6, flyseat3.p6), its raw disk image (flyseat.dsk) and its D88 image\n"
    "(flyseat.d88) there. It takes no options: everything it knows about the game is compiled\n"
    "in. Check the inputs first with 'flyseat-inspect check'. See 'man flyseat-build'.\n";

bool asked(int argc, char** argv, std::string_view option) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == option) return true;
  }
  return false;
}

int build() {
  flyseat::Folder here;
  try {
    return flyseat::run(here);
  } catch (const flyseat::Failure& failure) {
    std::printf("%s\n", failure.message());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  if (asked(argc, argv, "--help")) {
    std::fputs(kUsage, stdout);
  } else if (asked(argc, argv, "--version")) {
    std::puts("flyseat-build " FLYSEAT_VERSION);
  } else {
    status = build();
  }
  // A run whose messages were lost on the way out has not told the user what it did.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "flyseat-build: cannot write standard output: %s\n", std::strerror(errno));
    return 1;
  }
  return status;
}
