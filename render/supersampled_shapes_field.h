// The pane field of masks and free-path shapes filled on a supersampled
// grid (factor 2, or 1 for very large outputs): each path primitive is
// filled by the nonzero rule into its own coverage (one scanline per grid
// row through its centre, exact horizontal overlap), inverted when its slot
// says so and combined into the shared coverage by its mask mode; the
// shared coverage is lightly blurred, turned into a signed distance field
// (grid pixels, positive inside) and brought back to output pixels, refined
// near the edge from the coverage. Grid point (X, Y) is s times the output
// frame point (X, Y) of the primitives (integer coordinates are pixel
// centres); output pixel (x, y) is the grid block [x s, x s + s) x [y s,
// y s + s).
#pragma once
#include <cstdint>

#include "geometry/pre_render_data.h"
#include "render/float_plane.h"
#include "render/shape_primitive.h"

// Writes pane_depth = max(d, 0), pane_distance = d and, when present,
// pane_height = d over the output (the size of pane_depth). When a grid
// plane cannot be allocated the field means no pane (depth 0, distance and
// height NO_DISTANCE). primitives[i] belongs to slots[i] for i < shape_count.
void SupersampledShapesField(const ShapeSlot* slots, std::int32_t shape_count, const ShapePrimitive* primitives,
                             std::int32_t primitive_count, FloatPlane& pane_depth, FloatPlane& pane_distance,
                             FloatPlane* pane_height);
