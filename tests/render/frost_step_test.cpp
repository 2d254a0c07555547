#include "render/frost_step.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "render/colour_bleed.h"
#include "test_pixel_world.h"

namespace {

TEST(FrostBleedRadiusTest, TruncatesTheScaledFrostAndNeverGoesBelowOne) {
  struct Case {
    double frost_px, scale_factor;
    std::int32_t radius;
  };
  const Case cases[] = {
      {0.6, 1.0, 1},     // 0.18 -> at least 1
      {0.6, 2.0, 1},
      {10.0, 1.0, 3},    // 3.0000001
      {10.0, 2.0, 6},
      {100.0, 8.0, 240},
      {33.3, 2.6, 25},   // 25.97...
      {0.0, 2.0, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(FrostBleedRadius(c.frost_px, c.scale_factor), c.radius) << c.frost_px;
  EXPECT_EQ(FrostBleedRadius(std::numeric_limits<double>::quiet_NaN(), 2.0), 1);
  EXPECT_GT(FrostBleedRadius(1e300, 2.0), 0);
}

// The frost step is three row/column rounds and a copy; a transparent pixel
// comes out exactly as it went in.
TEST(FrostStepTest, ThreeRoundsThenCopyOut) {
  const std::int32_t w = 19, h = 11;
  std::mt19937 rng(6);
  std::vector<PF_Pixel16> frost(static_cast<std::size_t>(w) * h), scratch(frost.size());
  for (PF_Pixel16& p : frost) {
    const int a = rng() % 4 == 0 ? 0 : static_cast<int>(rng() % 32769);
    p = MakePixel<PF_Pixel16>(a, static_cast<int>(rng() % (a + 1)), static_cast<int>(rng() % (a + 1)), 7);
  }
  std::vector<PF_Pixel16> expected = frost, tmp(frost.size());
  for (int i = 0; i < 3; ++i) {
    BleedColorRows16(ColourBleedInputs16{expected.data(), tmp.data(), w, h, 2});
    BleedColorColumns16(ColourBleedInputs16{tmp.data(), expected.data(), w, h, 2});
  }
  const std::vector<PF_Pixel16> before = frost;
  TestPixelWorld<PF_Pixel16> out(w, h, 2);
  FrostAndCopyOut16(frost.data(), scratch.data(), w, h, 2, out.world);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      EXPECT_TRUE(SamePixel(out.At(x, y), expected[i]));
      if (before[i].alpha == 0) {
        EXPECT_TRUE(SamePixel(out.At(x, y), before[i]));
      }
    }
  EXPECT_TRUE(out.PaddingIntact());
}

TEST(FrostStepTest, SemiTransparentPixelTakesTheWindowAlpha) {
  const std::int32_t w = 3, h = 1;
  std::vector<PF_Pixel8> frost = {MakePixel<PF_Pixel8>(255, 255, 0, 0), MakePixel<PF_Pixel8>(45, 45, 0, 0),
                                  MakePixel<PF_Pixel8>(0, 0, 0, 0)};
  std::vector<PF_Pixel8> scratch(3);
  TestPixelWorld<PF_Pixel8> out(w, h, 1);
  FrostAndCopyOut8(frost.data(), scratch.data(), w, h, 1, out.world);
  // Each round averages the two non-transparent pixels: 150 and stays.
  EXPECT_TRUE(SamePixel(out.At(0, 0), MakePixel<PF_Pixel8>(150, 150, 0, 0)));
  EXPECT_TRUE(SamePixel(out.At(1, 0), MakePixel<PF_Pixel8>(150, 150, 0, 0)));
  EXPECT_TRUE(SamePixel(out.At(2, 0), MakePixel<PF_Pixel8>(0, 0, 0, 0)));
  EXPECT_TRUE(out.PaddingIntact());
}

}  // namespace
