// Where one horizontal scanline at grid height yc crosses a closed outline
// of grid points (x, y pairs, y down), and the spans inside it by the
// nonzero or the even-odd rule. Each sub-path is closed from its last point
// back to its first; an edge from P to C counts when yc lies in
// [min(P.y, C.y), max(P.y, C.y)), with winding +1 for an edge going down
// (P.y <= yc < C.y) and -1 for one going up. Horizontal edges never count.
#pragma once
#include <cstdint>
#include <vector>

struct Crossing {
  float x = 0.0f;
  std::int32_t winding = 0;  // +1 or -1
};

enum class FillRule { NONZERO, EVEN_ODD };

// The sub-paths of a slot: subpath_count < 1 is one sub-path over all
// points; otherwise sub-path k runs from start[k] to start[k + 1] - 1, the
// last to point_count - 1. Starts outside [0, point_count] are limited to
// it, and at most max_subpaths are read.
struct SubpathLayout {
  const std::uint32_t* subpath_start = nullptr;
  std::uint32_t subpath_count = 0;
};

// Clears crossings and appends those of the outline at yc, then sorts them
// by x, and by winding (-1 first) where x is equal. Sub-paths of fewer than
// 3 points add nothing.
void CollectCrossings(const float* points, std::int32_t point_count, const SubpathLayout& layout, float yc,
                      std::vector<Crossing>& crossings);

// Calls span(x_start, x_end) for each inside span of sorted crossings; with
// fewer than 2 crossings there are none. Nonzero: a span opens where the
// running winding leaves 0 and closes where it returns to 0. Even-odd:
// crossings pair up in order, an odd last one dropped.
template <typename SpanSink>
void ForEachSpan(const std::vector<Crossing>& crossings, FillRule rule, SpanSink&& span) {
  const std::size_t n = crossings.size();
  if (n < 2) return;
  if (rule == FillRule::EVEN_ODD) {
    for (std::size_t i = 0; i + 1 < n; i += 2) span(crossings[i].x, crossings[i + 1].x);
    return;
  }
  std::int32_t winding = 0;
  float open = 0.0f;
  for (const Crossing& c : crossings) {
    const std::int32_t before = winding;
    winding += c.winding;
    if (before == 0 && winding != 0) {
      open = c.x;
    } else if (before != 0 && winding == 0) {
      span(open, c.x);
    }
  }
}
