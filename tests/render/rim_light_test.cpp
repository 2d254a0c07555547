#include "render/rim_light.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "render/pixel_traits.h"

// Whole-pixel comparison for the tests' before/after checks.
bool operator==(const PF_Pixel8& a, const PF_Pixel8& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}
bool operator==(const PF_Pixel16& a, const PF_Pixel16& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

namespace {

// An output world with one padding pixel at the end of every row, filled
// with a sentinel that the pass must never touch.
template <typename Pixel>
struct TestWorld {
  static constexpr std::int32_t PAD = 1;
  std::int32_t w, h;
  std::vector<Pixel> storage;
  PF_EffectWorld world{};

  TestWorld(std::int32_t width, std::int32_t height, Pixel fill) : w(width), h(height) {
    storage.assign(static_cast<std::size_t>((w + PAD) * h), Pixel{7, 7, 7, 7});
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) At(x, y) = fill;
    world.data = storage.data();
    world.rowbytes = static_cast<A_long>((w + PAD) * static_cast<std::int32_t>(sizeof(Pixel)));
    world.width = w;
    world.height = h;
  }
  Pixel& At(std::int32_t x, std::int32_t y) { return storage[static_cast<std::size_t>(y * (w + PAD) + x)]; }
  bool PaddingIntact() const {
    for (std::int32_t y = 0; y < h; ++y) {
      const Pixel& p = storage[static_cast<std::size_t>(y * (w + PAD) + w)];
      if (p.alpha != 7 || p.red != 7 || p.green != 7 || p.blue != 7) return false;
    }
    return true;
  }
};

struct Planes {
  FloatPlane depth;
  FloatPlane distance;
};

// pane_distance = f(x, y), pane_depth = max(f, 0).
Planes MakePlanes(std::int32_t w, std::int32_t h, const std::function<float(std::int32_t, std::int32_t)>& f) {
  Planes p;
  EXPECT_TRUE(AllocateFloatPlane(p.depth, w, h));
  EXPECT_TRUE(AllocateFloatPlane(p.distance, w, h));
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const float v = f(x, y);
      p.distance.At(x, y) = v;
      p.depth.At(x, y) = v > 0.0f ? v : 0.0f;
    }
  return p;
}

RimLightInputs InputsFor(const Planes& p, PaneCentre centre) {
  RimLightInputs in;
  in.pane_depth = &p.depth;
  in.pane_distance = &p.distance;
  in.centre = centre;
  return in;
}

// Light from straight ahead (+x), no rotation, unit scales.
RimLightSettings LightFromRight() {
  RimLightSettings s;
  s.light_angle_deg = -90.0;
  s.light_intensity = 100.0;
  s.rim_scale = 1.0;
  s.scale_factor = 1.0;
  s.depth_px = 4.0;
  s.downsample_y = 1.0;
  return s;
}

template <typename Pixel>
Pixel Px(std::int32_t a, std::int32_t r, std::int32_t g, std::int32_t b) {
  using C = decltype(Pixel{}.alpha);
  return Pixel{static_cast<C>(a), static_cast<C>(r), static_cast<C>(g), static_cast<C>(b)};
}

TEST(RimLightValuesTest, LightDirectionAndBands) {
  RimLightSettings s;
  s.light_angle_deg = -45.0;
  s.rim_scale = 0.1;
  s.scale_factor = 2.0;
  s.depth_px = 80.0;
  s.downsample_y = 1.0;
  const RimLightValues v = ComputeRimLightValues(s);
  // -45 degrees points down-right in the y-down output frame.
  EXPECT_NEAR(v.light_dir_x, std::cos(0.7853982f), 1e-6f);
  EXPECT_NEAR(v.light_dir_y, std::sin(0.7853982f), 1e-6f);
  EXPECT_NEAR(v.light_phase, 0.7853982f + 0.3926991f, 1e-6f);
  EXPECT_FLOAT_EQ(v.rim_band, 0.44f);  // 0.22 x scale_factor
  EXPECT_EQ(v.glow_inner, 40.0f);
  EXPECT_EQ(v.glow_reach, 120.0f);
  EXPECT_EQ(v.rim_limit, 120.0f);
  EXPECT_FLOAT_EQ(v.rim_intensity, 1.0f);

  // A layer turned by 90 degrees turns the light with it.
  s.rotation_cos = 0.0;
  s.rotation_sin = 1.0;
  const RimLightValues r = ComputeRimLightValues(s);
  EXPECT_NEAR(r.light_dir_x, std::sin(0.7853982f), 1e-6f);
  EXPECT_NEAR(r.light_dir_y, -std::cos(0.7853982f), 1e-6f);

  // Small depth: the glow reaches at least one pixel; a wide rim sets the limit.
  s.depth_px = 0.5;
  s.rim_scale = 10.0;
  const RimLightValues t = ComputeRimLightValues(s);
  EXPECT_EQ(t.glow_inner, 1.0f);
  EXPECT_EQ(t.glow_reach, 1.5f);
  EXPECT_FLOAT_EQ(t.rim_limit, 88.0f);
}

