#include "render/refraction_shading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/bilinear_sample.h"
#include "render/pixel_traits.h"
#include "test_pixel_world.h"

namespace {

// Refraction that makes the offset length exactly 1 px when the profile
// scale q is 1, the falloff 1 and the edge ramp 1 (67.5675659 * 1.48 / 100).
constexpr double REFRACTION_ONE_PX = 67.56756591796875;

FloatPlane MakePlane(std::int32_t w, std::int32_t h, float value) {
  FloatPlane p;
  EXPECT_TRUE(AllocateFloatPlane(p, w, h));
  for (std::int64_t i = 0; i < p.Size(); ++i) p.data[i] = value;
  return p;
}

void Shade(const RefractionShadingInputs16& in) { ShadeRefraction16(in); }
void Shade(const RefractionShadingInputs8& in) { ShadeRefraction8(in); }

// Output w x h over an input of in_w x in_h; three planes of their own so a
// test chooses whether shade_height is pane_depth.
template <typename Pixel>
struct ShadeScene {
  std::int32_t w, h;
  TestPixelWorld<Pixel> input;
  TestPixelWorld<Pixel> output;
  FloatPlane depth, distance, height;
  std::vector<Pixel> frost;
  RefractionShadingInputs<Pixel> in;

  ShadeScene(std::int32_t w_, std::int32_t h_, std::int32_t in_w, std::int32_t in_h, std::int32_t out_padding = 0)
      : w(w_), h(h_), input(in_w, in_h, 1), output(w_, h_, out_padding) {
    depth = MakePlane(w, h, 0.0f);
    distance = MakePlane(w, h, 10.0f);
    height = MakePlane(w, h, 0.0f);
    frost.assign(static_cast<std::size_t>(w) * h, Pixel{});
    in.input = &input.world;
    in.output = &output.world;
    in.frost_pixels = frost.data();
    in.shade_height = &depth;  // the depth plane itself: slope from distance
    in.pane_distance = &distance;
    in.pane_depth = &depth;
    in.quality = PF_Quality_HI;
    in.scale_factor = 2.0;
    in.depth_px = 1.0;
    in.pane_centre_x = static_cast<float>(w) * 0.5f;
    in.pane_centre_y = static_cast<float>(h) * 0.5f;
  }
  void UseHeightPlane() { in.shade_height = &height; }
  void Run() { Shade(in); }
  // Distance grows by 1 per column: the analytic normal is (1, 0).
  void DistanceRampInX(float at_zero) {
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) distance.At(x, y) = at_zero + static_cast<float>(x);
  }
};

template <typename Pixel>
int Unit() {
  return PixelTraits<Pixel>::FULL == 255 ? 10 : 1000;
}

// Opaque input whose red and blue grow with x and green with y.
template <typename Pixel>
void FillRamp(TestPixelWorld<Pixel>& world) {
  const int full = PixelTraits<Pixel>::FULL;
  const int unit = Unit<Pixel>();
  for (std::int32_t y = 0; y < world.world.height; ++y)
    for (std::int32_t x = 0; x < world.world.width; ++x)
      world.At(x, y) = MakePixel<Pixel>(full, unit * x, unit * y, unit * x);
}

template <typename Pixel>
void FillRandomPremultiplied(TestPixelWorld<Pixel>& world, std::uint32_t seed, bool allow_transparent = true) {
  std::mt19937 rng(seed);
  const int full = PixelTraits<Pixel>::FULL;
  for (std::int32_t y = 0; y < world.world.height; ++y) {
    for (std::int32_t x = 0; x < world.world.width; ++x) {
      int a = static_cast<int>(rng() % (full + 1));
      if (allow_transparent && rng() % 5 == 0) a = 0;
      if (!allow_transparent && a == 0) a = 1;
      world.At(x, y) = MakePixel<Pixel>(a, static_cast<int>(rng() % (a + 1)), static_cast<int>(rng() % (a + 1)),
                                        static_cast<int>(rng() % (a + 1)));
    }
  }
}

template <typename Pixel>
class RefractionShadingTest : public ::testing::Test {};

using PixelTypes = ::testing::Types<PF_Pixel16, PF_Pixel8>;
TYPED_TEST_SUITE(RefractionShadingTest, PixelTypes);

