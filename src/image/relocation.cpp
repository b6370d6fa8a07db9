#include "flyseat/image.hpp"

namespace flyseat {

void relocate_addresses(MemoryImage&) {}

}  // namespace flyseat
