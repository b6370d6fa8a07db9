// flyseat-build: ports the game in the current folder and writes its tape and disk images.
// It takes no arguments (any given are ignored) and asks nothing.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "flyseat/driver.hpp"
#include "flyseat/failure.hpp"

int main() {
  flyseat::Folder here;
  int status = 0;
  try {
    status = flyseat::run(here);
  } catch (const flyseat::Failure& failure) {
    std::printf("%s\n", failure.message());
    status = 1;
  }
  // A run whose messages were lost on the way out has not told the user what it did.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "flyseat-build: cannot write standard output: %s\n", std::strerror(errno));
    return 1;
  }
  return status;
}
