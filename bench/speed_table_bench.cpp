// The speed table: whole frames of typical scenes against the pass-through
// frame of the same size, and the distance transform against a plane copy,
// each ratio taken in one run. Every round renders every case once, in
// turn, so the machine's load falls on all of them alike; a case's ratio is
// the median over the rounds of (its time / its reference's time in the
// same round). Frames go through the loaded module as the host drives it
// (smart pre-render, then smart render), at 1920x1080 8 bpc and 3840x2160
// 16 bpc. Page faults are the process's minor faults over one frame.
//
// PRISMORA_TABLE_ROUNDS sets the number of rounds (default 7);
// PRISMORA_TABLE_ONLY names the one scene to run beside the pass-through
// (for a profiler).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/plane_copy_floor.h"
#include "hostsim/command_driver.h"
#include "hostsim/frame_renderer.h"
#include "hostsim/host.h"
#include "hostsim/module_entry_points.h"
#include "hostsim/scene_desc.h"
#include "hostsim/scene_desc_builder.h"
#include "hostsim/sim_world.h"
#include "render/distance_field_builders.h"
#include "render/distance_transform.h"
#include "render/float_plane.h"

namespace {

using Clock = std::chrono::steady_clock;
using hostsim::ContentItem;
using hostsim::SceneDesc;

enum class Scene { PASS_THROUGH, DEMO, ROUNDED_BOX, MASKS, TEXT, TRACK_MATTE, EIGHT_ELLIPSES, EIGHT_STARS };

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

ContentItem Rectangle(double x, double y, double w, double h, double roundness) {
  ContentItem r;
  r.kind = ContentItem::Kind::RECTANGLE;
  r.position = {x, y};
  r.size = {w, h};
  r.roundness = roundness;
  return r;
}

ContentItem Ellipse(double x, double y, double w, double h) {
  ContentItem e;
  e.kind = ContentItem::Kind::ELLIPSE;
  e.position = {x, y};
  e.size = {w, h};
  return e;
}

ContentItem Star(double x, double y, double outer, double inner, double points, double roundness, double rotation) {
  ContentItem s;
  s.kind = ContentItem::Kind::STAR;
  s.position = {x, y};
  s.points = points;
  s.outer_radius = outer;
  s.inner_radius = inner;
  s.outer_roundness = roundness;
  s.inner_roundness = roundness * 0.5;
  s.rotation = rotation;
  return s;
}

// The demo's controls: refraction, magnify, splay, dispersion and the rim.
void DemoControls(SceneDesc& d) {
  d.controls.refraction = 70;
  d.controls.depth = 40;
  d.controls.dispersion = 60;
  d.controls.light_intensity = 100;
  d.controls.light_angle = -45;
  d.controls.magnify = 15;
  d.controls.splay = 10;
}

// Geometry is laid out for a 1280x720 composition (the render tool's demo)
// and scaled by k to the frame; the layer's origin sits at the frame centre
// for shape layers, at the top-left for solids and text.
SceneDesc MakeScene(Scene c, int width, int height, int depth) {
  SceneDesc d;
  d.width = width;
  d.height = height;
  d.depth = depth;
  d.adjustment = true;
  const double k = width / 1280.0;
  d.transform.position = {width / 2.0, height / 2.0};
  d.transform_given = true;
  DemoControls(d);
  switch (c) {
    case Scene::PASS_THROUGH:
    case Scene::DEMO: {
      d.contents = {Filled(Rectangle(-330 * k, -40 * k, 420 * k, 300 * k, 48 * k)),
                    Filled(Ellipse(170 * k, -90 * k, 300 * k, 300 * k)),
                    Filled(Star(300 * k, 190 * k, 150 * k, 70 * k, 5, 10, 0))};
      d.contents[2].contents[0].inner_roundness = 0;
      if (c == Scene::PASS_THROUGH) {
        d.controls.refraction = 0;
        d.controls.magnify = 0;
        d.controls.frost = 0;
        d.controls.light_intensity = 0;
      }
      break;
    }
    case Scene::ROUNDED_BOX:
      d.contents = {Filled(Rectangle(0, 0, width / 2.0, height / 2.0, 48 * k))};
      d.controls = hostsim::ControlsDesc{};
      break;
    case Scene::MASKS: {
      d.layer_kind = SceneDesc::LayerKind::SOLID;
      d.transform_given = false;
      auto scaled = [&](std::vector<std::array<double, 2>> pts) {
        for (auto& p : pts) p = {p[0] * k * 4.0 / 3.0, p[1] * k * 4.0 / 3.0};
        return pts;
      };
      hostsim::MaskDesc a, b, s;
      a.mode = 1;
      a.path = scaled({{120, 90}, {470, 60}, {520, 300}, {300, 460}, {90, 380}});
      b.mode = 1;
      b.path = scaled({{600, 120}, {860, 150}, {820, 420}, {640, 380}});
      s.mode = 2;
      s.path = scaled({{230, 200}, {360, 190}, {340, 320}, {240, 310}});
      d.masks = {a, b, s};
      break;
    }
    case Scene::TEXT:
      d.layer_kind = SceneDesc::LayerKind::TEXT;
      d.transform_given = false;
      d.text = "Prismora";
      d.font_size = 260 * k;
      d.text_position = {120 * k, 440 * k};
      break;
    case Scene::TRACK_MATTE: {
      d.layer_kind = SceneDesc::LayerKind::SOLID;
      d.transform_given = false;
      hostsim::TrackMatteDesc m;
      m.kind = hostsim::TrackMatteDesc::Kind::SHAPE;
      m.mode = 1;
      hostsim::MatteShapeDesc e, r;
      e.ellipse = true;
      e.center = {400 * k, 360 * k};
      e.size = {430 * k, 430 * k};
      r.ellipse = false;
      r.center = {910 * k, 360 * k};
      r.size = {400 * k, 270 * k};
      m.shapes = {e, r};
      d.track_matte = m;
      d.controls.magnify = 20;
      break;
    }
    case Scene::EIGHT_ELLIPSES:
    case Scene::EIGHT_STARS: {
      for (int i = 0; i < 8; ++i) {
        const double x = (-480 + (i % 4) * 320) * k;
        const double y = (i < 4 ? -170 : 170) * k;
        if (c == Scene::EIGHT_ELLIPSES) {
          d.contents.push_back(Filled(Ellipse(x, y, (220 + 10 * i) * k, (140 + 12 * i) * k)));
        } else {
          d.contents.push_back(Filled(Star(x, y, 140 * k, 65 * k, 5 + i % 3, 20 + 5 * i, 7.0 * i)));
        }
      }
      break;
    }
  }
  return d;
}

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

std::uint64_t HashBytes(const hostsim::SimWorld& world) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::uint8_t b : world.PixelBytes()) {
    h ^= b;
    h *= 1099511628211ull;
  }
  return h;
}

