// The prepared star and polygon (per-shape work done once) against the
// point-at-a-time functions as first written: equal bits at every point,
// for sharp, rounded, inward-rounded, swapped and degenerate shapes, and
// the field builder against the reference merged by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "render/float_plane.h"
#include "render/shape_distance_field.h"
#include "render/shape_distance_functions.h"
#include "render/shape_primitive.h"
#include "render/shape_distance_reference.h"

namespace {

bool SameBits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

// Points on a grid over and well beyond the shape, plus the centre, the
// axes and a few off-grid points where the folds and ties sit.
std::vector<std::pair<float, float>> Points(float reach) {
  std::vector<std::pair<float, float>> pts;
  const int steps = 61;
  for (int j = 0; j < steps; ++j) {
    for (int i = 0; i < steps; ++i) {
      pts.emplace_back(-reach + 2.0f * reach * static_cast<float>(i) / (steps - 1),
                       -reach + 2.0f * reach * static_cast<float>(j) / (steps - 1) + 0.37f);
    }
  }
  for (float t : {0.0f, 1e-7f, 0.5f, 3.25f, 17.0f, reach}) {
    pts.emplace_back(t, 0.0f);
    pts.emplace_back(0.0f, -t);
    pts.emplace_back(-t, t);
  }
  return pts;
}

struct StarCase {
  float outer, inner;
  std::int32_t points;
  float start, outer_roundness, inner_roundness;
};

TEST(PreparedShapeTest, StarEqualsTheReferenceBitForBit) {
  const StarCase cases[] = {
      {150, 70, 5, -90, 10, 0},  {150, 70, 5, -90, 0, 0},    {40, 18, 5, -90, 0, 0},    {60, 30, 7, -90, 50, 25},
      {60, 30, 3, 12, -40, 80},  {20, 45, 6, -90, 30, 0},    {0, 0, 64, -90, 0, 0},     {20, 20, 5, -90, 0, 0},
      {300, 120, 12, 33, 100, 100}, {5, 2, 4, -90, -100, -50}, {80, 79.9f, 9, 0, 5, 5}, {-3, 0.2f, 1, 45, 10, 0},
  };
  for (const StarCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.outer << " " << c.inner << " " << c.points << " " << c.start << " "
                                    << c.outer_roundness << " " << c.inner_roundness);
    const PreparedStar star =
        PrepareStar(c.outer, c.inner, c.points, c.start, c.outer_roundness, c.inner_roundness);
    int mismatches = 0;
    for (const auto& [x, y] : Points(2.0f * std::max(std::fabs(c.outer), std::fabs(c.inner)) + 10.0f)) {
      const float want = shape_distance_reference::StarDistance(x, y, c.outer, c.inner, c.points, c.start,
                                                                c.outer_roundness, c.inner_roundness);
      if (!SameBits(StarDistance(star, x, y), want)) ++mismatches;
      if (!SameBits(StarDistance(x, y, c.outer, c.inner, c.points, c.start, c.outer_roundness, c.inner_roundness),
                    want)) {
        ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

struct PolygonCase {
  float radius;
  std::int32_t sides;
  float start, roundness;
};

TEST(PreparedShapeTest, PolygonEqualsTheReferenceBitForBit) {
  const PolygonCase cases[] = {{20, 5, -90, 0},   {20, 5, -90, 60},  {12, 3, -90, -80}, {12, 6, 10, -20},
                               {100, 8, -90, 100}, {0.2f, 2, 0, 30}, {50, 4, 45, 0},    {35, 11, -90, -100}};
  for (const PolygonCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.radius << " " << c.sides << " " << c.start << " " << c.roundness);
    const PreparedPolygon polygon = PrepareRegularPolygon(c.radius, c.sides, c.start, c.roundness);
    int mismatches = 0;
    for (const auto& [x, y] : Points(2.0f * c.radius + 10.0f)) {
      const float want = shape_distance_reference::RegularPolygonDistance(x, y, c.radius, c.sides, c.start,
                                                                          c.roundness);
      if (!SameBits(RegularPolygonDistance(polygon, x, y), want)) ++mismatches;
      if (!SameBits(RegularPolygonDistance(x, y, c.radius, c.sides, c.start, c.roundness), want)) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(PreparedShapeTest, NonFinitePointsMatchTheReference) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (const auto& [x, y] : {std::pair{nan, 0.0f}, std::pair{0.0f, nan}, std::pair{inf, 1.0f}, std::pair{-inf, inf}}) {
    const float star = StarDistance(PrepareStar(150, 70, 5, -90, 10, 0), x, y);
    const float star_ref = shape_distance_reference::StarDistance(x, y, 150, 70, 5, -90, 10, 0);
    EXPECT_TRUE(SameBits(star, star_ref) || (std::isnan(star) && std::isnan(star_ref))) << x << "," << y;
    const float poly = RegularPolygonDistance(PrepareRegularPolygon(20, 5, -90, -40), x, y);
    const float poly_ref = shape_distance_reference::RegularPolygonDistance(x, y, 20, 5, -90, -40);
    EXPECT_TRUE(SameBits(poly, poly_ref) || (std::isnan(poly) && std::isnan(poly_ref))) << x << "," << y;
  }
}

// A box, a rounded polygon and a star united over a 320 x 200 field, the
// star last so that far from it the field leaves it out: every pixel equals
// the union of the reference distances in the same order, and a star whose
// chords run through its centre (no far radius) is evaluated everywhere.
TEST(PreparedShapeTest, FieldOfStarAndPolygonEqualsTheReferenceUnion) {
  for (const float inner_roundness : {0.0f, -400.0f}) {
    SCOPED_TRACE(inner_roundness);
    ShapePrimitive prims[3];
    prims[0].kind = SHAPE_BOX;
    prims[0].center_x = 80.0f;
    prims[0].center_y = 100.0f;
    prims[0].half_width = 60.0f;
    prims[0].half_height = 18.0f;
    prims[0].corner_radius = 4.0f;
    prims[1].kind = SHAPE_POLYGON;
    prims[1].center_x = 150.0f;
    prims[1].center_y = 40.25f;
    prims[1].outer_radius = 30.0f;
    prims[1].points = 6;
    prims[1].outer_roundness = -30.0f;
    prims[2].kind = SHAPE_STAR;
    prims[2].center_x = 240.5f;
    prims[2].center_y = 130.0f;
    prims[2].rot_cos = 0.8f;
    prims[2].rot_sin = 0.6f;
    prims[2].outer_radius = 50.0f;
    prims[2].inner_radius = 22.0f;
    prims[2].points = 5;
    prims[2].outer_roundness = 10.0f;
    prims[2].inner_roundness = inner_roundness;
    const ShapeSlot slots[3] = {};
    const std::int32_t w = 320, h = 200;
    FloatPlane depth, distance, height, box_depth, box_distance;
    ASSERT_TRUE(AllocateFloatPlane(depth, w, h));
    ASSERT_TRUE(AllocateFloatPlane(distance, w, h));
    ASSERT_TRUE(AllocateFloatPlane(height, w, h));
    ASSERT_TRUE(AllocateFloatPlane(box_depth, w, h));
    ASSERT_TRUE(AllocateFloatPlane(box_distance, w, h));
    ShapeDistanceField(0, 3, prims, 3, slots, depth, distance, &height);
    // The box through the field alone: its distance code is unchanged.
    ShapeDistanceField(0, 1, prims, 1, slots, box_depth, box_distance, nullptr);
    int mismatches = 0;
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        float acc = std::max(-1e30f, box_distance.At(x, y));
        for (int i = 1; i < 3; ++i) {
          const ShapePrimitive& p = prims[i];
          const float dx = static_cast<float>(x) - p.center_x;
          const float dy = static_cast<float>(y) - p.center_y;
          const float u = p.rot_cos * dx + p.rot_sin * dy;
          const float v = p.rot_cos * dy - p.rot_sin * dx;
          const float d =
              p.kind == SHAPE_STAR
                  ? shape_distance_reference::StarDistance(u, v, p.outer_radius, p.inner_radius, p.points, -90.0f,
                                                           p.outer_roundness, p.inner_roundness)
                  : shape_distance_reference::RegularPolygonDistance(u, v, p.outer_radius, p.points, -90.0f,
                                                                     p.outer_roundness);
          acc = std::max(acc, d);
        }
        if (!SameBits(distance.At(x, y), acc) || !SameBits(height.At(x, y), acc) ||
            !SameBits(depth.At(x, y), std::max(acc, 0.0f))) {
          ++mismatches;
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

// A rounded star far from the pixels of the field may be left out of a
// union only: under subtract, intersect and exclude its distance still
// changes every pixel. A box and a small star at the far corner, in both
// orders, against the reference merged by hand in every mode.
TEST(PreparedShapeTest, FarStarCountsInEveryModeButUnion) {
  ShapePrimitive box;
  box.kind = SHAPE_BOX;
  box.center_x = 40.0f;
  box.center_y = 30.0f;
  box.half_width = 30.0f;
  box.half_height = 20.0f;
  ShapePrimitive star;
  star.kind = SHAPE_STAR;
  star.center_x = 150.0f;
  star.center_y = 110.0f;
  star.outer_radius = 12.0f;
  star.inner_radius = 5.0f;
  star.points = 5;
  star.outer_roundness = 20.0f;
  ASSERT_GT(PrepareStar(12.0f, 5.0f, 5, -90.0f, 20.0f, 0.0f).far_radius, 0.0f);
  const ShapeSlot slots[2] = {};
  for (const bool star_first : {false, true}) {
    const ShapePrimitive prims[2] = {star_first ? star : box, star_first ? box : star};
    for (const std::uint32_t mode : {0u, 3u, 4u, 5u}) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << (star_first ? ", star first" : ", box first"));
      int mismatches = 0;
      for (int y = 0; y < 70; y += 3) {
        for (int x = 0; x < 90; x += 3) {
          float d[2];
          for (int i = 0; i < 2; ++i) {
            const ShapePrimitive& p = prims[i];
            const float dx = static_cast<float>(x) - p.center_x;
            const float dy = static_cast<float>(y) - p.center_y;
            const float u = p.rot_cos * dx + p.rot_sin * dy;
            const float v = p.rot_cos * dy - p.rot_sin * dx;
            if (p.kind == SHAPE_STAR) {
              d[i] = shape_distance_reference::StarDistance(u, v, p.outer_radius, p.inner_radius, p.points, -90.0f,
                                                            p.outer_roundness, p.inner_roundness);
            } else {
              // The box alone through the merge: its code is not under test.
              d[i] = MergedShapeDistance(static_cast<float>(x), static_cast<float>(y), 0, 1, &p, 1, slots);
            }
          }
          float want = 0.0f;
          switch (mode) {
            case 3: want = std::min(std::max(-1e30f, d[0]), -d[1]); break;
            case 4: want = std::min(std::min(1e30f, d[0]), d[1]); break;
            case 5: want = std::max(std::min(-d[0], d[1]), std::min(d[0], -d[1])); break;
            default: want = std::max(std::max(-1e30f, d[0]), d[1]); break;
          }
          if (!SameBits(MergedShapeDistance(static_cast<float>(x), static_cast<float>(y), mode, 2, prims, 2, slots),
                        want)) {
            ++mismatches;
          }
        }
      }
      EXPECT_EQ(mismatches, 0);
    }
  }
}

// Far from a rounded star its distance is below the far bound, so leaving
// it out of a union is safe: checked against the reference on rings just
// beyond the far radius, in every direction.
TEST(PreparedShapeTest, FarRadiusBoundsTheReferenceDistance) {
  const StarCase cases[] = {{150, 70, 5, -90, 10, 0}, {60, 30, 7, -90, 50, 25}, {20, 45, 6, -90, 30, 0},
                            {300, 120, 12, 33, 100, 100}, {8, 3, 3, 0, 20, 40}};
  for (const StarCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.outer << " " << c.inner << " " << c.points << " " << c.outer_roundness
                                    << " " << c.inner_roundness);
    const PreparedStar star = PrepareStar(c.outer, c.inner, c.points, c.start, c.outer_roundness, c.inner_roundness);
    ASSERT_GT(star.far_radius, 0.0f);
    for (const float extra : {0.0f, 0.5f, 3.0f, 40.0f, 1000.0f}) {
      for (int k = 0; k < 720; ++k) {
        const float angle = static_cast<float>(k) * 0.0087266462f;
        const float r = star.far_radius + extra + 0.01f;
        const float u = r * std::cos(angle), v = r * std::sin(angle);
        const float cr = ConservativeRadius(u, v);
        if (!(cr > star.far_radius)) continue;
        const float bound = -((cr - star.far_radius) * FAR_DISTANCE_SCALE);
        const float d = shape_distance_reference::StarDistance(u, v, c.outer, c.inner, c.points, c.start,
                                                               c.outer_roundness, c.inner_roundness);
        ASSERT_LT(d, 0.0f) << u << "," << v;
        ASSERT_LE(d, bound) << u << "," << v;
      }
    }
  }
}

}  // namespace
