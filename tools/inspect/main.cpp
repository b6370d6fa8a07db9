// flyseat-inspect: lists the BASIC program of an image, checks the images a build wrote,
// checks the inputs before a build, and previews the graphics before and after the depth
// reduction. Reports go to standard output, problems to standard error, one line each.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "files.hpp"
#include "flyseat/failure.hpp"
#include "inspect.hpp"
#include "json_output.hpp"
#include "png_file.hpp"

namespace {

using namespace flyseat;
using namespace flyseat::inspect;

constexpr const char* kTool = "flyseat-inspect";
constexpr int kSound = 0, kFailed = 1, kUsage = 2;

struct Options {
  bool raw = false;
  bool bytes = false;
  bool json = false;
  std::string file;
  std::vector<std::string> files;
  std::string folder = ".";
  std::string output;
};

// The name a problem is reported under.
std::string shown(const std::string& path) {
  return path == kStandardStream ? "standard input" : path;
}

// Every problem, whatever found it, is one line on standard error naming its file.
void say_problem(const std::string& file, const std::string& problem) {
  std::fprintf(stderr, "%s: %s: %s\n", kTool, shown(file).c_str(), problem.c_str());
}

// The problems of one file, as many as a text report shows; the status they give.
int say_problems(const std::string& file, const std::vector<std::string>& problems) {
  for (const std::string& problem : shown_problems(problems))
    say_problem(file, problem);
  return problems.empty() ? kSound : kFailed;
}

// A wrong command line: what is wrong, and where to look.
int usage_error(const std::string& what, const std::string& command = "") {
  std::string help = command.empty() ? "--help" : command + " --help";
  std::fprintf(stderr, "%s: %s\nTry '%s %s'.\n", kTool, what.c_str(), kTool, help.c_str());
  return kUsage;
}

// Reads a whole file; a file that cannot be read is a problem of the file like any other.
FileRead read_whole(const std::string& path, Findings& found) {
  FileRead read = read_file(path, kMaxInspectSize);
  if (read.status != ReadStatus::read) found.problem(read_problem(read, kMaxInspectSize));
  return read;
}

int list_command(const Options& o) {
  Findings found;
  FileRead read = read_whole(o.file, found);
  Program program;
  if (found.sound()) program = find_program(read.bytes, o.raw, found);
  if (o.bytes) check_round_trip(program, found);
  if (o.json) {
    std::fputs(list_json(shown(o.file), program, found).c_str(), stdout);
    return found.sound() ? kSound : kFailed;
  }
  for (const ProgramLine& line : program.lines) {
    std::string text = listed_line(line, !o.bytes);
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  std::fflush(stdout);  // the lines before the damage come before its problem
  return say_problems(o.file, found.problems);
}

int info_command(const Options& o) {
  std::vector<NamedFile> files;
  for (const std::string& path : o.files)
    files.push_back({shown(path), read_file(path, kMaxInspectSize)});
  InfoReport report = describe_files(files);
  if (o.json) {
    std::fputs(info_json(report).c_str(), stdout);
  } else {
    for (const InfoLine& line : info_lines(report)) {
      if (line.problem) {
        std::fflush(stdout);  // a file's problems after its report
        say_problem(line.file, line.text);
      } else {
        std::fputs(line.text.c_str(), stdout);
      }
    }
  }
  return report.sound() ? kSound : kFailed;
}

// What is wrong with a folder argument; nothing for a folder.
std::string folder_problem(const std::string& folder) {
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return {};
  return std::filesystem::exists(folder, error) ? "not a folder"
                                                : "cannot open: No such file or directory";
}

int check_command(const Options& o) {
  std::string problem = folder_problem(o.folder);
  if (!problem.empty() && !o.json) return say_problems(o.folder, {problem});
  CheckReport report;
  if (problem.empty()) {
    GameInputs inputs = read_inputs(o.folder);
    inputs.outputs_blocked = outputs_blocked(o.folder);
    report = check_inputs(inputs);
  }
  if (o.json) {
    std::fputs(check_json(o.folder, report,
                          problem.empty() ? std::vector<std::string>{} : std::vector{problem})
                   .c_str(),
               stdout);
  } else {
    std::fputs(check_text(report).c_str(), stdout);
  }
  bool clean =
      problem.empty() && report.count(Level::error) == 0 && report.count(Level::warning) == 0;
  return clean ? kSound : kFailed;
}

int preview_command(const Options& o) {
  if (std::string problem = folder_problem(o.folder); !problem.empty())
    return say_problems(o.folder, {problem});
  GameInputs inputs = read_inputs(o.folder, std::array{kList1, kList2, kPatch});
  if (std::optional<Input> unread = unread_memory_input(inputs)) {
    say_problem(o.folder + "/" + kInputNames[*unread],
                read_problem(inputs.files[*unread], check_limit(*unread)));
    return kFailed;
  }
  auto memory = std::make_unique<LoadedMemory>();
  try {
    load_memory(inputs, *memory);
  } catch (const Failure& failure) {  // a patch record that a build refuses
    if (failure.file == nullptr) {
      say_problem(o.folder, failure.message());
    } else {
      say_problem(o.folder + "/" + failure.file, failure.detail());
    }
    return kFailed;
  }
  Picture picture = render_preview(*memory);
  if (std::string problem = write_png(picture, o.output); !problem.empty()) {
    // Standard output that cannot be written is said once, at the end of every command.
    if (o.output != kStandardStream) say_problem(o.output, problem);
    return kFailed;
  }
  if (o.output != kStandardStream) {
    std::printf("%s: preview of %s, %d x %d pixels\n", o.output.c_str(), o.folder.c_str(),
                picture.width, picture.height);
  }
  return kSound;
}

// A command line that CLI11 refused, said in the words of this tool: what is wrong, and in
// which command.
std::string usage_problem(const CLI::ParseError& error, const std::string& command) {
  std::string in = command.empty() ? "" : command + ": ";
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    // "The following argument(s) was/were not expected: C B", the last given first.
    std::string what = error.what();
    std::string first = what.substr(what.rfind(' ') + 1);
    return in + (first.starts_with("-") ? "unknown option '" : "unexpected argument '") + first +
           "'";
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr && command == "preview") {
    return "preview: -o needs a FILE (- for standard output)";
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    if (command.empty()) return "a command is needed: check, list, info or preview";
    if (command == "preview") return "preview: -o FILE is needed (- for standard output)";
    return in + (command == "info" ? "one FILE or more is needed" : "a FILE is needed");
  }
  return in + error.what();
}

constexpr const char* kUsageStatus = " 2 when the command line is wrong.";

int run(int argc, char** argv) {
  Options o;
  CLI::App app{"Looks at what flyseat-build made, and at what it will read.", kTool};
  app.set_version_flag("--version", std::string(kTool) + " " + FLYSEAT_VERSION);
  app.require_subcommand(1);

  CLI::App* list = app.add_subcommand("list",
                                      "Print the BASIC program of a main tape image, a "
                                      "raw disk image or a D88 image as a listing");
  list->add_flag("--raw", o.raw, "The file holds only the line records and the end marker");
  list->add_flag("--bytes", o.bytes,
                 "Write every stored byte as it is, for a listing to tokenize again");
  list->add_flag("--json", o.json, "One JSON document on standard output");
  list->add_option("FILE", o.file, "The image, or - for standard input")->required();
  list->footer(std::string("Exit status: 0 when the program is listed whole and sound; 1 when "
                           "the file cannot be read, holds no program or a damaged one;") +
               kUsageStatus);

  CLI::App* info = app.add_subcommand(
      "info",
      "Recognise each file as a tape, raw disk or D88 image of a build, check it and say "
      "what it holds");
  info->add_flag("--json", o.json, "One JSON document on standard output");
  info->add_option("FILE", o.files, "The images; - for standard input")->required();
  info->footer(std::string("Exit status: 0 when every file is a sound image of a build and each "
                           "D88 image holds each raw disk image given with it; 1 when a file "
                           "cannot be read, is damaged or is not an image of a build;") +
               kUsageStatus);

  CLI::App* check = app.add_subcommand(
      "check",
      "Before a build: whether the five inputs in DIR are the game the build was made "
      "for");
  check->add_flag("--json", o.json, "One JSON document on standard output");
  check->add_option("DIR", o.folder, "The folder of the inputs (default: the current one)");
  check->footer(std::string("Exit status: 0 when the check finds no error and no warning; 1 when "
                            "it finds one, or DIR is not a folder;") +
                kUsageStatus);

  CLI::App* preview = app.add_subcommand(
      "preview",
      "Write a PNG of the bitmap rows of the inputs in DIR before and after the depth "
      "reduction");
  preview->add_option("DIR", o.folder, "The folder of the inputs (default: the current one)");
  preview->add_option("-o,--output", o.output, "The PNG file to write; - for standard output")
      ->required();
  preview->footer(std::string("Exit status: 0 when the picture is written; 1 when an input "
                              "cannot be read, a patch record runs past the end of memory, or "
                              "the picture cannot be written;") +
                  kUsageStatus);
  // Set last, so that no command takes it over from the tool.
  app.footer("Run 'flyseat-inspect COMMAND --help' for what a command takes and its exit status.");

  std::string command = argc > 1 ? argv[1] : "";
  bool known = !app.get_subcommands([&](CLI::App* c) { return c->get_name() == command; }).empty();
  // CLI11 would take an unknown command for a stray argument, and an unknown option for a
  // missing command.
  if (!known && !command.empty() && command != "-h" && command != "--help" &&
      command != "--version") {
    return usage_error((command.starts_with("-") ? "unknown option '" : "unknown command '") +
                       command + "'");
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
    return usage_error(usage_problem(error, known ? command : ""), known ? command : "");
  }
  if (*info && std::count(o.files.begin(), o.files.end(), kStandardStream) > 1)
    return usage_error("info: standard input (-) can be read once only", "info");
  if (*list) return list_command(o);
  if (*info) return info_command(o);
  if (*check) return check_command(o);
  return preview_command(o);
}

}  // namespace

int main(int argc, char** argv) {
  int status = run(argc, argv);
  // Reports lost on the way out are a failure, not a success.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "%s: standard output: cannot write: %s\n", kTool, std::strerror(errno));
    return kFailed;
  }
  return status;
}