TYPED_TEST(RefractionShadingTest, FarOutsidePanesCopiesTheInputUnderTheRequest) {
  using Pixel = TypeParam;
  for (bool frost_on : {false, true}) {
    ShadeScene<Pixel> s(12, 9, 10, 8, 3);
    s.distance = MakePlane(12, 9, -2.51f);
    std::mt19937 rng(5);
    for (std::int32_t y = 0; y < 8; ++y)  // not premultiplied on purpose: copied as is
      for (std::int32_t x = 0; x < 10; ++x)
        s.input.At(x, y) = MakePixel<Pixel>(static_cast<int>(rng() % 200), static_cast<int>(rng() % 250),
                                            static_cast<int>(rng() % 250), static_cast<int>(rng() % 250));
    s.in.request_offset_x = 2;
    s.in.request_offset_y = -1;
    s.in.refraction = 70;
    s.in.magnify = 50;
    s.in.dispersion = 50;
    s.in.frost_on = frost_on;
    s.Run();
    for (std::int32_t y = 0; y < 9; ++y) {
      for (std::int32_t x = 0; x < 12; ++x) {
        const int ix = x + 2, iy = y - 1;
        const Pixel expected = (ix < 10 && iy >= 0 && iy < 8) ? s.input.At(ix, iy) : Pixel{};
        EXPECT_TRUE(SamePixel(s.output.At(x, y), expected)) << x << "," << y;
        if (frost_on) {
          EXPECT_TRUE(SamePixel(s.frost[static_cast<std::size_t>(y) * 12 + x], expected));
        }
      }
    }
    EXPECT_TRUE(s.output.PaddingIntact());
  }
}

TYPED_TEST(RefractionShadingTest, DeepInsideWithoutRefractionKeepsTheInputExactly) {
  using Pixel = TypeParam;
  for (bool raster : {false, true}) {
    ShadeScene<Pixel> s(16, 14, 16, 14);
    FillRandomPremultiplied(s.input, 11, /*allow_transparent=*/false);
    // A sloped field with pane_distance >= 1 everywhere (e >= 3).
    for (std::int32_t y = 0; y < 14; ++y)
      for (std::int32_t x = 0; x < 16; ++x) {
        s.distance.At(x, y) = 1.0f + 0.3f * static_cast<float>(x) + 0.7f * static_cast<float>(y % 5);
        s.depth.At(x, y) = s.distance.At(x, y);
      }
    s.in.raster_source = raster;
    s.in.splay = 60;
    s.in.dispersion = 0.1;  // at the threshold: still the four-tap smoothing
    s.Run();
    for (std::int32_t y = 0; y < 14; ++y)
      for (std::int32_t x = 0; x < 16; ++x) EXPECT_TRUE(SamePixel(s.output.At(x, y), s.input.At(x, y))) << x << "," << y;
  }
}

TYPED_TEST(RefractionShadingTest, RefractionPushesAlongTheSlope) {
  using Pixel = TypeParam;
  for (double refraction : {REFRACTION_ONE_PX, -REFRACTION_ONE_PX}) {
    ShadeScene<Pixel> s(10, 6, 14, 8);
    FillRamp(s.input);
    s.in.request_offset_x = 2;
    s.in.request_offset_y = 1;
    s.DistanceRampInX(10.0f);  // e >= 3: no edge smoothing, ramp 1
    s.in.refraction = refraction;
    s.Run();
    const int step = refraction > 0 ? 1 : -1;
    for (std::int32_t y = 0; y < 6; ++y)
      for (std::int32_t x = 0; x < 10; ++x)
        EXPECT_TRUE(SamePixel(s.output.At(x, y), s.input.At(x + 2 + step, y + 1))) << x << "," << y;
  }
}

TYPED_TEST(RefractionShadingTest, OffsetBeyondTheInputReadsTransparent) {
  using Pixel = TypeParam;
  ShadeScene<Pixel> s(6, 2, 6, 2);
  FillRamp(s.input);
  s.DistanceRampInX(10.0f);
  s.in.refraction = REFRACTION_ONE_PX;
  s.Run();
  // The last column samples x = 6 > 5.5: transparent, and over opaque input
  // the pixel keeps the (zero) sampled alpha.
  EXPECT_TRUE(SamePixel(s.output.At(5, 0), Pixel{}));
  EXPECT_TRUE(SamePixel(s.output.At(4, 0), s.input.At(5, 0)));
}

