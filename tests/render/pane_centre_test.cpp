#include "render/pane_centre.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "render/pane_extent.h"

namespace {

FloatPlane DepthPlane(std::int32_t w, std::int32_t h) {
  FloatPlane p;
  EXPECT_TRUE(AllocateFloatPlane(p, w, h));
  for (std::int64_t i = 0; i < p.Size(); ++i) p.data[i] = 0.0f;
  return p;
}

TEST(PaneCentreTest, NoPanePixelGivesTheMiddleAndHalfTheLargerSide) {
  FloatPlane depth = DepthPlane(7, 3);
  depth.At(2, 1) = -0.5f;  // negative is not a pane pixel
  const PaneCentre c = FindPaneCentre(depth);
  EXPECT_EQ(c.pane_centre_x, 3.5f);
  EXPECT_EQ(c.pane_centre_y, 1.5f);
  EXPECT_EQ(c.pane_radius, 3.5f);
  // Not raised to 1 when nothing is inside.
  FloatPlane tiny = DepthPlane(1, 1);
  EXPECT_EQ(FindPaneCentre(tiny).pane_radius, 0.5f);
}

TEST(PaneCentreTest, OnePixelIsItsOwnCentreWithRadiusOne) {
  FloatPlane depth = DepthPlane(9, 6);
  depth.At(7, 2) = 0.25f;
  const PaneCentre c = FindPaneCentre(depth);
  EXPECT_EQ(c.pane_centre_x, 7.0f);
  EXPECT_EQ(c.pane_centre_y, 2.0f);
  EXPECT_EQ(c.pane_radius, 1.0f);
}

TEST(PaneCentreTest, SymmetricShapes) {
  struct Case {
    const char* name;
    std::int32_t w, h;
    bool (*inside)(std::int32_t, std::int32_t);
    float cx, cy, radius;
  };
  const Case cases[] = {
      // Rectangle x 3..8, y 2..4: sides 5 and 2 as integer differences.
      {"rectangle", 12, 7, [](std::int32_t x, std::int32_t y) { return x >= 3 && x <= 8 && y >= 2 && y <= 4; },
       5.5f, 3.0f, 2.5f},
      // Disc of radius 5 about (10, 10).
      {"disc", 21, 21,
       [](std::int32_t x, std::int32_t y) { return (x - 10) * (x - 10) + (y - 10) * (y - 10) <= 25; }, 10.0f,
       10.0f, 5.0f},
      // Ring about (6, 4): a hole in the middle does not move the centre.
      {"ring", 13, 9,
       [](std::int32_t x, std::int32_t y) {
         const int r2 = (x - 6) * (x - 6) + (y - 4) * (y - 4);
         return r2 <= 16 && r2 >= 4;
       },
       6.0f, 4.0f, 4.0f},
  };
  for (const Case& c : cases) {
    FloatPlane depth = DepthPlane(c.w, c.h);
    for (std::int32_t y = 0; y < c.h; ++y)
      for (std::int32_t x = 0; x < c.w; ++x)
        if (c.inside(x, y)) depth.At(x, y) = 1.5f;
    const PaneCentre got = FindPaneCentre(depth);
    EXPECT_FLOAT_EQ(got.pane_centre_x, c.cx) << c.name;
    EXPECT_FLOAT_EQ(got.pane_centre_y, c.cy) << c.name;
    EXPECT_EQ(got.pane_radius, c.radius) << c.name;
  }
}

TEST(PaneCentreTest, RowSpansGiveThePixelByPixelResultBitForBit) {
  // The centre counts each row's pane span at once; adding every pane pixel
  // in turn is the plain path. Random panes on sizes from 1 to 4096, with
  // NaN, signed zeros and rows that are empty or full.
  std::mt19937 rng(5150);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  for (int trial = 0; trial < 50; ++trial) {
    int w = 1 + static_cast<int>(rng() % 4096);
    int h = 1 + static_cast<int>(rng() % 4096);
    while (static_cast<std::int64_t>(w) * h > 200000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
    FloatPlane depth;
    ASSERT_TRUE(AllocateFloatPlane(depth, w, h));
    const float cx = u(rng) * w, cy = u(rng) * h, r = u(rng) * 0.6f * std::max(w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        float v = r - std::hypot(x - cx, y - cy);
        const unsigned k = rng() % 60;
        if (k == 0) v = std::numeric_limits<float>::quiet_NaN();
        if (k == 1) v = -0.0f;
        if (k == 2) v = 1e-30f;
        if (k == 3) v = std::numeric_limits<float>::denorm_min();
        if (k == 4) v = std::numeric_limits<float>::infinity();
        if (k == 5) v = -std::numeric_limits<float>::infinity();
        if (trial % 7 == 3 && y % 5 == 0) v = 1.0f;
        depth.At(x, y) = v;
      }
    }
    PaneExtent extent(w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (depth.At(x, y) > 0.0f) extent.Add(x, y);
      }
    }
    const PaneCentre got = FindPaneCentre(depth);
    if (extent.count == 0) {
      EXPECT_EQ(got.pane_centre_x, w * 0.5f);
      continue;
    }
    const float want_x = extent.CentreX(), want_y = extent.CentreY(), want_r = extent.Radius();
    EXPECT_EQ(std::memcmp(&got.pane_centre_x, &want_x, sizeof(float)), 0) << trial;
    EXPECT_EQ(std::memcmp(&got.pane_centre_y, &want_y, sizeof(float)), 0) << trial;
    EXPECT_EQ(std::memcmp(&got.pane_radius, &want_r, sizeof(float)), 0) << trial;
  }
}

TEST(PaneCentreTest, WideRowsGiveThePixelByPixelResultBitForBit) {
  // Rows wider than the lanes count in one go, with pane pixels scattered
  // to both ends, so the far columns carry their full x into the sums.
  std::mt19937 rng(77);
  const int widths[] = {4095, 4096, 4097, 4101, 8195, 12289, 20000};
  for (const int w : widths) {
    const int h = 3;
    FloatPlane depth = DepthPlane(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (rng() % (y + 2) == 0 || x >= w - 3) depth.At(x, y) = 1.0f + static_cast<float>(rng() % 100);
    PaneExtent extent(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (depth.At(x, y) > 0.0f) extent.Add(x, y);
    const PaneCentre got = FindPaneCentre(depth);
    const float want_x = extent.CentreX(), want_y = extent.CentreY(), want_r = extent.Radius();
    EXPECT_EQ(std::memcmp(&got.pane_centre_x, &want_x, sizeof(float)), 0) << w;
    EXPECT_EQ(std::memcmp(&got.pane_centre_y, &want_y, sizeof(float)), 0) << w;
    EXPECT_EQ(std::memcmp(&got.pane_radius, &want_r, sizeof(float)), 0) << w;
  }
}

}  // namespace
