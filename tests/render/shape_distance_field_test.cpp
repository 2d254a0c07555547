#include "render/shape_distance_field.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <cstring>
#include <string>
#include <vector>

#include "render/parallel_for.h"
#include "render/shape_primitive.h"

namespace {

ShapeSlot BoxSlot(double cx, double cy, double w, double h, double corner = 0.0) {
  ShapeSlot s{};
  s.kind = SHAPE_BOX;
  s.center_x = cx;
  s.center_y = cy;
  s.size_x = w;
  s.size_y = h;
  s.corner_radius = corner;
  s.rot_cos = 1.0;
  return s;
}

PrimitiveFrame Frame(int w, int h) {
  PrimitiveFrame f;
  f.width = w;
  f.height = h;
  return f;
}

TEST(ShapePrimitiveTest, NoSlotGivesAWideBoxOverTheWholeOutput) {
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  ASSERT_EQ(BuildShapePrimitives(slots, 0, Frame(40, 20), prims), 1);
  EXPECT_EQ(prims[0].kind, SHAPE_BOX);
  EXPECT_FLOAT_EQ(prims[0].center_x, 19.5f);
  EXPECT_FLOAT_EQ(prims[0].center_y, 9.5f);
  EXPECT_FLOAT_EQ(prims[0].half_width, 80.0f);
  EXPECT_FLOAT_EQ(prims[0].half_height, 40.0f);
  // Every pixel is inside; the value is the distance to the nearest edge
  // of the wide box: the vertical edges are 40 away from the top row's
  // centre line, so for (0, 0) it is 40 - 9.5 = 30.5.
  EXPECT_FLOAT_EQ(MergedShapeDistance(0, 0, 0, 1, prims, 0, slots), 30.5f);
}

TEST(ShapePrimitiveTest, TransformsCentreAndScalesSizes) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(10, 20, 8, 6, 5);
  PrimitiveFrame f = Frame(100, 100);
  f.scale_x_pct = 200;
  f.scale_y_pct = 100;
  f.anchor_x = 2;
  f.anchor_y = 4;
  f.position_x = 50;
  f.position_y = 40;
  f.request_left = 10;
  f.request_top = 5;
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  ASSERT_EQ(BuildShapePrimitives(slots, 1, f, prims), 1);
  // dx = (10 - 2) * 2 = 16, dy = (20 - 4) * 1 = 16; no rotation.
  EXPECT_FLOAT_EQ(prims[0].center_x, 16 + 50 - 10 - 0.5f);
  EXPECT_FLOAT_EQ(prims[0].center_y, 16 + 40 - 5 - 0.5f);
  EXPECT_FLOAT_EQ(prims[0].half_width, 8.0f);
  EXPECT_FLOAT_EQ(prims[0].half_height, 3.0f);
  // Corner radius 5 * k (1.5) = 7.5, lowered to the half sizes.
  EXPECT_FLOAT_EQ(prims[0].corner_radius, 3.0f);
}

TEST(ShapePrimitiveTest, LayerRotationTurnsTheCentreAndTheSlotKeepsItsOwn) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(10, 24, 8, 6);
  slots[0].rot_cos = 0.28;
  slots[0].rot_sin = -0.96;
  PrimitiveFrame f = Frame(100, 100);
  f.scale_x_pct = 200;
  f.anchor_x = 2;
  f.anchor_y = 4;
  f.position_x = 50;
  f.position_y = 40;
  f.request_left = 10;
  f.request_top = 5;
  f.rotation_cos = 0.6;
  f.rotation_sin = 0.8;
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  ASSERT_EQ(BuildShapePrimitives(slots, 1, f, prims), 1);
  // dx = (10 - 2) * 2 = 16, dy = (24 - 4) * 1 = 20.
  EXPECT_FLOAT_EQ(prims[0].center_x, 16 * 0.6f - 20 * 0.8f + 50 - 10 - 0.5f);  // 33.1
  EXPECT_FLOAT_EQ(prims[0].center_y, 16 * 0.8f + 20 * 0.6f + 40 - 5 - 0.5f);   // 59.3
  EXPECT_FLOAT_EQ(prims[0].rot_cos, 0.28f);
  EXPECT_FLOAT_EQ(prims[0].rot_sin, -0.96f);
}

