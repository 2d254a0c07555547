// The shading height: the surface height of the panes that the refraction
// shading reads, in output pixels, positive inside a pane. It is pane_height
// (a copy of the signed pane distance) after a separable box smoothing, or
// pane_depth itself when the frame has no pane_height.
#pragma once
#include <cstdint>

#include "render/float_plane.h"

// Wider smoothing for supersampled shapes, narrower for raster fields.
constexpr std::int32_t ShadeHeightRadius(bool raster_source, bool shapes_supersampled) {
  return shapes_supersampled ? 12 : (raster_source ? 6 : 8);
}

// Two passes of a row box blur into a scratch plane and a column box blur
// back, each of the given radius, through ParallelFor. Returns false, with
// pane_height untouched, when the scratch plane cannot be allocated.
bool SmoothPaneHeight(FloatPlane& pane_height, std::int32_t radius);

// SmoothPaneHeight followed by holding every value below 0 at +0 (-0 and
// NaN keep their bits), with the same bytes. Tiles whose every pixel is
// provably held at +0 are written as +0 without their sums. Returns false,
// with pane_height untouched, when the scratch plane cannot be allocated.
bool SmoothPaneHeightAboveZero(FloatPlane& pane_height, std::int32_t radius);

// Values below 0 become +0; -0 and NaN keep their bits.
void HoldNegativesAtZero(FloatPlane& plane);

// Smooths pane_height when it exists and returns the plane the shading reads
// as height. Analytic shapes (neither flag) have their smoothed height held
// at 0 outside the panes. When the smoothing cannot get its scratch plane,
// pane_height is freed and pane_depth is the height.
const FloatPlane& PrepareShadeHeight(const FloatPlane& pane_depth, FloatPlane& pane_height, bool raster_source,
                                     bool shapes_supersampled);
