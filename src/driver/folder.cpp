#include "flyseat/folder.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

// What a file is to a build that would replace or remove it; false when there is none.
struct Entry {
  bool folder, immutable, append_only;
  uid_t owner;
};
bool look(int folder, const char* name, Entry& entry) {
#ifdef __linux__
  struct statx facts;
  if (::statx(folder, name, AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_UID, &facts) != 0) return false;
  entry = {S_ISDIR(facts.stx_mode), (facts.stx_attributes & STATX_ATTR_IMMUTABLE) != 0,
           (facts.stx_attributes & STATX_ATTR_APPEND) != 0, facts.stx_uid};
#else
  struct stat facts;
  if (::fstatat(folder, name, &facts, AT_SYMLINK_NOFOLLOW) != 0) return false;
  entry = {S_ISDIR(facts.st_mode), false, false, facts.st_uid};
#endif
  return true;
}

// The sticky bit lets only a file's owner, the folder's owner and root remove or replace it.
bool others(const struct stat& folder, const Entry& entry) {
  uid_t me = ::geteuid();
  return (folder.st_mode & S_ISVTX) != 0 && me != 0 && me != entry.owner && me != folder.st_uid;
}

void add(OutputsAhead& ahead, Obstacle obstacle, const char* name, int error = 0) {
  ahead.blocked[ahead.count++] = {obstacle, name, error};
}

// The folder itself: whether a part file can be created there and take its output's name. Its
// flags come first: access(2) finds an immutable folder unwritable without saying why.
void foresee_folder(int folder, OutputsAhead& ahead) {
  Entry self{};
  look(folder, ".", self);
  if (self.immutable) {
    add(ahead, Obstacle::folder_immutable, kOutputNames[0]);
  } else if (self.append_only) {
    add(ahead, Obstacle::folder_append_only, kOutputNames[0]);
  } else if (::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0) {
    add(ahead, Obstacle::folder_unwritable, kOutputNames[0], errno);
  }
}

// An output is replaced by its part file, a stale part file removed; a folder is neither.
void foresee_name(int folder, const struct stat& facts, const char* name, OutputsAhead& ahead) {
  Entry entry{};
  if (!look(folder, name, entry)) return;
  if (entry.folder) {
    add(ahead, Obstacle::folder_in_the_way, name);
  } else if (entry.immutable) {
    add(ahead, Obstacle::file_immutable, name);
  } else if (entry.append_only) {
    add(ahead, Obstacle::file_append_only, name);
  } else if (others(facts, entry)) {
    add(ahead, Obstacle::others_file, name);
  }
}

bool build_holds(int folder) {
  // A shared lock, let go at once, stands in no build's way but for that moment.
  if (::flock(folder, LOCK_SH | LOCK_NB) == 0) return ::flock(folder, LOCK_UN), false;
  return errno == EWOULDBLOCK;
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

OutputsAhead foresee_outputs(const char* path) {
  OutputsAhead ahead;
  int folder = open_folder(path);
  struct stat facts;
  if (folder < 0) return ahead;
  if (::fstat(folder, &facts) != 0) return ::close(folder), ahead;
  if (build_holds(folder)) add(ahead, Obstacle::another_build, nullptr);
  foresee_folder(folder, ahead);
  for (std::size_t i = 0; i < kOutputNames.size(); ++i) {
    foresee_name(folder, facts, kOutputNames[i], ahead);
    foresee_name(folder, facts, kPartNames[i], ahead);
  }
  ::close(folder);
  return ahead;
}

std::string blocked_message(const Blocked& blocked, const char* path) {
  constexpr const char* kNeither = "a build can neither replace nor remove it";
  std::string why;
  switch (blocked.obstacle) {
    case Obstacle::another_build:
      return another_build(path);
    case Obstacle::folder_unwritable:
      why = std::string("the folder cannot be written (") + std::strerror(blocked.error) + ")";
      break;
    case Obstacle::folder_immutable:
      why = "the folder cannot be written (it is immutable)";
      break;
    case Obstacle::folder_append_only:
      why = "the folder is append-only: no file there can be renamed or removed";
      break;
    case Obstacle::folder_in_the_way:
      why = "a folder of that name is in the way";
      break;
    case Obstacle::file_immutable:
      why = std::string("it is immutable: ") + kNeither;
      break;
    case Obstacle::file_append_only:
      why = std::string("it is append-only: ") + kNeither;
      break;
    case Obstacle::others_file:
      why =
          "it is another user's, in a folder whose sticky bit lets only its owner replace or "
          "remove it";
      break;
  }
  std::string message(std::strlen(kCannotOpen) + std::strlen(blocked.name), '\0');
  message.resize(static_cast<std::size_t>(
      std::snprintf(message.data(), message.size() + 1, kCannotOpen, blocked.name)));
  return message + ": " + why;
}

}  // namespace flyseat
