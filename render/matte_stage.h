// The matte stage of the render pipelines: the pane distance field from the
// matte raster that the pre-render stored in the record. It works on a
// padded grid of the output: output pixel (x, y) is grid pixel
// (x + matte_pad, y + matte_pad), matte_pad = 24 + trunc(2 * depth_px), and
// grid pixel (i, j) reads matte pixel (request left - matte_pad + i,
// request top - matte_pad + j). Distances are in output pixels, positive
// inside a pane. A distance-coded matte is decoded; a coverage matte goes
// through the exact distance transform with an edge estimate from its
// blurred coverage. Besides the pane planes it leaves a lightly smoothed
// field and its gradient on the grid for the rim light.
#pragma once
#include <cstdint>

#include "host/pf_basic_types.h"
#include "render/float_plane.h"

class SuiteHandler;

// What the stage hands on to the rim light; planes that could not be
// built stay empty. Both share the grid's row length and margin.
struct MattePlanes {
  FloatPlane smooth_field;  // matte_smooth_field
  FloatPlane gradient_x;
  FloatPlane gradient_y;
  std::int32_t margin = 0;  // matte_pad
};

struct MatteStageFrame {
  std::int32_t width = 0;   // output world
  std::int32_t height = 0;
  PF_LRect request{0, 0, 0, 0};  // the smart render's output request
  double depth_px = 0.0;
  PF_Handle record = nullptr;    // the pre-render record; the stage locks it itself
};

// Writes pane_depth, pane_distance and, when it is not empty, pane_height
// (all output size). When the grid planes cannot be had, or the record
// holds no usable matte, the output means no pane (depth 0, distances
// NO_DISTANCE) and `planes` stay empty.
template <typename Pixel>
void RunMatteStage(SuiteHandler& suites, const MatteStageFrame& frame, FloatPlane& pane_depth,
                   FloatPlane& pane_distance, FloatPlane& pane_height, MattePlanes& planes);

// The grid margin for a depth in output pixels, never below 24.
std::int64_t MattePad(double depth_px);
// The range over which the pre-render coded distances, in output pixels.
float MatteDistanceRange(double effect_scale, double rim_scale, std::int64_t matte_pad);