TEST(RimLightValuesTest, AngleResponseInterpolatesAndWraps) {
  const float phase = 0.3926991f;
  const float step = 6.2831855f / 256.0f;
  EXPECT_NEAR(RimAngleResponse(phase + 238.0f * step, phase), 1.0f, 1e-3f);
  EXPECT_NEAR(RimAngleResponse(phase + 40.0f * step, phase), 0.0f, 1e-6f);
  // Half way between entries 0 and 1.
  EXPECT_NEAR(RimAngleResponse(phase + 0.5f * step, phase), 0.5f * (0.9831f + 0.9778f), 1e-4f);
  // Between 255 and 0 across the wrap.
  EXPECT_NEAR(RimAngleResponse(phase - 0.5f * step, phase), 0.5f * (0.985f + 0.9831f), 1e-4f);
  EXPECT_NEAR(RimAngleResponse(phase + 100.0f * step + 6.2831855f, phase), 0.6738f, 1e-3f);
  EXPECT_EQ(RimAngleResponse(std::nanf(""), phase), 0.0f);
}

template <typename Pixel>
class RimLightPassTest : public ::testing::Test {};
using PixelTypes = ::testing::Types<PF_Pixel8, PF_Pixel16>;
TYPED_TEST_SUITE(RimLightPassTest, PixelTypes);

// A straight edge at x = 8 (distance x - 8, inside to the right), light from
// +x. Pixel (9, 5): d = e = 1, gradient (2, 0) with the wide term (4, 0),
// angle 0, so the response is the profile at 2pi - pi/8, entry 240 (0.9996).
// t = 2 x 1 / 2 = 1 in a 2.2 px band: s = (1 / 2.2 - 0.4) x 1.6667
// = 0.0909109, weight 1 - (3 - 2s) s^2 = 0.976708, R = 0.976318. The glow is
// zero because the centre is on the pixel's column.
//   8 bits:  L = trunc(0.976318 x 255 + 0.5) = 249; opaque black: keep 6,
//            channel (0 x 6 + 249 x 255) / 255 = 249; grey 100:
//            (600 + 63495) / 255 = 251; dither at (9, 5) is 0.25: g = 0.
//   16 bits: L = trunc(31992.48) = 31992; keep = 776; black gives 31992,
//            grey 100 gives (77600 + 31992 x 32768) / 32768 = 31994; the
//            dither g = trunc(-0.25 / 255 x 32768 + 0.5) = -31.
TYPED_TEST(RimLightPassTest, HandComputedRimPixel) {
  using Pixel = TypeParam;
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  const bool deep = M == 32768;
  const Planes planes = MakePlanes(16, 16, [](std::int32_t x, std::int32_t) { return static_cast<float>(x - 8); });
  RimLightInputs in = InputsFor(planes, PaneCentre{9.0f, 8.0f, 8.0f});

  struct Case {
    Pixel before;
    Pixel after;
  };
  const Case cases[] = {
      {Px<Pixel>(M, 0, 0, 0), deep ? Px<Pixel>(M, 31961, 31961, 31961) : Px<Pixel>(M, 249, 249, 249)},
      {Px<Pixel>(M, 100, 0, 100), deep ? Px<Pixel>(M, 31963, 31961, 31963) : Px<Pixel>(M, 251, 249, 251)},
      // Transparent: gains the light's alpha L and white of that alpha.
      {Px<Pixel>(0, 0, 0, 0),
       deep ? Px<Pixel>(31992, 31961, 31961, 31961) : Px<Pixel>(249, 249, 249, 249)},
  };
  for (const Case& c : cases) {
    TestWorld<Pixel> world(16, 16, c.before);
    RimLightPass<Pixel>(world.world, LightFromRight(), in);
    const Pixel p = world.At(9, 5);
    EXPECT_EQ(p.alpha, c.after.alpha);
    EXPECT_EQ(p.red, c.after.red);
    EXPECT_EQ(p.green, c.after.green);
    EXPECT_EQ(p.blue, c.after.blue);
    EXPECT_TRUE(world.PaddingIntact());
  }
}

