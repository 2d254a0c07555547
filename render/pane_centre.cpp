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
    for (std::int32_t x = 0; x < w; ++x) {
      if (row[x] > 0.0f) extent.Add(x, y);
    }
  }
  if (extent.count > 0) {
    centre.pane_centre_x = extent.CentreX();
    centre.pane_centre_y = extent.CentreY();
    centre.pane_radius = extent.Radius();
  }
  return centre;
}