TYPED_TEST(RefractionShadingTest, HeightProfileAndEdgeRampScaleTheOffset) {
  using Pixel = TypeParam;
  // Height at the profile scale q (= 1 here): the falloff is 0, no offset.
  {
    ShadeScene<Pixel> s(8, 3, 8, 3);
    FillRamp(s.input);
    s.DistanceRampInX(10.0f);
    s.depth = MakePlane(8, 3, 1.0f);
    s.in.refraction = REFRACTION_ONE_PX;
    s.Run();
    for (std::int32_t x = 0; x < 8; ++x) EXPECT_TRUE(SamePixel(s.output.At(x, 1), s.input.At(x, 1))) << x;
  }
  // e = 0.75: the ramp e / 1.5 halves the offset; the tangent smoothing runs
  // along y, over which this input does not change.
  {
    ShadeScene<Pixel> s(8, 3, 8, 3);
    const int full = PixelTraits<Pixel>::FULL;
    for (std::int32_t y = 0; y < 3; ++y)
      for (std::int32_t x = 0; x < 8; ++x) s.input.At(x, y) = MakePixel<Pixel>(full, 20 * x, 0, 40 * x);
    s.DistanceRampInX(0.0f);
    for (std::int32_t y = 0; y < 3; ++y) s.distance.At(3, y) = -1.25f;
    // The ramp stays monotone around x = 3, so the normal is still (1, 0).
    s.in.refraction = REFRACTION_ONE_PX;
    s.Run();
    const Pixel p = s.output.At(3, 1);
    EXPECT_EQ(p.red, 70);   // (60 + 80) / 2
    EXPECT_EQ(p.blue, 140);
    EXPECT_EQ(p.alpha, full);
  }
}

TYPED_TEST(RefractionShadingTest, MagnifyPullsTowardAndPushesAwayFromThePaneCentre) {
  using Pixel = TypeParam;
  struct Case {
    double magnify;
    int num, den;  // sample = p + (c - p) * num / den
  };
  for (const Case c : {Case{100, 1, 1}, Case{50, 1, 2}, Case{-100, -1, 1}}) {
    ShadeScene<Pixel> s(9, 9, 15, 15);
    FillRamp(s.input);
    s.in.request_offset_x = 3;
    s.in.request_offset_y = 3;
    s.in.pane_centre_x = 4.0f;
    s.in.pane_centre_y = 4.0f;
    s.in.depth_px = 10.0;
    s.depth = MakePlane(9, 9, 10.0f);  // t = 1: full pull
    s.depth.At(0, 0) = 0.0f;           // no height: no pull
    s.in.magnify = c.magnify;
    s.Run();
    // Pixels whose sample lands on a whole input pixel.
    for (std::int32_t y = 0; y < 9; y += 2) {
      for (std::int32_t x = 0; x < 9; x += 2) {
        if (x == 0 && y == 0) continue;
        const int sx = 3 + x + (4 - x) * c.num / c.den;
        const int sy = 3 + y + (4 - y) * c.num / c.den;
        if (sx < 0 || sy < 0 || sx >= 15 || sy >= 15) {
          EXPECT_TRUE(SamePixel(s.output.At(x, y), Pixel{}));
          continue;
        }
        EXPECT_TRUE(SamePixel(s.output.At(x, y), s.input.At(sx, sy))) << c.magnify << " " << x << "," << y << " got " << s.output.At(x, y).red << "," << s.output.At(x, y).green << " want " << s.input.At(sx, sy).red << "," << s.input.At(sx, sy).green;
      }
    }
    EXPECT_TRUE(SamePixel(s.output.At(0, 0), s.input.At(3, 3)));
  }
}

