// The files of a build, all in the game's folder: the five inputs in the order a build reads
// them, with how much of each it reads, and the four outputs in the order it writes them.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "flyseat/work_area.hpp"

namespace flyseat {

inline constexpr const char* kLoaderName = "loader.bin";
inline constexpr const char* kList1Name = "list1.bin";
inline constexpr const char* kList2Name = "list2.bin";
inline constexpr const char* kPatchName = "patch.bin";
inline constexpr const char* kListingName = "list3.txt";

// Each input's place in kInputNames and kMostRead.
enum Input : std::size_t { kLoader, kList1, kList2, kPatch, kListing };
inline constexpr std::array kInputNames = {kLoaderName, kList1Name, kList2Name, kPatchName,
                                           kListingName};

// The most bytes a build reads of each input: the loader fills its block and each dump runs up
// to the end of memory. The patch file and the listing have no limit: they are read whole.
inline constexpr std::array<std::optional<int>, kInputNames.size()> kMostRead = {
    kLoaderSize,   // loader.bin
    kList1Max,     // list1.bin
    kList2Max,     // list2.bin
    std::nullopt,  // patch.bin
    std::nullopt,  // list3.txt
};

inline constexpr const char* kDataTapeName = "flyseat2.p6";
inline constexpr const char* kMainTapeName = "flyseat3.p6";
inline constexpr const char* kRawDiskName = "flyseat.dsk";
inline constexpr const char* kD88Name = "flyseat.d88";

inline constexpr std::array kOutputNames = {kDataTapeName, kMainTapeName, kRawDiskName, kD88Name};

// Where each output is written until it is whole: its name and ".part".
inline constexpr std::array kPartNames = {"flyseat2.p6.part", "flyseat3.p6.part",
                                          "flyseat.dsk.part", "flyseat.d88.part"};
constexpr bool parts_named_after_outputs() {
  for (std::size_t i = 0; i < kOutputNames.size(); ++i) {
    std::string_view part = kPartNames[i], name = kOutputNames[i];
    if (!part.starts_with(name) || part.substr(name.size()) != ".part") return false;
  }
  return kPartNames.size() == kOutputNames.size();
}
static_assert(parts_named_after_outputs());

}  // namespace flyseat
