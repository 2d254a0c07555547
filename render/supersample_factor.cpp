// Largest supersampling factor whose four float grid planes fit the budget,
// computed in 64-bit floats so no product of sizes overflows.
#include "render/supersample_factor.h"

std::int32_t ChooseSupersample(std::int32_t width, std::int32_t height, std::int32_t requested) {
  if (requested < 2) return requested;
  for (std::int32_t s = requested; s >= 2; --s) {
    const double bytes = static_cast<double>(width) * s * static_cast<double>(height) * s * SUPERSAMPLE_BYTES_PER_PIXEL;
    if (SUPERSAMPLE_BUDGET_BYTES >= bytes) return s;
  }
  return 1;
}