TEST(ShapePrimitiveTest, RadiiScaleByTheMeanScaleAndPathPointsByEachAxis) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(0, 0, 0, 0);
  slots[0].kind = SHAPE_STAR;
  slots[0].outer_radius = 10;
  slots[0].inner_radius = 4;
  slots[0].outer_roundness = 30;
  slots[0].inner_roundness = -20;
  slots[0].polystar_points = 7;
  slots[1] = slots[0];
  slots[1].kind = SHAPE_POLYGON;
  slots[1].inner_radius = 0;  // 0.4 of the scaled outer radius
  slots[1].polystar_points = 2;
  slots[2] = BoxSlot(0, 0, 0, 0);
  slots[2].kind = SHAPE_PATH;
  slots[2].point_count = 3;
  const float points[] = {3, 5, -1, 2, 0.5f, -4};
  std::memcpy(slots[2].points, points, sizeof points);
  PrimitiveFrame f = Frame(100, 100);
  f.scale_x_pct = 200;  // sx 2, sy 1, k 1.5
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  ASSERT_EQ(BuildShapePrimitives(slots, 3, f, prims), 3);
  EXPECT_EQ(prims[0].kind, SHAPE_STAR);
  EXPECT_FLOAT_EQ(prims[0].outer_radius, 15.0f);
  EXPECT_FLOAT_EQ(prims[0].inner_radius, 6.0f);
  EXPECT_FLOAT_EQ(prims[0].outer_roundness, 30.0f);
  EXPECT_FLOAT_EQ(prims[0].inner_roundness, -20.0f);
  EXPECT_EQ(prims[0].points, 7);
  EXPECT_EQ(prims[1].kind, SHAPE_POLYGON);
  EXPECT_FLOAT_EQ(prims[1].inner_radius, 0.4f * 15.0f);
  EXPECT_EQ(prims[1].points, 3);
  EXPECT_EQ(prims[2].vertices, slots[2].points);
  EXPECT_EQ(prims[2].vertex_count, 3);
  const float scaled[] = {6, 5, -2, 2, 1, -4};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(slots[2].points[i], scaled[i]) << i;
}

TEST(ShapePrimitiveTest, ScaleBelowOnePercentCountsAsOnePercent) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(50, 30, 400, 200);
  PrimitiveFrame f = Frame(100, 100);
  f.scale_x_pct = 0;
  f.scale_y_pct = -50;
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  ASSERT_EQ(BuildShapePrimitives(slots, 1, f, prims), 1);
  EXPECT_FLOAT_EQ(prims[0].half_width, 2.0f);
  EXPECT_FLOAT_EQ(prims[0].half_height, 1.0f);
  EXPECT_FLOAT_EQ(prims[0].center_x, 0.0f);   // 50 x 0.01 - 0.5
  EXPECT_FLOAT_EQ(prims[0].center_y, -0.2f);  // 30 x 0.01 - 0.5
}

// The size test is on the value as a 32-bit float: a positive size too
// small for one is a size of 0.
TEST(ShapePrimitiveTest, SizeThatIsZeroAsAFloatFallsBackToTheCentre) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(30.5, 20.5, 1e-50, 8);
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  ASSERT_EQ(BuildShapePrimitives(slots, 1, Frame(100, 100), prims), 1);
  EXPECT_FLOAT_EQ(prims[0].half_width, 30.0f);
  EXPECT_FLOAT_EQ(prims[0].half_height, 4.0f);
}

