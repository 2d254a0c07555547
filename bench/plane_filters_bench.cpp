// The strongest blur the pipelines run, a radius-12 row blur followed by a
// radius-12 column blur, on HD and UHD float planes, beside the copy floor
// of the same plane size. Each is timed with the default thread count and
// with one worker (the bodies called inline, as ParallelFor does on a small
// machine); wall-clock time, since the work runs on worker threads. The
// per-pixel loop that the filters replace is timed too, for comparison.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <utility>

#include "bench/plane_copy_floor.h"
#include "render/float_plane.h"
#include "render/parallel_for.h"
#include "render/plane_filters.h"
#include "render/shading_height.h"

namespace {

constexpr std::int32_t BLUR_RADIUS = 12;

struct Planes {
  FloatPlane src;
  FloatPlane scratch;
  FloatPlane dst;
};

Planes MakePlanes(std::int32_t w, std::int32_t h) {
  Planes p;
  if (!AllocateFloatPlane(p.src, w, h) || !AllocateFloatPlane(p.scratch, w, h) || !AllocateFloatPlane(p.dst, w, h)) {
    return p;
  }
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> value(-40.0f, 40.0f);
  for (std::int64_t i = 0; i < p.src.Size(); ++i) p.src.data[i] = value(rng);
  for (std::int64_t i = 0; i < p.src.Size(); ++i) p.scratch.data[i] = 0.0f;
  for (std::int64_t i = 0; i < p.src.Size(); ++i) p.dst.data[i] = 0.0f;
  return p;
}

enum class Threads { DEFAULT, ONE };

void BlurPair(benchmark::State& state, Threads threads) {
  const std::int32_t w = static_cast<std::int32_t>(state.range(0));
  const std::int32_t h = static_cast<std::int32_t>(state.range(1));
  Planes p = MakePlanes(w, h);
  if (p.dst.Empty()) {
    state.SkipWithError("planes could not be allocated");
    return;
  }
  const BoxBlurRows rows{w, BLUR_RADIUS, p.src.data.get(), p.scratch.data.get()};
  const BoxBlurColumns columns{w, BLUR_RADIUS, h, p.scratch.data.get(), p.dst.data.get()};
  for (auto _ : state) {
    if (threads == Threads::DEFAULT) {
      ParallelFor(h, rows);
      ParallelFor(h, columns);
    } else {
      rows(0, h);
      columns(0, h);
    }
    benchmark::DoNotOptimize(p.dst.data.get());
    benchmark::ClobberMemory();
  }
  state.counters["threads"] = threads == Threads::DEFAULT ? ParallelThreadCount() : 1;
}

void CopyFloor(benchmark::State& state, Threads threads) {
  const std::int32_t w = static_cast<std::int32_t>(state.range(0));
  const std::int32_t h = static_cast<std::int32_t>(state.range(1));
  Planes p = MakePlanes(w, h);
  if (p.dst.Empty()) {
    state.SkipWithError("planes could not be allocated");
    return;
  }
  for (auto _ : state) {
    if (threads == Threads::DEFAULT) {
      CopyPlaneFloor(p.src, p.dst);
    } else {
      for (std::int32_t y = 0; y < h; ++y) std::memcpy(p.dst.Row(y), p.src.Row(y), sizeof(float) * w);
    }
    benchmark::DoNotOptimize(p.dst.data.get());
    benchmark::ClobberMemory();
  }
}

// Pixels outer, taps inner, with a bounds test per tap: the same sums in
// the same order, written the first way that comes to mind.
void NaiveBlurPair(benchmark::State& state) {
  const std::int32_t w = static_cast<std::int32_t>(state.range(0));
  const std::int32_t h = static_cast<std::int32_t>(state.range(1));
  Planes p = MakePlanes(w, h);
  if (p.dst.Empty()) {
    state.SkipWithError("planes could not be allocated");
    return;
  }
  const float* src = p.src.data.get();
  float* scratch = p.scratch.data.get();
  float* dst = p.dst.data.get();
  const std::int32_t r = BLUR_RADIUS;
  auto rows = [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t y = begin; y < end; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        float sum = 0.0f;
        std::int32_t n = 0;
        for (std::int32_t k = -r; k <= r; ++k) {
          if (x + k < 0 || x + k >= w) continue;
          sum += src[static_cast<std::ptrdiff_t>(y) * w + x + k];
          ++n;
        }
        scratch[static_cast<std::ptrdiff_t>(y) * w + x] = sum / static_cast<float>(n);
      }
    }
  };
  auto columns = [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t y = begin; y < end; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        float sum = 0.0f;
        std::int32_t n = 0;
        for (std::int32_t k = -r; k <= r; ++k) {
          if (y + k < 0 || y + k >= h) continue;
          sum += scratch[static_cast<std::ptrdiff_t>(y + k) * w + x];
          ++n;
        }
        dst[static_cast<std::ptrdiff_t>(y) * w + x] = sum / static_cast<float>(n);
      }
    }
  };
  for (auto _ : state) {
    ParallelFor(h, rows);
    ParallelFor(h, columns);
    benchmark::DoNotOptimize(dst);
    benchmark::ClobberMemory();
  }
}

