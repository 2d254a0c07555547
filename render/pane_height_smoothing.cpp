// Separable box smoothing of pane_height in place: rows into a scratch plane,
// columns back into pane_height, twice; each blur averages only the taps
// inside the plane, so the border is not pulled towards a padding value.
#include <utility>

#include "render/parallel_for.h"
#include "render/plane_filters.h"
#include "render/shading_height.h"

bool SmoothPaneHeight(FloatPlane& pane_height, std::int32_t radius) {
  FloatPlane scratch;
  if (!AllocateFloatPlane(scratch, pane_height.width, pane_height.height)) return false;
  const std::int32_t width = pane_height.width;
  const std::int32_t height = pane_height.height;
  if (BoxBlurRowsThenColumns::Fits(radius, height)) {
    // Each pass's row and column blur in one go, so the plane is read and
    // written once per pass: the first pass leaves its result in the
    // scratch plane, the second brings it back.
    ParallelFor(height, BoxBlurRowsThenColumns{width, radius, height, pane_height.data.get(), scratch.data.get()});
    ParallelFor(height, BoxBlurRowsThenColumns{width, radius, height, scratch.data.get(), pane_height.data.get()});
    return true;
  }
  for (int pass = 0; pass < 2; ++pass) {
    ParallelFor(height, BoxBlurRows{width, radius, pane_height.data.get(), scratch.data.get()});
    ParallelFor(height, BoxBlurColumns{width, radius, height, scratch.data.get(), pane_height.data.get()});
  }
  return true;
}
