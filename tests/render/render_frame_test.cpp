// Whole frames through the entry point: pass-through, the thresholds that
// decide it, symmetry, the premultiplied limit, thread-count independence,
// downsampling and concurrent renders.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "host/pf_errors.h"
#include "render/allocation_seam.h"
#include "render/colour_bleed.h"
#include "render/frost_step.h"
#include "render/parallel_for.h"
#include "support/frame_fixture.h"

namespace {

using hostsim::ContentItem;
using hostsim::SceneDesc;
using hostsim::SimWorld;

ContentItem Group(ContentItem shape) {
  ContentItem g;
  g.kind = ContentItem::Kind::GROUP;
  g.contents.push_back(std::move(shape));
  ContentItem fill;
  fill.kind = ContentItem::Kind::FILL;
  g.contents.push_back(fill);
  return g;
}

ContentItem Rect(double x, double y, double w, double h, double roundness) {
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

ContentItem Star(double x, double y) {
  ContentItem s;
  s.kind = ContentItem::Kind::STAR;
  s.position = {x, y};
  s.points = 5;
  s.outer_radius = 40;
  s.inner_radius = 18;
  return s;
}

// A shape layer in a 200 x 120 composition, its origin at the centre.
SceneDesc ShapeScene(std::vector<ContentItem> shapes) {
  SceneDesc d;
  d.width = 200;
  d.height = 120;
  for (ContentItem& s : shapes) d.contents.push_back(Group(std::move(s)));
  return d;
}

SceneDesc DemoLikeScene() {
  return ShapeScene({Rect(-50, -10, 80, 60, 12), Ellipse(40, -20, 60, 60), Star(55, 25)});
}

class RenderFrameTest : public FrameTest {};

TEST_F(RenderFrameTest, NonAdjustmentLayerPassesTheInputThroughShifted) {
  SceneDesc d = DemoLikeScene();
  d.adjustment = false;
  Build(d);
  // The input covers the composition from (-5, 3): output pixel (x, y) is
  // input pixel (x + 5, y - 3).
  SimWorld input(200, 120, false, 0, -5, 3), output(200, 120, false, 8);
  FillBackground(input);
  const hostsim::FrameResult r = Render(input, output);
  ASSERT_EQ(r.pre_render_err, PF_Err_NONE);
  ASSERT_EQ(r.render_err, PF_Err_NONE);
  for (A_long y = 0; y < 120; ++y) {
    for (A_long x = 0; x < 200; ++x) {
      const A_long sx = x + 5, sy = y - 3;
      const PF_Pixel8 expected = (sx < 200 && sy >= 0) ? input.Pixel8(sx, sy) : PF_Pixel8{0, 0, 0, 0};
      const PF_Pixel8& got = output.Pixel8(x, y);
      ASSERT_TRUE(got.alpha == expected.alpha && got.red == expected.red && got.green == expected.green &&
                  got.blue == expected.blue)
          << x << "," << y;
    }
  }
  EXPECT_TRUE(output.PaddingIntact());
  EXPECT_EQ(r.input_checkouts, 1);
  EXPECT_EQ(r.input_checkins, 1);
}

struct ThresholdCase {
  double refraction, light_intensity, frost;
  bool passes_through;
  double magnify = 0;
};

TEST_F(RenderFrameTest, PassThroughThresholds) {
  const ThresholdCase cases[] = {
      {0.0005, 0.1, 0, true},
      {0.0005, 0.11, 0, false},
      {-0.002, 0.1, 0, false},
      {0.0005, 0.1, 0.5, false},  // frost_px 0.5 is not below 0.5
      {0.0005, 0.1, 0.49, true},
      {0.0005, 0.1, 0, false, 0.01},  // any magnify draws
      {0.0009, 0.1, 0, true},
      {-0.0009, 0.1, 0, true},
      {0.001, 0.1, 0, false},
  };
  for (const ThresholdCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.refraction << " " << c.light_intensity << " " << c.frost);
    hostsim::Host host;
    SceneDesc d = DemoLikeScene();
    d.controls.refraction = c.refraction;
    d.controls.light_intensity = c.light_intensity;
    d.controls.frost = c.frost;
    d.controls.magnify = c.magnify;
    const hostsim::BuiltScene built = hostsim::BuildScene(host, d);
    hostsim::CommandDriver commands(host, LinkedModule());
    ASSERT_EQ(commands.GlobalSetup(), 0);
    SimWorld input(200, 120, false), output(200, 120, false);
    FillBackground(input);
    hostsim::FrameRequest request;
    request.layer_width = 200;
    request.layer_height = 120;
    // The full road allocates its pane planes; the pass-through none.
    ResetAllocationSeamCount();
    const hostsim::FrameResult r = hostsim::RenderFrame(commands, *built.instance, request, input, output);
    ASSERT_EQ(r.render_err, PF_Err_NONE);
    EXPECT_EQ(AllocationSeamCount() == 0, c.passes_through);
    if (c.passes_through) {
      EXPECT_EQ(output.PixelBytes(), input.PixelBytes());
    }
    g_basic_suite = nullptr;
    EXPECT_TRUE(host.Leaks().empty());
  }
}

TEST_F(RenderFrameTest, PanesChangeWhatIsBehindThemAndNothingFarOutside) {
  Build(DemoLikeScene());
  SimWorld input(200, 120, false), output(200, 120, false);
  FillBackground(input);
  ASSERT_EQ(Render(input, output).render_err, PF_Err_NONE);
  int changed_inside = 0;
  for (A_long y = 45; y < 75; ++y) {
    for (A_long x = 40; x < 70; ++x) {  // inside the rounded rectangle
      const PF_Pixel8 a = input.Pixel8(x, y), b = output.Pixel8(x, y);
      changed_inside += (a.red != b.red || a.green != b.green || a.blue != b.blue) ? 1 : 0;
    }
  }
  EXPECT_GT(changed_inside, 300);
  // The top-left corner is far from every pane and from every rim.
  for (A_long y = 0; y < 8; ++y) {
    for (A_long x = 0; x < 8; ++x) {
      const PF_Pixel8 a = input.Pixel8(x, y), b = output.Pixel8(x, y);
      EXPECT_TRUE(a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha) << x << "," << y;
    }
  }
}

// One frame of a scene on a host of its own.
SimWorld RenderAlone(const SceneDesc& d, const SimWorld& input) {
  hostsim::Host host;
  const hostsim::BuiltScene built = hostsim::BuildScene(host, d);
  hostsim::CommandDriver commands(host, LinkedModule());
  EXPECT_EQ(commands.GlobalSetup(), 0);
  EXPECT_EQ(commands.SequenceSetup(), 0);
  SimWorld in = input, output(input.width(), input.height(), input.deep());
  hostsim::FrameRequest request;
  request.deep = input.deep();
  request.layer_width = d.width;
  request.layer_height = d.height;
  EXPECT_EQ(hostsim::RenderFrame(commands, *built.instance, request, in, output).render_err, PF_Err_NONE);
  commands.SequenceSetdown();
  g_basic_suite = nullptr;
  return output;
}

template <typename Pixel>
std::vector<Pixel> WorldPixels(const SimWorld& w) {
  std::vector<Pixel> v;
  for (A_long y = 0; y < w.height(); ++y) {
    for (A_long x = 0; x < w.width(); ++x) {
      if constexpr (sizeof(Pixel) == sizeof(PF_Pixel16)) {
        v.push_back(w.Pixel16(x, y));
      } else {
        v.push_back(w.Pixel8(x, y));
      }
    }
  }
  return v;
}

TEST_F(RenderFrameTest, FrostBleedsTheWholeFrameAndCopiesItAllOut) {
  // The frame with Frost is the frame without it, every pixel (outside the
  // panes too) through the three bleed rounds: the whole buffer comes out.
  for (const bool deep : {false, true}) {
    SCOPED_TRACE(deep);
    SceneDesc d = DemoLikeScene();
    d.controls.light_intensity = 0;
    SimWorld input(200, 120, deep);
    FillBackground(input);
    const SimWorld sharp = RenderAlone(d, input);
    d.controls.frost = 40;
    const SimWorld frosted = RenderAlone(d, input);
    const std::int32_t radius = FrostBleedRadius(40.0, 2.0);
    bool same = true;
    int outside_changed = 0;
    const auto compare = [&](auto want, auto got, auto bleed_rows, auto bleed_columns) {
      auto scratch = want;
      using Inputs = ColourBleedInputs<typename decltype(want)::value_type>;
      for (int i = 0; i < FROST_BLEED_ITERATIONS; ++i) {
        bleed_rows(Inputs{want.data(), scratch.data(), 200, 120, radius});
        bleed_columns(Inputs{scratch.data(), want.data(), 200, 120, radius});
      }
      for (std::size_t i = 0; i < want.size(); ++i) {
        same = same && std::memcmp(&want[i], &got[i], sizeof(want[i])) == 0;
      }
    };
    if (deep) {
      compare(WorldPixels<PF_Pixel16>(sharp), WorldPixels<PF_Pixel16>(frosted), BleedColorRows16,
              BleedColorColumns16);
    } else {
      compare(WorldPixels<PF_Pixel8>(sharp), WorldPixels<PF_Pixel8>(frosted), BleedColorRows8, BleedColorColumns8);
      // The top rows lie well outside every shape: the layers below come out
      // frosted there as well.
      for (A_long y = 0; y < 4; ++y) {
        for (A_long x = 0; x < 200; ++x) {
          outside_changed += input.Pixel8(x, y).red != frosted.Pixel8(x, y).red ? 1 : 0;
        }
      }
      EXPECT_GT(outside_changed, 400);
    }
    EXPECT_TRUE(same);
  }
}

TEST_F(RenderFrameTest, NoColourAboveAlphaAtEitherDepth) {
  for (bool deep : {false, true}) {
    SCOPED_TRACE(deep);
    hostsim::Host host;
    SceneDesc d = DemoLikeScene();
    d.controls.magnify = 40;
    d.controls.splay = 30;
    d.controls.frost = 20;
    const hostsim::BuiltScene built = hostsim::BuildScene(host, d);
    hostsim::CommandDriver commands(host, LinkedModule());
    ASSERT_EQ(commands.GlobalSetup(), 0);
    // A half-transparent background makes the limit matter.
    SimWorld input(200, 120, deep), output(200, 120, deep, 16);
    FillBackground(input);
    for (A_long y = 0; y < 120; ++y) {
      for (A_long x = 0; x < 200; ++x) {
        if (deep) {
          PF_Pixel16& p = input.Pixel16(x, y);
          p = PF_Pixel16{static_cast<A_u_short>(16384), static_cast<A_u_short>(p.red / 2),
                         static_cast<A_u_short>(p.green / 2), static_cast<A_u_short>(p.blue / 2)};
        } else {
          PF_Pixel8& p = input.Pixel8(x, y);
          p = PF_Pixel8{128, static_cast<A_u_char>(p.red / 2), static_cast<A_u_char>(p.green / 2),
                        static_cast<A_u_char>(p.blue / 2)};
        }
      }
    }
    hostsim::FrameRequest request;
    request.deep = deep;
    ASSERT_EQ(hostsim::RenderFrame(commands, *built.instance, request, input, output).render_err, PF_Err_NONE);
    for (A_long y = 0; y < 120; ++y) {
      for (A_long x = 0; x < 200; ++x) {
        if (deep) {
          const PF_Pixel16& p = output.Pixel16(x, y);
          ASSERT_LE(p.alpha, PF_MAX_CHAN16);
          ASSERT_TRUE(p.red <= p.alpha && p.green <= p.alpha && p.blue <= p.alpha) << x << "," << y;
        } else {
          const PF_Pixel8& p = output.Pixel8(x, y);
          ASSERT_TRUE(p.red <= p.alpha && p.green <= p.alpha && p.blue <= p.alpha) << x << "," << y;
        }
      }
    }
    EXPECT_TRUE(output.PaddingIntact());
    g_basic_suite = nullptr;
    EXPECT_TRUE(host.Leaks().empty());
  }
}

TEST_F(RenderFrameTest, MirrorSymmetricSceneRendersMirrorSymmetric) {
  // An ellipse and a box centred on the vertical axis, over a background
  // that mirrors about the same axis; no light, which has a direction.
  SceneDesc d = ShapeScene({Ellipse(0, -10, 90, 50), Rect(0, 30, 120, 30, 8)});
  d.controls.light_intensity = 0;
  d.controls.magnify = 25;
  Build(d);
  SimWorld input(200, 120, false), output(200, 120, false);
  FillBackground(input, true);
  ASSERT_EQ(Render(input, output).render_err, PF_Err_NONE);
  int worst = 0;
  for (A_long y = 0; y < 120; ++y) {
    for (A_long x = 0; x < 100; ++x) {
      const PF_Pixel8 a = output.Pixel8(x, y), b = output.Pixel8(199 - x, y);
      worst = std::max({worst, std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue),
                        std::abs(a.alpha - b.alpha)});
    }
  }
  EXPECT_LE(worst, 1);
}

