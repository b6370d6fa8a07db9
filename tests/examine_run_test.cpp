// Whole runs of the built flyseat-inspect: the command line, the exit status, what goes to
// standard output and standard error, and the preview PNG read back.
#include <gtest/gtest.h>

#include <memory>

#ifdef FLYSEAT_HAVE_PNG
#include <png.h>
#endif

#include "examine.hpp"
#include "flyseat/image.hpp"
#include "support.hpp"

namespace flyseat::inspect {
namespace {

test::RunResult inspect(const test::TempDir& dir, const std::string& args) {
  return test::run_program(FLYSEAT_INSPECT_PATH, dir, args);
}

// A folder holding the sample game and what a build made of it.
struct BuiltSample {
  BuiltSample() {
    test::copy_sample(dir);
    EXPECT_EQ(test::run_build(dir).status, 0);
  }
  // Writes the first `size` bytes of the output `name` as the file `copy`.
  void cut(const char* name, const char* copy, std::size_t size) const {
    test::Bytes bytes = dir.read(name);
    bytes.resize(size);
    dir.write(copy, bytes);
  }
  test::TempDir dir;
};

TEST(InspectRun, WrongCommandLinesAreUsageErrorsWithStatus2) {
  test::TempDir dir;
  struct Case {
    std::string args;
    std::string message;
  };
  const Case cases[] = {
      {"", "no command given"},
      {"frobnicate", "unknown command 'frobnicate'"},
      {"list", "list: no FILE given"},
      {"list a b", "list: one FILE only"},
      {"list --bogus a", "list: unknown option '--bogus'"},
      {"info", "info: no FILE given"},
      {"info -x a", "info: unknown option '-x'"},
      {"preview", "preview: no output given (-o FILE.png)"},
      {"preview -o", "preview: -o needs a FILE"},
      {"preview a b -o c.png", "preview: one DIR only"},
  };
  for (const Case& c : cases) {
    test::RunResult run = inspect(dir, c.args);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_EQ(run.out, "") << c.args;
    EXPECT_EQ(run.err, "flyseat-inspect: " + c.message + "\nTry 'flyseat-inspect --help'.\n")
        << c.args;
  }
}

TEST(InspectRun, HelpAndVersionGoToStandardOutput) {
  test::TempDir dir;
  for (const char* args : {"--help", "-h", "list --help"}) {
    test::RunResult run = inspect(dir, args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Usage: flyseat-inspect COMMAND", 0), 0u) << args;
    EXPECT_EQ(run.err, "");
  }
  test::RunResult version = inspect(dir, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "flyseat-inspect 1.0.0\n");
}

TEST(InspectRun, InfoReportsEveryFileAndFailsWhenOneIsDamaged) {
  BuiltSample sample;
  test::RunResult sound =
      inspect(sample.dir, "info flyseat2.p6 flyseat3.p6 flyseat.dsk flyseat.d88");
  EXPECT_EQ(sound.status, 0) << sound.err;
  EXPECT_EQ(sound.err, "");
  for (const char* start :
       {"flyseat2.p6: tape image \"DATA  \"", "\nflyseat3.p6: tape image \"MAIN  \"",
        "\nflyseat.dsk: raw disk image", "\nflyseat.d88: D88 image"}) {
    EXPECT_NE(sound.out.find(start), std::string::npos) << start;
  }

  sample.cut("flyseat.d88", "short.d88", 1000);
  test::RunResult damaged = inspect(sample.dir, "info short.d88 missing.p6 flyseat3.p6");
  EXPECT_EQ(damaged.status, 1);
  EXPECT_EQ(damaged.err,
            "flyseat-inspect: short.d88: the file is 1000 bytes, expected 174768\n"
            "flyseat-inspect: short.d88: the file ends inside sector 1 (cylinder 0, R 2), whose "
            "record starts at offset 960\n"
            "flyseat-inspect: cannot open missing.p6: No such file or directory\n");
  // The files after a damaged or missing one are still reported.
  EXPECT_NE(damaged.out.find("flyseat3.p6: tape image"), std::string::npos);
}

TEST(InspectRun, ListPrintsTheProgramAndWhateverCameBeforeTheDamage) {
  BuiltSample sample;
  test::RunResult whole = inspect(sample.dir, "list flyseat3.p6");
  EXPECT_EQ(whole.status, 0) << whole.err;
  EXPECT_EQ(whole.out.rfind("10 CLEAR 300,&HB000:REM room above &HB000", 0), 0u);

  sample.cut("flyseat3.p6", "cut.p6", 3008);
  test::RunResult cut = inspect(sample.dir, "list cut.p6");
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.err,
            "flyseat-inspect: cut.p6: line record at offset 3004 runs past the end of "
            "the file\n");
  EXPECT_EQ(whole.out.rfind(cut.out, 0), 0u);  // what was listed is the start of the whole
  EXPECT_GT(cut.out.size(), 2000u);

  // --raw reads a file of line records alone.
  test::Bytes records = sample.dir.read("cut.p6");
  sample.dir.write("raw.bin", test::Bytes(records.begin() + 16, records.end()));
  EXPECT_EQ(inspect(sample.dir, "list --raw raw.bin").out, cut.out);
  EXPECT_EQ(inspect(sample.dir, "list raw.bin").status, 1);
}

TEST(InspectRun, PreviewRefusesAFolderWithoutTheInputsAndWritesNoBuildOutput) {
  BuiltSample sample;
  test::TempDir empty;
  test::RunResult missing = inspect(sample.dir, "preview '" + empty.path().string() + "' -o p.png");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "flyseat-inspect: " + empty.path().string() + ": cannot open list1.bin\n");
  EXPECT_FALSE(sample.dir.has("p.png"));
  EXPECT_TRUE(empty.names().empty());

