#include "render/pane_centre.h"

#include <gtest/gtest.h>

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

}  // namespace
