// Whole frames as the host renders them: the scene is built into the
// simulated host, the module file is loaded from disk, set up through its
// entry point (global, parameter and sequence setup), and each iteration is
// one smart pre-render plus smart render over a full-frame input. Frames are
// 1920x1080 at 8 bits per channel and 3840x2160 at 16; scene geometry is in
// composition pixels with the layer's origin at the frame centre, scaled
// from the render tool's 1280x720 demo to the frame's width. Each case's
// label carries a hash of the output bytes, so two builds can be compared
// for identical results, and the pass-through frame of the same scene is the
// floor every case is compared against.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "hostsim/command_driver.h"
#include "hostsim/frame_renderer.h"
#include "hostsim/host.h"
#include "hostsim/module_entry_points.h"
#include "hostsim/scene_desc.h"
#include "hostsim/scene_desc_builder.h"
#include "hostsim/sim_world.h"

namespace {

using hostsim::ContentItem;
using hostsim::SceneDesc;

enum class Case { ROUNDED_RECTANGLE, DEMO, DEMO_FROST, PASS_THROUGH };

const hostsim::LoadedModule& Module() {
  static const hostsim::LoadedModule module(PRISMORA_MODULE_PATH);
  return module;
}

ContentItem Filled(ContentItem shape) {
  ContentItem group;
  group.kind = ContentItem::Kind::GROUP;
  group.contents.push_back(std::move(shape));
  ContentItem fill;
  fill.kind = ContentItem::Kind::FILL;
  group.contents.push_back(fill);
  return group;
}

SceneDesc Scene(Case c, int width, int height, int depth) {
  SceneDesc d;
  d.width = width;
  d.height = height;
  d.depth = depth;
  d.adjustment = true;
  d.transform.position = {width / 2.0, height / 2.0};
  d.transform_given = true;
  const double k = width / 1280.0;  // the demo's composition is 1280 wide
  if (c == Case::ROUNDED_RECTANGLE) {
    ContentItem r;
    r.kind = ContentItem::Kind::RECTANGLE;
    r.position = {0, 0};
    r.size = {width / 2.0, height / 2.0};
    r.roundness = 48 * k;
    d.contents.push_back(Filled(r));
    return d;  // default controls
  }
  ContentItem slab;
  slab.kind = ContentItem::Kind::RECTANGLE;
  slab.position = {-330 * k, -40 * k};
  slab.size = {420 * k, 300 * k};
  slab.roundness = 48 * k;
  ContentItem lens;
  lens.kind = ContentItem::Kind::ELLIPSE;
  lens.position = {170 * k, -90 * k};
  lens.size = {300 * k, 300 * k};
  ContentItem star;
  star.kind = ContentItem::Kind::STAR;
  star.position = {300 * k, 190 * k};
  star.points = 5;
  star.outer_radius = 150 * k;
  star.inner_radius = 70 * k;
  star.outer_roundness = 10;
  star.inner_roundness = 0;
  star.rotation = 0;
  d.contents = {Filled(slab), Filled(lens), Filled(star)};
  d.controls.refraction = 70;
  d.controls.depth = 40;
  d.controls.dispersion = 60;
  d.controls.light_intensity = 100;
  d.controls.light_angle = -45;
  d.controls.magnify = 15;
  d.controls.splay = 10;
  if (c == Case::DEMO_FROST) d.controls.frost = 50;
  if (c == Case::PASS_THROUGH) {
    d.controls.refraction = 0;
    d.controls.magnify = 0;
    d.controls.frost = 0;
    d.controls.light_intensity = 0;
  }
  return d;
}

// An opaque, busy background: every pixel differs from its neighbours, so
// displaced reads are real work for the caches.
void FillBackground(hostsim::SimWorld& world) {
  for (A_long y = 0; y < world.height(); ++y) {
    for (A_long x = 0; x < world.width(); ++x) {
      const std::uint32_t r = static_cast<std::uint32_t>((x * 37 + y * 11) % 251);
      const std::uint32_t g = static_cast<std::uint32_t>((x * 13 + y * 29 + 80) % 241);
      const std::uint32_t b = static_cast<std::uint32_t>(((x / 4) * 53 + (y / 4) * 7 + 30) % 239);
      if (world.deep()) {
        world.Pixel16(x, y) = PF_Pixel16{PF_MAX_CHAN16, static_cast<A_u_short>(r * 128),
                                         static_cast<A_u_short>(g * 128), static_cast<A_u_short>(b * 128)};
      } else {
        world.Pixel8(x, y) = PF_Pixel8{255, static_cast<A_u_char>(r), static_cast<A_u_char>(g), static_cast<A_u_char>(b)};
      }
    }
  }
}

std::string HashLabel(const hostsim::SimWorld& world) {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a over the pixel bytes
  for (std::uint8_t b : world.PixelBytes()) {
    h ^= b;
    h *= 1099511628211ull;
  }
  char text[32];
  std::snprintf(text, sizeof text, "out=%016llx", static_cast<unsigned long long>(h));
  return text;
}

void BM_Frame(benchmark::State& state, Case c, int width, int height, int depth) {
  const hostsim::LoadedModule& module = Module();
  if (!module.ok()) {
    state.SkipWithError(("cannot load the module: " + module.error()).c_str());
    return;
  }
  hostsim::Host host;
  const SceneDesc desc = Scene(c, width, height, depth);
  const hostsim::BuiltScene built = hostsim::BuildScene(host, desc);
  hostsim::CommandDriver commands(host, module.entry_points());
  if (commands.GlobalSetup() != 0 || commands.ParamsSetup() != 0 || commands.SequenceSetup() != 0) {
    state.SkipWithError("setup failed");
    return;
  }
  const bool deep = depth == 16;
  hostsim::SimWorld input(width, height, deep), output(width, height, deep);
  FillBackground(input);
  hostsim::FrameRequest request;
  request.deep = deep;
  request.layer_width = width;
  request.layer_height = height;
  bool failed = false;
  for (auto _ : state) {
    const hostsim::FrameResult r = hostsim::RenderFrame(commands, *built.instance, request, input, output);
    if (r.pre_render_err != 0 || r.render_err != 0) failed = true;
    benchmark::DoNotOptimize(output.world().data);
    benchmark::ClobberMemory();
  }
  commands.SequenceSetdown();
  if (failed) {
    state.SkipWithError("a frame failed");
    return;
  }
  state.SetLabel(HashLabel(output));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(width) * height);
}

void Register() {
  struct Size {
    const char* name;
    int width, height, depth;
  };
  const Size sizes[] = {{"1080p_8bpc", 1920, 1080, 8}, {"4K_16bpc", 3840, 2160, 16}};
  const std::pair<const char*, Case> cases[] = {{"a_RoundedRectangle", Case::ROUNDED_RECTANGLE},
                                                {"b_Demo", Case::DEMO},
                                                {"c_DemoFrost50", Case::DEMO_FROST},
                                                {"d_PassThrough", Case::PASS_THROUGH}};
  for (const Size& s : sizes) {
    for (const auto& [name, c] : cases) {
      benchmark::RegisterBenchmark((std::string("BM_Frame/") + s.name + "/" + name).c_str(), BM_Frame, c, s.width,
                                   s.height, s.depth)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MinTime(1.0);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
