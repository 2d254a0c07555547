// The stages of a demo frame one at a time, at 1920x1080: the analytic pane
// field of the demo's rounded rectangle, ellipse and rounded 5-point star,
// the shading pass over it at 8 and 16 bits per channel (dispersion on),
// the frost bleed and copy-out, and the rim light; each beside the
// plane-copy floor of the same pixel count.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/plane_copy_floor.h"
#include "bench/demo_stages_fixture.h"
#include "render/frost_step.h"
#include "render/pane_centre.h"
#include "render/refraction_shading.h"
#include "render/rim_light.h"
#include "render/shading_height.h"
#include "render/shape_distance_field.h"
#include "render/shape_primitive.h"

namespace {

using demo_stages::Frame;
using demo_stages::H;
using demo_stages::Planes;
using demo_stages::W;

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
