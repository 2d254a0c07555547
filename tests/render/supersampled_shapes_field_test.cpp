// The supersampled road of masks and path shapes: distances against the
// geometry, mask modes and inversion, the fall-backs of each allocation,
// and the same bytes with 1 and with 8 workers.
#include "render/supersampled_shapes_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "host/suites/aegp_layer_mask_suite7.h"
#include "render/allocation_seam.h"
#include "render/parallel_for.h"

namespace {

constexpr std::uint32_t SUBTRACT_MODE = PF_MaskMode_SUBTRACT;
constexpr std::uint32_t INTERSECT_MODE = PF_MaskMode_INTERSECT;

// A square outline of half size `half` about (cx, cy), in layer pixels.
ShapeSlot Square(double cx, double cy, float half, std::uint32_t mode = 1, bool inverted = false) {
  ShapeSlot s{};
  s.kind = SHAPE_PATH;
  s.rot_cos = 1.0;
  s.center_x = cx;
  s.center_y = cy;
  s.mask_mode = mode;
  s.mask_inverted = inverted ? 1 : 0;
  const float pts[] = {-half, -half, half, -half, half, half, -half, half};
  std::memcpy(s.points, pts, sizeof(pts));
  s.point_count = 4;
  return s;
}

struct Field {
  FloatPlane depth, distance, height;
  float D(int x, int y) const { return distance.At(x, y); }
};

Field Render(std::vector<ShapeSlot> slots, int w = 40, int h = 30) {
  auto copy = std::make_unique<ShapeSlot[]>(MAX_SHAPE_SLOTS);
  for (std::size_t i = 0; i < slots.size(); ++i) copy[i] = slots[i];
  PrimitiveFrame frame;
  frame.width = w;
  frame.height = h;
  ShapePrimitive primitives[MAX_SHAPE_SLOTS];
  const int count = static_cast<int>(slots.size());
  const int n = BuildShapePrimitives(copy.get(), count, frame, primitives);
  Field f;
  // Planes first, so that an armed failure hits the road's own planes.
  EXPECT_TRUE(AllocateFloatPlane(f.depth, w, h));
  EXPECT_TRUE(AllocateFloatPlane(f.distance, w, h));
  EXPECT_TRUE(AllocateFloatPlane(f.height, w, h));
  SupersampledShapesField(copy.get(), count, primitives, n, f.depth, f.distance, &f.height);
  return f;
}

bool SameBytes(const FloatPlane& a, const FloatPlane& b) {
  return a.Size() == b.Size() && std::memcmp(a.data.get(), b.data.get(), a.Size() * sizeof(float)) == 0;
}

// The square about layer point (20, 15) with half size 10 spans output
// frame x 9.5 .. 29.5 and y 4.5 .. 24.5 (the primitive centre sits half a
// pixel up and left, and output pixel x is centred on frame x), so its
// edges run along pixel borders: pixel 10 lies half a pixel inside, pixel 9
// half a pixel outside, as the analytic road has them.
TEST(SupersampledShapesFieldTest, DistancesFollowTheSquare) {
  const Field f = Render({Square(20, 15, 10)});
  EXPECT_NEAR(f.D(19, 14), 9.5f, 0.75f);
  EXPECT_NEAR(f.D(2, 14), -7.5f, 0.75f);
  EXPECT_NEAR(f.D(10, 14), 0.5f, 0.2f);
  EXPECT_NEAR(f.D(8, 14), -1.5f, 0.2f);
  EXPECT_NEAR(f.D(9, 14), -0.5f, 0.2f);
  // Mirror-symmetric about x = 19.5 (pixel x mirrors to 39 - x).
  for (int x = 0; x <= 39; ++x) {
    EXPECT_NEAR(f.D(x, 14), f.D(39 - x, 14), 1e-4f) << x;
  }
  for (int i = 0; i < 40 * 30; ++i) {
    ASSERT_EQ(f.height.data[i], f.distance.data[i]);
    ASSERT_EQ(f.depth.data[i], std::max(f.distance.data[i], 0.0f));
  }
}

TEST(SupersampledShapesFieldTest, MaskModesAndInversion) {
  const ShapeSlot a = Square(20, 15, 10);
  const ShapeSlot b_sub = Square(20, 15, 4, SUBTRACT_MODE);
  const ShapeSlot c_int = Square(30, 15, 6, INTERSECT_MODE);
  struct Probe {
    int x, y;
    bool inside;
  };
  struct Case {
    const char* name;
    std::vector<ShapeSlot> slots;
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      {"add", {a}, {{19, 14, true}, {34, 14, false}}},
      {"add then subtract", {a, b_sub}, {{19, 14, false}, {12, 14, true}, {27, 14, true}}},
      {"add then intersect", {a, c_int}, {{26, 14, true}, {15, 14, false}, {33, 14, false}}},
      {"inverted add", {Square(20, 15, 10, 1, true)}, {{19, 14, false}, {2, 14, true}, {35, 2, true}}},
      {"first intersect inverted", {Square(20, 15, 10, INTERSECT_MODE, true)}, {{19, 14, false}, {2, 14, true}}},
      {"subtract from the inverted", {Square(20, 15, 10, 1, true), Square(4, 15, 3, SUBTRACT_MODE)},
       {{3, 14, false}, {2, 2, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Field f = Render(c.slots);
    for (const Probe& p : c.probes) {
      EXPECT_EQ(f.D(p.x, p.y) > 0.0f, p.inside) << p.x << "," << p.y << " d " << f.D(p.x, p.y);
    }
  }
}

TEST(SupersampledShapesFieldTest, FirstMaskModes) {
  const Field add = Render({Square(20, 15, 10, 1)});
  // A first intersection starts from everything, so it equals an add; mode
  // 0 (none) adds too.
  EXPECT_TRUE(SameBytes(Render({Square(20, 15, 10, INTERSECT_MODE)}).distance, add.distance));
  EXPECT_TRUE(SameBytes(Render({Square(20, 15, 10, 0)}).distance, add.distance));
  // Only outlines that are filled count as first: a two-point mask before
  // the intersection is skipped.
  ShapeSlot degenerate = Square(5, 5, 2);
  degenerate.point_count = 2;
  EXPECT_TRUE(SameBytes(Render({degenerate, Square(20, 15, 10, INTERSECT_MODE)}).distance, add.distance));
  // A first subtraction leaves nothing.
  const Field sub = Render({Square(20, 15, 10, SUBTRACT_MODE)});
  for (int i = 0; i < 40 * 30; ++i) {
    ASSERT_EQ(sub.depth.data[i], 0.0f);
    ASSERT_LT(sub.distance.data[i], -1e6f);
  }
}

TEST(SupersampledShapesFieldTest, NoPerShapeCoverageAddsEveryOutlineAsItIs) {
  // Planes of the test: 3; then coverage, distance, depth, per-shape.
  ArmAllocationFailure(3 + 4);
  const Field f = Render({Square(20, 15, 10), Square(20, 15, 4, SUBTRACT_MODE), Square(35, 5, 3, 1, true)});
  DisarmAllocationFailure();
  EXPECT_GT(f.D(19, 14), 5.0f);   // the subtraction was added
  EXPECT_LT(f.D(2, 28), 0.0f);    // the inversion was not applied
  EXPECT_GT(f.D(34, 4), 0.0f);
}

TEST(SupersampledShapesFieldTest, MissingGridPlaneMeansNoPane) {
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    ArmAllocationFailure(3 + n);
    const Field f = Render({Square(20, 15, 10)});
    DisarmAllocationFailure();
    for (int i = 0; i < 40 * 30; ++i) {
      ASSERT_EQ(f.depth.data[i], 0.0f);
      ASSERT_EQ(f.distance.data[i], NO_DISTANCE);
      ASSERT_EQ(f.height.data[i], NO_DISTANCE);
    }
  }
}

TEST(SupersampledShapesFieldTest, SameBytesWithOneAndEightWorkers) {
  auto run = [](int concurrency) {
    SetHardwareConcurrencyOverride(concurrency);
    ShapeSlot star = Square(60, 70, 30);
    const float pts[] = {0, -50, 29, 40, -47, -15, 47, -15, -29, 40};  // a pentagram
    std::memcpy(star.points, pts, sizeof(pts));
    star.point_count = 5;
    Field f = Render({Square(80, 70, 50), star, Square(120, 40, 20, SUBTRACT_MODE)}, 160, 140);
    SetHardwareConcurrencyOverride(-1);
    return f;
  };
  const Field one = run(3), eight = run(10);
  EXPECT_TRUE(SameBytes(one.distance, eight.distance));
  EXPECT_TRUE(SameBytes(one.depth, eight.depth));
  EXPECT_TRUE(SameBytes(one.height, eight.height));
}

}  // namespace
