// Work per frame of the demo's shading and frost stages, counted as CPU
// time over every thread of the process as well as wall time: on a shared,
// loaded machine the wall time of a multi-threaded pass swings with the
// other load, while the CPU time it takes moves far less. 1920x1080, the
// demo's three panes, at 8 and 16 bits per channel; the frost passes one by
// one with the demo's Frost 50 radius.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "render/colour_bleed.h"
#include "render/copy_out.h"
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

template <typename Pixel>
void Shade(Frame<Pixel>& f) {
  if constexpr (sizeof(Pixel) == 8) {
    ShadeRefraction16(f.in);
  } else {
    ShadeRefraction8(f.in);
  }
}

template <typename Pixel>
void BM_Shade(benchmark::State& state) {
  Frame<Pixel> f;
  for (auto _ : state) Shade(f);
}

template <typename Pixel>
void BM_ShadeNoDispersion(benchmark::State& state) {
  Frame<Pixel> f;
  f.in.dispersion = 0.0;
  for (auto _ : state) Shade(f);
}

// The frost buffer as the shading leaves it: panes shaded, the rest the
// opaque input.
template <typename Pixel>
struct FrostFrame : Frame<Pixel> {
  std::int32_t radius = FrostBleedRadius(50.0, 2.0);
  FrostFrame() {
    this->in.frost_on = true;
    this->in.frost_pixels = this->frost.data();
    Shade<Pixel>(*this);
    // The column pass reads what a row pass leaves in the scratch buffer.
    if constexpr (sizeof(Pixel) == 8) {
      BleedColorRows16(AlongRows());
    } else {
      BleedColorRows8(AlongRows());
    }
  }
  ColourBleedInputs<Pixel> AlongRows() { return {this->frost.data(), this->scratch.data(), W, H, radius}; }
  ColourBleedInputs<Pixel> AlongColumns() { return {this->scratch.data(), this->frost.data(), W, H, radius}; }
};

template <typename Pixel>
void BM_BleedRows(benchmark::State& state) {
  FrostFrame<Pixel> f;
  const ColourBleedInputs<Pixel> in = f.AlongRows();
  for (auto _ : state) {
    if constexpr (sizeof(Pixel) == 8) {
      BleedColorRows16(in);
    } else {
      BleedColorRows8(in);
    }
  }
}

template <typename Pixel>
void BM_BleedColumns(benchmark::State& state) {
  FrostFrame<Pixel> f;
  const ColourBleedInputs<Pixel> in = f.AlongColumns();
  for (auto _ : state) {
    if constexpr (sizeof(Pixel) == 8) {
      BleedColorColumns16(in);
    } else {
      BleedColorColumns8(in);
    }
  }
}

template <typename Pixel>
void BM_CopyOut(benchmark::State& state) {
  FrostFrame<Pixel> f;
  const CopyOutInputs<Pixel> in{f.frost.data(), W, H, &f.output};
  for (auto _ : state) {
    if constexpr (sizeof(Pixel) == 8) {
      CopyOut16(in);
    } else {
      CopyOut8(in);
    }
  }
}

template <typename Pixel>
void BM_FrostStep(benchmark::State& state) {
  FrostFrame<Pixel> f;
  for (auto _ : state) {
    if constexpr (sizeof(Pixel) == 8) {
      FrostAndCopyOut16(f.frost.data(), f.scratch.data(), W, H, f.radius, f.output);
    } else {
      FrostAndCopyOut8(f.frost.data(), f.scratch.data(), W, H, f.radius, f.output);
    }
  }
}

BENCHMARK(BM_Shade<PF_Pixel8>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Shade<PF_Pixel16>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ShadeNoDispersion<PF_Pixel8>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ShadeNoDispersion<PF_Pixel16>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_BleedRows<PF_Pixel8>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_BleedRows<PF_Pixel16>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_BleedColumns<PF_Pixel8>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_BleedColumns<PF_Pixel16>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_CopyOut<PF_Pixel8>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_CopyOut<PF_Pixel16>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_FrostStep<PF_Pixel8>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_FrostStep<PF_Pixel16>)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