// The shading height's smoothing, two passes of the radius-8 pair: as two
// separate blurs per pass through the scratch plane, and as one pass of
// rows then columns per pass, on the same plane in the same run.
enum class Smoothing { SEPARATE, ONE_PASS };

void SmoothTwice(benchmark::State& state, Smoothing how) {
  const std::int32_t w = static_cast<std::int32_t>(state.range(0));
  const std::int32_t h = static_cast<std::int32_t>(state.range(1));
  Planes p = MakePlanes(w, h);
  if (p.dst.Empty()) {
    state.SkipWithError("planes could not be allocated");
    return;
  }
  const std::int32_t r = 8;
  float* plane = p.src.data.get();
  float* scratch = p.scratch.data.get();
  for (auto _ : state) {
    for (int pass = 0; pass < 2; ++pass) {
      if (how == Smoothing::SEPARATE) {
        ParallelFor(h, BoxBlurRows{w, r, plane, scratch});
        ParallelFor(h, BoxBlurColumns{w, r, h, scratch, plane});
      } else {
        ParallelFor(h, BoxBlurRowsThenColumns{w, r, h, plane, scratch});
        std::swap(plane, scratch);
      }
    }
    benchmark::DoNotOptimize(plane);
    benchmark::ClobberMemory();
  }
}

// The analytic road's smoothing of a signed pane distance (three discs,
// negative outside them, a third of the frame inside or near a pane): the
// plain two passes and the clamp, against the smoothing that writes the
// tiles far outside as +0. The input is restored outside the timing.
enum class AboveZero { PLAIN, TILED };

void SmoothAboveZero(benchmark::State& state, AboveZero how) {
  const std::int32_t w = static_cast<std::int32_t>(state.range(0));
  const std::int32_t h = static_cast<std::int32_t>(state.range(1));
  FloatPlane input, plane;
  if (!AllocateFloatPlane(input, w, h) || !AllocateFloatPlane(plane, w, h)) {
    state.SkipWithError("planes could not be allocated");
    return;
  }
  const float discs[3][3] = {{0.3f, 0.35f, 0.18f}, {0.65f, 0.55f, 0.16f}, {0.45f, 0.75f, 0.12f}};
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      float v = -1e9f;
      for (const auto& d : discs) {
        const float dx = static_cast<float>(x) - d[0] * static_cast<float>(w);
        const float dy = static_cast<float>(y) - d[1] * static_cast<float>(h);
        v = std::max(v, d[2] * static_cast<float>(h) - std::sqrt(dx * dx + dy * dy));
      }
      input.data[static_cast<std::ptrdiff_t>(y) * w + x] = v;
    }
  }
  const std::size_t bytes = static_cast<std::size_t>(input.Size()) * sizeof(float);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(plane.data.get(), input.data.get(), bytes);
    state.ResumeTiming();
    if (how == AboveZero::PLAIN) {
      if (SmoothPaneHeight(plane, 8)) HoldNegativesAtZero(plane);
    } else {
      SmoothPaneHeightAboveZero(plane, 8);
    }
    benchmark::DoNotOptimize(plane.data.get());
    benchmark::ClobberMemory();
  }
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(CopyFloor, default_threads, Threads::DEFAULT)->Apply(Sizes);
BENCHMARK_CAPTURE(BlurPair, default_threads, Threads::DEFAULT)->Apply(Sizes);
BENCHMARK_CAPTURE(CopyFloor, one_worker, Threads::ONE)->Apply(Sizes);
BENCHMARK_CAPTURE(BlurPair, one_worker, Threads::ONE)->Apply(Sizes);
BENCHMARK(NaiveBlurPair)->Apply(Sizes);
BENCHMARK_CAPTURE(SmoothTwice, separate_blurs, Smoothing::SEPARATE)->Apply(Sizes);
BENCHMARK_CAPTURE(SmoothTwice, rows_then_columns, Smoothing::ONE_PASS)->Apply(Sizes);
BENCHMARK_CAPTURE(SmoothAboveZero, plain, AboveZero::PLAIN)->Apply(Sizes);
BENCHMARK_CAPTURE(SmoothAboveZero, far_tiles_skipped, AboveZero::TILED)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
