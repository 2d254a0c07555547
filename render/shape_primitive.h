// Pane shapes in the output's pixel frame, built once per render from the
// pipeline's copy of the shape slots: centre in output pixels (integer
// coordinates are pixel centres), the shape's own rotation, radii and half
// sizes scaled by the layer's scale. Free paths borrow the slot's points,
// which the build scales in place in that copy.
#pragma once
#include <cstdint>

#include "geometry/pre_render_data.h"

struct ShapePrimitive {
  float center_x = 0.0f;
  float center_y = 0.0f;
  float rot_cos = 1.0f;
  float rot_sin = 0.0f;
  float outer_radius = 0.0f;
  float inner_radius = 0.0f;
  float outer_roundness = 0.0f;
  float inner_roundness = 0.0f;
  float half_width = 0.0f;
  float half_height = 0.0f;
  float corner_radius = 0.0f;
  std::int32_t kind = SHAPE_BOX;
  std::int32_t points = 3;
  const float* vertices = nullptr;
  std::int32_t vertex_count = 0;
};

struct PrimitiveFrame {
  double scale_x_pct = 100.0;
  double scale_y_pct = 100.0;
  double anchor_x = 0.0;  // output pixels
  double anchor_y = 0.0;
  double position_x = 0.0;  // output pixels
  double position_y = 0.0;
  double rotation_cos = 1.0;
  double rotation_sin = 0.0;
  std::int32_t request_left = 0;  // the output buffer's origin
  std::int32_t request_top = 0;
  std::int32_t width = 0;  // output size
  std::int32_t height = 0;
};

// Fills primitives[0 .. n-1] and returns n = max(shape_count, 1); with no
// slot, one box covers the whole output with a wide margin. shape_count is
// at most MAX_SHAPE_SLOTS.
int BuildShapePrimitives(ShapeSlot* slots, int shape_count, const PrimitiveFrame& frame,
                         ShapePrimitive primitives[MAX_SHAPE_SLOTS]);
