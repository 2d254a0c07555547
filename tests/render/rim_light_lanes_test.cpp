// The rim light in four-pixel lanes, and in its plain scalar form
// (plain_lanes_kernels.h), against the per-pixel pass it replaced
// (rim_light_reference.h): the same bytes, row padding included, at both
// depths, over worlds from one pixel to 4096 across (widths that leave one to
// three columns past the last block of four), on every road the gradient and
// the values come by, with and without angle planes and region labels, with
// non-finite plane values, and with the angle responses' memory refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "plain_lanes_kernels.h"
#include "render/allocation_seam.h"
#include "render/pane_regions.h"
#include "render/pixel_traits.h"
#include "render/rim_light.h"
#include "rim_light_reference.h"
#include "test_pixel_world.h"

namespace {

constexpr std::int32_t MARGIN = 3;

// Pane planes, a padded field and angle planes of a few discs and rings, so
// there are edges facing every way, holes and several regions.
struct RimScene {
  FloatPlane depth, distance, padded, grad_x, grad_y;
  PaneCentre whole;
  PaneRegions regions;
};

RimScene MakeScene(std::int32_t w, std::int32_t h, bool specials, std::mt19937& rng) {
  RimScene s;
  EXPECT_TRUE(AllocateFloatPlane(s.depth, w, h));
  EXPECT_TRUE(AllocateFloatPlane(s.distance, w, h));
  EXPECT_TRUE(AllocateFloatPlane(s.padded, w + 2 * MARGIN, h + 2 * MARGIN));
  EXPECT_TRUE(AllocateFloatPlane(s.grad_x, w + 2 * MARGIN, h + 2 * MARGIN));
  EXPECT_TRUE(AllocateFloatPlane(s.grad_y, w + 2 * MARGIN, h + 2 * MARGIN));
  auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  struct Ring {
    float x, y, r, t;
  };
  std::vector<Ring> rings;
  const int count = 1 + static_cast<int>(rng() % 5);
  const float size = static_cast<float>(std::max(w, h));
  for (int k = 0; k < count; ++k) {
    const float r = uniform(1.0f, 0.4f * size + 2.0f);
    rings.push_back({uniform(0.0f, static_cast<float>(w)), uniform(0.0f, static_cast<float>(h)), r,
                     rng() % 2 ? r + 1.0f : uniform(1.0f, r)});
  }
  auto field = [&](std::int32_t x, std::int32_t y) {
    float d = -1.0e4f;
    for (const Ring& g : rings) {
      const float dist = std::hypot(static_cast<float>(x) - g.x, static_cast<float>(y) - g.y);
      d = std::max(d, g.t - std::fabs(dist - g.r));
    }
    return d;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      float v = field(x, y);
      if (specials && rng() % 9 == 0) v = rng() % 2 ? nan : (rng() % 2 ? inf : -inf);
      s.distance.At(x, y) = v;
      s.depth.At(x, y) = v > 0.0f ? v : 0.0f;
    }
  for (std::int32_t y = 0; y < s.padded.height; ++y)
    for (std::int32_t x = 0; x < s.padded.width; ++x) {
      float v = field(x - MARGIN, y - MARGIN) + uniform(-0.3f, 0.3f);
      if (specials && rng() % 11 == 0) v = rng() % 2 ? nan : inf;
      s.padded.At(x, y) = v;
      s.grad_x.At(x, y) = uniform(-1.0f, 1.0f);
      s.grad_y.At(x, y) = uniform(-1.0f, 1.0f);
    }
  s.whole = FindPaneCentre(s.depth);
  s.regions = LabelPaneRegions(s.depth, s.distance, s.whole);
  return s;
}

template <typename Pixel>
void FillRandom(TestPixelWorld<Pixel>& world, std::mt19937& rng) {
  const int full = PixelTraits<Pixel>::FULL;
  for (std::int32_t y = 0; y < world.world.height; ++y)
    for (std::int32_t x = 0; x < world.world.width; ++x) {
      int a = static_cast<int>(rng() % (full + 1));
      if (rng() % 5 == 0) a = 0;
      if (rng() % 4 == 0) a = full;
      world.At(x, y) = MakePixel<Pixel>(a, static_cast<int>(rng() % (a + 1)), static_cast<int>(rng() % (a + 1)),
                                        static_cast<int>(rng() % (a + 1)));
      // Some pixels that are not premultiplied: the pass must leave their
      // channels above alpha alone wherever it does not touch them.
      if (rng() % 17 == 0) world.At(x, y).red = static_cast<decltype(world.At(x, y).red)>(full);
      // And at 16 bits some whose words hold any value at all.
      if (sizeof(Pixel) == 8 && rng() % 13 == 0) {
        world.At(x, y) = MakePixel<Pixel>(static_cast<int>(rng() % 65536), static_cast<int>(rng() % 65536),
                                          static_cast<int>(rng() % 65536), static_cast<int>(rng() % 65536));
      }
    }
}

struct Road {
  int source;  // 0 pane_distance, 1 smooth field, 2 matte field
  bool angle_planes;
  bool labels;
};

RimLightInputs InputsFor(const RimScene& s, const Road& road) {
  RimLightInputs in;
  in.pane_depth = &s.depth;
  in.pane_distance = &s.distance;
  in.centre = s.whole;
  if (road.source == 1) in.smooth_field = ViewOfPaddedPlane(s.padded, MARGIN);
  if (road.source == 2) {
    in.matte_source = true;
    in.matte_smooth_field = ViewOfPaddedPlane(s.padded, MARGIN);
  }
  if (road.angle_planes) {
    in.gradient_x = ViewOfPaddedPlane(s.grad_x, MARGIN);
    in.gradient_y = ViewOfPaddedPlane(s.grad_y, MARGIN);
  }
  if (road.labels) {
    in.raster_source = true;
    in.regions = &s.regions;
  }
  return in;
}

RimLightSettings RandomSettings(std::mt19937& rng) {
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  RimLightSettings s;
  s.light_angle_deg = uniform(-180, 180);
  s.light_intensity = uniform(0.11, 100);
  s.rim_scale = uniform(0.1, 4);
  s.scale_factor = uniform(0.2, 8);
  s.depth_px = rng() % 6 == 0 ? 0.0 : uniform(0, 60);
  s.downsample_y = rng() % 4 == 0 ? 0.5 : 1.0;
  const double turn = uniform(0, 6.283185307179586);
  s.rotation_cos = std::cos(turn);
  s.rotation_sin = std::sin(turn);
  return s;
}

template <typename Pixel>
class RimLightLanesTest : public ::testing::Test {
 protected:
  void TearDown() override { DisarmAllocationFailure(); }
};
using PixelTypes = ::testing::Types<PF_Pixel8, PF_Pixel16>;
TYPED_TEST_SUITE(RimLightLanesTest, PixelTypes);

TYPED_TEST(RimLightLanesTest, BothFormsGiveTheReferenceBytes) {
  using Pixel = TypeParam;
  struct Size {
    std::int32_t w, h;
  };
  const Size sizes[] = {{1, 1},  {2, 3},   {3, 2},   {4, 4},    {5, 9},    {6, 1},    {7, 13},  {1, 40},
                        {9, 30}, {61, 23}, {64, 16}, {127, 31}, {4096, 2}, {4093, 3}, {2, 900}, {250, 130}};
  const Road roads[] = {{0, false, false}, {0, true, true},  {1, false, true}, {1, true, false},
                        {2, false, true},  {2, true, true},  {0, false, true}, {1, true, true}};
  std::mt19937 rng(20261210);
  int trial = 0;
  for (const Size& size : sizes) {
    for (const Road& road : roads) {
      const bool specials = trial % 5 == 2;
      SCOPED_TRACE(testing::Message() << "trial " << trial << ", " << size.w << " x " << size.h << ", source "
                                      << road.source << (road.angle_planes ? ", angle planes" : "")
                                      << (road.labels ? ", labels" : "") << (specials ? ", specials" : ""));
      ++trial;
      const RimScene scene = MakeScene(size.w, size.h, specials, rng);
      const RimLightInputs in = InputsFor(scene, road);
      const RimLightSettings settings = RandomSettings(rng);
      TestPixelWorld<Pixel> want(size.w, size.h, 2), lanes(size.w, size.h, 2), plain(size.w, size.h, 2);
      FillRandom(want, rng);
      lanes.bytes = want.bytes;
      plain.bytes = want.bytes;
      rim_light_reference::RimLightPass<Pixel>(want.world, settings, in);
      RimLightPass<Pixel>(lanes.world, settings, in);
      plain_lanes::RimLightPass<Pixel>(plain.world, settings, in);
      ASSERT_EQ(lanes.bytes, want.bytes);
      ASSERT_EQ(plain.bytes, want.bytes);
    }
  }
}

// The pass must change pixels on these scenes, or the comparison above
// would hold for a pass that does nothing.
TYPED_TEST(RimLightLanesTest, TheScenesAreLit) {
  using Pixel = TypeParam;
  std::mt19937 rng(77);
  const RimScene scene = MakeScene(250, 130, false, rng);
  for (const Road& road : {Road{0, false, false}, Road{1, true, true}, Road{2, false, true}}) {
    RimLightSettings settings;
    settings.depth_px = 20.0;
    TestPixelWorld<Pixel> world(250, 130);
    FillRandom(world, rng);
    const auto before = world.bytes;
    RimLightPass<Pixel>(world.world, settings, InputsFor(scene, road));
    std::size_t changed = 0;
    for (std::size_t k = 0; k < before.size(); ++k) changed += before[k] != world.bytes[k] ? 1 : 0;
    EXPECT_GT(changed, before.size() / 200) << "source " << road.source;
  }
}

// The responses of the angle planes are worked out once each into memory of
// their own; without that memory they are worked out at every read, to the
// same bytes.
TYPED_TEST(RimLightLanesTest, AngleResponsesWithoutTheirMemory) {
  using Pixel = TypeParam;
  std::mt19937 rng(5);
  for (int trial = 0; trial < 6; ++trial) {
    const RimScene scene = MakeScene(97, 41, false, rng);
    const RimLightInputs in = InputsFor(scene, Road{trial % 3, true, trial % 2 == 0});
    const RimLightSettings settings = RandomSettings(rng);
    TestPixelWorld<Pixel> want(97, 41), got(97, 41);
    FillRandom(want, rng);
    got.bytes = want.bytes;
    rim_light_reference::RimLightPass<Pixel>(want.world, settings, in);
    ArmAllocationFailure(1);
    RimLightPass<Pixel>(got.world, settings, in);
    EXPECT_FALSE(AllocationSeamFailedSite().empty());
    DisarmAllocationFailure();
    ASSERT_EQ(got.bytes, want.bytes) << "trial " << trial;
  }
}

// Pixels whose edge distance sits on either side of where the edge alpha,
// (e + 2) x 0.5, reaches its minimum 0.001, one float apart, under a glow
// strong enough (far from a small pane's centre) that even that alpha lights
// them: the lanes must pass over exactly the pixels the plain pass leaves.
TYPED_TEST(RimLightLanesTest, EdgeAlphaMinimumToTheLastFloat) {
  using Pixel = TypeParam;
  auto enough = [](float e) { return (e + 2.0f) * 0.5f >= 0.001f; };
  float boundary = -1.998f;
  while (enough(boundary)) boundary = std::nextafter(boundary, -3.0f);
  while (!enough(boundary)) boundary = std::nextafter(boundary, 0.0f);
  constexpr std::int32_t w = 64;
  FloatPlane depth, distance;
  ASSERT_TRUE(AllocateFloatPlane(depth, w, 3));
  ASSERT_TRUE(AllocateFloatPlane(distance, w, 3));
  for (std::int32_t y = 0; y < 3; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      // Steps of one float down and up from the boundary, in runs that put
      // both sides into the same blocks of four and into blocks of their own.
      float e = boundary;
      const int steps = (x * 7 + y * 3) % 9 - 4;
      for (int k = 0; k < steps; ++k) e = std::nextafter(e, 0.0f);
      for (int k = 0; k > steps; --k) e = std::nextafter(e, -3.0f);
      if (x >= 40 && x < 48) e = boundary;
      if (x >= 48 && x < 56) e = std::nextafter(boundary, -3.0f);
      distance.At(x, y) = e;
      depth.At(x, y) = 0.0f;
    }
  RimLightInputs in;
  in.pane_depth = &depth;
  in.pane_distance = &distance;
  in.centre = PaneCentre{-100.0f, 1.0f, 1.0f};
  in.raster_source = true;
  RimLightSettings settings;
  settings.light_angle_deg = -90.0;  // light along +x
  settings.rim_scale = 0.1;
  constexpr int full = PixelTraits<Pixel>::FULL;
  TestPixelWorld<Pixel> want(w, 3), lanes(w, 3), plain(w, 3);
  for (std::int32_t y = 0; y < 3; ++y)
    for (std::int32_t x = 0; x < w; ++x) want.At(x, y) = MakePixel<Pixel>(full, full / 4, full / 4, full / 4);
  lanes.bytes = want.bytes;
  plain.bytes = want.bytes;
  const auto before = want.bytes;
  rim_light_reference::RimLightPass<Pixel>(want.world, settings, in);
  RimLightPass<Pixel>(lanes.world, settings, in);
  plain_lanes::RimLightPass<Pixel>(plain.world, settings, in);
  EXPECT_NE(want.bytes, before);
  EXPECT_TRUE(SamePixel(want.At(44, 1), lanes.At(44, 1)));
  EXPECT_FALSE(SamePixel(want.At(44, 1), MakePixel<Pixel>(full, full / 4, full / 4, full / 4)));
  EXPECT_TRUE(SamePixel(want.At(52, 1), MakePixel<Pixel>(full, full / 4, full / 4, full / 4)));
  EXPECT_EQ(lanes.bytes, want.bytes);
  EXPECT_EQ(plain.bytes, want.bytes);
}

}  // namespace
