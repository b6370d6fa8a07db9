#include "flyseat/output.hpp"

namespace flyseat {

void write_d88_image(Folder&) {}

}  // namespace flyseat
