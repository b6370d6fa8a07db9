// The five inputs of a build, read from a folder, and the memory image a build makes of them
// before it converts anything.
#include "examine.hpp"

namespace flyseat::inspect {

GameInputs read_inputs(const std::string& folder) {
  GameInputs inputs;
  for (std::size_t i = 0; i < kInputNames.size(); ++i)
    inputs.files[i] = read_file(folder + "/" + kInputNames[i], kMaxInspectSize);
  return inputs;
}

void load_memory(const GameInputs& inputs, LoadedMemory& memory, const PatchWatcher& watch) {
  auto mark = [&memory](int start, int count) {
    for (int a = start; a < start + count; ++a)
      memory.loaded.set(static_cast<std::size_t>(a));
  };
  std::array<MemoryFile, 2> dumps = {{{kInputNames[kList1], inputs.files[kList1].bytes, {}, true},
                                      {kInputNames[kList2], inputs.files[kList2].bytes, {}, true}}};
  Folder folder{dumps, nullptr};
  memory.image.fill(0);  // as a build's work area starts
  memory.loaded.reset();
  memory.dumps = load_dumps(folder, memory.image);
  mark(kList1Start, memory.dumps.list1);
  mark(kList2Start, memory.dumps.list2);
  memory.list2_length = memory.dumps.list2;
  Source patch;
  open_bytes(patch, kInputNames[kPatch], inputs.files[kPatch].bytes);
  memory.patch =
      apply_patch(patch, memory.image, memory.list2_length, [&](const PatchRecordSeen& record) {
        mark(record.address, record.count);
        if (watch) watch(record);
      });
}

}  // namespace flyseat::inspect
