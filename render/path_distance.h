// Signed distance from a point to a free path pane: one closed outline, or a
// path cut into several closed sub-paths (a shape path with holes, a mask
// with several contours). Points and query share one frame (the shape's own
// frame, output pixels); the result is in the same units, positive inside
// the pane and negative outside. Inside is decided by the nonzero winding
// rule, so an outline gives the same field whichever way it runs.
//
// A path is an array of (x, y) pairs of 32-bit floats, x first, laid out as
// the shape slots store them; every outline is closed, its last point joining
// its first. Both functions are pure: no allocation, no state, safe on any
// number of threads.
#pragma once
#include <cstdint>

// The result when there is no usable outline (fewer than 3 points). It drops
// out of a union and empties an intersection.
constexpr float SHAPE_DISTANCE_NONE = -1e30f;

// The closed polygon of points begin ... end - 1. Paths hold at most 512
// points, so indices below 0 or from 512 on are never read: begin is raised
// to 0 and end lowered to 512.
float PolygonDistance(float px, float py, const float* points, std::int32_t begin, std::int32_t end);

// The path of count points cut into subpath_count sub-paths at starts
// (sub-path k covers [starts[k], starts[k + 1]), the last one runs to
// count), combined by the layer's merge mode: 0, 1 and 2 make one region of
// all sub-paths under a shared winding count, 3 cuts the later sub-paths out
// of the first, 4 intersects and any other value excludes intersections.
// Sub-paths of fewer than 3 points take no part. At most 8 starts and 512
// points are read; starts are clamped into [0, count].
float CompoundPathDistance(float px, float py, const float* points, std::int32_t count, const std::uint32_t* starts,
                           std::int32_t subpath_count, std::int32_t merge_mode);
