#include "flyseat/folder.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "flyseat/failure.hpp"

namespace flyseat {
namespace {

const char* named(const char* path) {
  return path == nullptr ? "." : path;
}

// A folder that is not there is made; one that another build made a moment before is opened as
// it stands, and the lock tells whether that build still writes there.
int open_output_folder(const char* path) {
  int folder = open_folder(path);
  if (folder >= 0 || errno != ENOENT) return folder;
  if (::mkdir(path, 0777) != 0 && errno != EEXIST) return -1;
  return open_folder(path);
}

[[noreturn]] void another_build(const char* path) {
  if (path == nullptr || std::strcmp(path, ".") == 0)
    fail("another build is running in this folder");
  fail("%s: another build is running there", path);
}

}  // namespace

int open_folder(const char* path) {
  int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
  if (folder < 0 && errno == EACCES) folder = ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
  return folder;
}

void enter_folders(const BuildFolders& folders, OpenedInputs& inputs) {
  const char* inputs_path = named(folders.inputs);
  int inputs_folder = open_folder(inputs_path);
  if (inputs_folder < 0) fail_open(inputs_path);
  open_inputs(inputs_folder, inputs);
  int output = inputs_folder;
  if (folders.separate()) {
    ::close(inputs_folder);  // the inputs are open: their folder is of no more use
    output = open_output_folder(folders.output);
    if (output < 0) fail_open(folders.output);
  }
  // Only a lock held elsewhere stops the build; a file system without locks builds unlocked.
  if (::flock(output, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
    another_build(folders.locked());
  if (folders.locked() != nullptr && ::fchdir(output) != 0) fail_open(folders.locked());
  // The descriptor stays open, and the lock with it, until the process ends.
}

}  // namespace flyseat
