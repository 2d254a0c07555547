// Choice and preparation of the shading height; the smoothing itself is the
// plane filters' box blur (pane_height_smoothing.cpp).
#include "render/shading_height.h"

const FloatPlane& PrepareShadeHeight(const FloatPlane& pane_depth, FloatPlane& pane_height, bool raster_source,
                                     bool shapes_supersampled) {
  if (pane_height.Empty()) return pane_depth;
  if (!SmoothPaneHeight(pane_height, ShadeHeightRadius(raster_source, shapes_supersampled))) {
    pane_height = FloatPlane{};
    return pane_depth;
  }
  if (!raster_source && !shapes_supersampled) {
    const std::int64_t n = pane_height.Size();
    float* h = pane_height.data.get();
    for (std::int64_t i = 0; i < n; ++i) {
      if (h[i] < 0.0f) h[i] = 0.0f;
    }
  }
  return pane_height;
}
