// The inputs as the inspector holds them, and the memory image a build makes of them before it
// converts anything.
#include "inputs.hpp"

#include "flyseat/failure.hpp"
#include "flyseat/text.hpp"

namespace flyseat::inspect {

std::optional<Finding> read_problem(const std::string& name, const FileRead& read,
                                    std::size_t limit) {
  Finding problem{.file = name};
  switch (read.status) {
    case ReadStatus::cannot_open:
      problem.note = "cannot open: " + read.reason;
      return problem;
    case ReadStatus::cannot_read:
      problem.note = "cannot read: " + read.reason;
      return problem;
    case ReadStatus::not_a_file:
      problem.note = kNotAFile;
      return problem;
    case ReadStatus::too_large:  // read no further than that: its size is not known
      problem.note = format("larger than %zu bytes, which no file of a build is", limit);
      return problem;
    case ReadStatus::read:
      break;
  }
  return std::nullopt;
}

void limit_listing(FileRead& listing) {
  if (listing.status != ReadStatus::read || listing.size <= kMaxCheckSize) return;
  listing.status = ReadStatus::too_large;
  listing.bytes.clear();
}

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
  const FileRead& patch_file = inputs.files[kPatch];
  Source patch;
  if (patch_file.whole() || !patch_file.reopen) {
    open_bytes(patch, kPatchName, patch_file.bytes);
  } else {
    patch_file.reopen(patch);
  }
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

}  // namespace flyseat::inspect
