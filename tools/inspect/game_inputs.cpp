// The memory image a build makes of its inputs before it converts anything.
#include "inspect.hpp"

namespace flyseat::inspect {

int LoadedMemory::loaded_count(int first, int size) const {
  int count = 0;
  for (int a = first; a < first + size; ++a)
    count += loaded.test(static_cast<std::size_t>(a)) ? 1 : 0;
  return count;
}

void load_memory(const GameInputs& inputs, LoadedMemory& memory, const PatchWatcher& watch) {
  auto mark = [&memory](int start, int count) {
    for (int a = start; a < start + count; ++a)
      memory.loaded.set(static_cast<std::size_t>(a));
  };
  std::array<MemoryFile, 2> dumps = {{{kList1Name, inputs.files[kList1].bytes, {}, true},
                                      {kList2Name, inputs.files[kList2].bytes, {}, true}}};
  Folder folder{dumps, nullptr};
  memory.image.fill(0);  // as a build's work area starts
  memory.loaded.reset();
  memory.dumps = load_dumps(folder, memory.image);
  mark(kList1Start, memory.dumps.list1);
  mark(kList2Start, memory.dumps.list2);
  memory.list2_length = memory.dumps.list2;
  Source patch;
  open_bytes(patch, kPatchName, inputs.files[kPatch].bytes);
  memory.patch =
      apply_patch(patch, memory.image, memory.list2_length, [&](const PatchRecordSeen& record) {
        mark(record.address, record.count);
        if (watch) watch(record);
      });
}

}  // namespace flyseat::inspect
