// The rounded star's distance per point, as the field evaluates it: the
// eight stars of the speed table's star scene, each over the square of
// pixels about it that the field's far-radius cull leaves to it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "render/float_plane.h"
#include "render/portable_math.h"
#include "render/shape_distance_field.h"
#include "render/shape_distance_functions.h"
#include "render/shape_primitive.h"

namespace {

struct Points {
  std::vector<float> x, y;
};

// Pixel centres over [-reach, reach]^2 that lie within the star's far
// radius, offset by a fraction as a shape's centre rarely sits on a pixel.
Points Grid(const PreparedStar& star, float reach) {
  Points p;
  for (float y = -reach; y <= reach; y += 1.0f) {
    for (float x = -reach; x <= reach; x += 1.0f) {
      const float u = x + 0.37f, v = y - 0.21f;
      if (star.far_radius > 0.0f && ConservativeRadius(u, v) > star.far_radius) continue;
      p.x.push_back(u);
      p.y.push_back(v);
    }
  }
  return p;
}

void BM_SceneStars(benchmark::State& state) {
  std::vector<PreparedStar> stars;
  std::vector<Points> grids;
  std::int64_t count = 0;
  for (int i = 0; i < 8; ++i) {
    const float roundness = 20.0f + 5.0f * static_cast<float>(i);
    stars.push_back(PrepareStar(140.0f, 65.0f, 5 + i % 3, -90.0f, roundness, roundness * 0.5f));
    grids.push_back(Grid(stars.back(), 170.0f));
    count += static_cast<std::int64_t>(grids.back().x.size());
  }
  for (auto _ : state) {
    float sum = 0.0f;
    for (int i = 0; i < 8; ++i) {
      const Points& g = grids[static_cast<std::size_t>(i)];
      for (std::size_t k = 0; k < g.x.size(); ++k) sum += StarDistance(stars[static_cast<std::size_t>(i)], g.x[k], g.y[k]);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SceneStars)->Unit(benchmark::kMillisecond);

// The same points four at a time.
void BM_SceneStarsFour(benchmark::State& state) {
  std::vector<PreparedStar> stars;
  std::vector<Points> grids;
  std::int64_t count = 0;
  for (int i = 0; i < 8; ++i) {
    const float roundness = 20.0f + 5.0f * static_cast<float>(i);
    stars.push_back(PrepareStar(140.0f, 65.0f, 5 + i % 3, -90.0f, roundness, roundness * 0.5f));
    grids.push_back(Grid(stars.back(), 170.0f));
    while (grids.back().x.size() % 4 != 0) {
      grids.back().x.push_back(0.0f);
      grids.back().y.push_back(0.0f);
    }
    count += static_cast<std::int64_t>(grids.back().x.size());
  }
  for (auto _ : state) {
    float sum = 0.0f;
    for (int i = 0; i < 8; ++i) {
      const Points& g = grids[static_cast<std::size_t>(i)];
      for (std::size_t k = 0; k < g.x.size(); k += 4) {
        float d[4];
        StarDistance4(stars[static_cast<std::size_t>(i)], g.x.data() + k, g.y.data() + k, d);
        sum += d[0] + d[1] + d[2] + d[3];
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SceneStarsFour)->Unit(benchmark::kMillisecond);

// The whole analytic field of the eight stars over a 1920x1080 frame, as
// the star scene lays them out (a union, a turn of 7 degrees per star).
void BM_EightStarsField(benchmark::State& state) {
  constexpr std::int32_t W = 1920, H = 1080;
  ShapePrimitive prims[8];
  for (int i = 0; i < 8; ++i) {
    ShapePrimitive& p = prims[i];
    p.kind = SHAPE_STAR;
    p.center_x = static_cast<float>(960 - 480 + (i % 4) * 320) - 0.5f;
    p.center_y = static_cast<float>(540 + (i < 4 ? -170 : 170)) - 0.5f;
    const double turn = 7.0 * i * 3.14159265358979 / 180.0;
    p.rot_cos = static_cast<float>(std::cos(turn));
    p.rot_sin = static_cast<float>(std::sin(turn));
    p.outer_radius = 140.0f;
    p.inner_radius = 65.0f;
    p.points = 5 + i % 3;
    p.outer_roundness = 20.0f + 5.0f * static_cast<float>(i);
    p.inner_roundness = p.outer_roundness * 0.5f;
  }
  FloatPlane depth, distance, height;
  if (!AllocateFloatPlane(depth, W, H) || !AllocateFloatPlane(distance, W, H) || !AllocateFloatPlane(height, W, H)) {
    state.SkipWithError("allocation");
    return;
  }
  for (auto _ : state) {
    ShapeDistanceField(0, 8, prims, 0, nullptr, depth, distance, &height);
    benchmark::DoNotOptimize(distance.Row(0));
  }
  state.SetItemsProcessed(state.iterations() * W * H);
}
BENCHMARK(BM_EightStarsField)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FloatAtan2CosSin(benchmark::State& state) {
  std::vector<float> x, y;
  for (int k = 0; k < 65536; ++k) {
    x.push_back(static_cast<float>(k % 317) - 158.3f);
    y.push_back(static_cast<float>(k / 317) - 103.7f);
  }
  for (auto _ : state) {
    float sum = 0.0f;
    for (std::size_t k = 0; k < x.size(); ++k) {
      const float a = portable_math::Atan2(y[k], x[k]) * 0.1f;
      sum += portable_math::Cos(a) + portable_math::Sin(a);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
}
BENCHMARK(BM_FloatAtan2CosSin)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