long MinorFaults() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_minflt;
}

// One scene in the simulated host, set up as the host does it (global,
// parameter and sequence setup). The module keeps the host of its latest
// global setup, so only one case lives at a time: each frame of a round is
// set up, rendered (the timed part) and torn down in turn.
struct FrameCase {
  hostsim::Host host;
  hostsim::BuiltScene built;
  std::unique_ptr<hostsim::CommandDriver> commands;
  hostsim::FrameRequest request;
  bool ok = false;

  // The time the simulated host spends drawing a track matte inside the
  // frame, so that the plug-in's own share can be told apart.
  double host_matte_seconds = 0.0;

  FrameCase(Scene s, int width, int height, int depth) {
    built = hostsim::BuildScene(host, MakeScene(s, width, height, depth));
    if (built.matte_layer != nullptr && built.matte_layer->pixels.paint) {
      auto paint = built.matte_layer->pixels.paint;
      built.matte_layer->pixels.paint = [this, paint](const hostsim::SimRenderRequest& r, hostsim::SimWorld& w) {
        const auto t0 = std::chrono::steady_clock::now();
        paint(r, w);
        host_matte_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      };
    }
    commands = std::make_unique<hostsim::CommandDriver>(host, Module().entry_points());
    ok = commands->GlobalSetup() == 0 && commands->ParamsSetup() == 0 && commands->SequenceSetup() == 0;
    request.deep = depth == 16;
    request.layer_width = width;
    request.layer_height = height;
  }
  ~FrameCase() {
    if (ok) commands->SequenceSetdown();
  }
  bool Render(hostsim::SimWorld& input, hostsim::SimWorld& output) {
    const hostsim::FrameResult r = hostsim::RenderFrame(*commands, *built.instance, request, input, output);
    return r.pre_render_err == 0 && r.render_err == 0;
  }
};

struct Samples {
  std::vector<double> seconds;
  std::vector<double> ratios;
  std::vector<double> faults;
  std::vector<double> host_seconds;  // of those seconds, the simulated host's matte drawing
};

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const std::size_t m = v.size() / 2;
  return v.size() % 2 == 1 ? v[m] : 0.5 * (v[m - 1] + v[m]);
}

