// Faults injected into the C library calls of flyseat-build's file path with libfiu's fiu-run:
// whatever fails, every output is the new one, whole, or the older build's, untouched, and no
// other file is left in the folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "process.hpp"

namespace flyseat::test {
namespace {

// Opening, reading, writing and renaming fail at random: the folder, the inputs and the raw
// disk image read back are opened and read with open and read, the outputs written with stdio.
// A failing remove is left out: a clean-up that itself fails cannot clean up.
const std::string kFaults =
    "-c 'enable_random name=posix/io/oc/open,probability=0.02' "
    "-c 'enable_random name=posix/stdio/oc/fopen,probability=0.02' "
    "-c 'enable_random name=posix/io/rw/read,probability=0.02' "
    "-c 'enable_random name=posix/stdio/rw/fwrite,probability=0.02' "
    "-c 'enable_random name=posix/io/dir/rename,probability=0.1' "
    "-c 'enable_random name=posix/stdio/fflush,probability=0.02' ";

TEST(FaultInjection, EveryOutputIsNewAndWholeOrAsItWas) {
  Inputs inputs = sample_game(), older = inputs;
  older[kList1].resize(4000);  // an older build of other inputs: each output differs
  older[kListing].resize(older[kListing].size() / 2);
  const auto made = built_in_memory(inputs), was = built_in_memory(older);
  std::vector<std::string> input_names(kInputNames.begin(), kInputNames.end());
  std::map<int, int> statuses;
  // 300 runs, or as many as FLYSEAT_FAULT_RUNS says (fewer for a quick run, more for a long one).
  const char* asked = std::getenv("FLYSEAT_FAULT_RUNS");
  const int runs = asked != nullptr ? std::atoi(asked) : 300;
  for (int run = 0; run < runs; ++run) {
    TempDir dir;
    write_inputs(dir, inputs);
    bool had_older = run % 2 == 1;
    for (std::size_t i = 0; had_older && i < was.size(); ++i)
      dir.write(kOutputNames[i], text_bytes(was[i]));
    RunResult result = run_program("fiu-run", dir, "-x " + kFaults + "'" FLYSEAT_BUILD_PATH "'");
    ++statuses[result.status];
    ASSERT_TRUE(result.status == 0 || result.status == 1) << result.out << result.err;
    std::vector<std::string> expected_names = input_names;
    for (std::size_t i = 0; i < made.size(); ++i) {
      const std::string name = kOutputNames[i], &bytes = made[i];
      SCOPED_TRACE(name + " after: " + result.out);
      bool reported = result.out.find("output to " + name + "\n") != std::string::npos;
      if (!dir.has(name)) {
        EXPECT_FALSE(had_older || reported);
        continue;
      }
      expected_names.push_back(name);
      std::string now = text_of(dir.read(name));
      EXPECT_TRUE(now == bytes || (had_older && !reported && now == was[i]));
      EXPECT_TRUE(result.status == 1 || now == bytes);
    }
    std::sort(expected_names.begin(), expected_names.end());
    ASSERT_EQ(dir.names(), expected_names) << result.out;
  }
  // Both ends were reached: runs that failed somewhere, and runs that did not.
  EXPECT_GT(statuses[0], 0);
  EXPECT_GT(statuses[1], 0);
}

}  // namespace
}  // namespace flyseat::test