TYPED_TEST(RefractionShadingTest, SplayTurnsTheNormalTowardTheRadialDirection) {
  using Pixel = TypeParam;
  struct Case {
    double splay;
    int dx_left, dy_below;  // offset read at the pixel left of / below the centre
  };
  // Left of the centre the radial direction (-1, 0) opposes the normal
  // (1, 0): at Splay 50 they cancel and the normal stays; below it the
  // radial direction is (0, 1).
  const Case cases[] = {{0, 1, 0}, {-50, 1, 0}, {100, -1, 1}, {50, 1, -1}};
  for (const Case& c : cases) {
    ShadeScene<Pixel> s(11, 11, 11, 11);
    FillRamp(s.input);
    s.DistanceRampInX(10.0f);
    s.in.pane_centre_x = 5.0f;
    s.in.pane_centre_y = 5.0f;
    s.in.refraction = REFRACTION_ONE_PX;
    s.in.splay = c.splay;
    s.Run();
    EXPECT_TRUE(SamePixel(s.output.At(2, 5), s.input.At(2 + c.dx_left, 5))) << c.splay;
    if (c.dy_below >= 0) {
      const int dx = c.dy_below ? 0 : 1;
      EXPECT_TRUE(SamePixel(s.output.At(5, 8), s.input.At(5 + dx, 8 + c.dy_below))) << c.splay;
    } else {
      // Halfway between (1, 0) and (0, 1): a diagonal read, not a whole pixel.
      const Pixel p = s.output.At(5, 8);
      EXPECT_FALSE(SamePixel(p, s.input.At(6, 8)));
      EXPECT_FALSE(SamePixel(p, s.input.At(5, 9)));
    }
  }
}

TYPED_TEST(RefractionShadingTest, DispersionSplitsRedOutwardAndBlueInward) {
  using Pixel = TypeParam;
  const int unit = Unit<Pixel>();
  const int full = PixelTraits<Pixel>::FULL;
  for (double dispersion : {0.1, 0.1000001, 100.0}) {
    ShadeScene<Pixel> s(12, 3, 12, 3);
    FillRamp(s.input);  // red = blue = unit * x
    s.DistanceRampInX(10.0f);
    s.in.refraction = REFRACTION_ONE_PX;
    s.in.dispersion = dispersion;
    s.Run();
    const Pixel p = s.output.At(5, 1);
    if (dispersion <= 0.1) {
      EXPECT_TRUE(SamePixel(p, s.input.At(6, 1)));
      continue;
    }
    EXPECT_GT(p.red, p.blue);
    EXPECT_NEAR(p.green, s.input.At(6, 1).green, 1);
    if (dispersion == 100.0) {
      // Spread 0.15 px; red leans 7/9 of it outward, blue as far inward.
      // Each tap is truncated first, which costs 8-bit a step more.
      const double lean = 7.0 / 9.0 * 0.15;
      const double tolerance = full == 255 ? 2.0 : 1.0;
      EXPECT_NEAR(p.red, unit * (6 + lean), tolerance);
      EXPECT_NEAR(p.blue, unit * (6 - lean), tolerance);
    }
    EXPECT_GE(p.alpha, full - 1);
  }
}

TYPED_TEST(RefractionShadingTest, EdgeSmoothingWeighsOuterTapsThree) {
  using Pixel = TypeParam;
  const int full = PixelTraits<Pixel>::FULL;
  const int peak = 8 * Unit<Pixel>();
  ShadeScene<Pixel> s(5, 5, 5, 5);
  for (std::int32_t y = 0; y < 5; ++y)
    for (std::int32_t x = 0; x < 5; ++x) s.input.At(x, y) = MakePixel<Pixel>(full, y == 2 ? peak : 0, 0, 0);
  s.DistanceRampInX(-2.0f);  // column 0 has e = 0: the full tangent spread
  s.in.refraction = REFRACTION_ONE_PX;  // no effect: the edge ramp is 0
  s.Run();
  // Taps at y = 3.5, 2.5, 1.5, 0.5 read 0, peak/2, peak/2, 0.
  const Pixel p = s.output.At(0, 2);
  EXPECT_EQ(p.red, peak / 8);
  EXPECT_EQ(p.alpha, full);
  // One row below: taps at 4.5, 3.5, 2.5, 1.5 read 0, 0, peak/2, peak/2.
  EXPECT_EQ(s.output.At(0, 3).red, (peak / 2 + 3 * (peak / 2)) >> 3);
}

