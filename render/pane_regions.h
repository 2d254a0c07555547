// Connected pane regions for the rim light: every pixel whose signed pane
// distance is above -3 output pixels (inside a pane or within its 3 px outer
// band) belongs to a region of 4-connected such pixels; each region gets the
// centre of mass and bounding-box radius of its pixels that lie inside a pane
// (pane_depth > 0), in output pixels (x right, y down).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "render/float_plane.h"
#include "render/pane_centre.h"

constexpr std::int32_t REGION_NONE = -2;       // not a candidate pixel
constexpr std::int32_t REGION_UNVISITED = -1;  // candidate not yet reached by the fill
// Candidates reach this far outside the pane edge (pane_distance > this).
constexpr float REGION_BAND_DISTANCE = -3.0f;

struct PaneRegion {
  float centre_x = 0.0f;
  float centre_y = 0.0f;
  float radius = 0.0f;
};

// Region statistics as three arrays indexed by region id.
struct PaneRegionList {
  std::vector<float> centre_x;
  std::vector<float> centre_y;
  std::vector<float> radius;

  std::int32_t Count() const { return static_cast<std::int32_t>(centre_x.size()); }
  PaneRegion At(std::int32_t id) const {
    const auto k = static_cast<std::size_t>(id);
    return PaneRegion{centre_x[k], centre_y[k], radius[k]};
  }
  void Append(const PaneRegion& region) {
    centre_x.push_back(region.centre_x);
    centre_y.push_back(region.centre_y);
    radius.push_back(region.radius);
  }
};

struct PaneRegions {
  std::int32_t width = 0;
  std::int32_t height = 0;
  // width x height region ids (>= 0) or REGION_NONE; null when the labelling
  // did not run or its plane could not be had.
  std::unique_ptr<std::int32_t[]> region_labels;
  PaneRegionList regions;

  bool Labelled() const { return region_labels != nullptr; }
};

// Regions are wanted only where the pane field came from a raster or from
// supersampled free paths; analytic shapes and mask panes use the one centre.
constexpr bool PaneRegionsWanted(bool raster_source, bool paths_supersampled) {
  return raster_source || paths_supersampled;
}

// Labels the regions with an explicit stack (any region size, no call depth).
// Ids count up from 0 in row-major order of each region's first pixel. When
// the label plane cannot be allocated the result is unlabelled and the
// caller falls back to the pane centre; a failure to grow the stack or the
// list throws std::bad_alloc. Both planes must be the same size.
PaneRegions LabelPaneRegions(const FloatPlane& pane_depth, const FloatPlane& pane_distance,
                             const PaneCentre& centre);
