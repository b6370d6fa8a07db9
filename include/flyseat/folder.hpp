// The folders a build works in: one build at a time in the folder it writes, no part file left
// behind by a stop signal, and what stands in the way of the outputs, which the check foretells
// in the build's own words. One writer at a time takes a lock on the folder itself (flock), so
// that no file but the outputs is ever written there; the check reads the kernel's table of
// locks and takes none, so that no check ever stops a build.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "flyseat/file_names.hpp"
#include "flyseat/finding.hpp"

namespace flyseat {

// A stop (a signal that ends a process unless caught: SIGINT, SIGTERM, SIGHUP, SIGQUIT and the
// like) from now on removes the part file the run holds and ends the process as the signal asks;
// a stop ignored from the start (nohup) stays ignored.
void handle_stop_signals();

// The folders of a build: the one it reads its inputs from, and the one it writes its outputs
// into and locks, the inputs' folder unless -o names another. Null is the current folder.
struct BuildFolders {
  const char* inputs = nullptr;
  const char* output = nullptr;  // null: the inputs' folder
  bool separate() const { return output != nullptr; }
  const char* locked() const { return separate() ? output : inputs; }
};

// Opens a folder as a build does: for reading, or where it may be written but not listed (mode
// 0300) only as a place to work in, which cannot be locked. -1 with errno when it cannot.
int open_folder(const char* path);

// Before anything is read: opens the inputs' folder, makes the output folder when it is not
// there (one level), locks it until the process ends and makes it the working folder. Returns
// the descriptor the inputs are opened at: AT_FDCWD when they are in the output folder. "cannot
// open DIR" for a folder that cannot be opened or made; the line of another_build when a build
// holds the output folder.
int enter_folders(const BuildFolders& folders);

// What a build in `path` says when another build holds the folder: "DIR: another build is
// running there", or for the current folder (null or ".") "another build is running in this
// folder".
std::string another_build(const char* path);

// What will stop a build before it has written every output, each with the name its message
// carries (null for another_build).
enum class Obstacle {
  another_build,         // a build holds the folder
  folder_unwritable,     // no file can be created there; `error` says why
  folder_immutable,      // nor there
  folder_append_only,    // a part file cannot take its output's name there
  folder_in_the_way,     // a folder has an output's or a part file's name
  file_immutable,        // an output or a stale part file can be neither replaced nor removed
  file_append_only,      // nor this one
  others_file,           // nor another user's file in a folder with the sticky bit (as /tmp)
  mount_point,           // nor a file that something is mounted on
  no_room,               // the file system has `have` bytes for this user, the build `need`s more
  too_few_descriptors,   // the open-file limit is `have`; a build needs `need`
  output_folder_unfit,   // -o names something that cannot be opened as a folder; `error` says why
  output_folder_unmade,  // -o names a folder that is not there and cannot be made; `error`
};
struct Blocked {
  Obstacle obstacle;
  const char* name;
  int error = 0;
  std::uint64_t have = 0, need = 0;
};
struct OutputsAhead {
  std::array<Blocked, 5 + 2 * kOutputNames.size()> blocked;
  std::size_t count = 0;
  bool made = false;          // the output folder is not there: a build makes it
  bool lock_unknown = false;  // whether a build holds the folder cannot be told here
  std::span<const Blocked> list() const { return std::span(blocked).first(count); }
};
// The size of each output, by its place in kOutputNames, for dumps and a program of these
// lengths.
using OutputSizes = std::array<std::uint64_t, kOutputNames.size()>;
OutputSizes output_sizes(std::int32_t list1, std::int32_t list2, std::int32_t program_length);
// What a build would meet now, as this user, without taking a lock or writing a byte; the room
// its outputs need only when their sizes are known. Nothing for an inputs' folder it cannot
// open (the build says "cannot open DIR" first).
OutputsAhead foresee_outputs(const BuildFolders& folders, const std::optional<OutputSizes>& sizes);
// An error that foretells the build's stop: its message ("cannot open flyseat2.p6") and why ("a
// folder of that name is in the way").
Finding blocked_finding(const Blocked& blocked, const BuildFolders& folders);

}  // namespace flyseat