TEST(ShapePrimitiveTest, ZeroSizesFallBackToTheCentre) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(30.5, 20.5, 0, -1);
  slots[1] = slots[0];
  slots[1].kind = SHAPE_STAR;
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  ASSERT_EQ(BuildShapePrimitives(slots, 2, Frame(100, 100), prims), 2);
  EXPECT_FLOAT_EQ(prims[0].half_width, 30.0f);
  EXPECT_FLOAT_EQ(prims[0].half_height, 20.0f);
  EXPECT_FLOAT_EQ(prims[1].outer_radius, 20.0f);
  EXPECT_FLOAT_EQ(prims[1].inner_radius, 8.0f);
  EXPECT_EQ(prims[1].points, 3);
}

TEST(ShapeDistanceFieldTest, RoundedBoxDistances) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(10.5, 10.5, 10, 10, 2);  // centre at output pixel (10, 10)
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  const int n = BuildShapePrimitives(slots, 1, Frame(21, 21), prims);
  EXPECT_FLOAT_EQ(MergedShapeDistance(10, 10, 0, n, prims, 1, slots), 5.0f);
  EXPECT_FLOAT_EQ(MergedShapeDistance(15, 10, 0, n, prims, 1, slots), 0.0f);
  EXPECT_FLOAT_EQ(MergedShapeDistance(18, 10, 0, n, prims, 1, slots), -3.0f);
  // Near the corner the rounding shows: the corner circle of radius 2 sits
  // at (13, 13); pixel (15, 15) is sqrt(8) - 2 outside it.
  EXPECT_NEAR(MergedShapeDistance(15, 15, 0, n, prims, 1, slots), -(std::sqrt(8.0f) - 2.0f), 1e-5);
}

struct MergeCase {
  std::uint32_t mode;
  float expected_left, expected_overlap, expected_right;
};

// Two unit-height boxes side by side overlapping in the middle: left spans
// x in [0, 20], right spans [10, 30]; sampled at x = 5 (left only), 15
// (both) and 25 (right only) on the centre line, far from top and bottom.
TEST(ShapeDistanceFieldTest, MergeModes) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(10.5, 50.5, 20, 100);
  slots[1] = BoxSlot(20.5, 50.5, 20, 100);
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  const int n = BuildShapePrimitives(slots, 2, Frame(40, 100), prims);
  ASSERT_EQ(n, 2);
  const MergeCase cases[] = {
      {0, 5, 5, 5},      // union: the larger distance
      {1, 5, 5, 5},
      {2, 5, 5, 5},
      {3, 5, -5, -5},    // left minus right
      {4, -5, 5, -5},    // intersection
      {5, 5, -5, 5},     // exclusion
  };
  for (const MergeCase& c : cases) {
    SCOPED_TRACE(c.mode);
    EXPECT_FLOAT_EQ(MergedShapeDistance(5, 50, c.mode, n, prims, 2, slots), c.expected_left);
    EXPECT_FLOAT_EQ(MergedShapeDistance(15, 50, c.mode, n, prims, 2, slots), c.expected_overlap);
    EXPECT_FLOAT_EQ(MergedShapeDistance(25, 50, c.mode, n, prims, 2, slots), c.expected_right);
  }
}

TEST(ShapeDistanceFieldTest, SingleShapeUnderSubtractOrExcludeIsUnchanged) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(10.5, 10.5, 10, 10);
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  const int n = BuildShapePrimitives(slots, 1, Frame(21, 21), prims);
  for (std::uint32_t mode : {0u, 3u, 5u}) {
    EXPECT_FLOAT_EQ(MergedShapeDistance(12, 10, mode, n, prims, 1, slots), 3.0f) << mode;
  }
}

