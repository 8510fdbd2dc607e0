// Workspaces: allocated once, zero at start, never reallocated.
#include "image/workspaces.h"

namespace image {

Workspaces::Workspaces()
    : w1(static_cast<size_t>(kCapacity), 0),
      w2(static_cast<size_t>(kCapacity), 0),
      w3(static_cast<size_t>(kCapacity), 0),
      headerCards(static_cast<size_t>(kHeaderSlots), std::string(80, ' ')) {}

}  // namespace image
