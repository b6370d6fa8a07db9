#include "flyseat/memory_build.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "flyseat/driver.hpp"

namespace flyseat {

std::span<const Byte> MemoryBuild::output(const char* name) const {
  auto file = std::find_if(files.begin(), files.end(),
                           [name](const MemoryFile& f) { return std::strcmp(f.name, name) == 0; });
  return file != files.end() && file->exists ? file->bytes : std::span<const Byte>();
}

std::vector<std::string> MemoryBuild::message_lines() const {
  std::vector<std::string> lines;
  // An output exists once it is finished, and it is reported then.
  for (std::size_t i = kInputNames.size(); i < files.size(); ++i) {
    if (!files[i].exists) continue;
    std::array<char, 64> line;
    std::snprintf(line.data(), line.size(), kOutputReport, files[i].name);
    lines.emplace_back(line.data());
  }
  if (status != 0) lines.push_back(std::string(failure.message()) + "\n");
  return lines;
}

std::string MemoryBuild::messages() const {
  std::string said;
  for (const std::string& line : message_lines())
    said += line;
  return said;
}

void build_in_memory(const BuildInputs& inputs, MemoryBuild& build) {
  build.files = {{{kLoaderName, inputs.loader, {}, true},
                  {kList1Name, inputs.list1, {}, true},
                  {kList2Name, inputs.list2, {}, true},
                  {kPatchName, inputs.patch, {}, true},
                  {kListingName, inputs.listing, {}, true},
                  {kDataTapeName, {}, build.data_tape, false},
                  {kMainTapeName, {}, build.main_tape, false},
                  {kRawDiskName, {}, build.raw_disk, false},
                  {kD88Name, {}, build.d88, false}}};
  Folder folder{build.files, nullptr};
  try {
    build.status = run(folder, *std::make_unique<WorkArea>());  // zero-filled
  } catch (const Failure& failure) {
    build.status = 1;
    build.failure = failure;
  }
}

}  // namespace flyseat
