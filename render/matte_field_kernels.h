// Pixel and row kernels of the matte stage, each a body that ParallelFor
// runs: turning decoded distance codes back into signed distances (output
// pixels, positive inside a pane), blending far-from-edge distances towards
// their smoothed values, the running maxima that measure how far a field
// departs from its blur, and the copy of the padded grid's inner rectangle
// into the output-size pane planes. All planes are row-major floats with
// rows back to back; a kernel never writes a plane it reads neighbours of.
#pragma once
#include <cstdint>

// dst = (src - 0.5) * k. Items are pixels.
struct CenterScalePlane {
  const float* src;
  float* dst;
  float k;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// With w = clamp((|d| - 2) * 0.125, 0, 1): d = w * smooth + (1 - w) * d,
// in place on field. Items are pixels.
struct BlendFarSmoothed {
  float* field;
  const float* smooth;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// out(x, y) = max(0, max over |j| <= radius with x + j in the row of
// |a - b| at (x + j, y)). Items are rows.
struct RunningMaxDiffRows {
  std::int32_t width;
  std::int32_t radius;
  const float* a;
  const float* b;
  float* out;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// out(x, y) = max(0, max over |j| <= radius with y + j in the plane of
// src(x, y + j)). Items are output rows.
struct RunningMaxColumns {
  std::int32_t width;
  std::int32_t height;
  std::int32_t radius;
  const float* src;
  float* out;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// pane_distance(x, y) = field(x + margin, y + margin) and pane_depth =
// max(that, 0), over the output's width; items are output rows.
struct CopyPlaneRect {
  const float* field;
  std::int32_t field_width;
  std::int32_t margin;
  std::int32_t out_width;
  float* pane_distance;
  float* pane_depth;
  void operator()(std::int32_t begin, std::int32_t end) const;
};
