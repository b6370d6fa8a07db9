#include <gtest/gtest.h>

#include <memory>

#include "flyseat/memory_build.hpp"
#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes;

Bytes sample(const char* name) {
  return test::read_file(std::filesystem::path(FLYSEAT_SAMPLE_DIR) / name);
}

Bytes bytes_of(std::span<const Byte> span) {
  return Bytes(span.begin(), span.end());
}

// The build on byte strings writes exactly what the executable writes in a folder.
TEST(MemoryBuild, GivesTheSameOutputsAsARunInAFolder) {
  test::TempDir dir;
  test::copy_sample(dir);
  ASSERT_EQ(test::run_build(dir).status, 0);

  Bytes loader = sample("loader.bin"), list1 = sample("list1.bin"), list2 = sample("list2.bin"),
        patch = sample("patch.bin"), listing = sample("list3.txt");
  auto build = std::make_unique<MemoryBuild>();
  for (int round = 0; round < 2; ++round) {  // a second build starts afresh
    build_in_memory({loader, list1, list2, patch, listing}, *build);
    ASSERT_EQ(build->status, 0) << build->failure.message();
    for (const char* name : {kDataTapeName, kMainTapeName, kRawDiskName, kD88Name}) {
      EXPECT_EQ(bytes_of(build->output(name)), dir.read(name)) << name;
    }
  }
}

TEST(MemoryBuild, ARefusalCarriesItsMessageAndWritesNothing) {
  Bytes patch = test::bytes({0x02, 0x00, 0xFF, 0xFF, 0x01, 0x02});
  auto build = std::make_unique<MemoryBuild>();
  build_in_memory({{}, {}, {}, patch, {}}, *build);
  EXPECT_EQ(build->status, 1);
  EXPECT_STREQ(build->failure.message(),
               "patch.bin: record at offset 0 runs past the end of memory");
  EXPECT_TRUE(build->output(kDataTapeName).empty());
  EXPECT_TRUE(build->output(kD88Name).empty());
}

TEST(MemoryBuild, TheLargestInputsFitTheOutputRooms) {
  Bytes list1(kList1Max + 100, 0x55), list2(kList2Max + 100, 0xAA);
  auto build = std::make_unique<MemoryBuild>();
  build_in_memory({{}, list1, list2, {}, {}}, *build);
  ASSERT_EQ(build->status, 0) << build->failure.message();
  EXPECT_EQ(build->output(kDataTapeName).size(), std::size_t{kMaxDataTapeSize});
  EXPECT_EQ(build->output(kRawDiskName).size(), (1u + 14 + 5 + 1) * 4096);
  EXPECT_EQ(build->output(kD88Name).size(), std::size_t{kD88Size});
}

}  // namespace
}  // namespace flyseat
