// The bundled sample listing: every substitution record applies to it, and a whole run puts
// its whole program on the main tape image.
#include <gtest/gtest.h>

#include <filesystem>

#include "basic_support.hpp"

namespace flyseat {
namespace {

std::string sample_listing() {
  test::Bytes bytes = test::read_file(std::filesystem::path(FLYSEAT_SAMPLE_DIR) / "list3.txt");
  return std::string(bytes.begin(), bytes.end());
}

TEST(SampleListing, MakesEverySubstitutionRecordApply) {
  std::string listing = sample_listing();
  SubstitutionCounts fired{};
  std::vector<test::ReadLine> lines = test::edit_all(listing, &fired);
  EXPECT_GE(lines.size(), 80u);
  EXPECT_LE(lines.size(), 150u);
  for (int record = 1; record <= kSubstitutionCount; ++record) {
    EXPECT_GE(fired[static_cast<std::size_t>(record - 1)], 1) << "record " << record;
  }
}

// The line numbers of the records of a program image, walking it record by record.
std::vector<int> record_numbers(const test::Bytes& image) {
  std::vector<int> numbers;
  std::size_t at = 0;
  while (at + 4 <= image.size() && image[at] == 0xFF && image[at + 1] == 0xFF) {
    numbers.push_back(image[at + 2] | image[at + 3] << 8);
    at += 4;
    while (at < image.size() && image[at] != 0)
      ++at;
    ++at;
  }
  return numbers;
}

TEST(SampleListing, TheMainTapeImageCarriesTheWholeProgram) {
  test::TempDir dir;
  test::copy_sample(dir);
  test::RunResult run = test::run_build(dir);
  ASSERT_EQ(run.status, 0) << run.out;

  std::string listing = sample_listing();
  test::BytesSource in(test::text_bytes(listing), "list3.txt");
  auto work = std::make_unique<WorkArea>();
  std::int32_t length = convert_listing(in.source, *work);
  test::Bytes program(work->program.begin(), work->program.begin() + length + kEndMarkerSize);
  EXPECT_EQ(dir.read("flyseat3.p6"),
            test::concat({test::Bytes(10, 0xD3), test::text_bytes("MAIN  "), program}));

  // One record for each listing line but the two dropped ones, in listing order.
  std::vector<int> expected;
  for (const test::ReadLine& line : test::read_all(listing))
    expected.push_back(line.number);
  EXPECT_EQ(record_numbers(program), expected);
  EXPECT_EQ(static_cast<std::size_t>(std::count(listing.begin(), listing.end(), '\n')),
            expected.size() + 2);
  EXPECT_EQ(program.size() - static_cast<std::size_t>(length), 10u);
}

}  // namespace
}  // namespace flyseat
