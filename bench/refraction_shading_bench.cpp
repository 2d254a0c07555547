// Throughput of the shading pass and of the frost step on a full-HD 16-bit
// frame with a large disc pane, against the plane-copy floor of the same
// pixel count.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "bench/plane_copy_floor.h"
#include "render/frost_step.h"
#include "render/refraction_shading.h"

namespace {

constexpr std::int32_t W = 1920;
constexpr std::int32_t H = 1080;

struct Frame {
  std::vector<PF_Pixel16> in_pixels, out_pixels, frost, scratch;
  PF_EffectWorld input{}, output{};
  FloatPlane depth, distance, height;
  RefractionShadingInputs16 in;

  Frame() : in_pixels(static_cast<std::size_t>(W) * H), out_pixels(in_pixels.size()), frost(in_pixels.size()),
            scratch(in_pixels.size()) {
    for (std::int32_t y = 0; y < H; ++y)
      for (std::int32_t x = 0; x < W; ++x) {
        const auto v = static_cast<A_u_short>((x * 7 + y * 3) % 32768);
        in_pixels[static_cast<std::size_t>(y) * W + x] = PF_Pixel16{32768, v, static_cast<A_u_short>(32768 - v), 16384};
      }
    for (PF_EffectWorld* w : {&input, &output}) {
      w->width = W;
      w->height = H;
      w->rowbytes = W * static_cast<A_long>(sizeof(PF_Pixel16));
    }
    input.data = in_pixels.data();
    output.data = out_pixels.data();
    AllocateFloatPlane(depth, W, H);
    AllocateFloatPlane(distance, W, H);
    AllocateFloatPlane(height, W, H);
    for (std::int32_t y = 0; y < H; ++y)
      for (std::int32_t x = 0; x < W; ++x) {
        const float d = 450.0f - std::hypot(static_cast<float>(x) - 960.0f, static_cast<float>(y) - 540.0f);
        distance.At(x, y) = d;
        depth.At(x, y) = d > 0.0f ? d : 0.0f;
        height.At(x, y) = depth.At(x, y);
      }
    in.input = &input;
    in.output = &output;
    in.frost_pixels = frost.data();
    in.shade_height = &height;
    in.pane_distance = &distance;
    in.pane_depth = &depth;
    in.raster_source = true;
    in.scale_factor = 2.0;
    in.depth_px = 80.0;
    in.refraction = 70.0;
    in.magnify = 20.0;
    in.splay = 10.0;
    in.pane_centre_x = 960.0f;
    in.pane_centre_y = 540.0f;
  }
};

void BM_ShadeRefraction16_Dispersion(benchmark::State& state) {
  Frame f;
  f.in.dispersion = 50.0;
  for (auto _ : state) ShadeRefraction16(f.in);
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_ShadeRefraction16_Dispersion)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShadeRefraction16_EdgeSmoothing(benchmark::State& state) {
  Frame f;
  f.in.dispersion = 0.0;
  for (auto _ : state) ShadeRefraction16(f.in);
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_ShadeRefraction16_EdgeSmoothing)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FrostAndCopyOut16(benchmark::State& state) {
  Frame f;
  for (auto _ : state) FrostAndCopyOut16(f.in_pixels.data(), f.scratch.data(), W, H, 12, f.output);
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_FrostAndCopyOut16)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlaneCopyFloor(benchmark::State& state) {
  Frame f;
  for (auto _ : state) CopyPlaneFloor(f.distance, f.height);
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_PlaneCopyFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
