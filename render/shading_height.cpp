// Choice and preparation of the shading height; the smoothing itself is the
// plane filters' box blur (pane_height_smoothing.cpp).
#include "render/shading_height.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

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
  return pane_height;
}