TEST(ShapeDistanceFieldTest, ShortPathEmptiesAnIntersection) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(10.5, 10.5, 10, 10);
  slots[1] = ShapeSlot{};
  slots[1].kind = SHAPE_PATH;
  slots[1].point_count = 2;
  ShapePrimitive prims[MAX_SHAPE_SLOTS];
  const int n = BuildShapePrimitives(slots, 2, Frame(21, 21), prims);
  EXPECT_EQ(MergedShapeDistance(10, 10, 4, n, prims, 2, slots), SHAPE_DISTANCE_NONE);
  EXPECT_FLOAT_EQ(MergedShapeDistance(10, 10, 1, n, prims, 2, slots), 5.0f);
}

TEST(ShapeDistanceFieldTest, PlanesAgreeAndDoNotDependOnTheThreadCount) {
  ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  slots[0] = BoxSlot(100, 80, 120, 60, 12);
  slots[1] = ShapeSlot{};
  slots[1].kind = SHAPE_ELLIPSE;
  slots[1].center_x = 180;
  slots[1].center_y = 140;
  slots[1].size_x = 90;
  slots[1].size_y = 50;
  slots[1].rot_cos = std::cos(0.3);
  slots[1].rot_sin = std::sin(0.3);
  slots[2] = ShapeSlot{};
  slots[2].kind = SHAPE_STAR;
  slots[2].center_x = 60;
  slots[2].center_y = 200;
  slots[2].outer_radius = 50;
  slots[2].inner_radius = 20;
  slots[2].polystar_points = 5;
  slots[2].outer_roundness = 30;
  slots[2].rot_cos = 1;
  std::vector<std::uint8_t> bytes[2];
  for (int run = 0; run < 2; ++run) {
    SetHardwareConcurrencyOverride(run == 0 ? 3 : 10);
    ShapeSlot copy[MAX_SHAPE_SLOTS];
    std::memcpy(copy, slots, sizeof copy);
    ShapePrimitive prims[MAX_SHAPE_SLOTS];
    const int n = BuildShapePrimitives(copy, 3, Frame(256, 300), prims);
    FloatPlane depth, distance, height;
    ASSERT_TRUE(AllocateFloatPlane(depth, 256, 300));
    ASSERT_TRUE(AllocateFloatPlane(distance, 256, 300));
    ASSERT_TRUE(AllocateFloatPlane(height, 256, 300));
    ShapeDistanceField(1, n, prims, 3, copy, depth, distance, &height);
    for (std::int64_t i = 0; i < distance.Size(); ++i) {
      ASSERT_EQ(height.data[i], distance.data[i]);
      ASSERT_EQ(depth.data[i], std::max(distance.data[i], 0.0f));
    }
    bytes[run].assign(reinterpret_cast<const std::uint8_t*>(distance.data.get()),
                      reinterpret_cast<const std::uint8_t*>(distance.data.get() + distance.Size()));
  }
  SetHardwareConcurrencyOverride(-1);
  EXPECT_EQ(bytes[0], bytes[1]);
}

// Random primitives of every kind, in the output's frame.
ShapePrimitive RandomPrimitive(std::mt19937& rng, int w, int h, std::vector<float>& points) {
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  ShapePrimitive p;
  const int scale = std::max(w, h);
  p.center_x = -0.2f * w + u(rng) * 1.4f * w;
  p.center_y = -0.2f * h + u(rng) * 1.4f * h;
  const float angle = rng() % 3 == 0 ? 0.0f : u(rng) * 6.2831855f;
  p.rot_cos = std::cos(angle);
  p.rot_sin = std::sin(angle);
  const float size = 1.0f + u(rng) * 0.3f * scale;
  p.kind = static_cast<std::int32_t>(rng() % 5);
  p.half_width = size;
  p.half_height = rng() % 3 == 0 ? size + u(rng) * 0.45f : 1.0f + u(rng) * 0.3f * scale;
  p.corner_radius = std::min({u(rng) * size, p.half_width, p.half_height});
  p.outer_radius = size;
  p.inner_radius = rng() % 5 == 0 ? size * 1.3f : size * (0.2f + 0.6f * u(rng));
  p.points = 3 + static_cast<int>(rng() % 6);
  p.outer_roundness = rng() % 3 == 0 ? 0.0f : -60.0f + u(rng) * 160.0f;
  p.inner_roundness = rng() % 2 == 0 ? 0.0f : u(rng) * 100.0f;
  if (p.kind == SHAPE_PATH) {
    const int count = 3 + static_cast<int>(rng() % 6);
    points.resize(2 * count);
    for (int k = 0; k < count; ++k) {
      const float a = 6.2831855f * k / count;
      const float r = size * (0.5f + u(rng));
      points[2 * k] = r * std::cos(a);
      points[2 * k + 1] = r * std::sin(a);
    }
    p.vertices = points.data();
    p.vertex_count = count;
  }
  return p;
}

