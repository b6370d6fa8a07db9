#include <gtest/gtest.h>

#include "support.hpp"

namespace flyseat {
namespace {

// The committed sample inputs are exactly what the generator writes, so neither can drift.
TEST(SampleGame, CommittedBinariesMatchTheGenerator) {
  test::TempDir dir;
  std::string command = "'" FLYSEAT_MAKE_SAMPLE_PATH "' '" + dir.path().string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* name : {"loader.bin", "list1.bin", "list2.bin", "patch.bin"}) {
    SCOPED_TRACE(name);
    test::Bytes committed = test::read_file(std::filesystem::path(FLYSEAT_SAMPLE_DIR) / name);
    EXPECT_FALSE(committed.empty());
    EXPECT_EQ(dir.read(name), committed);
  }
}

}  // namespace
}  // namespace flyseat
