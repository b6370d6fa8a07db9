// flyseat-build [-o OUT] [DIR]: ports the game in DIR (the current folder by default) and writes
// its tape and disk images there, or into OUT. It asks nothing; --help and --version answer
// without touching a file.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "flyseat/driver.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/folder.hpp"

namespace {

constexpr const char* kUsage =
    "Usage: flyseat-build [-o OUT] [DIR]\n"
    "Ports the 8-bit game whose five inputs (loader.bin, list1.bin, list2.bin, patch.bin,\n"
    "list3.txt) are in DIR, the current folder by default, to the two-colour screen, and writes\n"
    "its tape images (flyseat2.p6, flyseat3.p6), its raw disk image (flyseat.dsk) and its D88\n"
    "image (flyseat.d88) there.\n"
    "  -o, --output OUT  write the four images into OUT, made if it is not there (one level),\n"
    "                    and nothing into DIR\n"
    "  -h, --help        print this and end\n"
    "      --version     print the version and end\n"
    "Everything it knows about the game is compiled in. Check the inputs first with\n"
    "'flyseat-inspect check'. See 'man flyseat-build'.\n";

constexpr int kBuilt = 0, kFailed = 1, kWrongUsage = 2;

// What the command line asks. Options are read up to "--": after it every word is a folder, as
// is a lone "-". --help and --version answer whatever else is wrong.
struct CommandLine {
  flyseat::BuildFolders folders;
  bool help = false, version = false;
  const char* wrong = nullptr;  // the first wrong word, and what is wrong with it
  const char* what = nullptr;
};

void wrong_word(CommandLine& line, const char* what, const char* word) {
  if (line.wrong == nullptr) line.wrong = word, line.what = what;
}

void output_folder(CommandLine& line, const char* option, const char* folder) {
  if (folder == nullptr || *folder == '\0') {
    wrong_word(line, flyseat::kFolderNeeded, option);
  } else if (line.folders.output != nullptr) {
    wrong_word(line, flyseat::kSecondOutput, folder);
  } else {
    line.folders.output = folder;
  }
}

CommandLine read_command_line(int argc, char** argv) {
  CommandLine line;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (!options || word.size() < 2 || word[0] != '-') {
      if (word.empty()) {
        wrong_word(line, flyseat::kEmptyFolder, argv[i]);
      } else if (line.folders.inputs == nullptr) {
        line.folders.inputs = argv[i];
      } else {
        wrong_word(line, "unexpected argument", argv[i]);
      }
    } else if (word == "--") {
      options = false;
    } else if (word == "--help" || word == "-h") {
      line.help = true;
    } else if (word == "--version") {
      line.version = true;
    } else if (word == "-o" || word == "--output") {
      const char* option = argv[i];
      output_folder(line, option, i + 1 < argc ? argv[++i] : nullptr);
    } else if (word.starts_with("--output=")) {
      output_folder(line, "--output=", argv[i] + 9);
    } else if (word.starts_with("-o")) {
      output_folder(line, "-o", argv[i] + 2);
    } else {
      wrong_word(line, "unknown option", argv[i]);
    }
  }
  return line;
}

// A command line that names more than a folder: one line on what is wrong, nothing built.
int usage_error(const char* what, const char* argument) {
  std::fprintf(stderr, "flyseat-build: %s '%s' (see 'flyseat-build --help')\n", what, argument);
  return kWrongUsage;
}

// A run whose messages were lost on the way out has not told the user what it did: said once,
// when the run stops at the line it cannot write or when its last line cannot be flushed.
int lost_output(int error) {
  static bool said = false;
  if (!std::exchange(said, true))
    std::fprintf(stderr, "flyseat-build: cannot write standard output: %s\n", std::strerror(error));
  return kFailed;
}

int out_of_memory() {
  std::fputs("flyseat-build: out of memory\n", stderr);
  return kFailed;
}

// A run that fails says so on standard output in the build's words, and why on standard error
// when the system said why (errno).
int build(const flyseat::BuildFolders& folders) {
  if (!flyseat::hold_memory_reserve()) return out_of_memory();
  std::set_new_handler([] {
    flyseat::release_memory_reserve();
    throw std::bad_alloc();
  });
  try {
    flyseat::handle_stop_signals();
    flyseat::Folder here{.console = stdout};
    flyseat::enter_folders(folders, here.inputs);
    // Zero, as a run must start; a page of it is touched only once a stage uses it.
    static flyseat::WorkArea work;
    return flyseat::run(here, work);
  } catch (const flyseat::Failure& failure) {
    if (failure.standard_output) return lost_output(failure.error);
    std::printf("%s\n", failure.message());
    std::fflush(stdout);  // before why, in a log of both
    if (failure.error != 0)
      std::fprintf(stderr, "flyseat-build: %s: %s\n", failure.name.c_str(),
                   std::strerror(failure.error));
    return kFailed;
  } catch (const std::bad_alloc&) {
    // The only exception besides a Failure: the part file went on the way here.
    return out_of_memory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  // A standard output closed early is a failure to write it, said as any other, not a silent end.
  std::signal(SIGPIPE, SIG_IGN);
  int status = kBuilt;
  CommandLine line = read_command_line(argc, argv);
  if (line.help) {
    std::fputs(kUsage, stdout);
  } else if (line.version) {
    std::puts("flyseat-build " FLYSEAT_VERSION);
  } else if (line.wrong != nullptr) {
    status = usage_error(line.what, line.wrong);
  } else {
    status = build(line.folders);
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) return lost_output(errno);
  return status;
}
