// The refraction shading pass: every output pixel is either the input pixel
// below it (far outside the panes) or a bilinear read of the input at a
// displaced position: pulled toward the pane centre by Magnify, pushed along
// the slope of the pane height by Refraction, turned toward the radial
// direction by Splay, and split into colour fringes by Dispersion or smoothed
// along the pane edge. Positions are output pixels; output pixel (x, y) lies
// over input pixel (x + request_offset_x, y + request_offset_y). Distances
// are signed, positive inside a pane. Pixels are premultiplied ARGB and every
// shaded pixel ends with no colour channel above its alpha.
#pragma once
#include <cstdint>

#include "host/pf_basic_types.h"
#include "host/pf_effect_world.h"
#include "render/float_plane.h"

// What one shading pass reads. The pipeline owns all of it for the length of
// the pass; the kernel writes only the destination (the output world, or
// frost_pixels when frost_on). Every plane is output width x height.
template <typename Pixel>
struct RefractionShadingInputs {
  const PF_EffectWorld* input = nullptr;
  PF_EffectWorld* output = nullptr;
  Pixel* frost_pixels = nullptr;  // output width x height, rows back to back
  bool frost_on = false;

  // shade_height is either pane_depth itself or the smoothed pane height;
  // which one it is decides where the slope is taken from.
  const FloatPlane* shade_height = nullptr;
  const FloatPlane* pane_distance = nullptr;
  const FloatPlane* pane_depth = nullptr;

  std::int32_t request_offset_x = 0;
  std::int32_t request_offset_y = 0;
  PF_Quality quality = PF_Quality_HI;  // in_data->quality

  double scale_factor = 2.0;
  double depth_px = 0.0;
  double magnify = 0.0;
  double splay = 0.0;
  double refraction = 0.0;
  double dispersion = 0.0;
  float pane_centre_x = 0.0f;
  float pane_centre_y = 0.0f;

  bool raster_source = false;
  bool shapes_supersampled = false;
  std::uint32_t shape_count = 0;
  std::uint32_t merge_mode = 0;
};

using RefractionShadingInputs16 = RefractionShadingInputs<PF_Pixel16>;
using RefractionShadingInputs8 = RefractionShadingInputs<PF_Pixel8>;

// Row bodies: shade output rows [row_begin, row_end), every column.
void ShadeRefractionRows16(const RefractionShadingInputs16& in, std::int32_t row_begin, std::int32_t row_end);
void ShadeRefractionRows8(const RefractionShadingInputs8& in, std::int32_t row_begin, std::int32_t row_end);

// The whole pass: every output row through ParallelFor. Inputs whose planes
// are missing or not of the output's size shade nothing.
void ShadeRefraction16(const RefractionShadingInputs16& in);
void ShadeRefraction8(const RefractionShadingInputs8& in);
