#include <algorithm>

#include "flyseat/basic.hpp"

namespace flyseat {

std::int32_t convert_listing(Source&, WorkArea& work) {
  std::fill_n(work.program.begin(), kEndMarkerSize, Byte{0});
  return 0;
}

}  // namespace flyseat
