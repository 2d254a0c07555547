// Whole frames whose scene holds numbers no real project has: angles of
// 1e308 degrees, infinities, NaN, positions and scales near the largest
// double, controls far outside their ranges. A host expression can produce
// any of them. Each frame must complete without an undefined conversion (the
// sanitizer build aborts on one) and must be exactly the frame of the value
// the plug-in works with in its place: the angle reduced modulo 360, the
// length or scale held to its limit, the unreadable value at its default.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "geometry/bounded_values.h"
#include "host/pf_errors.h"
#include "support/fresh_host_frame.h"
#include "support/road_scenes.h"

namespace {

using hostsim::ContentItem;
using hostsim::SceneDesc;

constexpr double HUGE_VALUE = 1e308;
const double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();
const double INFINITE = std::numeric_limits<double>::infinity();

struct ExtremeCase {
  std::string field;
  Road road;
  std::function<void(SceneDesc&)> extreme;    // the scene with the extreme value
  std::function<void(SceneDesc&)> read_as;    // the same scene with the value used instead
};

// The several-shapes scene under one parent that changes nothing, so the
// parent's fields can be set too: contents 0 the rectangle, 1 the ellipse,
// 2 the star, each the first item of its group.
SceneDesc BaseScene(Road road, bool deep) {
  SceneDesc d = RoadScene(road, deep, false);
  d.parents.push_back(hostsim::TransformDesc{});
  d.controls.frost = 3;
  return d;
}

ContentItem& Item(SceneDesc& d, int group) { return d.contents[static_cast<std::size_t>(group)].contents[0]; }

// The layer's transform given in full: centred as the host places it.
void Place(SceneDesc& d, double px, double py, double ax, double ay) {
  d.transform_given = true;
  d.transform.position = {px, py};
  d.transform.anchor = {ax, ay};
}

std::vector<ExtremeCase> Cases() {
  const double reduced = std::fmod(HUGE_VALUE, 360.0);
  std::vector<ExtremeCase> c;
  auto add = [&c](std::string field, Road road, std::function<void(SceneDesc&)> extreme,
                  std::function<void(SceneDesc&)> read_as) {
    c.push_back({std::move(field), road, std::move(extreme), std::move(read_as)});
  };
  const Road shapes = Road::SEVERAL_SHAPES;
  // The layer's own transform and its parent's.
  add("rotation 1e308", shapes, [](SceneDesc& d) { d.transform.rotation = HUGE_VALUE; },
      [reduced](SceneDesc& d) { d.transform.rotation = reduced; });
  add("rotation -1e308", shapes, [](SceneDesc& d) { d.transform.rotation = -HUGE_VALUE; },
      [reduced](SceneDesc& d) { d.transform.rotation = -reduced; });
  add("rotation NaN", shapes, [](SceneDesc& d) { d.transform.rotation = NOT_A_NUMBER; },
      [](SceneDesc& d) { d.transform.rotation = 0; });
  add("rotation infinite", shapes, [](SceneDesc& d) { d.transform.rotation = -INFINITE; },
      [](SceneDesc& d) { d.transform.rotation = 0; });
  add("parent rotation -1e308", shapes, [](SceneDesc& d) { d.parents[0].rotation = -HUGE_VALUE; },
      [reduced](SceneDesc& d) { d.parents[0].rotation = -reduced; });
  add("own 1e308 and parent -1e308", shapes,
      [](SceneDesc& d) {
        d.transform.rotation = HUGE_VALUE;
        d.parents[0].rotation = -HUGE_VALUE;
      },
      [reduced](SceneDesc& d) {
        d.transform.rotation = reduced;
        d.parents[0].rotation = -reduced;
      });
  add("rotation 2e9", shapes, [](SceneDesc& d) { d.transform.rotation = 2e9 + 30; },
      [](SceneDesc& d) { d.transform.rotation = std::fmod(2e9 + 30, 360.0); });
  add("position 1e308", shapes, [](SceneDesc& d) { Place(d, HUGE_VALUE, 24, 0, 0); },
      [](SceneDesc& d) { Place(d, LENGTH_LIMIT, 24, 0, 0); });
  add("position NaN", shapes, [](SceneDesc& d) { Place(d, NOT_A_NUMBER, 24, 0, 0); },
      [](SceneDesc& d) { Place(d, 0, 0, 0, 0); });
  add("anchor -1e308", shapes, [](SceneDesc& d) { Place(d, 32, 24, -HUGE_VALUE, 3); },
      [](SceneDesc& d) { Place(d, 32, 24, -LENGTH_LIMIT, 3); });
  add("scale 1e308", shapes, [](SceneDesc& d) { d.transform.scale = {HUGE_VALUE, 50}; },
      [](SceneDesc& d) { d.transform.scale = {SCALE_LIMIT_PCT, 50}; });
  add("scale -1e308", shapes, [](SceneDesc& d) { d.transform.scale = {80, -HUGE_VALUE}; },
      [](SceneDesc& d) { d.transform.scale = {80, -SCALE_LIMIT_PCT}; });
  add("scale infinite", shapes, [](SceneDesc& d) { d.transform.scale = {INFINITE, 50}; },
      [](SceneDesc& d) { d.transform.scale = {100, 100}; });
  add("parent scale 1e308 over position 1e7", shapes,
      [](SceneDesc& d) {
        d.parents[0].scale = {HUGE_VALUE, HUGE_VALUE};
        Place(d, 2e7, 24, 0, 0);
      },
      [](SceneDesc& d) {
        d.parents[0].scale = {SCALE_LIMIT_PCT, SCALE_LIMIT_PCT};
        Place(d, LENGTH_LIMIT, 24, 0, 0);
      });
  add("parent position and anchor 1e308", shapes,
      [](SceneDesc& d) {
        d.parents[0].position = {HUGE_VALUE, -HUGE_VALUE};
        d.parents[0].anchor = {-HUGE_VALUE, 5};
      },
      [](SceneDesc& d) {
        d.parents[0].position = {LENGTH_LIMIT, -LENGTH_LIMIT};
        d.parents[0].anchor = {-LENGTH_LIMIT, 5};
      });
  add("a small layer scaled up 1e308 times", shapes,
      [](SceneDesc& d) {
        d.transform.scale = {1e-300, 1e-300};
        d.parents[0].scale = {HUGE_VALUE, HUGE_VALUE};
      },
      [](SceneDesc& d) {
        d.transform.scale = {1e-300, 1e-300};
        d.parents[0].scale = {SCALE_LIMIT_PCT, SCALE_LIMIT_PCT};
      });
  // Shape contents.
  add("rectangle size 1e308", shapes, [](SceneDesc& d) { Item(d, 0).size = {HUGE_VALUE, 30}; },
      [](SceneDesc& d) { Item(d, 0).size = {LENGTH_LIMIT, 30}; });
  add("rectangle position -1e308", shapes, [](SceneDesc& d) { Item(d, 0).position = {-HUGE_VALUE, 3}; },
      [](SceneDesc& d) { Item(d, 0).position = {-LENGTH_LIMIT, 3}; });
  add("rectangle roundness 1e308", shapes, [](SceneDesc& d) { Item(d, 0).roundness = HUGE_VALUE; },
      [](SceneDesc& d) { Item(d, 0).roundness = LENGTH_LIMIT; });
  add("ellipse size 1e308 by a tiny one", shapes, [](SceneDesc& d) { Item(d, 1).size = {HUGE_VALUE, 1e-300}; },
      [](SceneDesc& d) { Item(d, 1).size = {LENGTH_LIMIT, 1e-300}; });
  add("star radii 1e308", shapes,
      [](SceneDesc& d) {
        Item(d, 2).outer_radius = HUGE_VALUE;
        Item(d, 2).inner_radius = HUGE_VALUE / 2;
      },
      [](SceneDesc& d) {
        Item(d, 2).outer_radius = LENGTH_LIMIT;
        Item(d, 2).inner_radius = LENGTH_LIMIT;
      });
  add("star rotation 1e308", shapes, [](SceneDesc& d) { Item(d, 2).rotation = HUGE_VALUE; },
      [reduced](SceneDesc& d) { Item(d, 2).rotation = reduced; });
  add("star points 1e308", shapes, [](SceneDesc& d) { Item(d, 2).points = HUGE_VALUE; },
      [](SceneDesc& d) { Item(d, 2).points = 5; });
  add("star roundness 1e308", shapes,
      [](SceneDesc& d) {
        Item(d, 2).outer_roundness = HUGE_VALUE;
        Item(d, 2).inner_roundness = -HUGE_VALUE;
      },
      [](SceneDesc& d) {
        Item(d, 2).outer_roundness = STREAM_VALUE_LIMIT;
        Item(d, 2).inner_roundness = -STREAM_VALUE_LIMIT;
      });
  add("group transform 1e308", shapes,
      [](SceneDesc& d) {
        hostsim::TransformDesc t;
        t.position = {HUGE_VALUE, 2};
        t.scale = {HUGE_VALUE, 60};
        t.rotation = HUGE_VALUE;
        d.contents[1].group_transform = t;
      },
      [reduced](SceneDesc& d) {
        hostsim::TransformDesc t;
        t.position = {LENGTH_LIMIT, 2};
        t.scale = {SCALE_LIMIT_PCT, 60};
        t.rotation = reduced;
        d.contents[1].group_transform = t;
      });
  add("path point 1e308", Road::FREE_PATHS, [](SceneDesc& d) { Item(d, 1).path[1] = {HUGE_VALUE, -HUGE_VALUE}; },
      [](SceneDesc& d) { Item(d, 1).path[1] = {LENGTH_LIMIT, -LENGTH_LIMIT}; });
  add("mask point 1e308", Road::MASKS, [](SceneDesc& d) { d.masks[0].path[2] = {HUGE_VALUE, 30}; },
      [](SceneDesc& d) { d.masks[0].path[2] = {LENGTH_LIMIT, 30}; });
  // Controls, which reach the pixel arithmetic most directly.
  using Control = double hostsim::ControlsDesc::*;
  const std::pair<const char*, Control> controls[] = {
      {"Light Intensity", &hostsim::ControlsDesc::light_intensity},
      {"Refraction", &hostsim::ControlsDesc::refraction},
      {"Depth", &hostsim::ControlsDesc::depth},
      {"Dispersion", &hostsim::ControlsDesc::dispersion},
      {"Frost", &hostsim::ControlsDesc::frost},
      {"Splay", &hostsim::ControlsDesc::splay},
      {"Magnify", &hostsim::ControlsDesc::magnify},
      {"Effect Scale", &hostsim::ControlsDesc::effect_scale},
      {"Rim Scale", &hostsim::ControlsDesc::rim_scale},
  };
  for (const auto& [name, member] : controls) {
    for (const double sign : {1.0, -1.0}) {
      add(std::string(name) + (sign > 0 ? " 1e308" : " -1e308"), shapes,
          [member, sign](SceneDesc& d) { d.controls.*member = sign * HUGE_VALUE; },
          [member, sign](SceneDesc& d) { d.controls.*member = sign * CONTROL_LIMIT; });
    }
    add(std::string(name) + " NaN", shapes, [member](SceneDesc& d) { d.controls.*member = NOT_A_NUMBER; },
        [member](SceneDesc& d) { d.controls.*member = 0; });
  }
  return c;
}

// An opaque black pixel: what a NaN carried into the channels leaves.
int OpaqueBlackPixels(const std::vector<std::uint8_t>& bytes, bool deep) {
  int n = 0;
  if (deep) {
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
      const bool black = bytes[i] == 0x00 && bytes[i + 1] == 0x80 && bytes[i + 2] == 0 && bytes[i + 3] == 0 &&
                         bytes[i + 4] == 0 && bytes[i + 5] == 0 && bytes[i + 6] == 0 && bytes[i + 7] == 0;
      n += black ? 1 : 0;
    }
  } else {
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
      n += (bytes[i] == 255 && bytes[i + 1] == 0 && bytes[i + 2] == 0 && bytes[i + 3] == 0) ? 1 : 0;
    }
  }
  return n;
}

