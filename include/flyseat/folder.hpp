// The folders a build works in, and one build at a time in the folder it writes: a lock on the
// folder itself (flock), so that no file but the outputs is ever written there.
#pragma once

#include "flyseat/io.hpp"

namespace flyseat {

// The folder a build reads its inputs from, and the one it writes its outputs into and locks:
// the inputs' folder unless -o names another. Null is the current folder.
struct BuildFolders {
  const char* inputs = nullptr;
  const char* output = nullptr;  // null: the inputs' folder
  bool separate() const { return output != nullptr; }
  const char* locked() const { return separate() ? output : inputs; }
};

// The words of a usage error about the folders a command line names, the build's and the
// check's alike: "WHAT 'WORD'".
inline constexpr const char* kFolderNeeded = "a folder is needed after";  // the option
inline constexpr const char* kSecondOutput = "a second output folder";    // the second
inline constexpr const char* kEmptyFolder = "an empty folder name";       // ''

// Opens a folder as a build does: for reading, or where it may be written but not listed (mode
// 0300) only as a place to work in, which cannot be locked. -1 with errno when it cannot.
int open_folder(const char* path);

// Before anything is read: opens the inputs' folder and the five inputs in it (open_inputs), then
// the output folder, made when it is not there (one level, as mkdir(1) makes it), locks it until
// the process ends and makes it the working folder. "cannot open DIR" for a folder that cannot be
// opened or made; "DIR: another build is running there" ("another build is running in this
// folder" for the current one) when a build holds the output folder.
void enter_folders(const BuildFolders& folders, OpenedInputs& inputs);

}  // namespace flyseat
