// The module's own sources of the two kernels, built again on the plain
// scalar lanes inside namespace plain_lanes. Every header they include is
// included here first, outside the namespace, so inside it only their own
// definitions land.
#include "plain_lanes_kernels.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "render/allocation_seam.h"
#include "render/curve_tables.h"
#include "render/ordered_dither.h"
#include "render/pane_extent.h"
#include "render/pixel_traits.h"
#include "render/portable_math.h"
#include "render/rim_angle_profile.h"

#define PRISMORA_SCALAR_LANES 1

namespace plain_lanes {
#include "render/pane_regions.cpp"
#include "render/rim_light.cpp"
}  // namespace plain_lanes