TEST(ExtremeValueFrameTest, EachFrameIsTheFrameOfTheValueUsedInstead) {
  for (const ExtremeCase& c : Cases()) {
    for (const bool deep : {false, true}) {
      SCOPED_TRACE(c.field + (deep ? " at 16 bits" : " at 8 bits"));
      SceneDesc extreme = BaseScene(c.road, deep);
      c.extreme(extreme);
      SceneDesc read_as = BaseScene(c.road, deep);
      c.read_as(read_as);
      const FreshFrame got = RenderFreshFrame(extreme);
      const FreshFrame want = RenderFreshFrame(read_as);
      ASSERT_EQ(got.pre_render_err, PF_Err_NONE);
      ASSERT_EQ(got.render_err, PF_Err_NONE);
      ASSERT_EQ(want.render_err, PF_Err_NONE);
      EXPECT_TRUE(got.leaks.empty()) << got.leaks.front();
      EXPECT_EQ(got.bytes, want.bytes);
      // Nor is it the black one a NaN left behind. (A light ten thousand
      // times its full intensity really does darken the panes' far side to
      // black.)
      const int pixels = extreme.width * extreme.height;
      if (c.field.rfind("Light Intensity", 0) != 0) {
        EXPECT_LT(OpaqueBlackPixels(got.bytes, deep), pixels / 50);
      }
    }
  }
}

// The reproducer as a user met it: a 64 x 48 composition whose layer turns
// 1e308 degrees rendered the whole frame opaque black (a shape layer without
// contents, whose pane covers the frame; the rim light's direction came out
// NaN).
TEST(ExtremeValueFrameTest, HugeRotationLeavesTheBackgroundWherePanesAreNot) {
  SceneDesc d;
  d.width = 64;
  d.height = 48;
  d.transform.rotation = HUGE_VALUE;
  const FreshFrame frame = RenderFreshFrame(d);
  ASSERT_EQ(frame.render_err, PF_Err_NONE);
  EXPECT_LT(OpaqueBlackPixels(frame.bytes, false), 64 * 48 / 50);
  SceneDesc turned = d;
  turned.transform.rotation = std::fmod(HUGE_VALUE, 360.0);
  EXPECT_EQ(frame.bytes, RenderFreshFrame(turned).bytes);
}

}  // namespace
