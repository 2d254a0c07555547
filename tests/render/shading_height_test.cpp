#include "render/shading_height.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/allocation_seam.h"
#include "render/parallel_for.h"

namespace {

FloatPlane PlaneOf(std::int32_t w, std::int32_t h, const std::vector<float>& values) {
  FloatPlane p;
  EXPECT_TRUE(AllocateFloatPlane(p, w, h));
  for (std::size_t i = 0; i < values.size(); ++i) p.data[i] = values[i];
  return p;
}

std::vector<float> Values(const FloatPlane& p) { return std::vector<float>(p.data.get(), p.data.get() + p.Size()); }

class ShadingHeightTest : public ::testing::Test {
 protected:
  void TearDown() override {
    DisarmAllocationFailure();
    SetHardwareConcurrencyOverride(-1);
  }
};

TEST_F(ShadingHeightTest, RadiusByPaneSource) {
  EXPECT_EQ(ShadeHeightRadius(false, true), 12);
  EXPECT_EQ(ShadeHeightRadius(true, true), 12);
  EXPECT_EQ(ShadeHeightRadius(true, false), 6);
  EXPECT_EQ(ShadeHeightRadius(false, false), 8);
}

TEST_F(ShadingHeightTest, WithoutPaneHeightTheDepthIsTheHeight) {
  const FloatPlane depth = PlaneOf(2, 1, {1.0f, 2.0f});
  FloatPlane none;
  EXPECT_EQ(&PrepareShadeHeight(depth, none, false, false), &depth);
}

// A row of three: any radius of 2 or more averages the whole row; the
// column blur of a one-row plane copies it. So 0, 9, 0 becomes 3, 3, 3 and
// -9, 0, 0 becomes -3, -3, -3, which analytic shapes hold at 0.
TEST_F(ShadingHeightTest, SmoothsTwiceAndClampsOnlyAnalyticShapes) {
  struct Case {
    std::vector<float> in;
    bool raster, supersampled;
    std::vector<float> out;
  };
  const Case cases[] = {
      {{0.0f, 9.0f, 0.0f}, false, false, {3.0f, 3.0f, 3.0f}},
      {{-9.0f, 0.0f, 0.0f}, false, false, {0.0f, 0.0f, 0.0f}},
      {{-9.0f, 0.0f, 0.0f}, true, false, {-3.0f, -3.0f, -3.0f}},
      {{-9.0f, 0.0f, 0.0f}, false, true, {-3.0f, -3.0f, -3.0f}},
  };
  for (const Case& c : cases) {
    const FloatPlane depth = PlaneOf(3, 1, {0.0f, 0.0f, 0.0f});
    FloatPlane height = PlaneOf(3, 1, c.in);
    const FloatPlane& shade = PrepareShadeHeight(depth, height, c.raster, c.supersampled);
    EXPECT_EQ(&shade, &height);
    EXPECT_EQ(Values(height), c.out);
  }
}

// The smoothing radius that PrepareShadeHeight applies, seen from how far
// one spike spreads: two row passes of radius r reach 2r pixels each way.
TEST_F(ShadingHeightTest, SpikeSpreadsTwiceTheRadiusOfItsSource) {
  struct Case {
    bool raster, supersampled;
    std::int32_t radius;
  };
  const Case cases[] = {{false, true, 12}, {true, true, 12}, {true, false, 6}, {false, false, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.radius);
    std::vector<float> row(61, 0.0f);
    row[30] = 1000.0f;
    const FloatPlane depth = PlaneOf(61, 1, std::vector<float>(61, 0.0f));
    FloatPlane height = PlaneOf(61, 1, row);
    PrepareShadeHeight(depth, height, c.raster, c.supersampled);
    for (std::int32_t x = 0; x < 61; ++x) {
      EXPECT_EQ(height.data[x] > 1e-3f, std::abs(x - 30) <= 2 * c.radius) << x;
    }
  }
}

// Both directions: a spike of 9 in the middle of 3 x 3 becomes a row of 3s
// after the row blur and 1 everywhere after the column blur (every radius
// here covers the whole plane); the second pass keeps the constant.
TEST_F(ShadingHeightTest, BlursRowsThenColumns) {
  const FloatPlane depth = PlaneOf(3, 3, std::vector<float>(9, 0.0f));
  FloatPlane height = PlaneOf(3, 3, {0, 0, 0, 0, 9, 0, 0, 0, 0});
  PrepareShadeHeight(depth, height, true, false);
  EXPECT_EQ(Values(height), std::vector<float>(9, 1.0f));
}

TEST_F(ShadingHeightTest, SameBytesOnOneAndEightWorkers) {
  const std::int32_t w = 300, h = 280;
  std::vector<float> v(static_cast<std::size_t>(w * h));
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x)
      v[static_cast<std::size_t>(y * w + x)] = static_cast<float>((x * 37 + y * 11) % 23) - 9.5f;
  const FloatPlane depth = PlaneOf(w, h, std::vector<float>(v.size(), 0.0f));
  std::vector<float> results[2];
  const int concurrency[2] = {1, 10};
  for (int k = 0; k < 2; ++k) {
    SetHardwareConcurrencyOverride(concurrency[k]);
    FloatPlane height = PlaneOf(w, h, v);
    PrepareShadeHeight(depth, height, false, true);
    results[k] = Values(height);
  }
  ASSERT_EQ(results[0].size(), results[1].size());
  EXPECT_EQ(std::memcmp(results[0].data(), results[1].data(), results[0].size() * sizeof(float)), 0);
}