TYPED_TEST(RefractionShadingTest, TransparentInputFadesInOverTheOuterTwoPixels) {
  using Pixel = TypeParam;
  const bool deep = PixelTraits<Pixel>::FULL == 32768;
  const int A = deep ? 20000 : 200, R = deep ? 10000 : 100, G = deep ? 8000 : 80, B = deep ? 30000 : 250;
  struct Case {
    float distance;
    int a, r, g, b;  // expected over transparent input
  };
  const Case cases[] = {
      {0.0f, A, R, G, A},               // a = 1; blue limited to alpha
      {-1.0f, A / 2, R / 2, G / 2, A / 2},  // a = 0.5
      {-2.0f, A, 0, 0, 0},              // a = 0: black with the sampled alpha
      {-1.99f, A, 0, 0, 0},             // a = 0.005, not above 0.01
  };
  for (const Case& c : cases) {
    ShadeScene<Pixel> s(7, 7, 7, 7);
    s.input.At(3, 3) = MakePixel<Pixel>(A, R, G, B);
    s.distance = MakePlane(7, 7, c.distance);  // flat: no normal
    s.depth = MakePlane(7, 7, 10.0f);
    s.in.depth_px = 10.0;
    s.in.magnify = 100;  // every pane pixel reads the centre pixel
    s.in.pane_centre_x = 3.0f;
    s.in.pane_centre_y = 3.0f;
    s.Run();
    const Pixel p = s.output.At(1, 5);
    EXPECT_EQ(p.alpha, c.a) << c.distance;
    EXPECT_EQ(p.red, c.r) << c.distance;
    EXPECT_EQ(p.green, c.g) << c.distance;
    EXPECT_EQ(p.blue, c.b) << c.distance;
    // Over opaque input the sample is taken as it is (blue limited).
    const Pixel centre = s.output.At(3, 3);
    EXPECT_TRUE(SamePixel(centre, MakePixel<Pixel>(A, R, G, A))) << c.distance;
  }
}

TYPED_TEST(RefractionShadingTest, LowQualityDoublesTheSlopeRadius) {
  using Pixel = TypeParam;
  auto render = [](double scale_factor, PF_Quality quality, std::vector<Pixel>& out) {
    ShadeScene<Pixel> s(20, 3, 20, 3);
    FillRamp(s.input);
    s.UseHeightPlane();
    for (std::int32_t y = 0; y < 3; ++y)
      for (std::int32_t x = 0; x < 20; ++x) {
        s.distance.At(x, y) = 5.0f;
        s.height.At(x, y) = x < 10 ? 0.0f : 16.0f;  // a step at x = 10
      }
    s.in.raster_source = true;
    s.in.scale_factor = scale_factor;
    s.in.quality = quality;
    s.in.refraction = REFRACTION_ONE_PX;
    s.Run();
    out.clear();
    for (std::int32_t x = 0; x < 20; ++x) out.push_back(s.output.At(x, 1));
  };
  std::vector<Pixel> hi, lo;
  render(2.0, PF_Quality_HI, hi);  // r = 2
  render(2.0, PF_Quality_LO, lo);  // r = 4
  ShadeScene<Pixel> ref(20, 3, 20, 3);
  FillRamp(ref.input);
  // x = 7 sees the step only with r = 4.
  EXPECT_TRUE(SamePixel(hi[7], ref.input.At(7, 1)));
  EXPECT_FALSE(SamePixel(lo[7], ref.input.At(7, 1)));
  EXPECT_TRUE(SamePixel(hi[5], lo[5]));
  render(0.2, PF_Quality_HI, hi);  // r = 1 either way
  render(0.2, PF_Quality_LO, lo);
  for (std::int32_t x = 0; x < 20; ++x) EXPECT_TRUE(SamePixel(hi[x], lo[x])) << x;
  EXPECT_FALSE(SamePixel(hi[9], ref.input.At(9, 1)));  // the step is seen at x = 9
}

