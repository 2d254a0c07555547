// The planes a raster pane source leaves for the later stages: a smoothed
// signed distance field on its padded grid (output pixels, positive inside)
// and the central-difference gradient of its blurred copy, all of one size.
// Output pixel (x, y) is element (y + margin) x row_length + (x + margin).
// Empty planes mean the source did not build them.
#pragma once
#include <cstdint>

#include "render/float_plane.h"

struct RasterFieldPlanes {
  FloatPlane smooth_field;
  FloatPlane gradient_x;
  FloatPlane gradient_y;
  std::int32_t row_length = 0;
  std::int32_t margin = 0;

  void Free() {
    smooth_field = FloatPlane();
    gradient_x = FloatPlane();
    gradient_y = FloatPlane();
  }
};
