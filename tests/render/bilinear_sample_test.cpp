#include "render/bilinear_sample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "test_pixel_world.h"

namespace {

template <typename Pixel>
class BilinearSampleTest : public ::testing::Test {};

using PixelTypes = ::testing::Types<PF_Pixel16, PF_Pixel8>;
TYPED_TEST_SUITE(BilinearSampleTest, PixelTypes);

// A 3 x 2 world whose channels differ, with padding so rowbytes is used.
template <typename Pixel>
void FillSmall(TestPixelWorld<Pixel>& w) {
  const int full = PixelTraits<Pixel>::FULL;
  w.At(0, 0) = MakePixel<Pixel>(full, 10, 20, 30);
  w.At(1, 0) = MakePixel<Pixel>(full, 50, 60, 70);
  w.At(2, 0) = MakePixel<Pixel>(full / 2, 90, 100, 110);
  w.At(0, 1) = MakePixel<Pixel>(0, 130, 140, 150);
  w.At(1, 1) = MakePixel<Pixel>(full, 170, 180, 190);
  w.At(2, 1) = MakePixel<Pixel>(full, 210, 220, 230);
}

TYPED_TEST(BilinearSampleTest, IntegerPositionsReadThePixel) {
  using Pixel = TypeParam;
  TestPixelWorld<Pixel> w(3, 2, 2);
  FillSmall(w);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const Pixel s = SampleBilinear<Pixel>(w.world, static_cast<float>(x), static_cast<float>(y), 3, 2);
      EXPECT_TRUE(SamePixel(s, w.At(x, y))) << x << "," << y;
    }
  }
}

TYPED_TEST(BilinearSampleTest, HalfPositionsAverageNeighbours) {
  using Pixel = TypeParam;
  TestPixelWorld<Pixel> w(3, 2, 1);
  FillSmall(w);
  // Between (0,0) and (1,0): (10+50)/2 etc.
  Pixel s = SampleBilinear<Pixel>(w.world, 0.5f, 0.0f, 3, 2);
  EXPECT_EQ(s.red, 30);
  EXPECT_EQ(s.green, 40);
  EXPECT_EQ(s.blue, 50);
  // Centre of the four left pixels: (10+50+130+170)/4 = 90.
  s = SampleBilinear<Pixel>(w.world, 0.5f, 0.5f, 3, 2);
  EXPECT_EQ(s.red, 90);
  EXPECT_EQ(s.blue, 110);
  const int full = PixelTraits<Pixel>::FULL;
  EXPECT_EQ(s.alpha, (3 * full) / 4);
  // A quarter of the way: 10 * 0.75 + 50 * 0.25 = 20.
  s = SampleBilinear<Pixel>(w.world, 0.25f, 0.0f, 3, 2);
  EXPECT_EQ(s.red, 20);
  // Truncation, not rounding: (50 + 90) / 2 = 70, (60+100)/2 = 80, and
  // 0.5 * 255 = 127.5 or 0.5 * 32768 + 0.5 * 16384 = 24576 for alpha.
  s = SampleBilinear<Pixel>(w.world, 1.5f, 0.0f, 3, 2);
  EXPECT_EQ(s.red, 70);
  EXPECT_EQ(s.alpha, (full + full / 2) / 2);
}

TYPED_TEST(BilinearSampleTest, EdgesRepeatWithinHalfAPixelAndAreTransparentBeyond) {
  using Pixel = TypeParam;
  TestPixelWorld<Pixel> w(3, 2, 1);
  FillSmall(w);
  const Pixel zero{};
  struct Case {
    float x, y;
    int ex, ey;  // expected source pixel, or -1 for transparent
  };
  const Case cases[] = {
      {-0.5f, 0.0f, 0, 0},
      {-0.25f, 1.0f, 0, 1},
      {2.5f, 0.0f, 2, 0},   // W - 0.5 reads the last column
      {2.3f, 1.0f, 2, 1},   // right of the last centre: x1 = x0
      {1.0f, -0.5f, 1, 0},
      {1.0f, 1.5f, 1, 1},   // H - 0.5 reads the last row
      {2.5f, 1.5f, 2, 1},
      {std::nextafter(-0.5f, -1.0f), 0.0f, -1, -1},
      {std::nextafter(2.5f, 3.0f), 0.0f, -1, -1},
      {0.0f, std::nextafter(-0.5f, -1.0f), -1, -1},
      {0.0f, std::nextafter(1.5f, 2.0f), -1, -1},
      {-40.0f, 0.0f, -1, -1},
      {1.0f, 1e9f, -1, -1},
  };
  for (const Case& c : cases) {
    const Pixel s = SampleBilinear<Pixel>(w.world, c.x, c.y, 3, 2);
    const Pixel expected = c.ex < 0 ? zero : w.At(c.ex, c.ey);
    EXPECT_TRUE(SamePixel(s, expected)) << c.x << "," << c.y;
  }
}

TYPED_TEST(BilinearSampleTest, NonFinitePositionsAreTransparent) {
  using Pixel = TypeParam;
  TestPixelWorld<Pixel> w(3, 2);
  FillSmall(w);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float positions[][2] = {{nan, 0.0f}, {0.0f, nan}, {nan, nan}, {inf, 0.0f}, {-inf, 1.0f}, {1.0f, inf}, {1.0f, -inf}};
  for (const auto& p : positions) {
    const Pixel s = SampleBilinear<Pixel>(w.world, p[0], p[1], 3, 2);
    EXPECT_TRUE(SamePixel(s, Pixel{})) << p[0] << "," << p[1];
  }
}

TYPED_TEST(BilinearSampleTest, EmptyWorldIsTransparentEvenAtMinusHalf) {
  using Pixel = TypeParam;
  PF_EffectWorld empty{};
  Pixel dummy = MakePixel<Pixel>(7, 7, 7, 7);
  empty.data = &dummy;  // would be read if the empty size were not caught
  empty.width = 0;
  empty.height = 1;
  empty.rowbytes = sizeof(Pixel);
  EXPECT_TRUE(SamePixel(SampleBilinear<Pixel>(empty, -0.5f, 0.0f, 0, 1), Pixel{}));
  empty.width = 1;
  empty.height = 0;
  EXPECT_TRUE(SamePixel(SampleBilinear<Pixel>(empty, 0.0f, -0.5f, 1, 0), Pixel{}));
}

TEST(BilinearSample16Test, ChannelsAboveFullValueAreLimited) {
  TestPixelWorld<PF_Pixel16> w(2, 1);
  w.At(0, 0) = MakePixel<PF_Pixel16>(65535, 40000, 32768, 0);
  w.At(1, 0) = MakePixel<PF_Pixel16>(65535, 40000, 32768, 0);
  const PF_Pixel16 s = SampleBilinear16(w.world, 0.5f, 0.0f, 2, 1);
  EXPECT_EQ(s.alpha, 32768);
  EXPECT_EQ(s.red, 32768);
  EXPECT_EQ(s.green, 32768);
  EXPECT_EQ(s.blue, 0);
}

TEST(BilinearSample8Test, FullValueIs255) {
  TestPixelWorld<PF_Pixel8> w(2, 1);
  w.At(0, 0) = MakePixel<PF_Pixel8>(255, 255, 0, 1);
  w.At(1, 0) = MakePixel<PF_Pixel8>(255, 255, 0, 2);
  const PF_Pixel8 s = SampleBilinear8(w.world, 0.5f, 0.0f, 2, 1);
  EXPECT_EQ(s.alpha, 255);
  EXPECT_EQ(s.red, 255);
  EXPECT_EQ(s.blue, 1);  // 1.5 truncated
}

}  // namespace