std::vector<std::uint8_t> RenderDemo(hostsim::Host& host, int concurrency, bool deep) {
  SetHardwareConcurrencyOverride(concurrency);
  SceneDesc d = DemoLikeScene();
  d.controls.frost = 12;
  d.controls.magnify = 20;
  const hostsim::BuiltScene built = hostsim::BuildScene(host, d);
  hostsim::CommandDriver commands(host, LinkedModule());
  commands.GlobalSetup();
  SimWorld input(200, 120, deep), output(200, 120, deep);
  FillBackground(input);
  hostsim::FrameRequest request;
  request.deep = deep;
  hostsim::RenderFrame(commands, *built.instance, request, input, output);
  SetHardwareConcurrencyOverride(-1);
  g_basic_suite = nullptr;
  return output.PixelBytes();
}

TEST_F(RenderFrameTest, SameBytesWithOneAndWithEightWorkers) {
  for (bool deep : {false, true}) {
    hostsim::Host a;
    const auto one = RenderDemo(a, 3, deep);
    hostsim::Host b;
    const auto eight = RenderDemo(b, 10, deep);
    EXPECT_EQ(one, eight) << deep;
  }
}

TEST_F(RenderFrameTest, HalfResolutionHalvesTheGeometry) {
  // Only the rim light draws (no refraction, magnify or dispersion): the
  // lit columns along the middle row mark the pane's edges.
  SceneDesc d = ShapeScene({Rect(0, 0, 120, 80, 0)});
  d.controls.refraction = 0;
  d.controls.dispersion = 0;
  auto lit_span = [&](int w, int h, PF_RationalScale ds) {
    hostsim::Host host;
    const hostsim::BuiltScene built = hostsim::BuildScene(host, d);
    hostsim::CommandDriver commands(host, LinkedModule());
    commands.GlobalSetup();
    SimWorld input(w, h, false), output(w, h, false);
    FillBackground(input);
    hostsim::FrameRequest request;
    request.downsample_x = ds;
    request.downsample_y = ds;
    request.layer_width = 200;
    request.layer_height = 120;
    EXPECT_EQ(hostsim::RenderFrame(commands, *built.instance, request, input, output).render_err, PF_Err_NONE);
    int first = -1, last = -1;
    for (A_long x = 0; x < w; ++x) {
      const PF_Pixel8 a = input.Pixel8(x, h / 2), b = output.Pixel8(x, h / 2);
      if (a.red != b.red || a.green != b.green || a.blue != b.blue) {
        if (first < 0) first = static_cast<int>(x);
        last = static_cast<int>(x);
      }
    }
    g_basic_suite = nullptr;
    return std::pair<int, int>(first, last);
  };
  const auto full = lit_span(200, 120, {1, 1});
  const auto half = lit_span(100, 60, {1, 2});
  ASSERT_GE(full.first, 0);
  ASSERT_GE(half.first, 0);
  EXPECT_NEAR(half.first, full.first / 2.0, 2.0);
  EXPECT_NEAR(half.second, full.second / 2.0, 2.0);
}

