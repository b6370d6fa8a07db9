// flyseat-build: ports the game in the current folder and writes its tape and disk images.
// It takes no arguments (any given are ignored) and asks nothing.
#include <cstdio>

#include "flyseat/driver.hpp"
#include "flyseat/failure.hpp"

int main() {
  flyseat::Folder here;
  try {
    return flyseat::run(here);
  } catch (const flyseat::Failure& failure) {
    std::printf("%s\n", failure.message());
    return 1;
  }
}
