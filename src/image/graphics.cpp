#include "flyseat/image.hpp"

namespace flyseat {

Byte pixel_flags(Byte value, int low_form) {
  return low_form == 0 ? value : value;
}
int pack_rows(MemoryImage&, int, int last, int) {
  return last + 1;
}
void pack_graphics(MemoryImage&) {}
void convert_pattern_bytes(MemoryImage&) {}

}  // namespace flyseat
