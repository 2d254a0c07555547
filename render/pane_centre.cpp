// Centre of mass and bounding-box radius of the pane pixels, in one
// row-major pass on the calling thread; the sums are kept in double so a
// large frame loses nothing before the final division.
#include "render/pane_centre.h"

#include <algorithm>

PaneCentre FindPaneCentre(const FloatPlane& pane_depth) {
  const std::int32_t w = pane_depth.width;
  const std::int32_t h = pane_depth.height;
  PaneCentre centre;
  centre.pane_centre_x = static_cast<float>(w) * 0.5f;
  centre.pane_centre_y = static_cast<float>(h) * 0.5f;
  centre.pane_radius = static_cast<float>(std::max(w, h)) * 0.5f;
  if (pane_depth.Empty()) return centre;

  std::int64_t count = 0;
  double sum_x = 0.0;
  double sum_y = 0.0;
  std::int32_t min_x = w, max_x = -1, min_y = h, max_y = -1;
  for (std::int32_t y = 0; y < h; ++y) {
    const float* row = pane_depth.Row(y);
    for (std::int32_t x = 0; x < w; ++x) {
      if (!(row[x] > 0.0f)) continue;
      ++count;
      sum_x += x;
      sum_y += y;
      min_x = std::min(min_x, x);
      max_x = std::max(max_x, x);
      min_y = std::min(min_y, y);
      max_y = std::max(max_y, y);
    }
  }
  if (count > 0) {
    centre.pane_centre_x = static_cast<float>(sum_x / static_cast<double>(count));
    centre.pane_centre_y = static_cast<float>(sum_y / static_cast<double>(count));
    const float side = static_cast<float>(std::max(max_x - min_x, max_y - min_y));
    centre.pane_radius = std::max(1.0f, side * 0.5f);
  }
  return centre;
}