TEST_F(ShadingHeightTest, ScratchThatCannotBeHadDropsThePaneHeight) {
  const FloatPlane depth = PlaneOf(3, 1, {0.0f, 1.0f, 0.0f});
  FloatPlane height = PlaneOf(3, 1, {-1.0f, 1.0f, -1.0f});
  ArmAllocationFailure(1);
  const FloatPlane& shade = PrepareShadeHeight(depth, height, true, false);
  EXPECT_EQ(&shade, &depth);
  EXPECT_TRUE(height.Empty());
}

// The whole preparation against the plain per-pixel form: two passes of a
// row blur and a column blur, each tap in order, then the analytic clamp
// pixel by pixel. Random planes from 1 to 4096 a side with NaN, infinities,
// signed zeros and values just below 0, for each pane source.
TEST_F(ShadingHeightTest, PreparedHeightIsThePerPixelBlursAndClampBitForBit) {
  auto blur = [](const std::vector<float>& src, std::int32_t w, std::int32_t h, std::int32_t r, bool along_rows) {
    std::vector<float> dst(src.size());
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        float sum = 0.0f;
        std::int32_t n = 0;
        for (std::int32_t k = -r; k <= r; ++k) {
          const std::int32_t xx = along_rows ? x + k : x, yy = along_rows ? y : y + k;
          if (xx < 0 || xx >= w || yy < 0 || yy >= h) continue;
          sum += src[static_cast<std::size_t>(yy) * w + xx];
          ++n;
        }
        dst[static_cast<std::size_t>(y) * w + x] = sum / static_cast<float>(n);
      }
    return dst;
  };
  std::mt19937 rng(88);
  const float specials[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), -0.0f, -1e-30f, -std::numeric_limits<float>::denorm_min()};
  for (int trial = 0; trial < 24; ++trial) {
    std::int32_t w = 1 + static_cast<std::int32_t>(rng() % 4096), h = 1 + static_cast<std::int32_t>(rng() % 4096);
    while (static_cast<std::int64_t>(w) * h > 120000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
    std::vector<float> in(static_cast<std::size_t>(w) * h);
    const float cx = static_cast<float>(rng() % w), cy = static_cast<float>(rng() % h);
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x)
        in[static_cast<std::size_t>(y) * w + x] = 30.0f - std::hypot(static_cast<float>(x) - cx, static_cast<float>(y) - cy);
    if (trial % 2 == 0)
      for (int k = 0; k < 6; ++k) in[rng() % in.size()] = specials[rng() % 6];
    const bool raster = trial % 3 == 1, supersampled = trial % 3 == 2;
    const std::int32_t r = ShadeHeightRadius(raster, supersampled);
    std::vector<float> want = in;
    for (int pass = 0; pass < 2; ++pass) want = blur(blur(want, w, h, r, true), w, h, r, false);
    if (!raster && !supersampled)
      for (float& v : want)
        if (v < 0.0f) v = 0.0f;
    const FloatPlane depth = PlaneOf(w, h, std::vector<float>(in.size(), 0.0f));
    FloatPlane height = PlaneOf(w, h, in);
    const FloatPlane& shade = PrepareShadeHeight(depth, height, raster, supersampled);
    ASSERT_EQ(&shade, &height);
    EXPECT_EQ(0, std::memcmp(height.data.get(), want.data(), want.size() * sizeof(float)))
        << w << "x" << h << " trial " << trial;
  }
}

