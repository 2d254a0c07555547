// The pane-region labelling as it stood before its speed work: a fill that
// pushes every pixel, kept verbatim so tests can hold the current labelling
// to the same labels and region list.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "render/allocation_seam.h"
#include "render/pane_extent.h"
#include "render/pane_regions.h"

namespace pane_regions_reference {

inline PaneRegions LabelPaneRegions(const FloatPlane& pane_depth, const FloatPlane& pane_distance,
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
  for (std::int32_t i = 0; i < n; ++i) {
    labels[i] = distance[i] > REGION_BAND_DISTANCE ? REGION_UNVISITED : REGION_NONE;
  }

  const float fallback_radius = std::max(1.0f, centre.pane_radius);
  std::vector<std::int32_t> stack;
  for (std::int32_t start = 0; start < n; ++start) {
    if (labels[start] != REGION_UNVISITED) continue;
    const std::int32_t id = result.regions.Count();
    stack.clear();
    labels[start] = id;
    stack.push_back(start);

    PaneExtent extent(w, h);
    while (!stack.empty()) {
      const std::int32_t j = stack.back();
      stack.pop_back();
      const std::int32_t x = j % w;
      const std::int32_t y = j / w;
      if (depth[j] > 0.0f) extent.Add(x, y);
      auto visit = [&](std::int32_t k) {
        if (labels[k] == REGION_UNVISITED) {
          labels[k] = id;
          stack.push_back(k);
        }
      };
      if (x > 0) visit(j - 1);
      if (x < w - 1) visit(j + 1);
      if (y > 0) visit(j - w);
      if (y < h - 1) visit(j + w);
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

}  // namespace pane_regions_reference
