#include "render/path_distance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "render/distance_reference.h"

namespace {

using distance_reference::Point;
using distance_reference::Polyline;

std::vector<float> Flat(const Polyline& poly) {
  std::vector<float> out;
  for (const Point& p : poly) {
    out.push_back(static_cast<float>(p.x));
    out.push_back(static_cast<float>(p.y));
  }
  return out;
}

Polyline Reversed(Polyline poly) {
  std::reverse(poly.begin(), poly.end());
  return poly;
}

Polyline Append(Polyline a, const Polyline& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Polyline SQUARE = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
const Polyline INNER = {{3, 3}, {7, 3}, {7, 7}, {3, 7}};

TEST(PolygonDistanceTest, SquareValuesInBothWindingOrders) {
  struct Case {
    float x, y, expected;
  };
  const Case cases[] = {{5, 5, 5}, {15, 5, -5}, {5, -3, -3}, {2, 7, 2}, {-3, 14, -5}};
  for (const Polyline& poly : {SQUARE, Reversed(SQUARE)}) {
    const std::vector<float> pts = Flat(poly);
    for (const Case& c : cases) {
      EXPECT_EQ(PolygonDistance(c.x, c.y, pts.data(), 0, 4), c.expected) << c.x << "," << c.y;
    }
  }
}

TEST(PolygonDistanceTest, FewerThanThreePointsHaveNoOutline) {
  const std::vector<float> pts = Flat(SQUARE);
  for (int end = 0; end < 3; ++end) EXPECT_EQ(PolygonDistance(5, 5, pts.data(), 0, end), SHAPE_DISTANCE_NONE);
  EXPECT_EQ(PolygonDistance(5, 5, pts.data(), 2, 4), SHAPE_DISTANCE_NONE);
  EXPECT_EQ(PolygonDistance(5, 5, pts.data(), 4, 2), SHAPE_DISTANCE_NONE);
  EXPECT_EQ(SHAPE_DISTANCE_NONE, -1e30f);
}

TEST(PolygonDistanceTest, RepeatedPointAddsNoError) {
  const std::vector<float> plain = Flat(SQUARE);
  const std::vector<float> doubled = Flat({{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 10}});
  for (float y = -4.25f; y < 15; y += 1.5f) {
    for (float x = -4.25f; x < 15; x += 1.5f) {
      EXPECT_EQ(PolygonDistance(x, y, doubled.data(), 0, 6), PolygonDistance(x, y, plain.data(), 0, 4)) << x << "," << y;
    }
  }
  // On the repeated point itself and just off it.
  EXPECT_EQ(PolygonDistance(10, 0, doubled.data(), 0, 6), 0.0f);
  EXPECT_FLOAT_EQ(PolygonDistance(12, -1, doubled.data(), 0, 6), -std::sqrt(5.0f));
}

// Shapes chosen so that winding and crossing rules disagree somewhere: the
// pentagram's centre has winding 2, the bow tie's lobes run opposite ways.
std::vector<Polyline> ReferencePolygons() {
  Polyline star;
  for (int k = 0; k < 5; ++k) {
    const double a = -std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
    star.push_back({12 * std::cos(a) + 1.3, 12 * std::sin(a) - 0.7});
  }
  return {
      {{-9, -6}, {11, -4}, {2, 13}},                                  // triangle
      {{-10, -10}, {10, -10}, {10, -2}, {-2, -2}, {-2, 10}, {-10, 10}},  // L shape (concave)
      star,
      {{-10, -8}, {10, 8}, {10, -8}, {-10, 8}},  // bow tie
      {{-7.5, -3.25}, {0.5, -11}, {9, -2}, {4.5, 0}, {9, 9.5}, {-3, 6}, {-8, 8}, {-3, 1}},
  };
}

// The float kernel against the double reference over a grid. Coordinates
// stay within 20 of the origin, where a float ulp is below 2e-6; the
// projection and squared distances lose a few ulps of the squared
// magnitudes (up to about 1e3), so 1e-3 absolute bounds the error with room.
constexpr double GRID_TOLERANCE = 1e-3;

TEST(PolygonDistanceTest, MatchesBruteForceNonzeroReference) {
  for (const Polyline& shape : ReferencePolygons()) {
    for (const Polyline& poly : {shape, Reversed(shape)}) {
      const std::vector<float> pts = Flat(poly);
      const int n = static_cast<int>(poly.size());
      int checked_inside = 0;
      for (double y = -15.13; y < 15; y += 0.71) {
        for (double x = -15.07; x < 15; x += 0.69) {
          const float fx = static_cast<float>(x), fy = static_cast<float>(y);
          const double ref = distance_reference::SignedDistance({fx, fy}, poly);
          const float got = PolygonDistance(fx, fy, pts.data(), 0, n);
          ASSERT_NEAR(got, ref, GRID_TOLERANCE) << x << "," << y;
          if (std::fabs(ref) > GRID_TOLERANCE) {
            ASSERT_EQ(got > 0, ref > 0) << x << "," << y;
            checked_inside += ref > 0;
          }
        }
      }
      EXPECT_GT(checked_inside, 20);
    }
  }
}

TEST(PolygonDistanceTest, PentagramCentreIsInsideUnderNonzero) {
  // Even-odd would leave the centre pentagon out.
  const Polyline star = ReferencePolygons()[2];
  const std::vector<float> pts = Flat(star);
  EXPECT_GT(PolygonDistance(1.3f, -0.7f, pts.data(), 0, 5), 3.0f);
}

TEST(PolygonDistanceTest, NeverReadsOutsideTheSlotPoints) {
  // Exactly one slot's worth of points on the heap: ASan sees any overrun.
  std::vector<float> pts(2 * 512, 0.0f);
  const std::vector<float> tri = Flat({{0, 0}, {20, 0}, {0, 20}});
  std::copy(tri.begin(), tri.end(), pts.begin());
  const float inside = PolygonDistance(2, 3, pts.data(), 0, 512);
  EXPECT_EQ(PolygonDistance(2, 3, pts.data(), 0, 1000), inside);
  EXPECT_EQ(PolygonDistance(2, 3, pts.data(), -40, 512), inside);
  EXPECT_EQ(PolygonDistance(2, 3, pts.data(), -40, 3), PolygonDistance(2, 3, pts.data(), 0, 3));
  EXPECT_EQ(PolygonDistance(2, 3, pts.data(), 511, 2000), SHAPE_DISTANCE_NONE);
}

// Outer square and inner square as two sub-paths, evaluated at the centre.
TEST(CompoundPathDistanceTest, HoleInEveryMergeMode) {
  const std::uint32_t starts[8] = {0, 4, 0, 0, 0, 0, 0, 0};
  struct Case {
    int mode;
    float same_direction;
    float opposite_direction;
  };
  const Case cases[] = {{0, 2, -2}, {1, 2, -2}, {2, 2, -2}, {3, -2, -2}, {4, 2, 2}, {5, -2, -2}, {9, -2, -2}, {-1, -2, -2}};
  for (const Polyline& outer : {SQUARE, Reversed(SQUARE)}) {
    const std::vector<float> same = Flat(Append(outer, outer == SQUARE ? INNER : Reversed(INNER)));
    const std::vector<float> opposite = Flat(Append(outer, outer == SQUARE ? Reversed(INNER) : INNER));
    for (const Case& c : cases) {
      EXPECT_EQ(CompoundPathDistance(5, 5, same.data(), 8, starts, 2, c.mode), c.same_direction) << c.mode;
      EXPECT_EQ(CompoundPathDistance(5, 5, opposite.data(), 8, starts, 2, c.mode), c.opposite_direction) << c.mode;
    }
    EXPECT_EQ(CompoundPathDistance(1, 5, same.data(), 8, starts, 2, 3), 1.0f);
    EXPECT_EQ(CompoundPathDistance(1, 5, opposite.data(), 8, starts, 2, 3), 1.0f);
  }
}

// A ring and an overlapping triangle as three sub-paths, against the double
// reference: modes 0-2 take the nonzero rule over all edges at once, the
// others combine the per-outline reference distances and must place every
// point clearly away from an edge on the right side of the combined region.
TEST(CompoundPathDistanceTest, MatchesBruteForceReferenceInEveryMode) {
  const Polyline outer = {{-12, -12}, {12, -12}, {12, 12}, {-12, 12}};
  const Polyline hole = Reversed({{-5, -6}, {6, -5}, {5, 7}, {-6, 5}});
  const Polyline tri = {{-2, -14}, {14, 9}, {-8, 3}};
  const Polyline all = Append(Append(outer, hole), tri);
  const std::vector<float> pts = Flat(all);
  const std::uint32_t starts[8] = {0, 4, 8, 0, 0, 0, 0, 0};
  const Polyline parts[3] = {outer, hole, tri};
  for (int mode = 0; mode <= 5; ++mode) {
    for (double y = -15.13; y < 15; y += 0.83) {
      for (double x = -15.07; x < 15; x += 0.79) {
        const float fx = static_cast<float>(x), fy = static_cast<float>(y);
        const Point p{fx, fy};
        const float got = CompoundPathDistance(fx, fy, pts.data(), 11, starts, 3, mode);
        double ref;
        bool in_region;
        if (mode <= 2) {
          const double d = distance_reference::UnsignedDistance(p, outer);
          const double e = std::min({d, distance_reference::UnsignedDistance(p, hole),
                                     distance_reference::UnsignedDistance(p, tri)});
          int winding = 0;
          for (const Polyline& part : parts) winding += distance_reference::WindingNumber(p, part);
          ref = winding != 0 ? e : -e;
          in_region = winding != 0;
        } else {
          double acc = distance_reference::SignedDistance(p, parts[0]);
          bool in = acc > 0;
          for (int k = 1; k < 3; ++k) {
            const double d = distance_reference::SignedDistance(p, parts[k]);
            const bool in_k = d > 0;
            if (mode == 3) {
              acc = std::min(acc, -d);
              in = in && !in_k;
            } else if (mode == 4) {
              acc = std::min(acc, d);
              in = in && in_k;
            } else {
              acc = std::max(std::min(-acc, d), std::min(acc, -d));
              in = in != in_k;
            }
          }
          ref = acc;
          in_region = in;
        }
        ASSERT_NEAR(got, ref, GRID_TOLERANCE) << mode << " at " << x << "," << y;
        if (std::fabs(ref) > GRID_TOLERANCE) {
          ASSERT_EQ(got > 0, in_region) << mode << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(CompoundPathDistanceTest, ShortSubPathIsIgnoredInEveryMode) {
  const Polyline pair = {{30, 30}, {-40, 2}};
  const std::vector<float> square = Flat(SQUARE);
  const std::vector<float> square_first = Flat(Append(SQUARE, pair));
  const std::vector<float> pair_first = Flat(Append(pair, SQUARE));
  const std::uint32_t square_first_starts[8] = {0, 4};
  const std::uint32_t pair_first_starts[8] = {0, 2};
  for (int mode = 0; mode <= 6; ++mode) {
    for (float y = -4.25f; y < 15; y += 1.5f) {
      for (float x = -4.25f; x < 15; x += 1.5f) {
        const float expected = PolygonDistance(x, y, square.data(), 0, 4);
        EXPECT_EQ(CompoundPathDistance(x, y, square_first.data(), 6, square_first_starts, 2, mode), expected);
        EXPECT_EQ(CompoundPathDistance(x, y, pair_first.data(), 6, pair_first_starts, 2, mode), expected);
      }
    }
  }
}

TEST(CompoundPathDistanceTest, NoUsableOutline) {
  const std::vector<float> pts = Flat({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {5, 5}});
  const std::uint32_t starts[8] = {0, 2, 4};
  for (int mode = 0; mode <= 5; ++mode) {
    // Three sub-paths of 2, 2 and 1 points.
    EXPECT_EQ(CompoundPathDistance(5, 5, pts.data(), 5, starts, 3, mode), SHAPE_DISTANCE_NONE) << mode;
    EXPECT_EQ(CompoundPathDistance(5, 5, pts.data(), 2, starts, 2, mode), SHAPE_DISTANCE_NONE) << mode;
    EXPECT_EQ(CompoundPathDistance(5, 5, pts.data(), 2, starts, 1, mode), SHAPE_DISTANCE_NONE) << mode;
  }
}

TEST(CompoundPathDistanceTest, SingleSubPathIsThePolygonOfAllPoints) {
  const std::vector<float> pts = Flat(ReferencePolygons()[4]);
  // Starts that would split the outline if they were read.
  const std::uint32_t starts[8] = {3, 5, 7};
  for (int subpaths : {1, 0, -4}) {
    for (float y = -12.25f; y < 12; y += 1.5f) {
      for (float x = -12.25f; x < 12; x += 1.5f) {
        EXPECT_EQ(CompoundPathDistance(x, y, pts.data(), 8, starts, subpaths, 3), PolygonDistance(x, y, pts.data(), 0, 8));
      }
    }
  }
}

TEST(CompoundPathDistanceTest, StoredStartsAndCountsNeverReadOutOfBounds) {
  const std::vector<float> ring = Flat(Append(SQUARE, Reversed(INNER)));
  const std::uint32_t proper[8] = {0, 4};
  for (int mode : {1, 3, 5}) {
    const float two_squares = CompoundPathDistance(5, 5, ring.data(), 8, proper, 2, mode);
    const float all_eight = PolygonDistance(5, 5, ring.data(), 0, 8);
    struct Case {
      std::vector<std::uint32_t> starts;
      int subpath_count;
      float expected;
    };
    const Case cases[] = {
        {{0xFFFFFFF0u, 4, 0, 0, 0, 0, 0, 0}, 2, two_squares},  // negative when read signed: clamped to 0
        {{0, 100, 0, 0, 0, 0, 0, 0}, 2, all_eight},            // start past the count: empty last sub-path
        {{4, 0, 0, 0, 0, 0, 0, 0}, 2, all_eight},              // decreasing starts: empty first sub-path
        {{0, 4, 8, 8, 8, 8, 8, 8}, 50, two_squares},           // more sub-paths than starts
        {{0, 4, 0x7FFFFFFFu, 0, 0, 0, 0, 0}, 2, two_squares},
    };
    for (const Case& c : cases) {
      // Exactly eight starts on the heap, so a ninth read is caught.
      const std::vector<std::uint32_t> starts(c.starts.begin(), c.starts.end());
      ASSERT_EQ(starts.size(), 8u);
      EXPECT_EQ(CompoundPathDistance(5, 5, ring.data(), 8, starts.data(), c.subpath_count, mode), c.expected) << mode;
    }
  }

  // A count above the slot's 512 points reads only those.
  std::vector<float> pts(2 * 512, 0.0f);
  const std::vector<float> tri = Flat({{0, 0}, {20, 0}, {0, 20}});
  std::copy(tri.begin(), tri.end(), pts.begin());
  std::copy(tri.begin(), tri.end(), pts.begin() + 2 * 256);
  const std::uint32_t halves[8] = {0, 256};
  for (int mode : {0, 4}) {
    EXPECT_EQ(CompoundPathDistance(2, 3, pts.data(), 5000, halves, 2, mode),
              CompoundPathDistance(2, 3, pts.data(), 512, halves, 2, mode));
  }
  EXPECT_EQ(CompoundPathDistance(2, 3, pts.data(), 5000, halves, 1, 0), PolygonDistance(2, 3, pts.data(), 0, 512));
}

}  // namespace