TEST(ShapeDistanceFieldTest, FieldEqualsThePlainMergeOfEveryShapeBitForBit) {
  // The field leaves out of each run of pixels the shapes that cannot
  // decide the union there; the plain merge evaluates every shape at every
  // pixel. Random shapes of every kind, sizes from 1 to 4096.
  std::mt19937 rng(1313);
  const ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  for (int trial = 0; trial < 40; ++trial) {
    int w = 1 + static_cast<int>(rng() % 4096);
    int h = 1 + static_cast<int>(rng() % 4096);
    while (static_cast<std::int64_t>(w) * h > 30000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
    const int n = 2 + static_cast<int>(rng() % 7);
    std::vector<float> points[MAX_SHAPE_SLOTS];
    ShapePrimitive prims[MAX_SHAPE_SLOTS];
    for (int i = 0; i < n; ++i) prims[i] = RandomPrimitive(rng, w, h, points[i]);
    if (trial % 4 == 0) {  // a scene of one kind, as the benchmark scenes are
      for (int i = 1; i < n; ++i) {
        const std::int32_t kind = prims[0].kind;
        prims[i] = RandomPrimitive(rng, w, h, points[i]);
        prims[i].kind = kind == SHAPE_PATH ? static_cast<std::int32_t>(SHAPE_STAR) : kind;
      }
    }
    const std::uint32_t merge_mode = trial % 8 == 7 ? 4u : static_cast<std::uint32_t>(rng() % 3);
    FloatPlane depth, distance, height;
    ASSERT_TRUE(AllocateFloatPlane(depth, w, h));
    ASSERT_TRUE(AllocateFloatPlane(distance, w, h));
    ASSERT_TRUE(AllocateFloatPlane(height, w, h));
    ShapeDistanceField(merge_mode, n, prims, 0, slots, depth, distance, &height);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const float want = MergedShapeDistance(static_cast<float>(x), static_cast<float>(y), merge_mode, n, prims,
                                               0, slots);
        const float got = distance.At(x, y);
        ASSERT_EQ(std::memcmp(&want, &got, sizeof want), 0)
            << "trial " << trial << " at " << x << "," << y << ": " << want << " vs " << got;
        ASSERT_EQ(height.At(x, y), got);
        ASSERT_EQ(depth.At(x, y), std::max(got, 0.0f));
      }
    }
  }
}

}  // namespace

namespace {

// The field over w x h against the plain merge at every pixel, bit for bit.
void ExpectFieldEqualsPlainMerge(std::uint32_t merge_mode, int n, const ShapePrimitive* prims, int w, int h,
                                 const char* label) {
  const ShapeSlot slots[MAX_SHAPE_SLOTS] = {};
  FloatPlane depth, distance, height;
  ASSERT_TRUE(AllocateFloatPlane(depth, w, h));
  ASSERT_TRUE(AllocateFloatPlane(distance, w, h));
  ASSERT_TRUE(AllocateFloatPlane(height, w, h));
  ShapeDistanceField(merge_mode, n, prims, 0, slots, depth, distance, &height);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float want =
          MergedShapeDistance(static_cast<float>(x), static_cast<float>(y), merge_mode, n, prims, 0, slots);
      const float got = distance.At(x, y);
      ASSERT_EQ(std::memcmp(&want, &got, sizeof want), 0)
          << label << " mode " << merge_mode << " n " << n << " " << w << "x" << h << " at " << x << "," << y
          << ": " << want << " vs " << got;
      ASSERT_EQ(std::memcmp(&height.At(x, y), &got, sizeof got), 0);
      const float depth_want = std::max(got, 0.0f);
      ASSERT_EQ(std::memcmp(&depth.At(x, y), &depth_want, sizeof got), 0);
    }
  }
}

