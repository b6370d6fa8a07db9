// flyseat-inspect: lists the BASIC program of a main tape image, checks the images a build
// wrote, and previews the graphics before and after the depth reduction.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "examine.hpp"
#include "flyseat/failure.hpp"
#ifdef FLYSEAT_HAVE_PNG
#include "png_file.hpp"
#endif

namespace {

using namespace flyseat;
using namespace flyseat::inspect;

constexpr const char* kTool = "flyseat-inspect";
constexpr int kSound = 0, kFailed = 1, kUsage = 2;

constexpr const char* kHelp =
    "Usage: flyseat-inspect COMMAND [ARGUMENTS]\n"
    "Looks at what flyseat-build made.\n"
    "\n"
    "Commands:\n"
    "  list [--raw] FILE       print the BASIC program of a main tape image as a listing;\n"
    "                          with --raw, of a file holding only the line records and the\n"
    "                          end marker\n"
    "  info FILE...            recognise each file as a tape, raw disk or D88 image, check\n"
    "                          it and say what it holds\n"
    "  preview [DIR] -o FILE   write a PNG of the bitmap rows of the inputs in DIR (default:\n"
    "                          the current folder) before and after the depth reduction\n"
    "\n"
    "Options:\n"
    "  -h, --help              show this help and exit\n"
    "  --version               show the version and exit\n"
    "\n"
    "Exit status: 0 when all is well, 1 when a file cannot be read or is damaged or the\n"
    "preview cannot be made, 2 when the command line is wrong.\n";

struct UsageError {
  std::string text;
};

[[noreturn]] void usage_error(std::string text) {
  throw UsageError{std::move(text)};
}

// Reads a whole file of at most kMaxInspectSize bytes; false, saying why, otherwise.
bool read_file(const char* path, std::vector<Byte>& bytes) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "%s: cannot open %s: %s\n", kTool, path, std::strerror(errno));
    return false;
  }
  bytes.resize(kMaxInspectSize + 1);
  std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  bytes.resize(got);
  if (failed) {
    std::fprintf(stderr, "%s: cannot read %s\n", kTool, path);
    return false;
  }
  if (got > kMaxInspectSize) {
    std::fprintf(stderr, "%s: %s: larger than %zu bytes, which no image of a build is\n", kTool,
                 path, kMaxInspectSize);
    return false;
  }
  return true;
}

// Prints the report on standard output and each problem on standard error.
int show(const char* path, const Findings& found, bool name_report) {
  if (!found.report.empty()) {
    if (name_report) std::printf("%s: ", path);
    std::fputs(found.report.c_str(), stdout);
  }
  std::fflush(stdout);
  for (const std::string& problem : found.problems)
    std::fprintf(stderr, "%s: %s: %s\n", kTool, path, problem.c_str());
  return found.sound() ? kSound : kFailed;
}

int list_command(const std::vector<std::string_view>& args) {
  bool raw = false;
  const char* path = nullptr;
  for (std::string_view arg : args) {
    if (arg == "--raw") {
      raw = true;
    } else if (arg.starts_with("-") && arg != "-") {
      usage_error("list: unknown option '" + std::string(arg) + "'");
    } else if (path != nullptr) {
      usage_error("list: one FILE only");
    } else {
      path = arg.data();
    }
  }
  if (path == nullptr) usage_error("list: no FILE given");
  std::vector<Byte> bytes;
  if (!read_file(path, bytes)) return kFailed;
  Findings found;
  list_program(bytes, raw, found);
  return show(path, found, false);
}

int info_command(const std::vector<std::string_view>& args) {
  if (args.empty()) usage_error("info: no FILE given");
  for (std::string_view arg : args) {
    if (arg.starts_with("-")) usage_error("info: unknown option '" + std::string(arg) + "'");
  }
  int status = kSound;
  for (std::string_view arg : args) {
    std::vector<Byte> bytes;
    Findings found;
    if (read_file(arg.data(), bytes)) {
      describe_image(bytes, found);
      if (show(arg.data(), found, true) != kSound) status = kFailed;
    } else {
      status = kFailed;
    }
  }
  return status;
}

int preview_command(const std::vector<std::string_view>& args) {
  const char* folder = ".";
  const char* output = nullptr;
  bool folder_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (i + 1 == args.size()) usage_error("preview: -o needs a FILE");
      output = args[++i].data();
    } else if (args[i].starts_with("-")) {
      usage_error("preview: unknown option '" + std::string(args[i]) + "'");
    } else if (folder_given) {
      usage_error("preview: one DIR only");
    } else {
      folder = args[i].data();
      folder_given = true;
    }
  }
  if (output == nullptr) usage_error("preview: no output given (-o FILE.png)");
#ifndef FLYSEAT_HAVE_PNG
  std::fprintf(stderr, "%s: preview: this build of the tool has no PNG support (libpng)\n", kTool);
  return kFailed;
#else
  std::error_code error;
  std::string target = std::filesystem::absolute(output, error).string();
  if (error || ::chdir(folder) != 0) {
    std::fprintf(stderr, "%s: cannot enter the folder %s: %s\n", kTool, folder,
                 std::strerror(errno));
    return kFailed;
  }
  auto before = std::make_unique<MemoryImage>();
  auto after = std::make_unique<MemoryImage>();
  try {
    convert_for_preview(*before, *after);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "%s: %s: %s\n", kTool, folder, failure.message());
    return kFailed;
  }
  Picture picture = render_preview(*before, *after);
  std::string why;
  if (!write_png(picture, target.c_str(), why)) {
    std::fprintf(stderr, "%s: cannot write %s: %s\n", kTool, output, why.c_str());
    return kFailed;
  }
  std::printf("%s: preview of %s, %d x %d pixels\n", output, folder, picture.width, picture.height);
  return kSound;
#endif
}

int dispatch(int argc, char** argv) {
  if (argc < 2) usage_error("no command given");
  std::string_view command = argv[1];
  std::vector<std::string_view> args(argv + 2, argv + argc);
  if (command == "-h" || command == "--help") {
    std::fputs(kHelp, stdout);
    return kSound;
  }
  if (command == "--version") {
    std::printf("%s %s\n", kTool, FLYSEAT_VERSION);
    return kSound;
  }
  for (std::string_view arg : args) {
    if (arg == "-h" || arg == "--help") {
      std::fputs(kHelp, stdout);
      return kSound;
    }
  }
  if (command == "list") return list_command(args);
  if (command == "info") return info_command(args);
  if (command == "preview") return preview_command(args);
  usage_error("unknown command '" + std::string(command) + "'");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return dispatch(argc, argv);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kTool, error.text.c_str(), kTool);
    return kUsage;
  }
}