// Flat field (d = e = 0, no slope, no rim) over 8 x 8, centre (4, 4),
// radius 4 (half the larger side: no raster source). Curve entry 0 is 1.
//   (0, 0): q = -1, G = -0.07, dither -0.5 / 255:
//           8 bits trunc(-17.85) = -17, 16 bits trunc(-2357.51) = -2357.
//   (7, 1): q = 0.75, G = 0.0525, dither (0.375 - 0.5) / 255:
//           8 bits trunc(13.76) = 13, 16 bits trunc(1704.76) = 1704.
//   x = 4:  on the line through the centre across the light: untouched.
TYPED_TEST(RimLightPassTest, HandComputedGlow) {
  using Pixel = TypeParam;
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  const bool deep = M == 32768;
  const Planes planes = MakePlanes(8, 8, [](std::int32_t, std::int32_t) { return 0.0f; });
  const RimLightInputs in = InputsFor(planes, PaneCentre{4.0f, 4.0f, 1.0f});
  const std::int32_t grey = M / 2;
  TestWorld<Pixel> world(8, 8, Px<Pixel>(M, grey, grey, grey));
  world.At(1, 6) = Px<Pixel>(0, 0, 0, 0);
  RimLightPass<Pixel>(world.world, LightFromRight(), in);

  EXPECT_EQ(world.At(0, 0).red, grey + (deep ? -2357 : -17));
  EXPECT_EQ(world.At(0, 0).blue, grey + (deep ? -2357 : -17));
  EXPECT_EQ(world.At(0, 0).alpha, M);
  EXPECT_EQ(world.At(7, 1).green, grey + (deep ? 1704 : 13));
  for (std::int32_t y = 0; y < 8; ++y) EXPECT_EQ(world.At(4, y).red, grey) << y;
  // Left of the centre darker, right brighter, in every row.
  for (std::int32_t y = 0; y < 8; ++y) {
    EXPECT_LT(world.At(2, y).red, grey) << y;
    EXPECT_GT(world.At(6, y).red, grey) << y;
  }
  // The glow never gives a transparent pixel alpha.
  EXPECT_EQ(world.At(1, 6).alpha, 0);
  EXPECT_EQ(world.At(1, 6).red, 0);
  EXPECT_TRUE(world.PaddingIntact());
}

TYPED_TEST(RimLightPassTest, NoChannelAboveAlphaOrFullAndOutsideUntouched) {
  using Pixel = TypeParam;
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  const std::int32_t w = 48, h = 40;
  // A disc of radius 14 about (22, 19).
  const Planes planes = MakePlanes(w, h, [](std::int32_t x, std::int32_t y) {
    return 14.0f - std::sqrt(static_cast<float>((x - 22) * (x - 22) + (y - 19) * (y - 19)));
  });
  std::mt19937 rng(12345);
  TestWorld<Pixel> world(w, h, Pixel{});
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const std::int32_t a = static_cast<std::int32_t>(rng() % static_cast<unsigned>(M + 1));
      auto ch = [&] { return a == 0 ? 0 : static_cast<std::int32_t>(rng() % static_cast<unsigned>(a + 1)); };
      world.At(x, y) = Px<Pixel>(a, ch(), ch(), ch());
    }
  const std::vector<Pixel> before = world.storage;
  for (double angle : {-45.0, 30.0, 135.0, 250.0}) {
    RimLightSettings s;
    s.light_angle_deg = angle;
    s.light_intensity = 400.0;  // strong enough to saturate
    s.scale_factor = 2.0;
    s.depth_px = 20.0;
    std::copy(before.begin(), before.end(), world.storage.begin());
    RimLightPass<Pixel>(world.world, s, InputsFor(planes, PaneCentre{22.0f, 19.0f, 14.0f}));
    std::int32_t changed = 0;
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        const Pixel& p = world.At(x, y);
        ASSERT_LE(p.alpha, M);
        ASSERT_LE(p.red, p.alpha) << x << "," << y;
        ASSERT_LE(p.green, p.alpha) << x << "," << y;
        ASSERT_LE(p.blue, p.alpha) << x << "," << y;
        const Pixel& q = before[static_cast<std::size_t>(y * (w + 1) + x)];
        const bool same = p.alpha == q.alpha && p.red == q.red && p.green == q.green && p.blue == q.blue;
        if (planes.distance.At(x, y) <= -2.0f) {
          ASSERT_TRUE(same) << x << "," << y;
        }
        changed += same ? 0 : 1;
      }
    EXPECT_GT(changed, 100) << angle;
    EXPECT_TRUE(world.PaddingIntact());
  }
}

