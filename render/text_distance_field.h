// The pane field of a text layer: its glyph outlines rasterised on a
// supersampled grid that pads the output by TEXT_MARGIN output pixels on
// every side, turned into a signed distance field (grid pixels, positive
// inside), and brought back to the padded output grid as the smooth field
// (output pixels, refined near the edge from the coverage), which is cropped
// into the pane planes and blurred for the gradient planes. The grid's
// origin in layer pixels is (request left - 24, request top - 24); layer
// coordinates reach the output frame through the downsample factors.
#pragma once
#include <cstdint>

#include "host/pf_basic_types.h"
#include "host/pf_in_data.h"
#include "render/float_plane.h"
#include "render/raster_field_planes.h"

class SuiteHandler;

constexpr std::int32_t TEXT_MARGIN = 24;
constexpr std::int32_t TEXT_SUPERSAMPLE = 2;
constexpr std::int32_t TEXT_GRADIENT_BLUR_RADIUS = 3;

// Writes the pane planes (output size, pane_depth's): the field, or no pane
// anywhere when the layer has no outlines to draw or the supersampled
// planes cannot be had. planes receives the smooth field with its row
// length and margin when it could be allocated, and the gradient planes
// beside it when they and the blur's scratch could; otherwise they stay
// empty. Host failures beyond the outlines (a missing suite) throw.
void TextDistanceField(const PF_InData* in_data, SuiteHandler& suites, const PF_LRect& request, double downsample_x,
                       double downsample_y, FloatPlane& pane_depth, FloatPlane& pane_distance,
                       FloatPlane* pane_height, RasterFieldPlanes& planes);
