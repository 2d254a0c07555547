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
#include <limits>
#include <random>
#include <vector>

#include "render/portable_math.h"
#include "render/shape_distance_functions.h"
#include "render/shape_distance_reference.h"
#include "render/star_chord_blocks.h"

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


// The plain and the four-lane forms of the blocked least distance, and the
// full evaluation of every chord (the reference star's nearest chord), on
// random stars at random points near and far, on the chord ends, and at
// points so far out that the squares overflow.
TEST(StarBlocksTest, LaneFormsEqualThePlainFormBitForBit) {
  std::mt19937 rng(4242);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  int mismatches = 0, compared = 0;
  for (int n = 0; n < 400; ++n) {
    const Star s = RandomStar(rng);
    const PreparedStar star = PrepareStar(s.outer, s.inner, s.points, s.start, s.outer_roundness, s.inner_roundness);
    if (!star.blocks.usable) continue;
    const float reach = 2.0f * std::max(s.outer, s.inner) + 5.0f;
    std::vector<std::pair<float, float>> points;
    for (int k = 0; k < 400; ++k) points.emplace_back(reach * unit(rng), reach * unit(rng));
    for (int i = 0; i <= STAR_CHORDS; ++i) {
      points.emplace_back(star.curve.x[i], star.curve.y[i]);
      points.emplace_back(star.curve.x[i] * 1.0001f, star.curve.y[i] * 0.9999f);
    }
    for (const float far : {1e5f, 1e19f, 3e38f}) points.emplace_back(far * unit(rng), far * unit(rng));
    for (const auto& [x, y] : points) {
      const float plain = BlockedLeastDistance2Plain(x, y, star.curve, star.blocks);
      shape_distance_reference::Vec2 q{x, y};
      std::array<shape_distance_reference::Vec2, STAR_CHORDS + 1> curve;
      for (int i = 0; i <= STAR_CHORDS; ++i) curve[i] = {star.curve.x[i], star.curve.y[i]};
      const float full = shape_distance_reference::NearestChord<STAR_CHORDS>(q, curve).d2;
      if (!SameBits(plain, full)) ++mismatches;
      if (!SameBits(BlockedLeastDistance2(x, y, star.curve, star.blocks), plain)) ++mismatches;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
      for (int b = 0; b < STAR_BLOCKS; ++b) {
        if (!SameBits(StarBlockLeastSse2(x, y, star.curve, b, 1e30f), StarBlockLeastPlain(x, y, star.curve, b, 1e30f))) {
          ++mismatches;
        }
      }
      if (!SameBits(BlockedLeastDistance2Sse2(x, y, star.curve, star.blocks), plain)) ++mismatches;
#endif
      ++compared;
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(compared, 100000);
}

// A chord block with a NaN distance (a chord whose projection overflows
// both ways) loses to every number in both forms.
TEST(StarBlocksTest, NaNChordDistanceNeverWins) {
  const PreparedStar star = PrepareStar(150, 70, 5, -90, 10, 0);
  ASSERT_TRUE(star.blocks.usable);
  ChordPolyline<STAR_CHORDS> curve = star.curve;
  curve.ex[1] = 3e38f;
  curve.ey[1] = -3e38f;
  const float x = 3e38f, y = 3e38f;  // wx * ex + wy * ey is inf - inf
  const float plain = StarBlockLeastPlain(x, y, curve, 0, 5.0f);
  EXPECT_EQ(plain, 5.0f);
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  EXPECT_TRUE(SameBits(StarBlockLeastSse2(x, y, curve, 0, 5.0f), plain));
#endif
}

// The side from the per-angle crossing radii against the reference's walk
// of the whole outline: random stars, at points just inside and outside
// each bin's radii, on the bins' edge angles and a hair either side. The
// bins must also take the side of most points of an ordinary star.
TEST(StarBlocksTest, SideFromTheBinsEqualsTheWholeOutlineWalk) {
  std::mt19937 rng(977);
  int mismatches = 0, usable = 0;
  for (int n = 0; n < 300; ++n) {
    const Star s = RandomStar(rng);
    const PreparedStar star = PrepareStar(s.outer, s.inner, s.points, s.start, s.outer_roundness, s.inner_roundness);
    if (!star.sign.usable) continue;
    ++usable;
    const double theta = static_cast<double>(s.start) * 3.14159265358979 / 180.0 +
                         (s.inner > s.outer ? 3.14159265358979 / std::max(s.points, 3) : 0.0);
    for (int j = 0; j < STAR_SIGN_BINS; ++j) {
      EXPECT_LE(star.sign.inner[j], star.sign.outer[j]);
      const double width = static_cast<double>(star.half) / STAR_SIGN_BINS;
      for (const double at : {0.0, 1e-7, 0.5, 1.0 - 1e-7, 1.0}) {
        const double sector_angle = (j + at) * width;
        for (const float r : {star.sign.inner[j], star.sign.outer[j]}) {
          for (const float scale : {0.999f, 0.99999f, 1.0f, 1.00001f, 1.001f}) {
            const double turn = theta + 2.0 * star.half * static_cast<double>(rng() % 7) +
                                (rng() % 2 == 0 ? sector_angle : -sector_angle);
            const double rr = static_cast<double>(r) * scale;
            mismatches += Mismatches(s, star, static_cast<float>(rr * std::cos(turn)), static_cast<float>(rr * std::sin(turn)));
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(usable, 150);

  // A five-pointed rounded star: the walk is needed only in a narrow band
  // about the outline.
  const PreparedStar star = PrepareStar(140, 65, 5, -90, 30, 15);
  ASSERT_TRUE(star.sign.usable);
  EXPECT_TRUE(star.sign.near_inside);
  int walked = 0, total = 0;
  for (int j = 0; j < STAR_SIGN_BINS; ++j) {
    EXPECT_GT(star.sign.inner[j], 55.0f);
    EXPECT_LT(star.sign.outer[j] - star.sign.inner[j], 12.0f);
  }
  for (float y = -150; y <= 150; y += 1.0f) {
    for (float x = -150; x <= 150; x += 1.0f) {
      const float a = std::fmod(std::atan2(y, x) + 6.2831855f + 1.5707964f, 2.0f * star.half);
      const float a_sector = a > star.half ? 2.0f * star.half - a : a;
      const int j = std::min(STAR_SIGN_BINS - 1, static_cast<int>(a_sector * star.sign.bin_scale));
      const float rho = std::sqrt(x * x + y * y);
      if (!(rho < star.sign.inner[j]) && !(rho > star.sign.outer[j])) ++walked;
      ++total;
    }
  }
  EXPECT_LT(walked, total / 10);
}


// Four points side by side against the point-at-a-time distance: random
// stars (sharp ones too, and three-pointed ones whose sector reaches past
// a quarter turn), at random points, on the axes and the sector edges,
// about the centre, far out, and at NaN and infinities.
TEST(StarBlocksTest, FourPointsEqualOneAtATimeBitForBit) {
  std::mt19937 rng(5150);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  int mismatches = 0, compared = 0;
  for (int n = 0; n < 400; ++n) {
    Star s = RandomStar(rng);
    if (n % 10 == 0) s.outer_roundness = s.inner_roundness = 0.0f;
    const PreparedStar star = PrepareStar(s.outer, s.inner, s.points, s.start, s.outer_roundness, s.inner_roundness);
    const float reach = 2.0f * std::max(s.outer, s.inner) + 5.0f;
    std::vector<float> xs, ys;
    for (int k = 0; k < 800; ++k) {
      xs.push_back(reach * unit(rng));
      ys.push_back(reach * unit(rng));
    }
    for (const float v : {0.0f, -0.0f, 1e-40f, -1e-30f, 0.5f, 1e5f, 3e38f, -3e38f, inf, -inf, nan}) {
      for (const float w : {0.0f, -0.0f, 7.0f, -2.5f, 1e-40f, inf, nan}) {
        xs.insert(xs.end(), {v, w});
        ys.insert(ys.end(), {w, v});
      }
    }
    // On the sector edges, where the fold and the remainder meet exact
    // multiples.
    for (int k = 0; k < 64; ++k) {
      const double turn = static_cast<double>(s.start) * 3.14159265358979 / 180.0 + k * 3.14159265358979 / std::max(s.points, 3);
      const double r = reach * 0.4 * (1 + k % 3);
      xs.push_back(static_cast<float>(r * std::cos(turn)));
      ys.push_back(static_cast<float>(r * std::sin(turn)));
    }
    while (xs.size() % 4 != 0) {
      xs.push_back(1.0f);
      ys.push_back(2.0f);
    }
    for (std::size_t k = 0; k < xs.size(); k += 4) {
      float four[4];
      StarDistance4(star, xs.data() + k, ys.data() + k, four);
      for (std::size_t j = 0; j < 4; ++j) {
        const float one = StarDistance(star, xs[k + j], ys[k + j]);
        if (!(SameBits(four[j], one) || (std::isnan(four[j]) && std::isnan(one)))) ++mismatches;
        ++compared;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(compared, 300000);
}

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
// Four points at once, one a lane, against the plain blocked form lane by
// lane: groups of neighbouring pixels (the field's runs, which mostly need
// the same blocks) and groups of unrelated points, on chord ends, so that
// one lane's blocks are taken for lanes that would have left them out.
TEST(StarBlocksTest, FourPointLanesEqualThePlainFormBitForBit) {
  std::mt19937 rng(777);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  int mismatches = 0, compared = 0;
  for (int n = 0; n < 300; ++n) {
    const Star s = RandomStar(rng);
    const PreparedStar star = PrepareStar(s.outer, s.inner, s.points, s.start, s.outer_roundness, s.inner_roundness);
    if (!star.blocks.usable) continue;
    const float reach = 2.0f * std::max(s.outer, s.inner) + 5.0f;
    std::vector<float> xs, ys;
    for (int k = 0; k < 100; ++k) {
      const float x = reach * unit(rng), y = reach * unit(rng);
      const float step = (k % 3 == 0) ? 1.0f : 0.37f * (1.0f + static_cast<float>(k % 5));
      for (int j = 0; j < 4; ++j) {
        xs.push_back(x + step * static_cast<float>(j));
        ys.push_back(y);
      }
    }
    for (int k = 0; k < 200; ++k) {
      xs.push_back(reach * unit(rng));
      ys.push_back(reach * unit(rng));
    }
    for (int i = 0; i <= STAR_CHORDS; ++i) {
      xs.insert(xs.end(), {star.curve.x[i], star.curve.x[i] * 1.0001f, reach * unit(rng), star.curve.x[STAR_CHORDS - i]});
      ys.insert(ys.end(), {star.curve.y[i], star.curve.y[i] * 0.9999f, reach * unit(rng), star.curve.y[STAR_CHORDS - i]});
    }
    for (const float far : {1e5f, 1e19f, 3e38f}) {
      for (int j = 0; j < 4; ++j) {
        xs.push_back(far * unit(rng));
        ys.push_back(j % 2 == 0 ? far * unit(rng) : unit(rng));
      }
    }
    for (std::size_t k = 0; k + 4 <= xs.size(); k += 4) {
      float four[4];
      BlockedLeastDistance2FourPoints(xs.data() + k, ys.data() + k, star.curve, star.blocks, four);
      for (std::size_t j = 0; j < 4; ++j) {
        const float plain = BlockedLeastDistance2Plain(xs[k + j], ys[k + j], star.curve, star.blocks);
        if (!SameBits(four[j], plain)) ++mismatches;
        ++compared;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(compared, 50000);
}
#endif

}  // namespace