TYPED_TEST(RimLightPassTest, IntensityAtOrBelowATenthDoesNotRun) {
  using Pixel = TypeParam;
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  const Planes planes = MakePlanes(8, 8, [](std::int32_t x, std::int32_t) { return static_cast<float>(x) - 3.0f; });
  RimLightSettings s = LightFromRight();
  const Pixel grey = Px<Pixel>(M, M / 2, M / 2, M / 2);
  auto changed_pixels = [&](double intensity) {
    s.light_intensity = intensity;
    TestWorld<Pixel> world(8, 8, grey);
    RimLightPass<Pixel>(world.world, s, InputsFor(planes, PaneCentre{0.0f, 0.0f, 4.0f}));
    int n = 0;
    for (std::int32_t y = 0; y < 8; ++y)
      for (std::int32_t x = 0; x < 8; ++x) n += world.At(x, y).red != grey.red ? 1 : 0;
    return n;
  };
  EXPECT_EQ(changed_pixels(0.1), 0);
  EXPECT_EQ(changed_pixels(0.0), 0);
  // At 8 bits a light of 0.11 % rounds to nothing; 16 bits show it.
  EXPECT_GT(changed_pixels(M == 32768 ? 0.11 : 1.0), 0);
  EXPECT_FALSE(RimLightRuns(0.1));
  EXPECT_TRUE(RimLightRuns(0.11));
}

// Two separate panes, labelled as regions: the glow of each measures from
// its own centre, so the left half of the right pane darkens although it lies
// right of the panes' common centre.
TYPED_TEST(RimLightPassTest, RasterPanesGlowAboutTheirOwnRegion) {
  using Pixel = TypeParam;
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  const std::int32_t w = 40, h = 12;
  auto box = [](std::int32_t x, std::int32_t y, std::int32_t x0, std::int32_t x1) {
    const float dx = std::min(static_cast<float>(x - x0), static_cast<float>(x1 - x));
    const float dy = std::min(static_cast<float>(y - 1), static_cast<float>(10 - y));
    return std::min(dx, dy);
  };
  const Planes planes = MakePlanes(w, h, [&](std::int32_t x, std::int32_t y) {
    return std::max(box(x, y, 2, 14), box(x, y, 24, 36));
  });
  const PaneCentre whole = FindPaneCentre(planes.depth);
  const PaneRegions regions = LabelPaneRegions(planes.depth, planes.distance, whole);
  ASSERT_EQ(regions.regions.Count(), 2);
  EXPECT_FLOAT_EQ(regions.regions.At(1).centre_x, 30.0f);

  RimLightInputs in = InputsFor(planes, whole);
  in.raster_source = true;
  in.regions = &regions;
  RimLightSettings s = LightFromRight();
  s.depth_px = 12.0;
  s.rim_scale = 0.1;  // keep the rim term off the interior
  const std::int32_t grey = M / 2;
  TestWorld<Pixel> world(w, h, Px<Pixel>(M, grey, grey, grey));
  RimLightPass<Pixel>(world.world, s, in);
  EXPECT_FLOAT_EQ(whole.pane_centre_x, 19.0f);
  EXPECT_LT(world.At(27, 5).red, grey);  // right pane, left of its centre
  EXPECT_GT(world.At(33, 5).red, grey);
  EXPECT_LT(world.At(5, 5).red, grey);   // left pane
  EXPECT_GT(world.At(11, 5).red, grey);

  // Without the labels the common centre decides: (27, 5) brightens.
  in.regions = nullptr;
  TestWorld<Pixel> common(w, h, Px<Pixel>(M, grey, grey, grey));
  RimLightPass<Pixel>(common.world, s, in);
  EXPECT_GT(common.At(27, 5).red, grey);
}