  test::TempDir inputs;
  test::copy_sample(inputs);
  std::vector<std::string> names = inputs.names();
  ASSERT_EQ(inspect(inputs, "preview -o p.png").status, 0);
  names.push_back("p.png");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(inputs.names(), names);  // the picture and nothing else
}

TEST(InspectRun, PreviewThatCannotBeWrittenFailsAndLeavesNoFile) {
  test::TempDir dir;
  test::copy_sample(dir);
  test::RunResult run = inspect(dir, "preview -o no/such/folder/p.png");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "flyseat-inspect: cannot write no/such/folder/p.png: No such file or directory\n");
  std::filesystem::create_symlink("/dev/full", dir / "full.png");
  test::RunResult full = inspect(dir, "preview -o full.png");
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err.rfind("flyseat-inspect: cannot write full.png: ", 0), 0u) << full.err;
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "full.png"));  // a device is never removed
}

#ifdef FLYSEAT_HAVE_PNG
struct PngPicture {
  int width = 0, height = 0;
  std::vector<Byte> rgb;
  std::array<Byte, 3> pixel(Place at) const {
    std::size_t i = (static_cast<std::size_t>(at.y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(at.x)) *
                    3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

PngPicture read_png(const std::filesystem::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  PngPicture picture;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return picture;
  image.format = PNG_FORMAT_RGB;
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) == 0) return picture;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  return picture;
}

TEST(InspectRun, PreviewPngShowsTheSampleFirstRowBeforeAndAfter) {
  test::TempDir out;
  test::RunResult run = inspect(out, "preview '" FLYSEAT_SAMPLE_DIR "' -o preview.png");
  ASSERT_EQ(run.status, 0) << run.err;
  PngPicture png = read_png(out / "preview.png");

  auto zero = std::make_unique<MemoryImage>();
  Picture expected = render_preview(*zero, *zero);
  EXPECT_EQ(png.width, expected.width);
  EXPECT_EQ(png.height, expected.height);
  EXPECT_EQ(run.out, "preview.png: preview of " FLYSEAT_SAMPLE_DIR ", " +
                         std::to_string(expected.width) + " x " + std::to_string(expected.height) +
                         " pixels\n");
  ASSERT_GT(png.width, 0);

  // The patch file puts C0 03 FF 00 at 0x2C00, the first row of the first range; packed it
  // is 81 F0 00 00.
  const int before_grey[16] = {3, 0, 0, 0, 0, 0, 0, 3, 3, 3, 3, 3, 0, 0, 0, 0};
  const int after_white[16] = {1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0};
  for (int x = 0; x < 16; ++x) {
    Byte was = static_cast<Byte>(85 * before_grey[x]);
    Byte is = static_cast<Byte>(255 * after_white[x]);
    EXPECT_EQ(png.pixel(preview_place(0, false, 0, x)), (std::array<Byte, 3>{was, was, was})) << x;
    EXPECT_EQ(png.pixel(preview_place(0, true, 0, x)), (std::array<Byte, 3>{is, is, is})) << x;
  }
}

TEST(InspectRun, ThePictureInTheDocsIsTheSamplePreview) {
  test::TempDir out;
  ASSERT_EQ(inspect(out, "preview '" FLYSEAT_SAMPLE_DIR "' -o preview.png").status, 0);
  PngPicture made = read_png(out / "preview.png");
  PngPicture docs = read_png(FLYSEAT_DOCS_DIR "/preview.png");
  EXPECT_EQ(docs.width, made.width);
  EXPECT_EQ(docs.height, made.height);
  EXPECT_TRUE(docs.rgb == made.rgb) << "docs/preview.png is out of date";
}
#endif

}  // namespace
}  // namespace flyseat::inspect