TYPED_TEST(RefractionShadingTest, FrostOnWritesPanePixelsOnlyToTheFrostBuffer) {
  using Pixel = TypeParam;
  ShadeScene<Pixel> s(8, 4, 9, 4, 2);  // one input column more for the offset
  FillRamp(s.input);
  s.DistanceRampInX(-4.0f);  // columns 0 and 1 far outside
  s.in.refraction = REFRACTION_ONE_PX;
  s.in.frost_on = true;
  const Pixel marker = MakePixel<Pixel>(1, 2, 3, 4);
  for (std::int32_t y = 0; y < 4; ++y)
    for (std::int32_t x = 0; x < 8; ++x) s.output.At(x, y) = marker;
  s.Run();
  for (std::int32_t y = 0; y < 4; ++y) {
    for (std::int32_t x = 0; x < 8; ++x) {
      const Pixel& f = s.frost[static_cast<std::size_t>(y) * 8 + x];
      if (x < 2) {
        EXPECT_TRUE(SamePixel(s.output.At(x, y), s.input.At(x, y)));
        EXPECT_TRUE(SamePixel(f, s.input.At(x, y)));
      } else {
        EXPECT_TRUE(SamePixel(s.output.At(x, y), marker)) << x;
        EXPECT_GT(f.alpha, 0) << x;
      }
    }
  }
  EXPECT_TRUE(s.output.PaddingIntact());
}

// Random fields and settings: every shaded pixel has no colour above its
// alpha, and far-outside pixels are the input bit for bit.
TYPED_TEST(RefractionShadingTest, RandomScenesKeepColourWithinAlpha) {
  using Pixel = TypeParam;
  std::mt19937 rng(1234);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  for (int trial = 0; trial < 40; ++trial) {
    const std::int32_t w = 17 + trial % 7, h = 13 + trial % 5;
    ShadeScene<Pixel> s(w, h, w + 4, h + 2, 1);
    FillRandomPremultiplied(s.input, 100 + trial);
    const float cx = static_cast<float>(uniform(0, w)), cy = static_cast<float>(uniform(0, h));
    const float radius = static_cast<float>(uniform(2, 10));
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        const float d = radius - std::hypot(static_cast<float>(x) - cx, static_cast<float>(y) - cy);
        s.distance.At(x, y) = d + static_cast<float>(uniform(-0.5, 0.5));
        s.depth.At(x, y) = std::max(0.0f, d);
        s.height.At(x, y) = d * 0.7f;
      }
    if (trial % 2) s.UseHeightPlane();
    s.in.raster_source = trial % 3 == 0;
    s.in.shapes_supersampled = trial % 3 == 1;
    s.in.request_offset_x = static_cast<std::int32_t>(rng() % 5) - 1;
    s.in.request_offset_y = static_cast<std::int32_t>(rng() % 3) - 1;
    s.in.quality = trial % 4 ? PF_Quality_HI : PF_Quality_LO;
    s.in.scale_factor = uniform(0.2, 8);
    s.in.depth_px = uniform(0, 120);
    s.in.refraction = uniform(-100, 100);
    s.in.magnify = uniform(-100, 100);
    s.in.splay = uniform(-10, 100);
    s.in.dispersion = trial % 3 ? uniform(0, 100) : 0.0;
    s.in.pane_centre_x = cx;
    s.in.pane_centre_y = cy;
    s.in.shape_count = static_cast<std::uint32_t>(rng() % 4);
    s.in.merge_mode = static_cast<std::uint32_t>(rng() % 6);
    s.in.frost_on = trial % 5 == 0;
    s.Run();
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        const Pixel p = s.in.frost_on ? s.frost[static_cast<std::size_t>(y) * w + x] : s.output.At(x, y);
        if (s.distance.At(x, y) + 2.0f < -0.5f) {
          const int ix = x + s.in.request_offset_x, iy = y + s.in.request_offset_y;
          const Pixel expected = (ix >= 0 && ix < w + 4 && iy >= 0 && iy < h + 2) ? s.input.At(ix, iy) : Pixel{};
          EXPECT_TRUE(SamePixel(p, expected)) << trial;
        } else {
          EXPECT_LE(p.red, p.alpha) << trial << " " << x << "," << y;
          EXPECT_LE(p.green, p.alpha) << trial;
          EXPECT_LE(p.blue, p.alpha) << trial;
          EXPECT_LE(p.alpha, PixelTraits<Pixel>::FULL) << trial;
        }
      }
    }
    EXPECT_TRUE(s.output.PaddingIntact());
  }
}

