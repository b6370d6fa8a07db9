// The memory image a build makes of its inputs before it converts anything, and its preview.
#include <memory>

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

std::optional<Input> unread_memory_input(const GameInputs& inputs) {
  for (Input input : {kList1, kList2, kPatch}) {
    if (inputs.files[input].status != ReadStatus::read) return input;
  }
  return std::nullopt;
}

std::variant<Picture, Problem> preview_of(const GameInputs& inputs, const std::string& folder) {
  if (std::optional<Input> unread = unread_memory_input(inputs)) {
    std::string name = folder.empty() ? kInputNames[*unread] : folder + "/" + kInputNames[*unread];
    return *read_problem(name, inputs.files[*unread], check_limit(*unread));
  }
  auto memory = std::make_unique<LoadedMemory>();
  try {
    load_memory(inputs, *memory);
  } catch (const Failure& failure) {  // a patch record that a build refuses
    return problem_of(failure, folder);
  }
  return render_preview(*memory);
}

}  // namespace flyseat::inspect
