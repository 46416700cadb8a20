// The initial values of the Blowfish P-array and S-boxes, for the cipher's own key schedule.
#pragma once

#include <cstdint>

namespace velmor {

extern const std::uint32_t kBlowfishInitialP[18];
extern const std::uint32_t kBlowfishInitialS[4][256];

}  // namespace velmor
