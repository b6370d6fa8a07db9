// The folder a build works in: one build at a time there, no part file left behind by a stop
// signal, and what stands in the way of the outputs, which the check foretells in the build's
// own words. One writer at a time takes a lock on the folder itself (flock), so that no file
// but the outputs is ever written there.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>

#include "flyseat/file_names.hpp"

namespace flyseat {

// A stop (a signal that ends a process unless caught: SIGINT, SIGTERM, SIGHUP, SIGQUIT and the
// like) from now on removes the part file the run holds and ends the process as the signal asks;
// a stop ignored from the start (nohup) stays ignored.
void handle_stop_signals();

// Makes `path` the working folder (null: the current one) and locks it until the process ends,
// before anything in it is read. "cannot open DIR" when it is no folder; the line of
// another_build when a build holds it.
void enter_folder(const char* path);

// What a build in `path` says when another build holds the folder: "DIR: another build is
// running there", or for the current folder (null or ".") "another build is running in this
// folder".
std::string another_build(const char* path);

// What will stop a build in a folder before it has written every output, each with the name its
// message carries (null for another_build).
enum class Obstacle {
  another_build,       // a build holds the folder
  folder_unwritable,   // no file can be created there; `error` says why
  folder_immutable,    // nor there
  folder_append_only,  // a part file cannot take its output's name there
  folder_in_the_way,   // a folder has an output's or a part file's name
  file_immutable,      // an output or a stale part file can be neither replaced nor removed
  file_append_only,    // nor this one
  others_file,         // nor another user's file in a folder with the sticky bit (as /tmp)
};
struct Blocked {
  Obstacle obstacle;
  const char* name;
  int error;
};
struct OutputsAhead {
  std::array<Blocked, 2 + 2 * kOutputNames.size()> blocked;
  std::size_t count = 0;
  std::span<const Blocked> list() const { return std::span(blocked).first(count); }
};
// What a build in `path` would meet now, as this user; nothing for a folder it cannot open.
OutputsAhead foresee_outputs(const char* path);
// The build's message and why: "cannot open flyseat2.p6: a folder of that name is in the way".
std::string blocked_message(const Blocked& blocked, const char* path);

}  // namespace flyseat
