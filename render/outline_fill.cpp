// Scanline loop of one outline over the rows it can reach, in grid pixels.
#include "render/outline_fill.h"

#include <algorithm>
#include <cmath>

#include "render/span_coverage.h"

namespace {

// The grid rows an outline can reach; a scanline outside them finds no
// crossing, so skipping them changes nothing.
void RowsReached(const float* pts, std::int32_t count, std::int32_t height, std::int32_t& first,
                 std::int32_t& last) {
  first = 0;
  last = height - 1;
  float lo = pts[1], hi = pts[1];
  for (std::int32_t j = 0; j < count; ++j) {
    const float y = pts[2 * j + 1];
    if (!std::isfinite(y)) return;
    lo = std::min(lo, y);
    hi = std::max(hi, y);
  }
  const float top = std::floor(lo) - 1.0f;
  const float bottom = std::ceil(hi) + 1.0f;
  if (top > 0.0f) first = top < static_cast<float>(height) ? static_cast<std::int32_t>(top) : height;
  if (bottom < static_cast<float>(last)) last = bottom > -1.0f ? static_cast<std::int32_t>(bottom) : -1;
}

}  // namespace

GridWindow OutlineWindow(const float* grid_points, std::int32_t point_count, std::int32_t width,
                         std::int32_t height) {
  GridWindow window;
  if (point_count < 3 || width <= 0 || height <= 0) return window;
  RowsReached(grid_points, point_count, height, window.first_row, window.last_row);
  window.first_col = 0;
  window.last_col = width - 1;
  float lo = grid_points[0], hi = grid_points[0];
  for (std::int32_t j = 0; j < point_count; ++j) {
    const float x = grid_points[2 * j];
    if (!std::isfinite(x) || !std::isfinite(grid_points[2 * j + 1])) {
      window = GridWindow{0, height - 1, 0, width - 1};
      return window;
    }
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  // A crossing lies between its edge's ends up to rounding, and a span
  // touches the columns from floor of its start to ceil of its end less one.
  const float left = std::floor(lo) - 2.0f;
  const float right = std::ceil(hi) + 2.0f;
  if (left > 0.0f) window.first_col = left < static_cast<float>(width) ? static_cast<std::int32_t>(left) : width;
  if (right < static_cast<float>(window.last_col)) window.last_col = right > -1.0f ? static_cast<std::int32_t>(right) : -1;
  return window;
}

void FillOutline(const float* grid_points, std::int32_t point_count, const SubpathLayout& layout, FillRule rule,
                 const OutlineRaster& raster, std::vector<Crossing>& crossings) {
  if (point_count < 3 || raster.width <= 0 || raster.height <= 0) return;
  const bool float_raster = raster.coverage != nullptr;
  const std::int32_t subscanlines = float_raster ? std::max(raster.subscanlines, 1) : 1;
  const float weight = 1.0f / static_cast<float>(subscanlines);
  std::int32_t first = 0, last = 0;
  RowsReached(grid_points, point_count, raster.height, first, last);
  for (std::int32_t r = first; r <= last; ++r) {
    SpanContext context;
    context.width = raster.width;
    context.weight = weight;
    const std::int64_t row = static_cast<std::int64_t>(r) * raster.width;
    if (float_raster) {
      context.coverage_row = raster.coverage + row;
    } else {
      context.mask_row = raster.mask + row;
    }
    for (std::int32_t k = 0; k < subscanlines; ++k) {
      const float yc = float_raster ? static_cast<float>(r) + (static_cast<float>(k) + 0.5f) * weight
                                    : static_cast<float>(r) + 0.5f;
      CollectCrossings(grid_points, point_count, layout, yc, crossings);
      ForEachSpan(crossings, rule, [&](float xa, float xb) { AddSpanCoverage(context, xa, xb); });
    }
  }
}
