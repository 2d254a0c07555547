// The analytic pane field alone at 1920x1080 over planes that exist
// already: one rounded box (the speed table's scene), the eight general
// ellipses and the demo's box, circle and rounded star.
#include <benchmark/benchmark.h>

#include "demo_stages_fixture.h"
#include "render/shape_distance_field.h"
#include "render/shape_primitive.h"

namespace {

using demo_stages::H;
using demo_stages::W;

constexpr float K = 1.5f;  // the speed table's 1280x720 layout at 1080p
constexpr float CX = 960.0f - 0.5f, CY = 540.0f - 0.5f;

int RoundedBox(ShapePrimitive* prims) {
  prims[0].kind = SHAPE_BOX;
  prims[0].center_x = CX;
  prims[0].center_y = CY;
  prims[0].half_width = W / 4.0f;
  prims[0].half_height = H / 4.0f;
  prims[0].corner_radius = 48 * K;
  return 1;
}

int EightEllipses(ShapePrimitive* prims) {
  for (int i = 0; i < 8; ++i) {
    prims[i].kind = SHAPE_ELLIPSE;
    prims[i].center_x = CX + (-480.0f + static_cast<float>(i % 4) * 320.0f) * K;
    prims[i].center_y = CY + (i < 4 ? -170.0f : 170.0f) * K;
    prims[i].half_width = (220.0f + 10.0f * i) * K * 0.5f;
    prims[i].half_height = (140.0f + 12.0f * i) * K * 0.5f;
  }
  return 8;
}

template <int (*Shapes)(ShapePrimitive*), bool HEIGHT>
void BM_Field(benchmark::State& state) {
  demo_stages::Planes planes;
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  const ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  const int n = Shapes(prims);
  for (auto _ : state) {
    ShapeDistanceField(0, n, prims, n, slots, planes.depth, planes.distance, HEIGHT ? &planes.height : nullptr);
    benchmark::DoNotOptimize(planes.distance.data.get());
  }
}

BENCHMARK(BM_Field<RoundedBox, false>)->Name("field/rounded box")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Field<EightEllipses, true>)->Name("field/eight ellipses")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Field<demo_stages::DemoPrimitives, true>)
    ->Name("field/demo")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
