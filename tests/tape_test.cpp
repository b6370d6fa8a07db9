#include <gtest/gtest.h>

#include "flyseat/failure.hpp"
#include "flyseat/output.hpp"
#include "support.hpp"

namespace flyseat {
namespace {

using test::Bytes;
using test::bytes;
using test::concat;

const Bytes kLeader(10, 0xD3);

TEST(TapeImage, IsTheLeaderTheNameAndTheStretchesInOrder) {
  std::array<Byte, 64> room{};
  MemoryFile files[] = {{"t.p6", {}, room, false}};
  Folder folder{files, nullptr};
  Bytes a = bytes({1, 2, 3});
  Bytes b = bytes({9});
  write_tape_image(folder, "t.p6", "DATA  ", {a, {}, b});
  Bytes written(files[0].bytes.begin(), files[0].bytes.end());
  EXPECT_EQ(written, concat({kLeader, test::text_bytes("DATA  "), bytes({1, 2, 3, 9})}));

  // Written again, the image is replaced, not appended to.
  write_tape_image(folder, "t.p6", "MAIN  ", {});
  written.assign(files[0].bytes.begin(), files[0].bytes.end());
  EXPECT_EQ(written, concat({kLeader, test::text_bytes("MAIN  ")}));
}

TEST(TapeImage, AnImageThatDoesNotFitIsAWriteFailure) {
  std::array<Byte, 17> room{};
  MemoryFile files[] = {{"t.p6", {}, room, false}};
  Folder folder{files, nullptr};
  Bytes two = bytes({1, 2});
  try {
    write_tape_image(folder, "t.p6", "DATA  ", {two});
    FAIL() << "accepted";
  } catch (const Failure& failure) {
    EXPECT_STREQ(failure.message(), "cannot write t.p6");
  }
}

}  // namespace
}  // namespace flyseat
