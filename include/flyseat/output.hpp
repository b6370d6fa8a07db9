// The four outputs, each written into the folder as its format lays it out: two tape images,
// the raw disk image and the D88 image.
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

#include "flyseat/d88.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/io.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"

namespace flyseat {

// Writes a tape image: its header, then each stretch in order.
void write_tape_image(Folder& folder, const char* file_name, std::string_view tape_name,
                      std::initializer_list<std::span<const Byte>> stretches);

// Writes flyseat.dsk: the loader block, then the list1, list2 and program blocks.
void write_raw_disk_image(Folder& folder, const WorkArea& work);

// Writes flyseat.d88, the D88 image of the raw disk image read back from the folder.
void write_d88_image(Folder& folder);

}  // namespace flyseat
