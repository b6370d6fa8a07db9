#include "flyseat/output.hpp"

namespace flyseat {

std::int32_t block_count(std::int32_t length) {
  return length / 4095 + 1;
}
void write_raw_disk_image(Folder&, const WorkArea&) {}

}  // namespace flyseat
