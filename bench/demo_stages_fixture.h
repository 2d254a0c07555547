// The demo frame's pieces for the stage benchmarks, at 1920x1080: the
// analytic panes of the demo's rounded rectangle, ellipse and rounded
// 5-point star (the render tool's 1280x720 layout scaled by 1.5), their
// planes, and a shading set-up over an opaque patterned input.
#pragma once
#include <cstdint>
#include <vector>

#include "render/pane_centre.h"
#include "render/refraction_shading.h"
#include "render/shading_height.h"
#include "render/shape_distance_field.h"
#include "render/shape_primitive.h"

namespace demo_stages {

constexpr std::int32_t W = 1920;
constexpr std::int32_t H = 1080;

// The demo's shapes at 1.5 times the render tool's 1280x720 layout.
int DemoPrimitives(ShapePrimitive* prims) {
  const float k = 1.5f;
  const float cx = 960.0f - 0.5f, cy = 540.0f - 0.5f;
  prims[0].kind = SHAPE_BOX;
  prims[0].center_x = cx - 330 * k;
  prims[0].center_y = cy - 40 * k;
  prims[0].half_width = 210 * k;
  prims[0].half_height = 150 * k;
  prims[0].corner_radius = 48 * k;
  prims[1].kind = SHAPE_ELLIPSE;
  prims[1].center_x = cx + 170 * k;
  prims[1].center_y = cy - 90 * k;
  prims[1].half_width = 150 * k;
  prims[1].half_height = 150 * k;
  prims[2].kind = SHAPE_STAR;
  prims[2].center_x = cx + 300 * k;
  prims[2].center_y = cy + 190 * k;
  prims[2].outer_radius = 150 * k;
  prims[2].inner_radius = 70 * k;
  prims[2].points = 5;
  prims[2].outer_roundness = 10;
  return 3;
}

struct Planes {
  FloatPlane depth, distance, height;
  Planes() {
    AllocateFloatPlane(depth, W, H);
    AllocateFloatPlane(distance, W, H);
    AllocateFloatPlane(height, W, H);
  }
  void Field() {
    ShapePrimitive prims[MAX_SHAPE_SLOTS];
    const ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
    const int n = DemoPrimitives(prims);
    ShapeDistanceField(0, n, prims, n, slots, depth, distance, &height);
  }
};

template <typename Pixel>
struct Frame {
  std::vector<Pixel> in_pixels, out_pixels, frost, scratch;
  PF_EffectWorld input{}, output{};
  Planes planes;
  RefractionShadingInputs<Pixel> in;
  PaneCentre centre;

  Frame() : in_pixels(static_cast<std::size_t>(W) * H), out_pixels(in_pixels.size()), frost(in_pixels.size()),
            scratch(in_pixels.size()) {
    const std::int32_t full = sizeof(Pixel) == 8 ? 32768 : 255;
    for (std::int32_t y = 0; y < H; ++y) {
      for (std::int32_t x = 0; x < W; ++x) {
        Pixel& p = in_pixels[static_cast<std::size_t>(y) * W + x];
        p.alpha = static_cast<decltype(p.alpha)>(full);
        p.red = static_cast<decltype(p.red)>((x * 37 + y * 11) % (full + 1));
        p.green = static_cast<decltype(p.green)>((x * 13 + y * 29 + 80) % (full + 1));
        p.blue = static_cast<decltype(p.blue)>(((x / 4) * 53 + (y / 4) * 7 + 30) % (full + 1));
      }
    }
    for (PF_EffectWorld* w : {&input, &output}) {
      w->width = W;
      w->height = H;
      w->rowbytes = W * static_cast<A_long>(sizeof(Pixel));
    }
    input.data = in_pixels.data();
    output.data = out_pixels.data();
    planes.Field();
    PrepareShadeHeight(planes.depth, planes.height, false, false);
    centre = FindPaneCentre(planes.depth);
    in.input = &input;
    in.output = &output;
    in.shade_height = &planes.height;
    in.pane_distance = &planes.distance;
    in.pane_depth = &planes.depth;
    in.scale_factor = 2.0;
    in.depth_px = 80.0;
    in.refraction = 70.0;
    in.magnify = 15.0;
    in.splay = 10.0;
    in.dispersion = 60.0;
    in.pane_centre_x = centre.pane_centre_x;
    in.pane_centre_y = centre.pane_centre_y;
    in.shape_count = 3;
  }
};

}  // namespace demo_stages