template <typename F>
double Seconds(const F& f) {
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

struct Row {
  std::string name;
  std::string reference;
  std::string target;
  Samples samples;
  std::uint64_t hash = 0;
};

int Rounds() {
  const char* env = std::getenv("PRISMORA_TABLE_ROUNDS");
  const int r = env != nullptr ? std::atoi(env) : 7;
  return std::max(1, r);
}

std::vector<Row>& TableRows() {
  static std::vector<Row> rows;
  return rows;
}

void RunFrames(benchmark::State& state, int width, int height, int depth, const char* size_name,
               const std::vector<std::pair<Scene, const char*>>& scenes,
               const std::vector<const char*>& targets) {
  if (!Module().ok()) {
    state.SkipWithError(("cannot load the module: " + Module().error()).c_str());
    return;
  }
  hostsim::SimWorld input(width, height, depth == 16), output(width, height, depth == 16);
  FillBackground(input);
  std::vector<std::pair<Scene, std::string>> cases{{Scene::PASS_THROUGH, "pass-through"}};
  std::vector<std::string> case_targets{""};
  const char* only = std::getenv("PRISMORA_TABLE_ONLY");
  for (std::size_t i = 0; i < scenes.size(); ++i) {
    if (only != nullptr && std::string(only) != scenes[i].second) continue;
    cases.emplace_back(scenes[i].first, scenes[i].second);
    case_targets.emplace_back(targets[i]);
  }
  std::vector<Samples> samples(cases.size());
  std::vector<std::uint64_t> hashes(cases.size());
  const int rounds = Rounds();
  for (auto _ : state) {
    for (int round = 0; round < rounds; ++round) {
      for (std::size_t i = 0; i < cases.size(); ++i) {
        FrameCase frame(cases[i].first, width, height, depth);
        bool rendered = frame.ok;
        const long f0 = MinorFaults();
        const double s = Seconds([&] { rendered = rendered && frame.Render(input, output); });
        if (!rendered) {
          state.SkipWithError(("cannot render " + cases[i].second).c_str());
          return;
        }
        samples[i].faults.push_back(static_cast<double>(MinorFaults() - f0));
        samples[i].seconds.push_back(s);
        samples[i].host_seconds.push_back(frame.host_matte_seconds);
        if (round == 0) hashes[i] = HashBytes(output);
      }
      for (std::size_t i = 1; i < cases.size(); ++i) {
        samples[i].ratios.push_back(samples[i].seconds.back() / samples[0].seconds.back());
      }
    }
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    Row row;
    row.name = std::string(size_name) + " " + cases[i].second;
    row.reference = i == 0 ? "" : std::string(size_name) + " pass-through";
    row.target = case_targets[i];
    row.samples = samples[i];
    row.hash = hashes[i];
    if (i > 0) state.counters[cases[i].second + "_x"] = Median(samples[i].ratios);
    TableRows().push_back(std::move(row));
    // A frame whose matte the simulated host drew: the plug-in's share of
    // it, the frame less the drawing, against the same pass-through.
    if (i > 0 && Median(samples[i].host_seconds) > 0.0) {
      Row share;
      share.name = std::string(size_name) + " " + cases[i].second + ", plug-in's share";
      share.reference = std::string(size_name) + " pass-through";
      share.target = case_targets[i];
      for (std::size_t k = 0; k < samples[i].seconds.size(); ++k) {
        const double own = samples[i].seconds[k] - samples[i].host_seconds[k];
        share.samples.seconds.push_back(own);
        share.samples.ratios.push_back(own / samples[0].seconds[k]);
      }
      state.counters[cases[i].second + " plug-in_x"] = Median(share.samples.ratios);
      TableRows().push_back(std::move(share));
    }
  }
}

void BM_Frames1080p8(benchmark::State& state) {
  RunFrames(state, 1920, 1080, 8, "1080p 8bpc",
            {{Scene::DEMO, "demo"},
             {Scene::ROUNDED_BOX, "rounded box"},
             {Scene::MASKS, "masks"},
             {Scene::TEXT, "text"},
             {Scene::TRACK_MATTE, "track matte"},
             {Scene::EIGHT_ELLIPSES, "eight ellipses"},
             {Scene::EIGHT_STARS, "eight rounded stars"}},
            {"<= 25", "<= 10", "<= 60", "<= 60", "<= 60", "<= 60", "<= 60"});
}

void BM_Frames4K16(benchmark::State& state) {
  RunFrames(state, 3840, 2160, 16, "4K 16bpc",
            {{Scene::DEMO, "demo"},
             {Scene::ROUNDED_BOX, "rounded box"},
             {Scene::MASKS, "masks"},
             {Scene::TEXT, "text"},
             {Scene::TRACK_MATTE, "track matte"},
             {Scene::EIGHT_ELLIPSES, "eight ellipses"},
             {Scene::EIGHT_STARS, "eight rounded stars"}},
            {"1080p x 1.2", "1080p x 1.2", "1080p x 1.2", "1080p x 1.2", "1080p x 1.2", "1080p x 1.2",
             "1080p x 1.2"});
}

FloatPlane MakePlane(std::int32_t w, std::int32_t h) {
  FloatPlane p;
  if (!AllocateFloatPlane(p, w, h)) std::abort();
  return p;
}

// An anti-aliased rounded rectangle inset by a tenth of the frame.
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

void BM_DistanceKernels(benchmark::State& state) {
  const std::int32_t w = 3936, h = 2256;
  FloatPlane coverage = RoundedRectCoverage(w, h);
  FloatPlane seeds = MakePlane(w, h);
  FloatPlane other = MakePlane(w, h);
  DistanceInitCoverage{coverage.data.get(), other.data.get(), DISTANCE_INFINITY, seeds.data.get(), w, h}(0, w * h);
  FloatPlane plane = MakePlane(w, h);
  FloatPlane copy = MakePlane(w, h);
  FloatPlane depth = MakePlane(w, h);
  FloatPlane distance = MakePlane(w, h);
  Samples copy_s, edt_s, field_s;
  const int rounds = Rounds() * 3;
  for (auto _ : state) {
    for (int round = 0; round < rounds; ++round) {
      copy_s.seconds.push_back(Seconds([&] { CopyPlaneFloor(coverage, copy); }));
      std::copy(seeds.data.get(), seeds.data.get() + seeds.Size(), plane.data.get());
      edt_s.seconds.push_back(Seconds([&] { DistanceTransform2D(plane.data.get(), w, h); }));
      const long f0 = MinorFaults();
      field_s.seconds.push_back(Seconds([&] {
        DistanceFieldFromCoverage(coverage.data.get(), w, h, depth.data.get(), distance.data.get());
      }));
      field_s.faults.push_back(static_cast<double>(MinorFaults() - f0));
      edt_s.ratios.push_back(edt_s.seconds.back() / copy_s.seconds.back());
      field_s.ratios.push_back(field_s.seconds.back() / edt_s.seconds.back());
    }
  }
  benchmark::DoNotOptimize(distance.data.get());
  state.counters["edt_x_copy"] = Median(edt_s.ratios);
  state.counters["field_x_edt"] = Median(field_s.ratios);
  TableRows().push_back({"plane copy 3936x2256 (ParallelFor)", "", "", copy_s, 0});
  TableRows().push_back({"DistanceTransform2D 3936x2256", "plane copy", "<= 8", edt_s, 0});
  TableRows().push_back({"DistanceFieldFromCoverage 3936x2256", "DistanceTransform2D", "<= 2.2", field_s, 0});
}

void PrintTable() {
  std::printf("\n%-44s %10s %9s %-34s %12s %-8s %s\n", "case", "median ms", "ratio", "against", "faults/call",
              "target", "output hash");
  for (const Row& r : TableRows()) {
    const double ms = Median(r.samples.seconds) * 1e3;
    char ratio[32] = "";
    if (!r.samples.ratios.empty()) std::snprintf(ratio, sizeof ratio, "%.2fx", Median(r.samples.ratios));
    char faults[32] = "";
    if (!r.samples.faults.empty()) std::snprintf(faults, sizeof faults, "%.0f", Median(r.samples.faults));
    char hash[32] = "";
    if (r.hash != 0) std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(r.hash));
    std::printf("%-44s %10.2f %9s %-34s %12s %-8s %s\n", r.name.c_str(), ms, ratio, r.reference.c_str(), faults,
                r.target.c_str(), hash);
  }
  std::printf("ratios: median over %d interleaved rounds of (case / reference in the same round)\n", Rounds());
}

}  // namespace

BENCHMARK(BM_Frames1080p8)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frames4K16)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DistanceKernels)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintTable();
  return 0;
}
