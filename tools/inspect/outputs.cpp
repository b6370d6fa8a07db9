#include "outputs.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "flyseat/failure.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/folder.hpp"

namespace flyseat::inspect {
namespace {

constexpr const char* kNeither = ": a build can neither replace nor remove it";

// What a file is to a build that would replace or remove it; false when there is none.
struct Entry {
  bool folder, immutable, append_only;
  uid_t owner;
};
bool look(int folder, const char* name, Entry& entry) {
  struct statx facts;
  if (::statx(folder, name, AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_UID, &facts) != 0) return false;
  entry = {S_ISDIR(facts.stx_mode), (facts.stx_attributes & STATX_ATTR_IMMUTABLE) != 0,
           (facts.stx_attributes & STATX_ATTR_APPEND) != 0, facts.stx_uid};
  return true;
}

Finding stops(const char* name, const std::string& why) {
  return {.level = Level::error, .file = name, .message = format(kCannotOpen, name), .note = why};
}

// A folder's flags come first: access(2) finds an immutable folder unwritable without saying why.
std::string unwritable(int folder) {
  Entry self{};
  look(folder, ".", self);
  if (self.immutable) return "it is immutable";
  if (::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0) return std::strerror(errno);
  return {};
}

// An output is replaced by its part file, a stale part file removed; a folder is neither, nor a
// file that is immutable or append-only, nor another user's in a folder with the sticky bit,
// which lets only a file's owner, the folder's owner and root remove or replace it.
void look_at_name(int folder, const struct stat& facts, const char* name, Findings& found) {
  Entry entry{};
  uid_t me = ::geteuid();
  if (!look(folder, name, entry)) return;
  if (entry.folder) {
    found.push_back(stops(name, "a folder of that name is in the way"));
  } else if (entry.immutable || entry.append_only) {
    found.push_back(stops(
        name, std::string("it is ") + (entry.immutable ? "immutable" : "append-only") + kNeither));
  } else if ((facts.st_mode & S_ISVTX) != 0 && me != 0 && me != entry.owner && me != facts.st_uid) {
    found.push_back(stops(name,
                          "it is another user's, in a folder whose sticky bit lets only its "
                          "owner replace or remove it"));
  }
}

// -o names a folder that could not be opened: one that is not there is made in its parent, as
// mkdir(2) makes it, unless a link to nothing has its name.
void look_at_made(const std::string& output, int error, Findings& found) {
  const char* path = output.c_str();
  if (error != ENOENT)
    return found.push_back(
        stops(path, std::string("it cannot be opened as a folder (") + std::strerror(error) + ")"));
  std::string parent = output.substr(0, output.find_last_not_of('/') + 1);
  parent = parent.find('/') == std::string::npos ? "." : parent.substr(0, parent.rfind('/') + 1);
  struct stat facts;
  int folder = open_folder(parent.c_str());
  std::string why = ::lstat(path, &facts) == 0 ? "a link to nothing has its name"
                    : folder < 0               ? std::strerror(errno)
                                               : unwritable(folder);
  if (folder >= 0) ::close(folder);
  if (why.empty()) {
    found.push_back({.level = Level::fact, .note = output + " is not there: the build makes it"});
  } else {
    found.push_back(stops(path, "it is not there and cannot be made (" + why + ")"));
  }
}

}  // namespace

Findings outputs_ahead(const std::string& folder, const std::string& output) {
  Findings found;
  int at = open_folder(output.empty() ? folder.c_str() : output.c_str());
  if (at < 0) {
    if (!output.empty()) look_at_made(output, errno, found);
    return found;  // an inputs' folder it cannot open is the Inputs section's
  }
  struct stat facts;
  if (::fstat(at, &facts) == 0) {
    Entry self{};
    look(at, ".", self);
    if (std::string why = unwritable(at); !why.empty()) {
      found.push_back(stops(kOutputNames[0], "the folder cannot be written (" + why + ")"));
    } else if (self.append_only) {
      found.push_back(stops(kOutputNames[0],
                            "the folder is append-only: no file there can be renamed or "
                            "removed"));
    }
    for (std::size_t i = 0; i < kOutputNames.size(); ++i) {
      look_at_name(at, facts, kOutputNames[i], found);
      look_at_name(at, facts, kPartNames[i], found);
    }
  }
  ::close(at);
  return found;
}

}  // namespace flyseat::inspect
