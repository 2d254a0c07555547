// The rim light against the per-pixel pass it replaced
// (rim_light_reference.h): the same bytes, row padding included, at both
// depths, for discs over random premultiplied worlds with the gradient from
// pane_distance, from a padded smooth field, from a matte field, with and
// without angle planes and region labels, and with non-finite plane values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "render/pane_regions.h"
#include "render/pixel_traits.h"
#include "render/rim_light.h"
#include "rim_light_reference.h"
#include "test_pixel_world.h"

namespace {

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
    }
}

template <typename Pixel>
class RimLightEquivalenceTest : public ::testing::Test {};

using PixelTypes = ::testing::Types<PF_Pixel16, PF_Pixel8>;
TYPED_TEST_SUITE(RimLightEquivalenceTest, PixelTypes);

TYPED_TEST(RimLightEquivalenceTest, RandomScenesGiveTheReferenceBytes) {
  using Pixel = TypeParam;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  std::mt19937 rng(424242);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  for (int trial = 0; trial < 120; ++trial) {
    const std::int32_t w = 20 + static_cast<std::int32_t>(rng() % 90);
    const std::int32_t h = 10 + static_cast<std::int32_t>(rng() % 50);
    const std::int32_t margin = 3;
    FloatPlane depth, distance, padded, grad_x, grad_y;
    ASSERT_TRUE(AllocateFloatPlane(depth, w, h));
    ASSERT_TRUE(AllocateFloatPlane(distance, w, h));
    ASSERT_TRUE(AllocateFloatPlane(padded, w + 2 * margin, h + 2 * margin));
    ASSERT_TRUE(AllocateFloatPlane(grad_x, w + 2 * margin, h + 2 * margin));
    ASSERT_TRUE(AllocateFloatPlane(grad_y, w + 2 * margin, h + 2 * margin));
    const float cx = static_cast<float>(uniform(0, w)), cy = static_cast<float>(uniform(0, h));
    const float radius = static_cast<float>(uniform(2, 40));
    auto field = [&](std::int32_t x, std::int32_t y) {
      return radius - std::hypot(static_cast<float>(x) - cx, static_cast<float>(y) - cy);
    };
    const bool specials = trial % 7 == 3;
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        float v = field(x, y);
        if (specials && rng() % 9 == 0) v = rng() % 2 ? nan : (rng() % 2 ? inf : -inf);
        distance.At(x, y) = v;
        depth.At(x, y) = v > 0.0f ? v : 0.0f;
      }
    for (std::int32_t y = 0; y < padded.height; ++y)
      for (std::int32_t x = 0; x < padded.width; ++x) {
        padded.At(x, y) = field(x - margin, y - margin) + static_cast<float>(uniform(-0.3, 0.3));
        grad_x.At(x, y) = static_cast<float>(uniform(-1, 1));
        grad_y.At(x, y) = static_cast<float>(uniform(-1, 1));
      }
    const PaneCentre whole = FindPaneCentre(depth);
    const PaneRegions regions = LabelPaneRegions(depth, distance, whole);

    RimLightInputs in;
    in.pane_depth = &depth;
    in.pane_distance = &distance;
    in.centre = whole;
    const int road = trial % 4;
    if (road == 1) in.smooth_field = ViewOfPaddedPlane(padded, margin);
    if (road == 2) {
      in.matte_source = true;
      in.matte_smooth_field = ViewOfPaddedPlane(padded, margin);
    }
    if (road == 3 || trial % 5 == 0) {
      in.gradient_x = ViewOfPaddedPlane(grad_x, margin);
      in.gradient_y = ViewOfPaddedPlane(grad_y, margin);
    }
    in.raster_source = trial % 3 == 0;
    in.paths_supersampled = trial % 3 == 1;
    if (trial % 2) in.regions = &regions;

    RimLightSettings s;
    s.light_angle_deg = uniform(-180, 180);
    s.light_intensity = trial % 11 == 0 ? 0.1 : uniform(0.11, 100);
    s.rim_scale = uniform(0.1, 4);
    s.scale_factor = uniform(0.2, 8);
    s.depth_px = trial % 6 == 0 ? 0.0 : uniform(0, 60);
    s.downsample_y = trial % 4 == 0 ? 0.5 : 1.0;
    const double turn = uniform(0, 6.283185307179586);
    s.rotation_cos = std::cos(turn);
    s.rotation_sin = std::sin(turn);

    TestPixelWorld<Pixel> got(w, h, 1), want(w, h, 1);
    FillRandom(got, rng);
    want.bytes = got.bytes;
    RimLightPass<Pixel>(got.world, s, in);
    rim_light_reference::RimLightPass<Pixel>(want.world, s, in);
    ASSERT_EQ(got.bytes, want.bytes) << "trial " << trial;
  }
}

}  // namespace
