// The folder a build works in: one build at a time there, and no part file left behind by a
// stop signal. One writer at a time takes a lock on the folder itself (flock), so that no file
// but the outputs is ever written there.
#pragma once

#include <string>

namespace flyseat {

// A stop (SIGINT, SIGTERM, SIGHUP) from now on removes the part file the run holds and ends the
// process as the signal asks; a stop ignored from the start (nohup) stays ignored.
void handle_stop_signals();

// Makes `path` the working folder (null: the current one) and locks it until the process ends,
// before anything in it is read. "cannot open DIR" when it is no folder; the line of
// another_build when a build holds it.
void enter_folder(const char* path);

// What a build in `path` says when another build holds the folder: "DIR: another build is
// running there", or for the current folder (null or ".") "another build is running in this
// folder".
std::string another_build(const char* path);

}  // namespace flyseat
