// Speed of the two scanline roads on a full HD frame: the raster path road
// (two free paths, even-odd, padded grid, smooth field and gradients) and
// the supersampled shapes road (three masks combined by their modes). Each
// figure is one whole road, fill, distance transform and downsample
// included, with the default worker count.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "host/suites/aegp_layer_mask_suite7.h"
#include "render/float_plane.h"
#include "render/raster_path_field.h"
#include "render/shape_primitive.h"
#include "render/supersampled_shapes_field.h"

namespace {

constexpr std::uint32_t SUBTRACT_MODE = PF_MaskMode_SUBTRACT;
constexpr std::uint32_t INTERSECT_MODE = PF_MaskMode_INTERSECT;

constexpr std::int32_t W = 1920, H = 1080;

ShapeSlot Polygon(double cx, double cy, double radius, int corners, int step, std::uint32_t mode) {
  ShapeSlot s{};
  s.kind = SHAPE_PATH;
  s.rot_cos = 1.0;
  s.center_x = cx;
  s.center_y = cy;
  s.mask_mode = mode;
  for (int k = 0; k < corners; ++k) {
    const double a = 2.0 * 3.14159265358979 * k * step / corners;
    s.points[2 * k] = static_cast<float>(radius * std::cos(a));
    s.points[2 * k + 1] = static_cast<float>(radius * std::sin(a));
  }
  s.point_count = static_cast<std::uint32_t>(corners);
  return s;
}

struct Planes {
  FloatPlane depth, distance, height;
  Planes() {
    if (!AllocateFloatPlane(depth, W, H) || !AllocateFloatPlane(distance, W, H) ||
        !AllocateFloatPlane(height, W, H)) {
      std::abort();
    }
  }
};

void BM_RasterPathField(benchmark::State& state) {
  auto slots = std::make_unique<ShapeSlot[]>(MAX_SHAPE_SLOTS);
  slots[0] = Polygon(700, 540, 400, 5, 2, 1);    // a pentagram
  slots[1] = Polygon(1200, 500, 350, 256, 1, 1);  // a near circle
  PrimitiveFrame frame;
  frame.width = W;
  frame.height = H;
  Planes p;
  for (auto _ : state) {
    RasterFieldPlanes planes;
    benchmark::DoNotOptimize(RasterPathField(slots.get(), 2, 3, frame, p.depth, p.distance, &p.height, planes));
  }
}
BENCHMARK(BM_RasterPathField)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SupersampledShapesField(benchmark::State& state) {
  Planes p;
  PrimitiveFrame frame;
  frame.width = W;
  frame.height = H;
  for (auto _ : state) {
    state.PauseTiming();
    auto slots = std::make_unique<ShapeSlot[]>(MAX_SHAPE_SLOTS);
    slots[0] = Polygon(960, 540, 450, 128, 1, 1);
    slots[1] = Polygon(960, 540, 200, 6, 1, SUBTRACT_MODE);
    slots[2] = Polygon(1200, 540, 400, 64, 1, INTERSECT_MODE);
    ShapePrimitive primitives[MAX_SHAPE_SLOTS];
    const int n = BuildShapePrimitives(slots.get(), 3, frame, primitives);
    state.ResumeTiming();
    SupersampledShapesField(slots.get(), 3, primitives, n, p.depth, p.distance, &p.height);
  }
}
BENCHMARK(BM_SupersampledShapesField)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