TEST(ShapeDistanceFieldTest, BoxesAndEllipsesInEveryMergeModeEqualThePlainMergeBitForBit) {
  // Runs of four pixels at a time for boxes and near-circles, rough bounds
  // for far ellipses: every merge mode, one shape or several, with widths
  // that leave every remainder of a run.
  std::mt19937 rng(2024);
  struct Case {
    std::int32_t kind;  // -1: box or ellipse at random
    bool near_circle;
  };
  const Case cases[] = {{SHAPE_BOX, false}, {SHAPE_ELLIPSE, true}, {SHAPE_ELLIPSE, false}, {-1, false}, {7, false}};
  for (const Case& c : cases) {
    for (std::uint32_t merge_mode = 0; merge_mode <= 6; ++merge_mode) {
      for (int trial = 0; trial < 3; ++trial) {
        int w = 1 + static_cast<int>(rng() % 4096);
        int h = 1 + static_cast<int>(rng() % 4096);
        while (static_cast<std::int64_t>(w) * h > 12000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
        const int n = trial == 0 ? 1 : 2 + static_cast<int>(rng() % 7);
        std::vector<float> points;
        ShapePrimitive prims[MAX_SHAPE_SLOTS];
        for (int i = 0; i < n; ++i) {
          prims[i] = RandomPrimitive(rng, w, h, points);
          prims[i].kind = c.kind >= 0 ? c.kind : static_cast<std::int32_t>(rng() % 2 == 0 ? SHAPE_BOX : SHAPE_ELLIPSE);
          prims[i].vertices = nullptr;
          prims[i].vertex_count = 0;
          if (prims[i].kind == SHAPE_ELLIPSE) {
            const float a = prims[i].half_width;
            prims[i].half_height = c.near_circle ? a + (rng() % 2 == 0 ? 0.49f : -0.3f) : prims[i].half_height;
          }
          if (trial == 2 && i % 3 == 1) prims[i].half_width = -prims[i].half_width;  // a fallback size
        }
        const std::string label = "kind " + std::to_string(c.kind) + " trial " + std::to_string(trial);
        ExpectFieldEqualsPlainMerge(merge_mode, n, prims, w, h, label.c_str());
      }
    }
  }
}

TEST(ShapeDistanceFieldTest, CrowdedGeneralEllipsesEqualThePlainMergeBitForBit) {
  // Long thin and near-round ellipses that overlap and nearly touch, so
  // that the rough bounds of several stay open and the exact ones decide.
  std::mt19937 rng(77);
  for (int trial = 0; trial < 6; ++trial) {
    const int w = 97 + static_cast<int>(rng() % 140), h = 41 + static_cast<int>(rng() % 60);
    const int n = 2 + static_cast<int>(rng() % 7);
    ShapePrimitive prims[MAX_SHAPE_SLOTS];
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int i = 0; i < n; ++i) {
      ShapePrimitive& p = prims[i];
      p.kind = SHAPE_ELLIPSE;
      p.center_x = u(rng) * w;
      p.center_y = u(rng) * h;
      const float angle = u(rng) * 6.2831855f;
      p.rot_cos = std::cos(angle);
      p.rot_sin = std::sin(angle);
      p.half_width = 0.6f + u(rng) * (trial % 2 == 0 ? 80.0f : 6.0f);
      p.half_height = trial % 3 == 0 ? p.half_width + 0.5f + u(rng) : 0.6f + u(rng) * 30.0f;
    }
    ExpectFieldEqualsPlainMerge(static_cast<std::uint32_t>(trial % 3), n, prims, w, h, "crowded");
  }
}

}  // namespace

