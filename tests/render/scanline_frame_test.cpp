// Whole frames whose panes are filled on the supersampled scanline roads:
// a solid with masks (the shapes road) and a shape layer of free paths
// under a Subtract merge (the raster path road), through the simulated
// host: panes where the outlines are and nowhere else, the same bytes with
// 1 and with 8 workers, and a finished frame whatever allocation fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "host/pf_errors.h"
#include "render/allocation_seam.h"
#include "render/parallel_for.h"
#include "support/frame_fixture.h"

namespace {

using hostsim::ContentItem;
using hostsim::MaskDesc;
using hostsim::SceneDesc;
using hostsim::SimWorld;

std::vector<std::array<double, 2>> Box(double x0, double y0, double x1, double y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// A 200 x 120 solid (layer pixels are composition pixels) with an added
// box and a smaller box subtracted from it: a frame with a hole.
SceneDesc MaskedSolid() {
  SceneDesc d;
  d.width = 200;
  d.height = 120;
  d.layer_kind = SceneDesc::LayerKind::SOLID;
  MaskDesc outer;
  outer.mode = 1;
  outer.path = Box(40, 20, 160, 100);
  MaskDesc hole;
  hole.mode = 2;
  hole.path = Box(80, 45, 120, 75);
  d.masks = {outer, hole};
  return d;
}

ContentItem PathGroup(std::vector<std::array<double, 2>> points) {
  ContentItem path;
  path.kind = ContentItem::Kind::PATH;
  path.path = std::move(points);
  ContentItem fill;
  fill.kind = ContentItem::Kind::FILL;
  ContentItem g;
  g.kind = ContentItem::Kind::GROUP;
  g.contents = {path, fill};
  return g;
}

// A shape layer (origin at the composition's centre, (100, 60)) with two
// overlapping free paths and a Subtract merge: composition boxes
// 30..90 x 30..90 and 70..130 x 40..80.
SceneDesc SubtractedPaths() {
  SceneDesc d;
  d.width = 200;
  d.height = 120;
  ContentItem merge;
  merge.kind = ContentItem::Kind::MERGE;
  merge.merge_mode = 3;
  d.contents = {PathGroup(Box(-70, -30, -10, 30)), PathGroup(Box(-30, -20, 30, 20)), merge};
  return d;
}

struct Region {
  int x0, y0, x1, y1;  // inclusive
};

int ChangedPixels(const SimWorld& a, const SimWorld& b, Region r) {
  int n = 0;
  for (A_long y = r.y0; y <= r.y1; ++y) {
    for (A_long x = r.x0; x <= r.x1; ++x) {
      const PF_Pixel8 p = a.Pixel8(x, y), q = b.Pixel8(x, y);
      n += (p.alpha != q.alpha || p.red != q.red || p.green != q.green || p.blue != q.blue) ? 1 : 0;
    }
  }
  return n;
}

int Area(Region r) { return (r.x1 - r.x0 + 1) * (r.y1 - r.y0 + 1); }

class ScanlineFrameTest : public FrameTest {};

TEST_F(ScanlineFrameTest, MaskedSolidHasPanesInTheFrameAndNoneInTheHole) {
  Build(MaskedSolid());
  SimWorld input(200, 120, false), output(200, 120, false);
  FillBackground(input);
  ASSERT_EQ(Render(input, output).render_err, PF_Err_NONE);
  const Region left_bar{45, 30, 75, 90}, hole{88, 52, 112, 68}, far{0, 0, 30, 12}, below{60, 106, 140, 119};
  EXPECT_GT(ChangedPixels(input, output, left_bar), Area(left_bar) / 2);
  EXPECT_EQ(ChangedPixels(input, output, hole), 0);
  EXPECT_EQ(ChangedPixels(input, output, far), 0);
  EXPECT_EQ(ChangedPixels(input, output, below), 0);
}

// A wavy blob and a triangle off to one side, in layer pixels about
// (cx, cy); mirror = -1 gives the left-right mirror image about cx.
std::vector<std::vector<std::array<double, 2>>> Outlines(double cx, double cy, double mirror) {
  std::vector<std::array<double, 2>> blob, triangle;
  for (int j = 0; j < 30; ++j) {
    const double a = j * 2.0 * 3.14159265358979 / 30.0;
    const double r = 26.0 + 6.0 * std::sin(3.0 * a + 0.4) + 2.5 * std::cos(5.0 * a);
    blob.push_back({cx + mirror * (-42.3 + r * std::cos(a)), cy - 3.7 + r * std::sin(a)});
  }
  triangle = {{cx + mirror * 18.6, cy + 25.2}, {cx + mirror * 71.3, cy - 8.9}, {cx + mirror * 49.8, cy + 41.4}};
  return {blob, triangle};
}

// One frame of a scene on a host of its own, over the given input.
SimWorld RenderAlone(const SceneDesc& d, const SimWorld& input) {
  hostsim::Host host;
  const hostsim::BuiltScene built = hostsim::BuildScene(host, d);
  hostsim::CommandDriver commands(host, LinkedModule());
  EXPECT_EQ(commands.GlobalSetup(), 0);
  EXPECT_EQ(commands.SequenceSetup(), 0);
  SimWorld in = input, output(input.width(), input.height(), false);
  hostsim::FrameRequest request;
  request.layer_width = d.width;
  request.layer_height = d.height;
  EXPECT_EQ(hostsim::RenderFrame(commands, *built.instance, request, in, output).render_err, PF_Err_NONE);
  commands.SequenceSetdown();
  g_basic_suite = nullptr;
  return output;
}

// A scene and its left-right mirror image (outlines and background both
// mirrored about the composition's centre) render as mirror images of each
// other: pixel x of one is pixel 199 - x of the other. No light: it has a
// direction.
struct MirrorDifference {
  int worst = 0;      // levels
  int above_one = 0;  // pixels more than one level apart
};

MirrorDifference CompareWithMirror(const std::function<SceneDesc(double)>& scene) {
  SimWorld outputs[2];
  for (int k = 0; k < 2; ++k) {
    SceneDesc d = scene(k == 0 ? 1.0 : -1.0);
    d.controls.light_intensity = 0;
    d.controls.magnify = 15;
    SimWorld background(200, 120, false), input(200, 120, false);
    FillBackground(background);
    for (A_long y = 0; y < 120; ++y) {
      for (A_long x = 0; x < 200; ++x) input.Pixel8(x, y) = background.Pixel8(k == 0 ? x : 199 - x, y);
    }
    outputs[k] = RenderAlone(d, input);
  }
  MirrorDifference m;
  for (A_long y = 0; y < 120; ++y) {
    for (A_long x = 0; x < 200; ++x) {
      const PF_Pixel8 a = outputs[0].Pixel8(x, y), b = outputs[1].Pixel8(199 - x, y);
      const int d = std::max({std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue),
                              std::abs(a.alpha - b.alpha)});
      m.worst = std::max(m.worst, d);
      m.above_one += d > 1 ? 1 : 0;
    }
  }
  return m;
}

TEST_F(ScanlineFrameTest, MirroredMasksAndPathsRenderMirrored) {
  // Masks of a solid whose layer pixels are the composition's: the mirror
  // about x = 100.
  const MirrorDifference masks = CompareWithMirror([](double mirror) {
              SceneDesc d;
              d.width = 200;
              d.height = 120;
              d.layer_kind = SceneDesc::LayerKind::SOLID;
              for (auto& outline : Outlines(100.0, 60.0, mirror)) {
                MaskDesc m;
                m.path = std::move(outline);
                d.masks.push_back(std::move(m));
              }
              return d;
            });
  EXPECT_LE(masks.worst, 1);
  // Free paths of a shape layer whose origin is the composition's centre,
  // under a Subtract merge (the padded raster road). The float sums of a
  // mirrored scene are not the same sums, so a truncation may land one
  // level further now and then.
  const MirrorDifference paths = CompareWithMirror([](double mirror) {
              SceneDesc d;
              d.width = 200;
              d.height = 120;
              for (auto& outline : Outlines(0.0, 0.0, mirror)) d.contents.push_back(PathGroup(std::move(outline)));
              ContentItem merge;
              merge.kind = ContentItem::Kind::MERGE;
              merge.merge_mode = 3;
              d.contents.push_back(merge);
              return d;
            });
  EXPECT_LE(paths.worst, 2);
  EXPECT_LE(paths.above_one, 3);
}

// A free path in a group whose transform moves its anchor, scales it
// unevenly and turns it (among other groups), and one in the contents'
// single group scaled 200 %: the panes lie where the path's own fill is,
// that is where the same path lands with its points carried through the
// group transform here and drawn in a group without one. The layer's
// pixels are the composition's.
TEST_F(ScanlineFrameTest, GroupedPathsSitWhereTheirFillIs) {
  std::vector<std::array<double, 2>> path;
  for (int j = 0; j < 20; ++j) {
    const double a = j * 2.0 * 3.14159265358979 / 20.0;
    const double r = 30.0 + 7.0 * std::sin(2.0 * a + 0.3);
    path.push_back({100.0 + 1.2 * r * std::cos(a), 50.0 + r * std::sin(a)});
  }
  struct Case {
    const char* name;
    hostsim::TransformDesc transform;
    bool single;
  };
  hostsim::TransformDesc moved, doubled;
  moved.anchor = {100, 50};
  moved.position = {200, 120};
  moved.scale = {150, 80};
  moved.rotation = 30;
  doubled.anchor = {100, 50};
  doubled.position = {240, 160};
  doubled.scale = {200, 200};
  const Case cases[] = {{"moved anchor, uneven scale, turned", moved, false}, {"single group at 200 %", doubled, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto scene = [&](bool carried_here) {
      SceneDesc d;
      d.width = 480;
      d.height = 320;
      d.transform_given = true;
      d.controls.light_intensity = 0;
      ContentItem group = PathGroup(path);
      if (carried_here) {
        const hostsim::TransformDesc& t = c.transform;
        const double a = t.rotation * 3.14159265358979 / 180.0;
        for (auto& p : group.contents[0].path) {
          const double x = (p[0] - t.anchor[0]) * t.scale[0] / 100.0, y = (p[1] - t.anchor[1]) * t.scale[1] / 100.0;
          p = {std::cos(a) * x - std::sin(a) * y + t.position[0], std::sin(a) * x + std::cos(a) * y + t.position[1]};
        }
      } else {
        group.group_transform = c.transform;
      }
      d.contents.push_back(group);
      if (!c.single || carried_here) {
        ContentItem empty;
        empty.kind = ContentItem::Kind::GROUP;
        d.contents.push_back(empty);
      }
      return d;
    };
    SimWorld input(480, 320, false);
    FillBackground(input);
    const SimWorld grouped = RenderAlone(scene(false), input);
    const SimWorld carried = RenderAlone(scene(true), input);
    int worst = 0, above_one = 0, panes = 0;
    for (A_long y = 0; y < 320; ++y) {
      for (A_long x = 0; x < 480; ++x) {
        const PF_Pixel8 a = grouped.Pixel8(x, y), b = carried.Pixel8(x, y), i = input.Pixel8(x, y);
        const int d = std::max({std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue),
                                std::abs(a.alpha - b.alpha)});
        worst = std::max(worst, d);
        above_one += d > 1 ? 1 : 0;
        panes += (b.red != i.red || b.green != i.green || b.blue != i.blue) ? 1 : 0;
      }
    }
    EXPECT_GT(panes, 2000);
    EXPECT_LE(worst, 2);
    EXPECT_LE(above_one, 5);
  }
}

TEST_F(ScanlineFrameTest, SubtractMergedPathsTakeTheRasterRoadAndShowBothPaths) {
  Build(SubtractedPaths());
  SimWorld input(200, 120, false), output(200, 120, false);
  FillBackground(input);
  ASSERT_EQ(Render(input, output).render_err, PF_Err_NONE);
  // Each path filled even-odd on its own and the two added: the first box,
  // the overlap and the second box all hold panes.
  const Region first{35, 35, 65, 85}, overlap{74, 45, 86, 75}, second{95, 45, 125, 75};
  const Region far{150, 0, 199, 119}, top{0, 0, 199, 22};
  EXPECT_GT(ChangedPixels(input, output, first), Area(first) / 2);
  EXPECT_GT(ChangedPixels(input, output, overlap), Area(overlap) / 2);
  EXPECT_GT(ChangedPixels(input, output, second), Area(second) / 2);
  EXPECT_EQ(ChangedPixels(input, output, far), 0);
  EXPECT_EQ(ChangedPixels(input, output, top), 0);
}

TEST_F(ScanlineFrameTest, PathRoadWithoutItsRasterFallsToTheTextRoadAndLeavesNoPane) {
  Build(SubtractedPaths());
  SimWorld input(200, 120, false);
  FillBackground(input);
  auto text_road_asks = [&](std::int64_t fail_nth, SimWorld& output) {
    const int outlines_before = host_.calls().Count("AEGP_GetNewTextOutlines");
    const int types_before = host_.calls().Count("AEGP_GetLayerObjectType");
    if (fail_nth > 0) ArmAllocationFailure(fail_nth);
    const hostsim::FrameResult r = Render(input, output);
    DisarmAllocationFailure();
    EXPECT_EQ(r.render_err, PF_Err_NONE);
    EXPECT_EQ(host_.calls().Count("AEGP_GetNewTextOutlines"), outlines_before);
    return host_.calls().Count("AEGP_GetLayerObjectType") - types_before;
  };
  SimWorld normal(200, 120, false);
  const int types_normally = text_road_asks(0, normal);
  ASSERT_NE(normal.PixelBytes(), input.PixelBytes());
  // Pane depth, distance and height come first; then the road's mask and
  // its two distance work planes, without which it builds no field.
  for (std::int64_t n = 4; n <= 6; ++n) {
    SCOPED_TRACE(n);
    SimWorld output(200, 120, false);
    // The text road asks whether the layer is a text layer, finds a shape
    // layer, and leaves no pane anywhere.
    EXPECT_EQ(text_road_asks(n, output), types_normally + 1);
    EXPECT_EQ(output.PixelBytes(), input.PixelBytes());
  }
  // Without the float raster the road fills the mask instead and the text
  // road does not run.
  SimWorld masked(200, 120, false);
  EXPECT_EQ(text_road_asks(7, masked), types_normally);
  EXPECT_NE(masked.PixelBytes(), input.PixelBytes());
}

std::vector<std::uint8_t> RenderWith(const SceneDesc& d, int concurrency, bool deep) {
  hostsim::Host host;
  SetHardwareConcurrencyOverride(concurrency);
  const hostsim::BuiltScene built = hostsim::BuildScene(host, d);
  hostsim::CommandDriver commands(host, LinkedModule());
  commands.GlobalSetup();
  SimWorld input(200, 120, deep), output(200, 120, deep);
  FillBackground(input);
  hostsim::FrameRequest request;
  request.deep = deep;
  request.layer_width = 200;
  request.layer_height = 120;
  const PF_Err err = hostsim::RenderFrame(commands, *built.instance, request, input, output).render_err;
  SetHardwareConcurrencyOverride(-1);
  g_basic_suite = nullptr;
  EXPECT_EQ(err, PF_Err_NONE);
  EXPECT_TRUE(host.Leaks().empty());
  return output.PixelBytes();
}

TEST_F(ScanlineFrameTest, SameBytesWithOneAndWithEightWorkers) {
  SceneDesc masked = MaskedSolid();
  masked.controls.frost = 8;
  masked.controls.magnify = 20;
  for (const SceneDesc& d : {masked, SubtractedPaths()}) {
    for (bool deep : {false, true}) {
      EXPECT_EQ(RenderWith(d, 3, deep), RenderWith(d, 10, deep)) << deep;
    }
  }
}

TEST_F(ScanlineFrameTest, EveryAllocationFailureStillCompletesTheFrame) {
  for (const SceneDesc& d : {MaskedSolid(), SubtractedPaths()}) {
    hostsim::Host host;
    const hostsim::BuiltScene built = hostsim::BuildScene(host, d);
    hostsim::CommandDriver commands(host, LinkedModule());
    ASSERT_EQ(commands.GlobalSetup(), 0);
    SimWorld input(200, 120, false);
    FillBackground(input);
    hostsim::FrameRequest request;
    request.layer_width = 200;
    request.layer_height = 120;
    SimWorld probe(200, 120, false);
    ResetAllocationSeamCount();
    ASSERT_EQ(hostsim::RenderFrame(commands, *built.instance, request, input, probe).render_err, PF_Err_NONE);
    const std::int64_t allocations = AllocationSeamCount();
    ASSERT_GE(allocations, 10);
    // The first two are the pane planes, whose loss fails the frame.
    for (std::int64_t n = 3; n <= allocations; ++n) {
      SimWorld output(200, 120, false);
      ArmAllocationFailure(n);
      const hostsim::FrameResult r = hostsim::RenderFrame(commands, *built.instance, request, input, output);
      DisarmAllocationFailure();
      EXPECT_EQ(r.render_err, PF_Err_NONE) << n;
      EXPECT_EQ(r.input_checkins, 1) << n;
    }
    g_basic_suite = nullptr;
    EXPECT_TRUE(host.Leaks().empty());
  }
}

}  // namespace
