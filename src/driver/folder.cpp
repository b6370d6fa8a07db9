#include "flyseat/folder.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "flyseat/d88.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"
#include "flyseat/text.hpp"

namespace flyseat {
namespace {

const char* named(const char* path) {
  return path == nullptr ? "." : path;
}

bool is_current(const char* path) {
  return path == nullptr || std::strcmp(path, ".") == 0;
}

// What a file is to a build that would replace or remove it; false when there is none.
struct Entry {
  bool folder, immutable, append_only, mount_point;
  uid_t owner;
  std::uint64_t bytes;  // of the file system that it takes
  bool freed;           // its room comes free when it is replaced or removed: its only name
};
bool look(int folder, const char* name, Entry& entry) {
#ifdef __linux__
  struct statx facts;
  unsigned int wanted = STATX_TYPE | STATX_UID | STATX_NLINK | STATX_BLOCKS;
  if (::statx(folder, name, AT_SYMLINK_NOFOLLOW, wanted, &facts) != 0) return false;
  entry = {S_ISDIR(facts.stx_mode),
           (facts.stx_attributes & STATX_ATTR_IMMUTABLE) != 0,
           (facts.stx_attributes & STATX_ATTR_APPEND) != 0,
           (facts.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0,
           facts.stx_uid,
           facts.stx_blocks * 512,
           facts.stx_nlink == 1};
#else
  struct stat facts;
  if (::fstatat(folder, name, &facts, AT_SYMLINK_NOFOLLOW) != 0) return false;
  entry = {S_ISDIR(facts.st_mode),
           false,
           false,
           false,
           facts.st_uid,
           static_cast<std::uint64_t>(facts.st_blocks) * 512,
           facts.st_nlink == 1};
#endif
  return true;
}

// The sticky bit lets only a file's owner, the folder's owner and root remove or replace it.
bool others(const struct stat& folder, const Entry& entry) {
  uid_t me = ::geteuid();
  return (folder.st_mode & S_ISVTX) != 0 && me != 0 && me != entry.owner && me != folder.st_uid;
}

void add(OutputsAhead& ahead, const Blocked& blocked) {
  ahead.blocked[ahead.count++] = blocked;
}

// The folder itself: whether a part file can be created there and take its output's name. Its
// flags come first: access(2) finds an immutable folder unwritable without saying why.
void foresee_folder(int folder, OutputsAhead& ahead) {
  Entry self{};
  look(folder, ".", self);
  if (self.immutable) {
    add(ahead, {Obstacle::folder_immutable, kOutputNames[0]});
  } else if (self.append_only) {
    add(ahead, {Obstacle::folder_append_only, kOutputNames[0]});
  } else if (::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0) {
    add(ahead, {Obstacle::folder_unwritable, kOutputNames[0], errno});
  }
}

// An output is replaced by its part file, a stale part file removed; a folder is neither, nor a
// file that something is mounted on.
void foresee_name(int folder, const struct stat& facts, const char* name, OutputsAhead& ahead) {
  Entry entry{};
  if (!look(folder, name, entry)) return;
  if (entry.folder) {
    add(ahead, {Obstacle::folder_in_the_way, name});
  } else if (entry.mount_point) {
    add(ahead, {Obstacle::mount_point, name});
  } else if (entry.immutable) {
    add(ahead, {Obstacle::file_immutable, name});
  } else if (entry.append_only) {
    add(ahead, {Obstacle::file_append_only, name});
  } else if (others(facts, entry)) {
    add(ahead, {Obstacle::others_file, name});
  }
}

// Each output is written whole beside the older one it replaces, then takes its name: while
// output i is written the file system holds the new outputs up to i, less the older outputs
// replaced before it and the stale part files removed up to it. A new file takes whole blocks.
// In a folder the build makes there is nothing to replace.
void foresee_room(int folder, bool made, const OutputSizes& sizes, OutputsAhead& ahead) {
  struct statvfs room;
  if (::fstatvfs(folder, &room) != 0) return;
  std::int64_t unit = static_cast<std::int64_t>(room.f_frsize != 0 ? room.f_frsize : room.f_bsize);
  std::int64_t have = static_cast<std::int64_t>(room.f_bavail) * unit, need = 0;  // beyond now
  auto freed = [&](const char* name) {
    Entry entry{};
    if (!made && look(folder, name, entry) && entry.freed)
      need -= static_cast<std::int64_t>(entry.bytes);
  };
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    freed(kPartNames[i]);
    need += (static_cast<std::int64_t>(sizes[i]) + unit - 1) / unit * unit;
    if (need > have)
      return add(ahead, {Obstacle::no_room, kOutputNames[i], 0, static_cast<std::uint64_t>(have),
                         static_cast<std::uint64_t>(need)});
    freed(kOutputNames[i]);
  }
}

// Whether a build starts with the descriptor open: whether this process would hand it on, open
// and not closed on exec (the standard streams, and those of whatever started it: a make job
// server).
bool handed_on(int descriptor) {
  int flags = ::fcntl(descriptor, F_GETFD);
  return flags >= 0 && (flags & FD_CLOEXEC) == 0;
}

// A build holds at once, at its most, the descriptors it starts with, its folders and the five
// inputs, opened ahead together (later only a part file and the raw disk image read back). Each
// open takes the lowest free descriptor, which must lie below the limit.
void foresee_descriptors(const BuildFolders& folders, OutputsAhead& ahead) {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return;
  std::array<const char*, 2 + kInputNames.size()> opened{};
  std::size_t count = 0;
  opened[count++] = named(folders.inputs);
  if (folders.separate()) opened[count++] = folders.output;
  for (const char* input : kInputNames)
    opened[count++] = input;
  std::size_t opens = 0, refused = count;  // the first open past the limit
  std::uint64_t descriptor = 0;
  for (; opens < count; ++descriptor) {
    if (handed_on(static_cast<int>(descriptor))) continue;
    if (descriptor >= limit.rlim_cur && refused == count) refused = opens;
    ++opens;
  }
  // The descriptor after the last one opened is the limit a build needs.
  if (refused < count)
    add(ahead, {Obstacle::too_few_descriptors, opened[refused], 0, limit.rlim_cur, descriptor});
}

// The folder that a new folder `path` is made in.
std::string parent_of(const char* path) {
  std::string parent = path;
  while (parent.size() > 1 && parent.back() == '/')
    parent.pop_back();
  std::size_t slash = parent.rfind('/');
  if (slash == std::string::npos) return ".";
  parent.resize(slash == 0 ? 1 : slash);
  return parent;
}

// -o names a folder that could not be opened (errno): one that is not there is made in its
// parent, as mkdir(2) makes it, unless a link to nothing has its name.
void foresee_made(const char* path, const std::optional<OutputSizes>& sizes, OutputsAhead& ahead) {
  struct stat facts;
  if (errno != ENOENT) return add(ahead, {Obstacle::output_folder_unfit, path, errno});
  if (::lstat(path, &facts) == 0) return add(ahead, {Obstacle::output_folder_unmade, path, EEXIST});
  std::string parent = parent_of(path);
  int folder = open_folder(parent.c_str());
  if (folder < 0) return add(ahead, {Obstacle::output_folder_unmade, path, errno});
  Entry self{};
  look(folder, ".", self);
  if (self.immutable) {
    add(ahead, {Obstacle::output_folder_unmade, path, EPERM});
  } else if (::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0) {
    add(ahead, {Obstacle::output_folder_unmade, path, errno});
  } else {
    ahead.made = true;
    if (sizes) foresee_room(folder, true, *sizes, ahead);
  }
  ::close(folder);
}

enum class Held { no, yes, unknown };

#ifdef __linux__
// The device of the folder's file system as the kernel's tables give it: its mount's, from
// mountinfo, which stat(2) does not give on a file system with volumes of its own.
void table_device(int folder, unsigned& major_number, unsigned& minor_number) {
  struct statx facts;
  if (::statx(folder, "", AT_EMPTY_PATH, STATX_MNT_ID, &facts) != 0 ||
      (facts.stx_mask & STATX_MNT_ID) == 0)
    return;
  std::FILE* mounts = std::fopen("/proc/self/mountinfo", "re");
  if (mounts == nullptr) return;
  unsigned long long id = 0;
  unsigned mount_major = 0, mount_minor = 0;
  // "ID PARENT MAJOR:MINOR ROOT ...", a mount a line.
  while (std::fscanf(mounts, "%llu %*u %u:%u%*[^\n]", &id, &mount_major, &mount_minor) == 3) {
    if (id != facts.stx_mnt_id) continue;
    major_number = mount_major;
    minor_number = mount_minor;
    break;
  }
  std::fclose(mounts);
}

// Whether a flock(2) lock is held on the folder, from the kernel's table of locks: a lock taken
// to ask, even a shared one for a moment, would make a build starting then refuse itself.
Held build_holds(int folder) {
  struct stat facts;
  if (::fstat(folder, &facts) != 0) return Held::unknown;
  unsigned folder_major = major(facts.st_dev), folder_minor = minor(facts.st_dev);
  table_device(folder, folder_major, folder_minor);
  std::FILE* table = std::fopen("/proc/locks", "re");
  if (table == nullptr) return Held::unknown;
  Held held = Held::no;
  // "1: FLOCK  ADVISORY  WRITE 412 fe:00:10953339 0 EOF", the device in hex; a waiting lock has
  // "->" before its kind, and is not held.
  char line[256];
  while (held == Held::no && std::fgets(line, sizeof line, table) != nullptr) {
    char kind[8];
    unsigned lock_major = 0, lock_minor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(line, "%*d: %7s %*s %*s %*d %x:%x:%llu", kind, &lock_major, &lock_minor,
                    &inode) == 4 &&
        std::strcmp(kind, "FLOCK") == 0 && lock_major == folder_major &&
        lock_minor == folder_minor && inode == facts.st_ino)
      held = Held::yes;
  }
  std::fclose(table);
  return held;
}
#else
Held build_holds(int) {
  return Held::unknown;
}
#endif

}  // namespace

