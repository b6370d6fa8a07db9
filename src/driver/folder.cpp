#include "flyseat/folder.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "flyseat/failure.hpp"

namespace flyseat {
namespace {

bool is_current(const char* path) {
  return path == nullptr || std::strcmp(path, ".") == 0;
}

int open_folder(const char* path) {
  int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
  // A folder that may be written but not listed (mode 0300) is built in as before, unlocked: a
  // lock needs a folder open for reading.
  if (folder < 0 && errno == EACCES) folder = ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
  return folder;
}

}  // namespace

void enter_folder(const char* path) {
  int folder = open_folder(path == nullptr ? "." : path);
  if (folder < 0) fail_open(path == nullptr ? "." : path);
  // Only a lock held elsewhere stops the build; a file system without locks builds unlocked.
  if (::flock(folder, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
    fail("%s", another_build(path).c_str());
  if (path != nullptr && ::fchdir(folder) != 0) fail_open(path);
  // The descriptor stays open, and the lock with it, until the process ends.
}

std::string another_build(const char* path) {
  if (is_current(path)) return "another build is running in this folder";
  return std::string(path) + ": another build is running there";
}

}  // namespace flyseat
