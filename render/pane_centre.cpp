// Centre of mass and bounding-box radius of the pane pixels, in one
// row-major pass on the calling thread; the sums are kept in double so a
// large frame loses nothing before the final division.
#include "render/pane_centre.h"

#include <algorithm>

#include "render/pane_extent.h"

PaneCentre FindPaneCentre(const FloatPlane& pane_depth) {
  const std::int32_t w = pane_depth.width;
  const std::int32_t h = pane_depth.height;
  PaneCentre centre;
  centre.pane_centre_x = static_cast<float>(w) * 0.5f;
  centre.pane_centre_y = static_cast<float>(h) * 0.5f;
  centre.pane_radius = static_cast<float>(std::max(w, h)) * 0.5f;
  if (pane_depth.Empty()) return centre;

  PaneExtent extent(w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    const float* row = pane_depth.Row(y);
    std::int32_t first = 0;
    while (first < w && !(row[first] > 0.0f)) ++first;
    if (first == w) continue;
    std::int32_t last = w - 1;
    while (!(row[last] > 0.0f)) --last;
    // Branch-free counts over the row's pane span, which the compiler
    // spreads over vector lanes.
    std::int64_t pixels = 0;
    std::int64_t x_sum = 0;
    for (std::int32_t x = first; x <= last; ++x) {
      const std::int32_t inside = row[x] > 0.0f ? 1 : 0;
      pixels += inside;
      x_sum += static_cast<std::int64_t>(inside * x);
    }
    extent.AddRow(y, pixels, x_sum, first, last);
  }
  if (extent.count > 0) {
    centre.pane_centre_x = extent.CentreX();
    centre.pane_centre_y = extent.CentreY();
    centre.pane_radius = extent.Radius();
  }
  return centre;
}