// A padded smooth field gives the same slope as pane_distance inside the
// frame; a matte field supplies the pixel's depth and distance itself.
TYPED_TEST(RimLightPassTest, CroppedGradientSources) {
  using Pixel = TypeParam;
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  const std::int32_t w = 16, h = 10, margin = 24;
  auto ramp = [](std::int32_t x, std::int32_t) { return static_cast<float>(x - 8); };
  const Planes planes = MakePlanes(w, h, ramp);
  FloatPlane padded;
  ASSERT_TRUE(AllocateFloatPlane(padded, w + 2 * margin, h + 2 * margin));
  for (std::int32_t y = 0; y < padded.height; ++y)
    for (std::int32_t x = 0; x < padded.width; ++x) padded.At(x, y) = ramp(x - margin, y - margin);

  const Pixel black = Px<Pixel>(M, 0, 0, 0);
  auto run = [&](const RimLightInputs& in) {
    TestWorld<Pixel> world(w, h, black);
    RimLightPass<Pixel>(world.world, LightFromRight(), in);
    return world.storage;
  };
  RimLightInputs plain = InputsFor(planes, PaneCentre{9.0f, 5.0f, 8.0f});
  const auto reference = run(plain);
  auto red_at = [&](const std::vector<Pixel>& s, std::int32_t x, std::int32_t y) {
    return s[static_cast<std::size_t>(y * (w + 1) + x)].red;
  };
  ASSERT_GT(red_at(reference, 9, 5), 0);

  RimLightInputs cropped = plain;
  cropped.smooth_field = ViewOfPaddedPlane(padded, margin);
  const auto with_field = run(cropped);
  for (std::int32_t y = 2; y < h - 2; ++y)
    for (std::int32_t x = 2; x < w - 2; ++x) EXPECT_EQ(red_at(with_field, x, y), red_at(reference, x, y));

  // Matte: the pane planes say "far outside", the matte field says "edge".
  const Planes outside = MakePlanes(w, h, [](std::int32_t, std::int32_t) { return NO_DISTANCE; });
  RimLightInputs matte = InputsFor(outside, PaneCentre{9.0f, 5.0f, 8.0f});
  matte.matte_source = true;
  matte.matte_smooth_field = ViewOfPaddedPlane(padded, margin);
  const auto from_matte = run(matte);
  EXPECT_EQ(red_at(from_matte, 9, 5), red_at(reference, 9, 5));
  // The same field without the matte flag is not a source: nothing is lit.
  matte.matte_source = false;
  EXPECT_EQ(red_at(run(matte), 9, 5), 0);

  // A view whose margin cannot hold the wide differences is ignored rather
  // than read out of bounds.
  RimLightInputs shallow = plain;
  shallow.smooth_field = ViewOfPaddedPlane(planes.distance, 0);
  EXPECT_EQ(run(shallow), reference);
}

// Thin worlds: the border differences never step outside the plane.
TYPED_TEST(RimLightPassTest, OnePixelWideAndHighWorlds) {
  using Pixel = TypeParam;
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  for (auto [w, h] : {std::pair{1, 9}, std::pair{9, 1}, std::pair{1, 1}, std::pair{2, 2}}) {
    const Planes planes = MakePlanes(w, h, [](std::int32_t x, std::int32_t y) { return 0.5f + x - y; });
    TestWorld<Pixel> world(w, h, Px<Pixel>(M / 2, M / 4, M / 4, M / 4));
    RimLightPass<Pixel>(world.world, LightFromRight(), InputsFor(planes, FindPaneCentre(planes.depth)));
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) EXPECT_LE(world.At(x, y).red, world.At(x, y).alpha);
    EXPECT_TRUE(world.PaddingIntact());
  }
}

// A pixel whose pane distance is not a number has no edge alpha: both terms
// would be NaN, so the pass leaves it as it is, while its neighbours (glow
// and dither over a flat pane) still change.
TYPED_TEST(RimLightPassTest, ANaNDistanceLeavesThePixel) {
  using Pixel = TypeParam;
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  Planes planes = MakePlanes(8, 8, [](std::int32_t, std::int32_t) { return 0.0f; });
  planes.distance.At(1, 3) = std::nanf("");
  const Pixel grey = Px<Pixel>(M, M / 2, M / 2, M / 2);
  TestWorld<Pixel> world(8, 8, grey);
  RimLightPass<Pixel>(world.world, LightFromRight(), InputsFor(planes, PaneCentre{4.0f, 4.0f, 4.0f}));
  EXPECT_TRUE(world.At(1, 3) == grey);
  EXPECT_LT(world.At(1, 2).red, grey.red);
}

TYPED_TEST(RimLightPassTest, PlanesOfTheWrongSizeLeaveTheWorld) {
  using Pixel = TypeParam;
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  const Planes planes = MakePlanes(6, 6, [](std::int32_t, std::int32_t) { return 0.0f; });
  TestWorld<Pixel> world(8, 8, Px<Pixel>(M, 1, 1, 1));
  const auto before = world.storage;
  RimLightPass<Pixel>(world.world, LightFromRight(), InputsFor(planes, PaneCentre{}));
  EXPECT_EQ(world.storage, before);
}

}  // namespace
