// The rounded star with its chord blocks and outline pieces left out where
// they provably cannot matter, against the star evaluated in full
// (shape_distance_reference.h): equal bits on random stars at random
// points, and at the points where a left-out block or piece would show
// first: on rays through every chord end (and a hair either side), on the
// chords themselves, near the centre and far away.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include "render/portable_math.h"
#include "render/shape_distance_functions.h"
#include "render/shape_distance_reference.h"

namespace {

bool SameBits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

struct Star {
  float outer, inner;
  std::int32_t points;
  float start, outer_roundness, inner_roundness;
};

Star RandomStar(std::mt19937& rng) {
  std::uniform_real_distribution<float> radius(0.2f, 400.0f);
  std::uniform_real_distribution<float> roundness(-250.0f, 250.0f);
  std::uniform_real_distribution<float> angle(-180.0f, 180.0f);
  Star s{radius(rng), radius(rng), static_cast<std::int32_t>(rng() % 12) + 1, -90.0f, roundness(rng), roundness(rng)};
  if (rng() % 3 == 0) s.start = angle(rng);
  if (rng() % 4 == 0) s.inner_roundness = 0.0f;
  if (rng() % 5 == 0) s.outer_roundness = 0.0f;
  if (s.outer_roundness == 0.0f && s.inner_roundness == 0.0f) s.outer_roundness = 10.0f;
  return s;
}

int Mismatches(const Star& s, const PreparedStar& star, float x, float y) {
  const float want =
      shape_distance_reference::StarDistance(x, y, s.outer, s.inner, s.points, s.start, s.outer_roundness,
                                             s.inner_roundness);
  return SameBits(StarDistance(star, x, y), want) ? 0 : 1;
}

TEST(StarBlocksTest, RandomStarsEqualTheReferenceBitForBit) {
  std::mt19937 rng(20261210);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  int mismatches = 0, blocked = 0;
  for (int n = 0; n < 300; ++n) {
    const Star s = RandomStar(rng);
    const PreparedStar star = PrepareStar(s.outer, s.inner, s.points, s.start, s.outer_roundness, s.inner_roundness);
    if (star.blocks.usable) ++blocked;
    const float reach = 3.0f * std::max(s.outer, s.inner) + 5.0f;
    for (int k = 0; k < 600; ++k) mismatches += Mismatches(s, star, reach * unit(rng), reach * unit(rng));
    // The sector frame: the chord ends and their rays, turned to every
    // point of the star by the start angle and whole sectors.
    const double theta = static_cast<double>(s.start) * 3.14159265358979 / 180.0 +
                         (s.inner > s.outer ? 3.14159265358979 / std::max(s.points, 3) : 0.0);
    const double sector = 2.0 * 3.14159265358979 / std::max(s.points, 3);
    for (int i = 0; i <= STAR_CHORDS; ++i) {
      const double px = star.curve.x[i], py = star.curve.y[i];
      const double rho = std::hypot(px, py);
      const double alpha = std::atan2(py, px);
      for (const double delta : {0.0, 1e-7, -1e-7, 1e-6, -1e-6, 1e-4, -1e-4, 3e-3, -3e-3}) {
        for (const double scale : {0.25, 0.9, 0.999999, 1.0, 1.000001, 1.1, 4.0}) {
          const double turn = theta + sector * static_cast<double>(rng() % 13) +
                              (rng() % 2 == 0 ? alpha + delta : -(alpha + delta));
          const double r = rho * scale;
          mismatches += Mismatches(s, star, static_cast<float>(r * std::cos(turn)), static_cast<float>(r * std::sin(turn)));
        }
      }
    }
    // Around the centre, where the ray's direction is the point itself.
    for (const float r : {0.0f, 1e-7f, 1e-6f, 1.2e-6f, 1e-3f}) {
      mismatches += Mismatches(s, star, r, 0.0f);
      mismatches += Mismatches(s, star, -r * 0.6f, r * 0.8f);
    }
    // Far away in every direction.
    for (int k = 0; k < 64; ++k) {
      const float a = static_cast<float>(k) * 0.0981748f;
      for (const float r : {reach * 10.0f, 1e5f}) mismatches += Mismatches(s, star, r * std::cos(a), r * std::sin(a));
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(blocked, 250);  // the blocked evaluation ran for almost every star
}

}  // namespace
