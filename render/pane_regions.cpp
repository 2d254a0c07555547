// Flood fill of the candidate pixels (pane_distance > -3) into 4-connected
// regions, one row span at a time. A span's seed pixel is labelled when it is
// pushed and the span grows from it to the left and right over unvisited
// candidates, so every pixel is labelled exactly once, either as a seed or
// while a span grows; the stack holds seeds only (never more than width x
// height of them), and the fill is iterative whatever the region's size.
// Membership does not depend on the order in which the fill meets pixels,
// and the region statistics are integer sums that double holds exactly, so
// the labels and the list are those of a pixel-by-pixel fill.
#include "render/pane_regions.h"

#include <algorithm>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

#include "render/allocation_seam.h"
#include "render/pane_extent.h"

namespace {

// The first index at or after i below n whose label is REGION_UNVISITED, or
// n; sixteen labels at a time where the lanes allow.
std::int32_t NextUnvisited(const std::int32_t* label, std::int32_t i, std::int32_t n) {
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  const __m128i unvisited = _mm_set1_epi32(REGION_UNVISITED);
  for (; i + 16 <= n; i += 16) {
    const __m128i* p = reinterpret_cast<const __m128i*>(label + i);
    const __m128i a = _mm_cmpeq_epi32(_mm_loadu_si128(p), unvisited);
    const __m128i b = _mm_cmpeq_epi32(_mm_loadu_si128(p + 1), unvisited);
    const __m128i c = _mm_cmpeq_epi32(_mm_loadu_si128(p + 2), unvisited);
    const __m128i d = _mm_cmpeq_epi32(_mm_loadu_si128(p + 3), unvisited);
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0) break;
  }
#endif
  while (i < n && label[i] != REGION_UNVISITED) ++i;
  return i;
}

// Pushes a seed for every run of unvisited candidates in row_labels over
// columns [first, last], labelling each seed as it goes on the stack; the
// rest of each run is taken in when its seed's span grows.
void SeedRuns(std::int32_t* row_labels, std::int32_t row_start, std::int32_t first, std::int32_t last,
              std::int32_t id, std::vector<std::int32_t>& stack) {
  std::int32_t k = first;
  while (k <= last) {
    if (row_labels[k] != REGION_UNVISITED) {
      ++k;
      continue;
    }
    row_labels[k] = id;
    stack.push_back(row_start + k);
    ++k;
    while (k <= last && row_labels[k] == REGION_UNVISITED) ++k;
  }
}

}  // namespace

PaneRegions LabelPaneRegions(const FloatPlane& pane_depth, const FloatPlane& pane_distance,
                             const PaneCentre& centre) {
  PaneRegions result;
  const std::int32_t w = pane_distance.width;
  const std::int32_t h = pane_distance.height;
  if (pane_depth.Empty() || pane_distance.Empty() || pane_depth.width != w || pane_depth.height != h ||
      w <= 0 || h <= 0) {
    return result;
  }
  // Planes stay below 2^31 elements, so every index fits in 32 bits.
  const std::int32_t n = w * h;
  auto labels = TryAllocateArray<std::int32_t>(static_cast<std::uint64_t>(n));
  if (labels == nullptr) return result;
  result.width = w;
  result.height = h;

  const float* distance = pane_distance.data.get();
  const float* depth = pane_depth.data.get();
  std::int32_t* label = labels.get();
  for (std::int32_t i = 0; i < n; ++i) {
    label[i] = distance[i] > REGION_BAND_DISTANCE ? REGION_UNVISITED : REGION_NONE;
  }

  const float fallback_radius = std::max(1.0f, centre.pane_radius);
  std::vector<std::int32_t> stack;
  for (std::int32_t start = NextUnvisited(label, 0, n); start < n; start = NextUnvisited(label, start + 1, n)) {
    const std::int32_t id = result.regions.Count();
    stack.clear();
    label[start] = id;
    stack.push_back(start);

    PaneExtent extent(w, h);
    while (!stack.empty()) {
      const std::int32_t seed = stack.back();
      stack.pop_back();
      const std::int32_t y = seed / w;
      const std::int32_t row_start = y * w;
      std::int32_t* row = label + row_start;
      const std::int32_t x = seed - row_start;
      std::int32_t left = x;
      while (left > 0 && row[left - 1] == REGION_UNVISITED) row[--left] = id;
      std::int32_t right = x;
      while (right < w - 1 && row[right + 1] == REGION_UNVISITED) row[++right] = id;

      const float* depth_row = depth + row_start;
      // Only the span's pane pixels count towards the statistics.
      std::int32_t first_x = left;
      while (first_x <= right && !(depth_row[first_x] > 0.0f)) ++first_x;
      if (first_x <= right) {
        std::int32_t last_x = right;
        while (!(depth_row[last_x] > 0.0f)) --last_x;
        std::int64_t pixels = 0;
        std::int64_t x_sum = 0;
        for (std::int32_t k = first_x; k <= last_x; ++k) {
          const std::int64_t pane = depth_row[k] > 0.0f ? 1 : 0;
          pixels += pane;
          x_sum += pane * k;
        }
        extent.AddRow(y, pixels, x_sum, first_x, last_x);
      }

      if (y > 0) SeedRuns(row - w, row_start - w, left, right, id, stack);
      if (y < h - 1) SeedRuns(row + w, row_start + w, left, right, id, stack);
    }

    PaneRegion region;
    if (extent.count > 0) {
      region.centre_x = extent.CentreX();
      region.centre_y = extent.CentreY();
      region.radius = extent.Radius();
    } else {
      // A region made only of outer band: the whole panes' centre stands in.
      region.centre_x = centre.pane_centre_x;
      region.centre_y = centre.pane_centre_y;
      region.radius = fallback_radius;
    }
    result.regions.Append(region);
  }
  result.region_labels = std::move(labels);
  return result;
}