// A disc centred on the vertical axis of a mirror-symmetric input, with the
// pane centre on the axis, shades to a mirror-symmetric result.
TYPED_TEST(RefractionShadingTest, MirrorSymmetricSceneShadesSymmetrically) {
  using Pixel = TypeParam;
  for (int variant = 0; variant < 4; ++variant) {
    const std::int32_t w = 31, h = 23, pad = 3;
    ShadeScene<Pixel> s(w, h, w + 2 * pad, h);
    TestPixelWorld<Pixel> half(w / 2 + pad + 1, h);
    FillRandomPremultiplied(half, 77 + variant);
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x <= (w + 2 * pad - 1) / 2; ++x) {
        s.input.At(x, y) = half.At(x, y);
        s.input.At(w + 2 * pad - 1 - x, y) = half.At(x, y);
      }
    const float cx = static_cast<float>(w - 1) * 0.5f, cy = 10.0f;
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        const float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - cy;
        const float d = 9.0f - std::sqrt(dx * dx + dy * dy);
        s.distance.At(x, y) = d;
        s.depth.At(x, y) = std::max(d, 0.0f);
        s.height.At(x, y) = std::max(d, 0.0f) * 0.6f;
      }
    if (variant & 1) s.UseHeightPlane();
    s.in.raster_source = variant >= 2;
    s.in.request_offset_x = pad;
    s.in.pane_centre_x = cx;
    s.in.pane_centre_y = cy;
    s.in.depth_px = 30;
    s.in.refraction = 70;
    s.in.magnify = 40;
    s.in.splay = 30;
    s.in.dispersion = variant == 1 ? 0.0 : 60.0;
    s.Run();
    int worst = 0;
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        const Pixel a = s.output.At(x, y), b = s.output.At(w - 1 - x, y);
        worst = std::max({worst, std::abs(a.alpha - b.alpha), std::abs(a.red - b.red), std::abs(a.green - b.green),
                          std::abs(a.blue - b.blue)});
      }
    EXPECT_LE(worst, 1) << "variant " << variant;
  }
}

TEST(RefractionShadingDepthsTest, EightAndSixteenBitsAgreeInShape) {
  const std::int32_t w = 29, h = 21;
  ShadeScene<PF_Pixel8> s8(w, h, w, h);
  ShadeScene<PF_Pixel16> s16(w, h, w, h);
  FillRandomPremultiplied(s8.input, 9);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const PF_Pixel8 p = s8.input.At(x, y);
      s16.input.At(x, y) = MakePixel<PF_Pixel16>(p.alpha * 128, p.red * 128, p.green * 128, p.blue * 128);
    }
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const float d = 8.0f - std::hypot(static_cast<float>(x) - 13.0f, static_cast<float>(y) - 9.0f);
      for (FloatPlane* p : {&s8.distance, &s16.distance}) p->At(x, y) = d;
      for (FloatPlane* p : {&s8.depth, &s16.depth}) p->At(x, y) = std::max(d, 0.0f);
    }
  for (int variant = 0; variant < 2; ++variant) {
    auto configure = [&](auto& in) {
      in.depth_px = 20;
      in.refraction = 60;
      in.magnify = 30;
      in.splay = 20;
      in.dispersion = variant ? 50.0 : 0.0;
      in.pane_centre_x = 13.0f;
      in.pane_centre_y = 9.0f;
    };
    configure(s8.in);
    configure(s16.in);
    s8.Run();
    s16.Run();
    // Truncation at each tap and in the fade compounds in 8 bits; the two
    // depths stay within a few 8-bit steps everywhere, and close on average.
    double worst = 0.0, total = 0.0;
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        const PF_Pixel8 a = s8.output.At(x, y);
        const PF_Pixel16 b = s16.output.At(x, y);
        for (double diff : {b.alpha / 128.0 - a.alpha, b.red / 128.0 - a.red, b.green / 128.0 - a.green,
                            b.blue / 128.0 - a.blue}) {
          worst = std::max(worst, std::fabs(diff));
          total += std::fabs(diff);
        }
      }
    EXPECT_LE(worst, 3.0) << "variant " << variant;
    EXPECT_LE(total / (4.0 * w * h), 0.5) << "variant " << variant;
  }
}

