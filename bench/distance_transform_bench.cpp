// Speed of the exact distance transform and of the coverage builder on an
// anti-aliased rounded rectangle at two frame sizes, each beside the
// plane-copy floor of the same size measured in the same run. "x_floor" is
// the kernel's mean time over the floor's mean time.
//
// The "/1worker" variants call the same bodies over the whole item range on
// the calling thread (what ParallelFor does on a machine that gives one
// worker), so the thread speedup is the 1worker time over the default time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <utility>

#include "bench/plane_copy_floor.h"
#include "render/distance_field_builders.h"
#include "render/distance_transform.h"
#include "render/float_plane.h"
#include "render/parallel_for.h"

namespace {

using Clock = std::chrono::steady_clock;

std::map<std::pair<int, int>, double>& FloorSeconds() {
  static std::map<std::pair<int, int>, double> floors;
  return floors;
}

FloatPlane MakePlane(std::int32_t w, std::int32_t h) {
  FloatPlane p;
  if (!AllocateFloatPlane(p, w, h)) std::abort();
  return p;
}

// Coverage of a rounded rectangle inset by a tenth of the frame, corner
// radius a fifth of the short side, with a one-pixel linear edge ramp.
FloatPlane RoundedRectCoverage(std::int32_t w, std::int32_t h) {
  FloatPlane c = MakePlane(w, h);
  const double cx = w * 0.5, cy = h * 0.5;
  const double hx = w * 0.4, hy = h * 0.4;
  const double r = std::min(w, h) * 0.2;
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const double qx = std::fabs(x + 0.5 - cx) - (hx - r);
      const double qy = std::fabs(y + 0.5 - cy) - (hy - r);
      const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
      const double outside = std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
      c.At(x, y) = static_cast<float>(std::clamp(0.5 - outside, 0.0, 1.0));
    }
  }
  return c;
}

void ReportAgainstFloor(benchmark::State& state, double total_seconds, std::int32_t w, std::int32_t h) {
  const double mean = total_seconds / static_cast<double>(state.iterations());
  state.counters["ms"] = mean * 1e3;
  auto it = FloorSeconds().find({w, h});
  if (it != FloorSeconds().end()) state.counters["x_floor"] = mean / it->second;
}

void BM_CopyPlaneFloor(benchmark::State& state) {
  const auto w = static_cast<std::int32_t>(state.range(0));
  const auto h = static_cast<std::int32_t>(state.range(1));
  FloatPlane src = RoundedRectCoverage(w, h);
  FloatPlane dst = MakePlane(w, h);
  double total = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    CopyPlaneFloor(src, dst);
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    benchmark::DoNotOptimize(dst.data.get());
    state.SetIterationTime(s);
    total += s;
  }
  const double mean = total / static_cast<double>(state.iterations());
  FloorSeconds()[{w, h}] = mean;
  state.counters["ms"] = mean * 1e3;
}

template <bool kOneWorker>
void BM_DistanceTransform2D(benchmark::State& state) {
  const auto w = static_cast<std::int32_t>(state.range(0));
  const auto h = static_cast<std::int32_t>(state.range(1));
  FloatPlane coverage = RoundedRectCoverage(w, h);
  FloatPlane seeds = MakePlane(w, h);
  FloatPlane other = MakePlane(w, h);
  DistanceInitCoverage{coverage.data.get(), other.data.get(), DISTANCE_INFINITY, seeds.data.get(), w, h}(0, w * h);
  FloatPlane plane = MakePlane(w, h);
  const std::int32_t n = std::max(w, h);
  double total = 0;
  for (auto _ : state) {
    std::copy(seeds.data.get(), seeds.data.get() + seeds.Size(), plane.data.get());
    const auto t0 = Clock::now();
    if (kOneWorker) {
      EdtColumnPass{n, plane.data.get(), w, h}(0, w);
      EdtRowPass{n, plane.data.get(), w, h}(0, h);
    } else {
      DistanceTransform2D(plane.data.get(), w, h);
    }
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    benchmark::DoNotOptimize(plane.data.get());
    state.SetIterationTime(s);
    total += s;
  }
  ReportAgainstFloor(state, total, w, h);
}

// The builder's own steps, every body over its whole range on this thread.
void CoverageFieldOneWorker(const float* coverage, std::int32_t w, std::int32_t h, float* depth, float* distance) {
  FloatPlane to_inside = MakePlane(w, h);
  FloatPlane to_outside = MakePlane(w, h);
  const std::int32_t count = w * h;
  const std::int32_t n = std::max(w, h);
  DistanceInitCoverage{coverage, to_outside.data.get(), DISTANCE_INFINITY, to_inside.data.get(), w, h}(0, count);
  for (float* p : {to_inside.data.get(), to_outside.data.get()}) {
    EdtColumnPass{n, p, w, h}(0, w);
    EdtRowPass{n, p, w, h}(0, h);
  }
  DistanceCombineCoverage{to_outside.data.get(), to_inside.data.get(), coverage, depth, distance}(0, count);
}

template <bool kOneWorker>
void BM_DistanceFieldFromCoverage(benchmark::State& state) {
  const auto w = static_cast<std::int32_t>(state.range(0));
  const auto h = static_cast<std::int32_t>(state.range(1));
  FloatPlane coverage = RoundedRectCoverage(w, h);
  FloatPlane depth = MakePlane(w, h);
  FloatPlane distance = MakePlane(w, h);
  double total = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    if (kOneWorker) {
      CoverageFieldOneWorker(coverage.data.get(), w, h, depth.data.get(), distance.data.get());
    } else {
      DistanceFieldFromCoverage(coverage.data.get(), w, h, depth.data.get(), distance.data.get());
    }
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    benchmark::DoNotOptimize(distance.data.get());
    state.SetIterationTime(s);
    total += s;
  }
  ReportAgainstFloor(state, total, w, h);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({3936, 2256})->Args({7776, 4416})->UseManualTime()->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_CopyPlaneFloor)->Apply(Sizes)->MinTime(0.5);
BENCHMARK(BM_DistanceTransform2D<false>)->Name("BM_DistanceTransform2D")->Apply(Sizes);
BENCHMARK(BM_DistanceTransform2D<true>)->Name("BM_DistanceTransform2D/1worker")->Apply(Sizes);
BENCHMARK(BM_DistanceFieldFromCoverage<false>)->Name("BM_DistanceFieldFromCoverage")->Apply(Sizes);
BENCHMARK(BM_DistanceFieldFromCoverage<true>)->Name("BM_DistanceFieldFromCoverage/1worker")->Apply(Sizes);

BENCHMARK_MAIN();