namespace {

TEST(ShapeDistanceFieldTest, StarsInEveryMergeModeEqualThePlainMergeBitForBit) {
  // Stars are worked four pixels at a time, the far ones of a union skipped
  // group by group: alone, among each other and among boxes and ellipses,
  // in every merge mode, with widths that leave every remainder of a run.
  std::mt19937 rng(4099);
  for (int mix = 0; mix < 2; ++mix) {
    for (std::uint32_t merge_mode = 0; merge_mode <= 6; ++merge_mode) {
      for (int trial = 0; trial < 3; ++trial) {
        int w = 1 + static_cast<int>(rng() % 4096);
        int h = 1 + static_cast<int>(rng() % 4096);
        while (static_cast<std::int64_t>(w) * h > 1500) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
        const int n = trial == 0 ? 1 : 2 + static_cast<int>(rng() % 7);
        std::vector<float> points;
        ShapePrimitive prims[MAX_SHAPE_SLOTS];
        for (int i = 0; i < n; ++i) {
          prims[i] = RandomPrimitive(rng, w, h, points);
          const bool star = mix == 0 || i % 2 == 0;
          prims[i].kind = star ? static_cast<std::int32_t>(SHAPE_STAR)
                               : static_cast<std::int32_t>(rng() % 2 == 0 ? SHAPE_BOX : SHAPE_ELLIPSE);
          prims[i].vertices = nullptr;
          prims[i].vertex_count = 0;
        }
        const std::string label = "stars mix " + std::to_string(mix) + " trial " + std::to_string(trial);
        ExpectFieldEqualsPlainMerge(merge_mode, n, prims, w, h, label.c_str());
      }
    }
  }
}

TEST(ShapeDistanceFieldTest, UnitedStarsSkippedGroupByGroupEqualThePlainMergeBitForBit) {
  // Small stars among wide circles and boxes in a union, over frames far
  // larger than the stars: most four-pixel groups about a star lie beyond
  // its far radius, some of them below the other shapes and skipped, some
  // not, with runs cut short at every remainder of the row.
  std::mt19937 rng(2718);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  for (int trial = 0; trial < 24; ++trial) {
    int w = 1 + static_cast<int>(rng() % 4096);
    int h = 1 + static_cast<int>(rng() % 4096);
    while (static_cast<std::int64_t>(w) * h > 6000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
    const int n = 2 + static_cast<int>(rng() % 4);
    std::vector<float> points;
    ShapePrimitive prims[MAX_SHAPE_SLOTS];
    for (int i = 0; i < n; ++i) {
      prims[i] = RandomPrimitive(rng, w, h, points);
      prims[i].vertices = nullptr;
      prims[i].vertex_count = 0;
      if (i % 2 == 0) {
        prims[i].kind = SHAPE_STAR;
        prims[i].outer_radius = 1.0f + u(rng) * 0.1f * static_cast<float>(std::max(w, h));
        prims[i].inner_radius = prims[i].outer_radius * (0.3f + 0.5f * u(rng));
        if (prims[i].outer_roundness == 0.0f && prims[i].inner_roundness == 0.0f) prims[i].outer_roundness = 15.0f;
      } else {
        prims[i].kind = rng() % 2 == 0 ? SHAPE_BOX : SHAPE_ELLIPSE;
        prims[i].half_height = prims[i].half_width;
      }
    }
    const std::string label = "far stars trial " + std::to_string(trial);
    ExpectFieldEqualsPlainMerge(trial % 5 == 4 ? 2u : 0u, n, prims, w, h, label.c_str());
  }
}

}  // namespace