TYPED_TEST(RefractionShadingTest, OneWorkerAndEightWorkersGiveTheSameBytes) {
  using Pixel = TypeParam;
  const std::int32_t w = 40, h = 300;
  std::vector<unsigned char> results[2];
  WithOneAndEightWorkers([&](int workers) {
    ShadeScene<Pixel> s(w, h, w, h, 1);
    FillRandomPremultiplied(s.input, 3);
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        const float d = 15.0f - std::fabs(static_cast<float>(x) - 20.0f) - 0.1f * std::fabs(static_cast<float>(y) - 150.0f);
        s.distance.At(x, y) = d;
        s.depth.At(x, y) = std::max(d, 0.0f);
      }
    s.in.depth_px = 30;
    s.in.refraction = 80;
    s.in.magnify = 20;
    s.in.dispersion = 40;
    s.in.pane_centre_x = 20.0f;
    s.in.pane_centre_y = 150.0f;
    s.Run();
    results[workers == 1 ? 0 : 1] = s.output.bytes;
  });
  ASSERT_FALSE(results[0].empty());
  EXPECT_EQ(results[0], results[1]);
}

TYPED_TEST(RefractionShadingTest, NonFiniteValuesReadAsTransparentSamples) {
  using Pixel = TypeParam;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // Infinite refraction throws every sample position off to infinity or NaN.
  {
    ShadeScene<Pixel> s(6, 4, 6, 4);
    FillRamp(s.input);
    s.DistanceRampInX(1.0f);
    s.in.refraction = static_cast<double>(inf);
    s.in.dispersion = 50;
    s.Run();
    for (std::int32_t x = 0; x < 6; ++x) EXPECT_TRUE(SamePixel(s.output.At(x, 2), Pixel{})) << x;
  }
  // NaN in the planes and the settings must not reach an index.
  {
    ShadeScene<Pixel> s(6, 4, 6, 4);
    FillRamp(s.input);
    s.DistanceRampInX(1.0f);
    s.distance.At(2, 1) = nan;
    s.depth.At(3, 2) = nan;
    s.in.refraction = 50;
    s.in.magnify = 50;
    s.in.scale_factor = static_cast<double>(nan);
    s.in.pane_centre_x = nan;
    s.Run();
    for (std::int32_t y = 0; y < 4; ++y)
      for (std::int32_t x = 0; x < 6; ++x) {
        const Pixel p = s.output.At(x, y);
        EXPECT_LE(p.red, p.alpha);
      }
  }
}

// At the largest slope radius (2^30, reached by an absurd scale factor) the
// raster normal is the slope over 2^31: the push still goes up the slope.
// gx = 8 across the 9-column ramp, so n.x = 2^-28, and a refraction 2^28
// times the one-pixel value makes the offset exactly one pixel.
TYPED_TEST(RefractionShadingTest, LargestSlopeRadiusStillPushesUpTheSlope) {
  using Pixel = TypeParam;
  ShadeScene<Pixel> s(9, 3, 11, 3);
  FillRamp(s.input);
  s.in.request_offset_x = 1;
  s.DistanceRampInX(10.0f);
  s.in.raster_source = true;
  s.in.scale_factor = 1e12;
  s.in.refraction = REFRACTION_ONE_PX * 268435456.0;
  s.Run();
  for (std::int32_t y = 0; y < 3; ++y)
    for (std::int32_t x = 0; x < 9; ++x)
      EXPECT_TRUE(SamePixel(s.output.At(x, y), s.input.At(x + 2, y))) << x << "," << y;
}

TEST(RefractionShadingGuardTest, MismatchedPlanesShadeNothing) {
  ShadeScene<PF_Pixel16> s(6, 4, 6, 4);
  FillRamp(s.input);
  s.distance = MakePlane(5, 4, 10.0f);
  const PF_Pixel16 marker = MakePixel<PF_Pixel16>(9, 9, 9, 9);
  s.output.At(0, 0) = marker;
  s.Run();
  EXPECT_TRUE(SamePixel(s.output.At(0, 0), marker));
}

}  // namespace