TEST_F(RenderFrameTest, ConcurrentFramesGiveTheSameBytesAsOneAtATime) {
  SceneDesc d = DemoLikeScene();
  d.controls.frost = 10;
  Build(d);
  SimWorld input(200, 120, false);
  FillBackground(input);
  SimWorld reference(200, 120, false);
  ASSERT_EQ(Render(input, reference).render_err, PF_Err_NONE);
  constexpr int FRAMES = 4;
  std::vector<SimWorld> outputs;
  for (int i = 0; i < FRAMES; ++i) outputs.emplace_back(200, 120, false);
  std::vector<PF_Err> errs(FRAMES, -1);
  std::vector<std::thread> threads;
  for (int i = 0; i < FRAMES; ++i) {
    threads.emplace_back([&, i] {
      // Each host render thread has its own copy of the command records.
      hostsim::CommandDriver commands(host_, LinkedModule());
      hostsim::FrameRequest request;
      request.layer_width = 200;
      request.layer_height = 120;
      errs[i] = hostsim::RenderFrame(commands, *built_.instance, request, input, outputs[i]).render_err;
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < FRAMES; ++i) {
    EXPECT_EQ(errs[i], PF_Err_NONE);
    EXPECT_EQ(outputs[i].PixelBytes(), reference.PixelBytes()) << i;
  }
}

TEST_F(RenderFrameTest, PaneFieldOutOfMemoryReturns4AndLeavesTheOutput) {
  Build(DemoLikeScene());
  SimWorld input(200, 120, false);
  FillBackground(input);
  for (int nth : {1, 2}) {  // pane_depth, then pane_distance
    SCOPED_TRACE(nth);
    SimWorld output(200, 120, false);
    for (A_long y = 0; y < 120; ++y)
      for (A_long x = 0; x < 200; ++x) output.Pixel8(x, y) = PF_Pixel8{1, 1, 1, 1};
    const auto before = output.PixelBytes();
    ArmAllocationFailure(nth);
    const hostsim::FrameResult r = Render(input, output);
    DisarmAllocationFailure();
    EXPECT_EQ(r.render_err, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(r.input_checkins, 1);
    EXPECT_EQ(output.PixelBytes(), before);
  }
}

TEST_F(RenderFrameTest, EveryLaterAllocationFailureStillCompletesTheFrame) {
  // Frost on, so the frost buffers are among the allocations that fail.
  SceneDesc d = DemoLikeScene();
  d.controls.frost = 10;
  Build(d);
  SimWorld input(200, 120, false);
  FillBackground(input);
  SimWorld probe(200, 120, false);
  ResetAllocationSeamCount();
  ASSERT_EQ(Render(input, probe).render_err, PF_Err_NONE);
  const std::int64_t allocations = AllocationSeamCount();
  ASSERT_GE(allocations, 3);
  for (std::int64_t n = 3; n <= allocations; ++n) {
    SimWorld output(200, 120, false);
    ArmAllocationFailure(n);
    const hostsim::FrameResult r = Render(input, output);
    DisarmAllocationFailure();
    EXPECT_EQ(r.render_err, PF_Err_NONE) << n;
    EXPECT_EQ(r.input_checkins, 1) << n;
  }
}

}  // namespace
