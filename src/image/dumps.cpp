#include <algorithm>

#include "flyseat/file_names.hpp"
#include "flyseat/image.hpp"

namespace flyseat {
namespace {

// Reads list2.bin over the list1 bytes that reach its region, counting those it changes, then
// the rest of it.
void load_list2(Source& dump, MemoryImage& memory, DumpLengths& lengths) {
  int under = std::max(0, kList1Start + lengths.list1 - kList2Start);
  while (lengths.under_list2 < under) {
    int byte = read_byte(dump);
    if (byte < 0) break;
    Byte& there = memory[static_cast<std::size_t>(kList2Start + lengths.under_list2++)];
    if (there != byte) ++lengths.lost_under_list2;
    there = static_cast<Byte>(byte);
  }
  lengths.list2 = lengths.under_list2 + load_dump(dump, memory, kList2Start + lengths.under_list2,
                                                  *kMostRead[kList2] - lengths.under_list2);
}

}  // namespace

std::int32_t load_dump(Source& dump, MemoryImage& memory, int start, int max) {
  std::span<Byte> room(memory.data() + start, static_cast<std::size_t>(max));
  return static_cast<std::int32_t>(read_bytes(dump, room));
}

DumpLengths load_dumps(Folder& folder, MemoryImage& memory) {
  DumpLengths lengths{};
  Source dump;
  open_input(folder, dump, kList1Name);
  lengths.list1 = load_dump(dump, memory, kList1Start, *kMostRead[kList1]);
  close_input(dump);
  // list2.bin is read second, so where the two dumps overlap its bytes stand.
  open_input(folder, dump, kList2Name);
  load_list2(dump, memory, lengths);
  close_input(dump);
  return lengths;
}

}  // namespace flyseat
