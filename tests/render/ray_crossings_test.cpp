// The star's ray-crossing count four chords at a time must equal the plain
// chord-by-chord count on any polyline, including rays through its points,
// chords along the ray, and values that are not finite.
#include "render/ray_crossings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

TEST(RayCrossingsTest, VectorCountEqualsThePlainCount) {
  std::mt19937 rng(31337);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  const float awkward[] = {0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                           1e-30f, 1e30f};
  std::int64_t total = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    const int chords = static_cast<int>(rng() % 70);
    const float scale = trial % 3 == 0 ? 1.0f : 500.0f;
    std::vector<float> x(chords + 1), y(chords + 1);
    const float a = u(rng) * 3.1415927f;
    const float dir_x = std::cos(a), dir_y = std::sin(a);
    for (int i = 0; i <= chords; ++i) {
      const float r = (0.2f + std::fabs(u(rng))) * scale;
      const float t = 6.2831855f * static_cast<float>(i) / static_cast<float>(std::max(chords, 1)) + 0.1f * u(rng);
      x[i] = r * std::cos(t);
      y[i] = r * std::sin(t);
      const unsigned k = rng() % 40;
      if (k == 0) {  // a point on the ray itself
        x[i] = r * dir_x;
        y[i] = r * dir_y;
      } else if (k == 1) {
        x[i] = awkward[rng() % 6];
      } else if (k == 2 && i > 0) {  // a repeated point
        x[i] = x[i - 1];
        y[i] = y[i - 1];
      }
    }
    const float rho = trial % 7 == 0 ? awkward[rng() % 6] : std::fabs(u(rng)) * scale;
    const std::int32_t want = RayCrossingsBeyondPlain(x.data(), y.data(), chords, dir_x, dir_y, rho);
    ASSERT_EQ(RayCrossingsBeyond(x.data(), y.data(), chords, dir_x, dir_y, rho), want) << "trial " << trial;
    total += want;
  }
  EXPECT_GT(total, 10000);
}

TEST(RayCrossingsTest, ClosedOutlineCountsOddInsideAndEvenOutside) {
  // A square of side 2 about the origin, corners first: a ray from the
  // centre leaves it once.
  const float x[] = {1, -1, -1, 1, 1}, y[] = {1, 1, -1, -1, 1};
  EXPECT_EQ(RayCrossingsBeyond(x, y, 4, 1.0f, 0.0f, 0.5f), 1);
  EXPECT_EQ(RayCrossingsBeyond(x, y, 4, 1.0f, 0.0f, 1.5f), 0);
  EXPECT_EQ(RayCrossingsBeyond(x, y, 4, 0.0f, -1.0f, 0.9f), 1);
}

}  // namespace
