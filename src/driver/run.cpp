#include "flyseat/basic.hpp"
#include "flyseat/driver.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/image.hpp"
#include "flyseat/output.hpp"

namespace flyseat {
namespace {

void load_loader(Folder& folder, LoaderBuffer& loader) {
  loader.fill(kLoaderFill);
  Source file;
  open_input(folder, file, kLoaderName);
  read_bytes(file, std::span(loader).first(static_cast<std::size_t>(*kMostRead[kLoader])));
  close_input(file);
}

std::span<const Byte> region(const MemoryImage& memory, int start, std::int32_t length) {
  return std::span<const Byte>(memory).subspan(static_cast<std::size_t>(start),
                                               static_cast<std::size_t>(length));
}

}  // namespace

int run(Folder& folder, WorkArea& work) {
  load_loader(folder, work.loader);

  DumpLengths lengths = load_dumps(folder, work.memory);
  work.list1_length = lengths.list1;
  work.list2_length = lengths.list2;
  apply_patch(folder, work.memory, work.list2_length);

  convert_memory_image(work.memory);

  Source listing;
  open_input(folder, listing, kListingName);
  work.program_length = convert_listing(listing, work);
  close_input(listing);

  write_tape_image(folder, kDataTapeName, kDataTapeTitle,
                   {region(work.memory, kList1Start, work.list1_length),
                    region(work.memory, kList2Start, work.list2_length)});
  write_tape_image(folder, kMainTapeName, kMainTapeTitle,
                   {std::span<const Byte>(work.program)
                        .first(static_cast<std::size_t>(work.program_length + kEndMarkerSize))});
  write_raw_disk_image(folder, work);
  write_d88_image(folder);
  return 0;
}

}  // namespace flyseat