// The tiled smoothing with its far-outside tiles written as +0, against
// the plain two passes followed by the clamp pixel by pixel: random sizes
// from 1 to 4096 a side, panes at random (discs whose outsides fall far
// below -1), radii from 0 past the tiled limit, values at and just above
// the far bound, NaN, infinities and signed zeros dropped into the far
// field, on one worker and on eight.
TEST_F(ShadingHeightTest, AboveZeroSmoothingIsThePlainSmoothingThenClampBitForBit) {
  std::mt19937 rng(4242);
  const float specials[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            -0.0f,
                            0.0f,
                            -1.0f,
                            std::nextafter(-1.0f, 0.0f),
                            -std::numeric_limits<float>::denorm_min(),
                            25.0f};
  constexpr int kSpecials = sizeof(specials) / sizeof(specials[0]);
  for (int trial = 0; trial < 60; ++trial) {
    std::int32_t w = 1 + static_cast<std::int32_t>(rng() % 4096), h = 1 + static_cast<std::int32_t>(rng() % 4096);
    while (static_cast<std::int64_t>(w) * h > 250000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
    std::vector<float> in(static_cast<std::size_t>(w) * h, -1e6f);
    const int discs = static_cast<int>(rng() % 4);
    for (int d = 0; d < discs; ++d) {
      const float cx = static_cast<float>(rng() % w), cy = static_cast<float>(rng() % h);
      const float rad = static_cast<float>(rng() % 60);
      for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x) {
          float& v = in[static_cast<std::size_t>(y) * w + x];
          v = std::max(v, rad - std::hypot(static_cast<float>(x) - cx, static_cast<float>(y) - cy));
        }
    }
    const int sprinkles = static_cast<int>(rng() % 8);
    for (int k = 0; k < sprinkles; ++k) in[rng() % in.size()] = specials[rng() % kSpecials];
    const std::int32_t radii[] = {8, static_cast<std::int32_t>(rng() % 18)};
    for (const std::int32_t r : radii) {
      FloatPlane want = PlaneOf(w, h, in);
      ASSERT_TRUE(SmoothPaneHeight(want, r));
      for (std::int64_t i = 0; i < want.Size(); ++i)
        if (want.data[i] < 0.0f) want.data[i] = 0.0f;
      for (const int concurrency : {1, 10}) {
        SetHardwareConcurrencyOverride(concurrency);
        FloatPlane got = PlaneOf(w, h, in);
        ASSERT_TRUE(SmoothPaneHeightAboveZero(got, r));
        EXPECT_EQ(0, std::memcmp(got.data.get(), want.data.get(), static_cast<std::size_t>(want.Size()) * sizeof(float)))
            << w << "x" << h << " radius " << r << " concurrency " << concurrency << " trial " << trial;
      }
    }
  }
}

// Planes that are far outside except for one value at a tile's corner or
// edge, and constant planes on either side of the far bound: the value
// that decides is a neighbour tile away from most pixels it reaches.
TEST_F(ShadingHeightTest, AboveZeroSmoothingKeepsWhatReachesAcrossTiles) {
  struct Case {
    float background;
    float spike;
    std::int32_t x, y;
  };
  const Case cases[] = {
      {-1000.0f, 500.0f, 31, 31},   {-1000.0f, 500.0f, 32, 32},  {-1000.0f, 500.0f, 63, 0},
      {-1000.0f, 500.0f, 0, 95},    {-1.0f, 0.5f, 64, 64},       {-1000.0f, std::numeric_limits<float>::quiet_NaN(), 40, 40},
      {-1000.0f, std::numeric_limits<float>::infinity(), 33, 70}, {-std::numeric_limits<float>::denorm_min(), -1.0f, 5, 5},
      {-1e-30f, -1.0f, 90, 90},     {-std::numeric_limits<float>::infinity(), -1.0f, 50, 10},
      {std::nextafter(-1.0f, 0.0f), -1.0f, 0, 0},   {-1000.0f, 500.0f, 39, 7},   {-1000.0f, 500.0f, 40, 8},
      {-1000.0f, 500.0f, 8, 55},    {-1000.0f, 500.0f, 96, 99},  {-1000.0f, 500.0f, 71, 23},
      // Spread over 17 taps four times, the far corners of its reach come
      // to a tiny negative sum whose mean rounds to -0, which the clamp keeps.
      {0.0f, -4913.0f * std::numeric_limits<float>::denorm_min(), 48, 48},
  };
  const std::int32_t w = 97, h = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.background << " " << c.spike << " at " << c.x << "," << c.y);
    std::vector<float> in(static_cast<std::size_t>(w) * h, c.background);
    in[static_cast<std::size_t>(c.y) * w + c.x] = c.spike;
    FloatPlane want = PlaneOf(w, h, in);
    ASSERT_TRUE(SmoothPaneHeight(want, 8));
    for (std::int64_t i = 0; i < want.Size(); ++i)
      if (want.data[i] < 0.0f) want.data[i] = 0.0f;
    FloatPlane got = PlaneOf(w, h, in);
    ASSERT_TRUE(SmoothPaneHeightAboveZero(got, 8));
    EXPECT_EQ(0, std::memcmp(got.data.get(), want.data.get(), static_cast<std::size_t>(want.Size()) * sizeof(float)));
  }
}

// Without its scratch block the smoothing fails and leaves the plane alone;
// with it, one allocation and nothing more.
TEST_F(ShadingHeightTest, AboveZeroSmoothingWithoutItsScratchLeavesThePlane) {
  const std::int32_t w = 70, h = 66;
  std::vector<float> in(static_cast<std::size_t>(w) * h);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x)
      in[static_cast<std::size_t>(y) * w + x] = 20.0f - std::hypot(static_cast<float>(x - 20), static_cast<float>(y - 15));
  FloatPlane scratchless = PlaneOf(w, h, in);
  ArmAllocationFailure(1);
  EXPECT_FALSE(SmoothPaneHeightAboveZero(scratchless, 8));
  EXPECT_EQ(Values(scratchless), in);
  DisarmAllocationFailure();
  FloatPlane plane = PlaneOf(w, h, in);
  ResetAllocationSeamCount();
  EXPECT_TRUE(SmoothPaneHeightAboveZero(plane, 8));
  EXPECT_EQ(AllocationSeamCount(), 1);
  EXPECT_NE(Values(plane), in);
}

}  // namespace
