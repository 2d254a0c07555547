// Choice and preparation of the shading height; the smoothing itself is the
// plane filters' box blur (pane_height_smoothing.cpp).
#include "render/shading_height.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

void HoldNegativesAtZero(FloatPlane& plane) {
  const std::int64_t n = plane.Size();
  float* h = plane.data.get();
  std::int64_t i = 0;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  // Four at a time: lanes below 0 become +0; -0 and NaN, which are not
  // below 0, keep their bits.
  for (; n - i >= 4; i += 4) {
    const __m128 v = _mm_loadu_ps(h + i);
    _mm_storeu_ps(h + i, _mm_andnot_ps(_mm_cmplt_ps(v, _mm_setzero_ps()), v));
  }
#endif
  for (; i < n; ++i) {
    if (h[i] < 0.0f) h[i] = 0.0f;
  }
}

const FloatPlane& PrepareShadeHeight(const FloatPlane& pane_depth, FloatPlane& pane_height, bool raster_source,
                                     bool shapes_supersampled) {
  if (pane_height.Empty()) return pane_depth;
  const std::int32_t radius = ShadeHeightRadius(raster_source, shapes_supersampled);
  // Analytic shapes have their smoothed height held at 0 outside the panes.
  const bool analytic = !raster_source && !shapes_supersampled;
  if (!(analytic ? SmoothPaneHeightAboveZero(pane_height, radius) : SmoothPaneHeight(pane_height, radius))) {
    pane_height = FloatPlane{};
    return pane_depth;
  }
  return pane_height;
}
