#include "flyseat/file_names.hpp"
#include "flyseat/image.hpp"

namespace flyseat {

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
  lengths.list2 = load_dump(dump, memory, kList2Start, *kMostRead[kList2]);
  close_input(dump);
  return lengths;
}

}  // namespace flyseat
