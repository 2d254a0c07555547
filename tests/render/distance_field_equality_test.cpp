// The distance-field builders and the transform against the code they
// replaced (distance_field_reference.h): equal bytes in both outputs on
// random and structured coverage planes and masks, at widths on and off
// the column block, one pixel wide or high, with one worker and with eight.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "render/distance_field_builders.h"
#include "render/distance_transform.h"
#include "render/parallel_for.h"
#include "render/distance_field_reference.h"

namespace {

using Plane = std::vector<float>;

bool SameBytes(const Plane& a, const Plane& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

struct Size {
  int w;
  int h;
};

// Widths below, on and across the 16-column block, single lines, and
// frames big enough to be split over eight workers.
const Size SIZES[] = {{1, 1}, {1, 37}, {29, 1}, {16, 9}, {17, 23}, {33, 40}, {300, 7}, {5, 300}, {611, 293},
                      {257, 260}};

// Coverage mixing every class the seeding tells apart: fully in and out,
// just inside the thresholds, exactly 0.5, and random edge values.
Plane RandomCoverage(int w, int h, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  const float special[] = {0.0f, 1.0f, 0.5f, 0.9999f, 0.99989f, 0.0001f, 0.00011f, 0.4999f, 0.5001f};
  Plane c(static_cast<std::size_t>(w) * h);
  for (float& v : c) {
    const float r = u(rng);
    if (r < 0.3f) {
      v = 0.0f;
    } else if (r < 0.6f) {
      v = 1.0f;
    } else if (r < 0.7f) {
      v = special[rng() % (sizeof(special) / sizeof(special[0]))];
    } else {
      v = u(rng);
    }
  }
  return c;
}

// Anti-aliased shapes as real rasters have them: two overlapping discs, a
// thin bar and a hole, plus a blurred copy so edges are several pixels
// wide.
Plane ShapesCoverage(int w, int h) {
  Plane c(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      double v = std::clamp(0.5 + 0.37 * w - std::hypot(px - 0.4 * w, py - 0.5 * h), 0.0, 1.0);
      v = std::max(v, std::clamp(0.5 + 0.2 * h - std::hypot(px - 0.8 * w, py - 0.3 * h), 0.0, 1.0));
      v = std::max(v, std::clamp(1.3 - std::fabs(py - 0.85 * h), 0.0, 1.0));
      v = std::min(v, std::clamp(std::hypot(px - 0.4 * w, py - 0.5 * h) - 0.07 * w, 0.0, 1.0));
      c[y * w + x] = static_cast<float>(v);
    }
  }
  return c;
}

std::vector<std::uint8_t> MaskOf(const Plane& c, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> m(c.size());
  for (std::size_t i = 0; i < c.size(); ++i) {
    m[i] = static_cast<std::uint8_t>(std::lround(c[i] * 255.0f));
    if (rng() % 17 == 0) m[i] = static_cast<std::uint8_t>(rng());
  }
  return m;
}

class DistanceFieldEqualityTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { SetHardwareConcurrencyOverride(GetParam()); }
  void TearDown() override { SetHardwareConcurrencyOverride(-1); }
};

void ExpectCoverageFieldsEqual(const Plane& c, int w, int h) {
  Plane depth(c.size(), 3.0f), distance(c.size(), 3.0f);
  Plane want_depth(c.size(), 3.0f), want_distance(c.size(), 3.0f);
  DistanceFieldFromCoverage(c.data(), w, h, depth.data(), distance.data());
  distance_field_reference::DistanceFieldFromCoverage(c.data(), w, h, want_depth.data(), want_distance.data());
  EXPECT_TRUE(SameBytes(depth, want_depth)) << w << " x " << h;
  EXPECT_TRUE(SameBytes(distance, want_distance)) << w << " x " << h;
}

void ExpectMaskFieldsEqual(const std::vector<std::uint8_t>& m, int w, int h) {
  Plane depth(m.size(), 3.0f), distance(m.size(), 3.0f);
  Plane want_depth(m.size(), 3.0f), want_distance(m.size(), 3.0f);
  DistanceFieldFromMask8(m.data(), w, h, depth.data(), distance.data());
  distance_field_reference::DistanceFieldFromMask8(m.data(), w, h, want_depth.data(), want_distance.data());
  EXPECT_TRUE(SameBytes(depth, want_depth)) << w << " x " << h;
  EXPECT_TRUE(SameBytes(distance, want_distance)) << w << " x " << h;
}

TEST_P(DistanceFieldEqualityTest, CoverageFieldEqualsTheReference) {
  std::uint32_t seed = 11;
  for (const Size& s : SIZES) {
    ExpectCoverageFieldsEqual(RandomCoverage(s.w, s.h, seed++), s.w, s.h);
    ExpectCoverageFieldsEqual(ShapesCoverage(s.w, s.h), s.w, s.h);
  }
  // Nothing inside, everything inside.
  ExpectCoverageFieldsEqual(Plane(40 * 30, 0.0f), 40, 30);
  ExpectCoverageFieldsEqual(Plane(40 * 30, 1.0f), 40, 30);
}

TEST_P(DistanceFieldEqualityTest, MaskFieldEqualsTheReference) {
  std::uint32_t seed = 5;
  for (const Size& s : SIZES) {
    ExpectMaskFieldsEqual(MaskOf(RandomCoverage(s.w, s.h, seed), seed), s.w, s.h);
    ExpectMaskFieldsEqual(MaskOf(ShapesCoverage(s.w, s.h), seed++), s.w, s.h);
  }
}

TEST_P(DistanceFieldEqualityTest, TransformEqualsTheReference) {
  std::uint32_t seed = 3;
  for (const Size& s : SIZES) {
    Plane c = RandomCoverage(s.w, s.h, seed++);
    Plane seeds(c.size()), other(c.size());
    distance_field_reference::DistanceInitCoverage{c.data(), other.data(), DISTANCE_INFINITY, seeds.data(), s.w,
                                                   s.h}(0, s.w * s.h);
    Plane got = seeds, want = seeds;
    DistanceTransform2D(got.data(), s.w, s.h);
    distance_field_reference::DistanceTransform2D(want.data(), s.w, s.h);
    EXPECT_TRUE(SameBytes(got, want)) << s.w << " x " << s.h;
  }
}

// 3 cores give one thread (every pass inline), 10 give eight workers.
INSTANTIATE_TEST_SUITE_P(Threads, DistanceFieldEqualityTest, ::testing::Values(3, 10));

}  // namespace
