// Edge crossings of one scanline, in grid pixels, with sub-path bounds
// limited to the slot's points so a damaged record never reads past them.
#include "render/scanline_crossings.h"

#include <algorithm>
#include <cmath>

#include "geometry/pre_render_data.h"

namespace {

void SubpathCrossings(const float* pts, std::int32_t first, std::int32_t count, float yc,
                      std::vector<Crossing>& out) {
  if (count < 3) return;
  std::int32_t prev = first + count - 1;
  for (std::int32_t k = 0; k < count; ++k) {
    const std::int32_t cur = first + k;
    const float px = pts[2 * prev], py = pts[2 * prev + 1];
    const float cx = pts[2 * cur], cy = pts[2 * cur + 1];
    std::int32_t winding = 0;
    if (py <= yc && yc < cy) {
      winding = +1;
    } else if (cy <= yc && yc < py) {
      winding = -1;
    }
    if (winding != 0) {
      const float x = px + (yc - py) / (cy - py) * (cx - px);
      // A point that is not a number would break the ordering of the sort.
      if (!std::isnan(x)) out.push_back(Crossing{x, winding});
    }
    prev = cur;
  }
}

std::int32_t ClampedStart(std::uint32_t v, std::int32_t point_count) {
  return v > static_cast<std::uint32_t>(point_count) ? point_count : static_cast<std::int32_t>(v);
}

}  // namespace

void CollectCrossings(const float* points, std::int32_t point_count, const SubpathLayout& layout, float yc,
                      std::vector<Crossing>& crossings) {
  crossings.clear();
  if (point_count <= 0) return;
  const std::uint32_t count = std::min<std::uint32_t>(layout.subpath_count, MAX_SUBPATHS);
  if (count < 1 || layout.subpath_start == nullptr) {
    SubpathCrossings(points, 0, point_count, yc, crossings);
  } else {
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::int32_t first = ClampedStart(layout.subpath_start[k], point_count);
      const std::int32_t end =
          k + 1 < count ? ClampedStart(layout.subpath_start[k + 1], point_count) : point_count;
      if (end > first) SubpathCrossings(points, first, end - first, yc, crossings);
    }
  }
  std::sort(crossings.begin(), crossings.end(), [](const Crossing& a, const Crossing& b) {
    return a.x < b.x || (a.x == b.x && a.winding < b.winding);
  });
}
