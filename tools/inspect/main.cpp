// flyseat-inspect: lists the BASIC program of an image, checks the images a build wrote,
// compares two of them, checks the inputs before a build, and previews the graphics before and
// after the depth reduction. Reports go to standard output, problems to standard error, one
// line each.
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diff.hpp"
#include "files.hpp"
#include "flyseat/folder.hpp"
#include "flyseat/game_check.hpp"
#include "info.hpp"
#include "json_output.hpp"
#include "listing.hpp"
#include "outputs.hpp"
#include "png_file.hpp"
#include "preview.hpp"
#include "problems.hpp"
#include "verify.hpp"

namespace {

using namespace flyseat;
using namespace flyseat::inspect;

constexpr const char* kTool = "flyseat-inspect";
constexpr int kSound = 0, kFailed = 1, kUsage = 2;
constexpr int kTrouble = 2;  // of diff and verify, as of cmp: a file that cannot be read
constexpr std::array kAllInputs = {kLoader, kList1, kList2, kPatch, kListing};

struct Options {
  bool raw = false;
  bool bytes = false;
  bool json = false;
  std::string file;
  std::string second;  // of diff
  std::vector<std::string> files;
  std::string folder = ".";
  std::string output;  // the file preview and convert write
  std::vector<std::string>
      outputs;  // check's and verify's OUT: as many as given, to refuse a second
};

// The name a file is reported under.
std::string shown(const std::string& path) {
  return path == kStandardStream ? "standard input" : path;
}

// Every problem, whatever found it, is one line on standard error naming its file.
void say(const Finding& problem) {
  std::fprintf(stderr, "%s: %s\n", kTool, said(problem).c_str());
}

// The problems of one file, as many as a text report shows; the status they give.
int say_problems(const std::string& file, const Findings& problems) {
  for (const std::string& problem : shown_problems(problems))
    say({.file = shown(file), .note = problem});
  return problems.empty() ? kSound : kFailed;
}

// What is wrong with a folder argument; nothing for a folder.
std::optional<Finding> folder_problem(const std::string& folder) {
  struct stat facts;
  if (::stat(folder.c_str(), &facts) != 0)
    return Finding{.file = folder, .note = std::string("cannot open: ") + std::strerror(errno)};
  if (!S_ISDIR(facts.st_mode)) return Finding{.file = folder, .note = "not a folder"};
  return std::nullopt;
}

int list_command(const Options& o) {
  Listing listing;
  FileRead read = read_file(o.file, kMaxInspectSize);
  if (std::optional<Finding> problem = read_problem(shown(o.file), read, kMaxInspectSize)) {
    problem->file.clear();  // said below with the file's name
    listing.problems.push_back(*problem);
  } else {
    listing = find_program(read.bytes, o.raw);
  }
  if (o.bytes) check_round_trip(listing);
  if (o.json) {
    std::fputs(list_json(shown(o.file), listing).c_str(), stdout);
    return listing.sound() ? kSound : kFailed;
  }
  for (const ProgramLine& line : listing.program.lines) {
    std::string text = listed_line(line, !o.bytes);
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  std::fflush(stdout);  // the lines before the damage come before its problem
  return say_problems(o.file, listing.problems);
}

int info_command(const Options& o) {
  std::vector<NamedFile> files;
  for (const std::string& path : o.files)
    files.push_back({shown(path), read_file(path, kMaxInspectSize)});
  InfoReport report = describe_files(files);
  if (o.json) {
    std::fputs(info_json(report).c_str(), stdout);
    return report.sound() ? kSound : kFailed;
  }
  for (const InfoLine& line : info_lines(report)) {
    if (line.problem) {
      std::fflush(stdout);  // a file's problems after its report
      say(*line.problem);
    } else {
      std::puts(line.text.c_str());
    }
  }
  return report.sound() ? kSound : kFailed;
}

int diff_command(const Options& o) {
  DiffReport report = diff_files({shown(o.file), read_file(o.file, kMaxInspectSize)},
                                 {shown(o.second), read_file(o.second, kMaxInspectSize)});
  if (o.json) {
    std::fputs(diff_json(report).c_str(), stdout);
    return report.status();
  }
  for (const Finding& damage : report.damage)
    std::puts(said(damage).c_str());
  for (const Finding& difference : report.difference)
    std::puts(finding_text(difference).c_str());
  std::fflush(stdout);
  for (const Finding& problem : report.problems)
    say(problem);
  return report.status();
}

int check_command(const Options& o) {
  std::optional<Finding> problem = folder_problem(o.folder);
  if (problem && !o.json) return say(*problem), kFailed;
  CheckReport report;
  if (!problem) {
    InputFiles files = read_inputs(o.folder);
    InputFilesWatch watch(files, outputs_ahead(o.folder, o.outputs.empty() ? "" : o.outputs[0]));
    report = check_game(game_inputs(files), watch);
  }
  if (o.json) {
    Findings problems;
    if (problem) problems.push_back(*problem);
    std::fputs(check_json(o.folder, report, problems).c_str(), stdout);
  } else {
    std::fputs(check_text(report).c_str(), stdout);
  }
  bool clean = !problem && report.count(Level::error) == 0 && report.count(Level::warning) == 0;
  return clean ? kSound : kFailed;
}

int verify_command(const Options& o) {
  std::string output = o.outputs.empty() ? o.folder : o.outputs[0];
  for (const std::string& folder : {o.folder, output}) {
    if (std::optional<Finding> problem = folder_problem(folder)) return say(*problem), kTrouble;
  }
  FoundImages images;
  for (std::size_t i = 0; i < images.size(); ++i) {
    std::string path = output + "/" + kVerifiedNames[i];
    struct stat facts;
    if (::lstat(path.c_str(), &facts) == 0 || errno != ENOENT)
      images[i] = read_file(path, kMaxInspectSize);
  }
  VerifyReport report =
      verify_images(read_inputs(o.folder, kAllInputs, true), images, o.folder, output);
  if (o.json) {
    std::fputs(verify_json(o.folder, output, report).c_str(), stdout);
    return report.status();
  }
  for (const std::string& line : verify_lines(report))
    std::puts(line.c_str());
  std::fflush(stdout);
  for (const Finding& problem : report.problems)
    say(problem);
  return report.status();
}

int convert_command(const Options& o) {
  FileRead read = read_file(o.file, kMaxInspectSize);
  if (std::optional<Finding> problem = read_problem(shown(o.file), read, kMaxInspectSize))
    return say(*problem), kFailed;
  if (o.output != kStandardStream && same_file(o.file, o.output))
    return say({.file = o.output,
                .note = "is the image it converts, which convert never writes "
                        "over"}),
           kFailed;
  auto hfe = std::make_unique<HfeImage>();
  if (std::optional<std::string> why = hfe_of(read.bytes, *hfe))
    return say({.file = shown(o.file), .note = *why}), kFailed;
  if (std::optional<Finding> problem = write_file(o.output, *hfe)) {
    if (o.output != kStandardStream) say(*problem);  // standard output is said at the end
    return kFailed;
  }
  if (o.output != kStandardStream)
    std::printf("%s: HFE image of %s, %zu bytes\n", o.output.c_str(), shown(o.file).c_str(),
                hfe->size());
  return kSound;
}

int preview_command(const Options& o) {
  if (std::optional<Finding> problem = folder_problem(o.folder)) return say(*problem), kFailed;
  std::optional<Input> input;
  if (o.output != kStandardStream && (input = input_at(o.folder, o.output))) {
    say({.file = o.output,
         .note = std::string("is the game's ") + kInputNames[*input] +
                 ", which the preview never writes over"});
    return kFailed;
  }
  std::variant<Picture, Finding> made =
      preview_of(read_inputs(o.folder, std::array{kList1, kList2, kPatch}), o.folder);
  if (const Finding* problem = std::get_if<Finding>(&made)) return say(*problem), kFailed;
  const Picture& picture = std::get<Picture>(made);
  if (std::optional<Finding> problem = write_png(picture, o.output)) {
    // Standard output that cannot be written is said once, at the end of every command.
    if (o.output != kStandardStream) say(*problem);
    return kFailed;
  }
  if (o.output != kStandardStream) {
    std::printf("%s: preview of %s, %d x %d pixels\n", o.output.c_str(), o.folder.c_str(),
                picture.width, picture.height);
  }
  return kSound;
}

// The five commands: what each takes, what it says when something it needs is missing, and
// what its exit status means.
struct Command {
  const char* name;
  const char* help;
  const char* missing;   // when a required argument or option is not given
  const char* no_value;  // when an option is given without its value
  const char* status;    // the footer of its help: exit status 0 and 1
  void (*options)(CLI::App& command, Options& o);
  int (*run)(const Options& o);
};

void json_flag(CLI::App& command, Options& o) {
  command.add_flag("--json", o.json, "One JSON document on standard output");
}

void folder_argument(CLI::App& command, Options& o) {
  command.add_option("DIR", o.folder, "The folder of the inputs (default: the current one)");
}

// -o OUT and DIR, read as the build reads them: every -o is kept, so that a second is refused.
void folders(CLI::App& command, Options& o, const char* output_help) {
  command.add_option("-o,--output", o.outputs, output_help)
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  folder_argument(command, o);
}

const Command kCommands[] = {
    {"list",
     "Print the BASIC program of a main tape image, a raw disk image or a D88 image as a listing",
     "a FILE is needed", "",
     "0 when the program is listed whole and sound; 1 when the file cannot be read, holds no "
     "program or a damaged one;",
     [](CLI::App& c, Options& o) {
       c.add_flag("--raw", o.raw, "The file holds only the line records and the end marker");
       c.add_flag("--bytes", o.bytes,
                  "Write every stored byte as it is, for a listing to tokenize again");
       json_flag(c, o);
       c.add_option("FILE", o.file, "The image, or - for standard input")->required();
     },
     list_command},
    {"info",
     "Recognise each file as a tape, raw disk or D88 image of a build, check it and say what it "
     "holds",
     "one FILE or more is needed", "",
     "0 when every file is a sound image of a build and each D88 image holds each raw disk image "
     "given with it; 1 when a file cannot be read, is damaged or is not an image of a build;",
     [](CLI::App& c, Options& o) {
       json_flag(c, o);
       c.add_option("FILE", o.files, "The images; - for standard input")->required();
     },
     info_command},
    {"diff",
     "Compare two images as a porter reads them: the program lines, the memory, the tape header "
     "and the sectors that differ",
     "two FILEs are needed", "",
     "0 when the two images hold the same; 1 when they differ; 2 when a file cannot be read or "
     "is not an image of a build;",
     [](CLI::App& c, Options& o) {
       json_flag(c, o);
       c.add_option("A", o.file, "The first image; - for standard input")->required();
       c.add_option("B", o.second, "The second image, compared with the first")->required();
     },
     diff_command},
    {"check", "Before a build: whether the five inputs in DIR are the game the build was made for",
     "", "a folder is needed after '-o'",
     "0 when the check finds no error and no warning; 1 when it finds one, or DIR is not a "
     "folder;",
     [](CLI::App& c, Options& o) {
       json_flag(c, o);
       folders(c, o, "The folder a build would write into, as flyseat-build -o OUT (default: DIR)");
     },
     check_command},
    {"verify",
     "Whether the images in OUT (default: DIR) are what the five inputs in DIR make: the build run "
     "in memory, each image compared byte for byte",
     "", "a folder is needed after '-o'",
     "0 when every image is the same; 1 when one differs, is missing or is not that image, or the "
     "inputs do not build; 2 when an input or an image cannot be read;",
     [](CLI::App& c, Options& o) {
       json_flag(c, o);
       folders(c, o, "The folder of the images, as flyseat-build -o OUT (default: DIR)");
     },
     verify_command},
    {"convert",
     "Write the disk of a D88 image or a raw disk image as an HFE image, as a floppy emulator "
     "takes "
     "it",
     "an IMAGE and -o FILE are needed", "-o needs a FILE (- for standard output)",
     "0 when the HFE image is written; 1 when the image cannot be read, holds no disk of the "
     "target's geometry, or the file cannot be written;",
     [](CLI::App& c, Options& o) {
       c.add_option("IMAGE", o.file, "The D88 image or raw disk image; - for standard input")
           ->required();
       c.add_option("-o,--output", o.output, "The HFE file to write; - for standard output")
           ->required();
     },
     convert_command},
    {"preview",
     "Write a PNG of the bitmap rows of the inputs in DIR before and after the depth reduction",
     "-o FILE is needed (- for standard output)", "-o needs a FILE (- for standard output)",
     "0 when the picture is written; 1 when an input cannot be read, a patch record runs past "
     "the end of memory, or the picture cannot be written;",
     [](CLI::App& c, Options& o) {
       folder_argument(c, o);
       c.add_option("-o,--output", o.output, "The PNG file to write; - for standard output")
           ->required();
     },
     preview_command},
};

// A wrong command line: what is wrong, and where to look, on one line as flyseat-build says it.
int usage_error(const std::string& what, const Command* command = nullptr) {
  std::string in = command == nullptr ? "" : std::string(command->name) + ": ";
  std::string help = command == nullptr ? "--help" : std::string(command->name) + " --help";
  std::fprintf(stderr, "%s: %s%s (see '%s %s')\n", kTool, in.c_str(), what.c_str(), kTool,
               help.c_str());
  return kUsage;
}

// The check reads its folders as the build reads them: an option without a folder, a second
// output folder and an empty name are a wrong command line, in the build's words. An empty one
// is told before CLI11 reads the line: it would take the word after "--output=" for its folder.
std::optional<std::string> wrong_folder(int argc, char** argv) {
  for (int a = 2; a < argc && std::string_view(argv[a]) != "--"; ++a) {
    std::string_view word = argv[a];
    bool empty_next = a + 1 < argc && *argv[a + 1] == '\0';
    if (word == "--output=" || ((word == "-o" || word == "--output") && empty_next))
      return std::string(kFolderNeeded) + " '" + argv[a] + "'";
  }
  return std::nullopt;
}
std::optional<std::string> wrong_folders(const Options& o) {
  if (o.outputs.size() > 1) return std::string(kSecondOutput) + " '" + o.outputs[1] + "'";
  if (o.folder.empty()) return std::string(kEmptyFolder) + " ''";
  return std::nullopt;
}

// An argument that no command or option takes.
std::string unexpected(const std::string& argument) {
  return (argument.starts_with("-") ? "unknown option '" : "unexpected argument '") + argument +
         "'";
}

// `failed` is set to the status of a command that cannot write its report.
int run(int argc, char** argv, int& failed) {
  Options o;
  CLI::App app{"Looks at what flyseat-build made, and at what it will read.", kTool};
  app.set_version_flag("--version", std::string(kTool) + " " + FLYSEAT_VERSION);
  app.require_subcommand(1);
  std::vector<CLI::App*> apps;
  for (const Command& command : kCommands) {
    CLI::App* sub = app.add_subcommand(command.name, command.help);
    command.options(*sub, o);
    sub->allow_extras();  // told apart after parsing, by this tool's words
    sub->footer(std::string("Exit status: ") + command.status +
                " 2 when the command line is wrong.");
    apps.push_back(sub);
  }
  // Set last, so that no command takes it over from the tool.
  app.footer("Run 'flyseat-inspect COMMAND --help' for what a command takes and its exit status.");

  std::string first = argc > 1 ? argv[1] : "";
  const Command* command = nullptr;
  for (const Command& c : kCommands) {
    if (first == c.name) command = &c;
  }
  // CLI11 would take an unknown command for a stray argument, and an unknown option for a
  // missing command.
  if (command == nullptr && !first.empty() && first != "-h" && first != "--help" &&
      first != "--version") {
    return usage_error(first.starts_with("-") ? unexpected(first)
                                              : "unknown command '" + first + "'");
  }
  bool reads_folders =
      command != nullptr && (command->run == check_command || command->run == verify_command);
  if (reads_folders) {
    if (std::optional<std::string> wrong = wrong_folder(argc, argv))
      return usage_error(*wrong, command);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
    if (command == nullptr)
      return usage_error(
          "a command is needed: check, verify, list, info, diff, convert or preview");
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr)
      return usage_error(command->missing, command);
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr && *command->no_value)
      return usage_error(command->no_value, command);
    return usage_error(error.what(), command);
  }
  CLI::App* chosen = apps[static_cast<std::size_t>(command - kCommands)];
  std::vector<std::string> extra = chosen->remaining();
  // "--" ends the options, as for flyseat-build; CLI11 keeps it among the extras.
  if (auto end = std::find(extra.begin(), extra.end(), "--"); end != extra.end()) extra.erase(end);
  if (!extra.empty()) return usage_error(unexpected(extra.front()), command);
  if (std::count(o.files.begin(), o.files.end(), kStandardStream) > 1 ||
      (o.file == kStandardStream && o.second == kStandardStream))
    return usage_error("standard input (-) can be read once only", command);
  if (reads_folders) {
    if (std::optional<std::string> wrong = wrong_folders(o)) return usage_error(*wrong, command);
  }
  if (command->run == diff_command || command->run == verify_command) failed = kTrouble;
  return command->run(o);
}

}  // namespace

int main(int argc, char** argv) {
  int failed = kFailed;
  int status = run(argc, argv, failed);
  // Reports lost on the way out are a failure, not a success.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "%s: standard output: cannot write: %s\n", kTool, std::strerror(errno));
    return failed;
  }
  return status;
}
