// The pane field of a vector layer whose panes are free paths, filled on a
// supersampled grid padded by PATH_MARGIN_PX output pixels on every side:
// all paths go into one coverage raster, four sub-scanlines per grid row
// with exact horizontal overlap (or, when that raster cannot be had, into
// an 8-bit mask through pixel centres), by the nonzero rule for merge modes
// 0 to 2 and the even-odd rule for 3 (Subtract). The raster becomes a
// signed distance field (grid pixels, positive inside), which is brought
// back to the padded output grid as the smooth field (output pixels,
// refined near the edge from the coverage), cropped into the pane planes,
// and blurred for the gradient planes. Frame point (X, Y) of the output
// (integer coordinates are pixel centres) is grid point
// ((X + 24) s, (Y + 24) s).
#pragma once
#include <cstdint>

#include "geometry/pre_render_data.h"
#include "render/float_plane.h"
#include "render/raster_field_planes.h"
#include "render/shape_primitive.h"

constexpr std::int32_t PATH_MARGIN_PX = 24;
constexpr std::int32_t SPAN_SUBSCANLINES = 4;
constexpr std::int32_t PATH_GRADIENT_BLUR_RADIUS = 3;

// The slots are the pipeline's copy (points already in output pixels,
// not yet scaled by the layer's scale); frame gives the layer transform,
// the request origin and the output size, which must be pane_depth's.
//
// Returns false when the raster or its distance planes cannot be
// allocated: nothing is written and the field is not built. Otherwise the
// field is built: the pane planes hold the field (or, when the smooth field
// or a gradient plane cannot be had, mean no pane), and planes holds the
// smooth field and its gradients with row length and margin, or nothing
// when one of them or the blur's scratch could not be allocated.
bool RasterPathField(const ShapeSlot* slots, std::int32_t shape_count, std::uint32_t merge_mode,
                     const PrimitiveFrame& frame, FloatPlane& pane_depth, FloatPlane& pane_distance,
                     FloatPlane* pane_height, RasterFieldPlanes& planes);