int open_folder(const char* path) {
  int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
  if (folder < 0 && errno == EACCES) folder = ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
  return folder;
}

int enter_folders(const BuildFolders& folders) {
  const char* inputs_path = named(folders.inputs);
  int inputs = open_folder(inputs_path);
  if (inputs < 0) fail_open(inputs_path);
  int output = inputs;
  if (folders.separate()) {
    output = open_folder(folders.output);
    if (output < 0 && errno == ENOENT && ::mkdir(folders.output, 0777) == 0)
      output = open_folder(folders.output);
    if (output < 0) fail_open(folders.output);
  }
  // Only a lock held elsewhere stops the build; a file system without locks builds unlocked.
  if (::flock(output, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
    fail("%s", another_build(folders.locked()).c_str());
  if (folders.locked() != nullptr && ::fchdir(output) != 0) fail_open(folders.locked());
  // The descriptors stay open, and the lock with them, until the process ends.
  return folders.separate() ? inputs : AT_FDCWD;
}

std::string another_build(const char* path) {
  if (is_current(path)) return "another build is running in this folder";
  return std::string(path) + ": another build is running there";
}

OutputSizes output_sizes(std::int32_t list1, std::int32_t list2, std::int32_t program_length) {
  auto size = [](std::int64_t bytes) { return static_cast<std::uint64_t>(bytes); };
  return {size(kTape.header_size) + size(list1) + size(list2),
          size(kTape.header_size) + size(program_length) + size(kEndMarkerSize),
          size(raw_disk_layout(list1, list2, program_length).blocks) * size(kBlockSize),
          size(kD88Size)};
}

OutputsAhead foresee_outputs(const BuildFolders& folders, const std::optional<OutputSizes>& sizes) {
  OutputsAhead ahead;
  foresee_descriptors(folders, ahead);
  int folder = open_folder(named(folders.locked()));
  if (folder < 0) {
    if (folders.separate()) foresee_made(folders.output, sizes, ahead);
    return ahead;
  }
  struct stat facts;
  if (::fstat(folder, &facts) == 0) {
    Held held = build_holds(folder);
    if (held == Held::yes) add(ahead, {Obstacle::another_build, nullptr});
    ahead.lock_unknown = held == Held::unknown;
    foresee_folder(folder, ahead);
    for (std::size_t i = 0; i < kOutputNames.size(); ++i) {
      foresee_name(folder, facts, kOutputNames[i], ahead);
      foresee_name(folder, facts, kPartNames[i], ahead);
    }
    if (sizes) foresee_room(folder, false, *sizes, ahead);
  }
  ::close(folder);
  return ahead;
}

Finding blocked_finding(const Blocked& blocked, const BuildFolders& folders) {
  constexpr const char* kNeither = "a build can neither replace nor remove it";
  bool written = false;  // said "cannot write NAME", not "cannot open NAME"
  auto count = [](std::uint64_t n) { return static_cast<unsigned long long>(n); };
  std::string why;
  switch (blocked.obstacle) {
    case Obstacle::another_build:
      return {.level = Level::error, .message = another_build(folders.locked())};
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
    case Obstacle::mount_point:
      why = std::string("something is mounted on it: ") + kNeither;
      break;
    case Obstacle::no_room:
      written = true;
      why = format(
          "the file system has %llu bytes free for this user, and the build needs %llu "
          "by the time this output is whole",
          count(blocked.have), count(blocked.need));
      break;
    case Obstacle::too_few_descriptors:
      why = format(
          "the limit of open files (ulimit -n) is %llu, and a build needs %llu: it "
          "holds its folders and the five inputs at once, beside the files it starts "
          "with",
          count(blocked.have), count(blocked.need));
      break;
    case Obstacle::output_folder_unfit:
      why = std::string("it cannot be opened as a folder (") + std::strerror(blocked.error) + ")";
      break;
    case Obstacle::output_folder_unmade:
      why =
          std::string("it is not there and cannot be made (") + std::strerror(blocked.error) + ")";
      break;
  }
  return {
      .level = Level::error,
      .file = blocked.name,
      .message = written ? format(kCannotWrite, blocked.name) : format(kCannotOpen, blocked.name),
      .note = why};
}

}  // namespace flyseat
