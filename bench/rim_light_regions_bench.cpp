// The rim light and the pane-region labelling on their own, on the calling
// thread as the frame runs them: the rim over the demo's analytic panes at
// 1920x1080 8 bpc and 3840x2160 16 bpc, and over a raster-like field of
// strokes and rings (a padded smooth field, angle planes and region labels,
// as the text and matte roads leave them) at both sizes; the labelling of
// that raster field.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "bench/demo_stages_fixture.h"
#include "render/pane_centre.h"
#include "render/pane_regions.h"
#include "render/rim_light.h"

namespace {

constexpr std::int32_t MARGIN = 24;

// Strokes and rings of letter size spread over the frame, so the panes have
// many edges, holes and separate regions.
struct RasterField {
  std::int32_t w, h;
  FloatPlane depth, distance, smooth, grad_x, grad_y;
  PaneCentre centre;
  PaneRegions regions;

  RasterField(std::int32_t width, std::int32_t height) : w(width), h(height) {
    AllocateFloatPlane(depth, w, h);
    AllocateFloatPlane(distance, w, h);
    AllocateFloatPlane(smooth, w + 2 * MARGIN, h + 2 * MARGIN);
    AllocateFloatPlane(grad_x, w + 2 * MARGIN, h + 2 * MARGIN);
    AllocateFloatPlane(grad_y, w + 2 * MARGIN, h + 2 * MARGIN);
    std::mt19937 rng(7);
    const float k = static_cast<float>(w) / 1920.0f;
    struct Ring {
      float x, y, r, t;
    };
    std::vector<Ring> rings;
    for (int i = 0; i < 40; ++i) {
      rings.push_back({static_cast<float>(rng() % static_cast<unsigned>(w)),
                       static_cast<float>(rng() % static_cast<unsigned>(h)), (20.0f + static_cast<float>(rng() % 60)) * k,
                       (6.0f + static_cast<float>(rng() % 14)) * k});
    }
    auto field = [&](float x, float y) {
      float d = -1.0e4f;
      for (const Ring& r : rings) {
        const float dist = std::hypot(x - r.x, y - r.y);
        d = std::max(d, r.t - std::fabs(dist - r.r));
      }
      return d;
    };
    for (std::int32_t y = 0; y < smooth.height; ++y)
      for (std::int32_t x = 0; x < smooth.width; ++x)
        smooth.At(x, y) = field(static_cast<float>(x - MARGIN), static_cast<float>(y - MARGIN));
    for (std::int32_t y = 0; y < smooth.height; ++y)
      for (std::int32_t x = 0; x < smooth.width; ++x) {
        const std::int32_t xl = std::max(x - 1, 0), xr = std::min(x + 1, smooth.width - 1);
        const std::int32_t yu = std::max(y - 1, 0), yd = std::min(y + 1, smooth.height - 1);
        grad_x.At(x, y) = smooth.At(xr, y) - smooth.At(xl, y);
        grad_y.At(x, y) = smooth.At(x, yd) - smooth.At(x, yu);
      }
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        const float d = smooth.At(x + MARGIN, y + MARGIN);
        distance.At(x, y) = d;
        depth.At(x, y) = std::max(d, 0.0f);
      }
    centre = FindPaneCentre(depth);
    regions = LabelPaneRegions(depth, distance, centre);
  }

  RimLightInputs Inputs() const {
    RimLightInputs in;
    in.pane_depth = &depth;
    in.pane_distance = &distance;
    in.smooth_field = ViewOfPaddedPlane(smooth, MARGIN);
    in.gradient_x = ViewOfPaddedPlane(grad_x, MARGIN);
    in.gradient_y = ViewOfPaddedPlane(grad_y, MARGIN);
    in.centre = centre;
    in.regions = &regions;
    in.raster_source = true;
    return in;
  }
};

template <typename Pixel>
struct World {
  std::vector<Pixel> pixels;
  PF_EffectWorld world{};
  World(std::int32_t w, std::int32_t h) : pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
    const std::int32_t full = sizeof(Pixel) == 8 ? 32768 : 255;
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        Pixel& p = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
        p.alpha = static_cast<decltype(p.alpha)>(full);
        p.red = static_cast<decltype(p.red)>((x * 37 + y * 11) % (full + 1));
        p.green = static_cast<decltype(p.green)>((x * 13 + y * 29 + 80) % (full + 1));
        p.blue = static_cast<decltype(p.blue)>(((x / 4) * 53 + (y / 4) * 7 + 30) % (full + 1));
      }
    world.width = w;
    world.height = h;
    world.rowbytes = w * static_cast<A_long>(sizeof(Pixel));
    world.data = pixels.data();
  }
};

RimLightSettings DemoRim(double scale) {
  RimLightSettings rim;
  rim.light_angle_deg = -45;
  rim.light_intensity = 100;
  rim.scale_factor = 2.0;
  rim.depth_px = 80.0 * scale;
  rim.downsample_y = 1.0;
  return rim;
}

void BM_RimDemo1080p8(benchmark::State& state) {
  demo_stages::Planes planes;
  planes.Field();
  World<PF_Pixel8> out(demo_stages::W, demo_stages::H);
  RimLightInputs in;
  in.pane_depth = &planes.depth;
  in.pane_distance = &planes.distance;
  in.centre = FindPaneCentre(planes.depth);
  const RimLightSettings rim = DemoRim(1.0);
  for (auto _ : state) RimLightPass<PF_Pixel8>(out.world, rim, in);
}
BENCHMARK(BM_RimDemo1080p8)->Unit(benchmark::kMillisecond)->UseRealTime();

template <typename Pixel>
void BM_RimRaster(benchmark::State& state) {
  const auto w = static_cast<std::int32_t>(state.range(0));
  const RasterField f(w, w * 9 / 16);
  World<Pixel> out(f.w, f.h);
  const RimLightInputs in = f.Inputs();
  const RimLightSettings rim = DemoRim(static_cast<double>(w) / 1920.0);
  for (auto _ : state) RimLightPass<Pixel>(out.world, rim, in);
}
BENCHMARK(BM_RimRaster<PF_Pixel8>)->Arg(1920)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RimRaster<PF_Pixel16>)->Arg(3840)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RegionsRaster(benchmark::State& state) {
  const auto w = static_cast<std::int32_t>(state.range(0));
  const RasterField f(w, w * 9 / 16);
  for (auto _ : state) benchmark::DoNotOptimize(LabelPaneRegions(f.depth, f.distance, f.centre));
}
BENCHMARK(BM_RegionsRaster)->Arg(1920)->Arg(3840)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
