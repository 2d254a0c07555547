// The stages of a demo frame one at a time, at 1920x1080: the analytic pane
// field of the demo's rounded rectangle, ellipse and rounded 5-point star,
// the shading pass over it at 8 and 16 bits per channel (dispersion on),
// the frost bleed and copy-out, and the rim light; each beside the
// plane-copy floor of the same pixel count.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/plane_copy_floor.h"
#include "render/frost_step.h"
#include "render/pane_centre.h"
#include "render/refraction_shading.h"
#include "render/rim_light.h"
#include "render/shading_height.h"
#include "render/shape_distance_field.h"
#include "render/shape_primitive.h"

namespace {

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

void BM_DemoShapeField(benchmark::State& state) {
  Planes p;
  for (auto _ : state) p.Field();
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_DemoShapeField)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DemoSmoothHeight(benchmark::State& state) {
  Planes p;
  p.Field();
  for (auto _ : state) {
    state.PauseTiming();
    p.Field();
    state.ResumeTiming();
    PrepareShadeHeight(p.depth, p.height, false, false);
  }
}
BENCHMARK(BM_DemoSmoothHeight)->Unit(benchmark::kMillisecond)->UseRealTime();

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

template <typename Pixel>
void BM_DemoShade(benchmark::State& state) {
  Frame<Pixel> f;
  for (auto _ : state) {
    if constexpr (sizeof(Pixel) == 8) {
      ShadeRefraction16(f.in);
    } else {
      ShadeRefraction8(f.in);
    }
  }
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_DemoShade<PF_Pixel8>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DemoShade<PF_Pixel16>)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DemoFrost50_8(benchmark::State& state) {
  Frame<PF_Pixel8> f;
  f.in.frost_on = true;
  f.in.frost_pixels = f.frost.data();
  ShadeRefraction8(f.in);
  const std::vector<PF_Pixel8> shaded = f.frost;
  const std::int32_t radius = FrostBleedRadius(50.0, 2.0);
  for (auto _ : state) {
    state.PauseTiming();
    f.frost = shaded;
    state.ResumeTiming();
    FrostAndCopyOut8(f.frost.data(), f.scratch.data(), W, H, radius, f.output);
  }
}
BENCHMARK(BM_DemoFrost50_8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DemoRimLight8(benchmark::State& state) {
  Frame<PF_Pixel8> f;
  ShadeRefraction8(f.in);
  RimLightSettings rim;
  rim.light_angle_deg = -45;
  rim.light_intensity = 100;
  rim.scale_factor = 2.0;
  rim.depth_px = 80.0;
  RimLightInputs inputs;
  inputs.pane_depth = &f.planes.depth;
  inputs.pane_distance = &f.planes.distance;
  inputs.centre = f.centre;
  for (auto _ : state) RimLightPass<PF_Pixel8>(f.output, rim, inputs);
}
BENCHMARK(BM_DemoRimLight8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DemoPaneCentre(benchmark::State& state) {
  Planes p;
  p.Field();
  for (auto _ : state) benchmark::DoNotOptimize(FindPaneCentre(p.depth));
}
BENCHMARK(BM_DemoPaneCentre)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlaneCopyFloor(benchmark::State& state) {
  FloatPlane a, b;
  AllocateFloatPlane(a, W, H);
  AllocateFloatPlane(b, W, H);
  for (auto _ : state) CopyPlaneFloor(a, b);
}
BENCHMARK(BM_PlaneCopyFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
