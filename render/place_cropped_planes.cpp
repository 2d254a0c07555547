// Output window of a padded field copied into the pane planes, row by row.
#include "render/place_cropped_planes.h"

#include <algorithm>

void PlaceCroppedPlanes::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t y = begin; y < end; ++y) {
    const float* src = padded + static_cast<std::int64_t>(y + offset) * row_length + offset;
    const std::int64_t row = static_cast<std::int64_t>(y) * width;
    for (std::int32_t x = 0; x < width; ++x) {
      const float v = src[x];
      pane_depth[row + x] = std::max(v, 0.0f);
      pane_distance[row + x] = v;
      if (pane_height != nullptr) pane_height[row + x] = v;
    }
  }
}
