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
  const CopyOutInputs<Pixel> in{f.frost.data(), W, H, &f.output, f.planes.distance.data.get()};
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
      FrostAndCopyOut16(f.frost.data(), f.scratch.data(), W, H, f.radius, f.output, f.planes.distance.data.get());
    } else {
      FrostAndCopyOut8(f.frost.data(), f.scratch.data(), W, H, f.radius, f.output, f.planes.distance.data.get());
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
