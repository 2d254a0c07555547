// The analytic pane field: for every output pixel the signed distance to the
// edge of the panes, positive inside, in output pixels, with the shapes
// merged by the contents' merge mode (3 subtracts the last shape from the
// union of the others, 4 intersects, 5 excludes, anything else unites).
#pragma once
#include <cstdint>

#include "render/float_plane.h"
#include "render/path_distance.h"
#include "render/shape_primitive.h"

constexpr std::uint32_t MERGE_SUBTRACT = 3;
constexpr std::uint32_t MERGE_INTERSECT = 4;
constexpr std::uint32_t MERGE_EXCLUDE = 5;

// Signed distance of output pixel (x, y) to the merged shapes.
float MergedShapeDistance(float x, float y, std::uint32_t merge_mode, int primitive_count,
                          const ShapePrimitive* primitives, int shape_count, const ShapeSlot* slots);

// Writes pane_depth = max(d, 0), pane_distance = d and, when present,
// pane_height = d for every pixel, rows spread over the worker threads.
void ShapeDistanceField(std::uint32_t merge_mode, int primitive_count, const ShapePrimitive* primitives,
                        int shape_count, const ShapeSlot* slots, FloatPlane& pane_depth, FloatPlane& pane_distance,
                        FloatPlane* pane_height);
