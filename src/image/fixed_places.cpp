#include "fixed_places.hpp"

namespace flyseat {

std::span<const FixedPlaces, kPlaceKinds> fixed_places() {
  return kFixedPlaces;
}

}  // namespace flyseat
