// The raster road of free paths: distances against the geometry, the
// nonzero and even-odd rules on holes and self-overlaps, the slot and
// layer transform, the padded planes it leaves, every allocation's
// fall-back, and the same bytes with 1 and with 8 workers.
#include "render/raster_path_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "render/allocation_seam.h"
#include "render/parallel_for.h"

namespace {

using Points = std::vector<float>;

// Clockwise on screen (y down).
Points SquarePoints(float half) { return {-half, -half, half, -half, half, half, -half, half}; }
Points Reversed(Points p) {
  Points r;
  for (std::size_t i = p.size(); i >= 2; i -= 2) {
    r.push_back(p[i - 2]);
    r.push_back(p[i - 1]);
  }
  return r;
}

ShapeSlot PathSlot(double cx, double cy, std::vector<Points> subpaths) {
  ShapeSlot s{};
  s.kind = SHAPE_PATH;
  s.rot_cos = 1.0;
  s.center_x = cx;
  s.center_y = cy;
  std::uint32_t n = 0;
  for (std::size_t k = 0; k < subpaths.size(); ++k) {
    s.subpath_start[k] = n;
    for (std::size_t j = 0; j + 1 < subpaths[k].size(); j += 2, ++n) {
      s.points[2 * n] = subpaths[k][j];
      s.points[2 * n + 1] = subpaths[k][j + 1];
    }
  }
  s.point_count = n;
  s.subpath_count = subpaths.size() > 1 ? static_cast<std::uint32_t>(subpaths.size()) : 0;
  return s;
}

struct Result {
  bool built = false;
  FloatPlane depth, distance, height;
  RasterFieldPlanes planes;
  float D(int x, int y) const { return distance.At(x, y); }
};

Result FillPaths(std::vector<ShapeSlot> slots, std::uint32_t merge_mode, int w = 40, int h = 30,
           PrimitiveFrame frame = {}) {
  auto copy = std::make_unique<ShapeSlot[]>(MAX_SHAPE_SLOTS);
  for (std::size_t i = 0; i < slots.size(); ++i) copy[i] = slots[i];
  frame.width = w;
  frame.height = h;
  Result r;
  EXPECT_TRUE(AllocateFloatPlane(r.depth, w, h));
  EXPECT_TRUE(AllocateFloatPlane(r.distance, w, h));
  EXPECT_TRUE(AllocateFloatPlane(r.height, w, h));
  for (int i = 0; i < w * h; ++i) r.depth.data[i] = r.distance.data[i] = r.height.data[i] = 77.0f;
  r.built = RasterPathField(copy.get(), static_cast<int>(slots.size()), merge_mode, frame, r.depth, r.distance,
                            &r.height, r.planes);
  return r;
}

bool SameBytes(const FloatPlane& a, const FloatPlane& b) {
  return a.Size() == b.Size() && std::memcmp(a.data.get(), b.data.get(), a.Size() * sizeof(float)) == 0;
}

bool NoPane(const Result& r) {
  for (int i = 0; i < r.depth.Size(); ++i) {
    if (r.depth.data[i] != 0.0f || r.distance.data[i] != NO_DISTANCE || r.height.data[i] != NO_DISTANCE) return false;
  }
  return true;
}

// The square about (20, 15) with half size 10 spans output frame x 9.5 ..
// 29.5 and y 4.5 .. 24.5 (pixel centres at whole numbers), its edges along
// pixel borders.
TEST(RasterPathFieldTest, SquareFieldAndItsPaddedPlanes) {
  const Result r = FillPaths({PathSlot(20, 15, {SquarePoints(10)})}, 1);
  ASSERT_TRUE(r.built);
  EXPECT_NEAR(r.D(19, 14), 9.5f, 0.75f);
  EXPECT_NEAR(r.D(2, 14), -7.5f, 0.75f);
  EXPECT_NEAR(r.D(9, 14), -0.5f, 0.2f);
  EXPECT_NEAR(r.D(10, 14), 0.5f, 0.2f);
  for (int x = 0; x <= 39; ++x) EXPECT_NEAR(r.D(x, 14), r.D(39 - x, 14), 1e-4f) << x;
  ASSERT_FALSE(r.planes.smooth_field.Empty());
  ASSERT_FALSE(r.planes.gradient_x.Empty());
  ASSERT_FALSE(r.planes.gradient_y.Empty());
  EXPECT_EQ(r.planes.row_length, 88);
  EXPECT_EQ(r.planes.margin, 24);
  EXPECT_EQ(r.planes.smooth_field.width, 88);
  EXPECT_EQ(r.planes.smooth_field.height, 78);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const float v = r.planes.smooth_field.At(x + 24, y + 24);
      ASSERT_EQ(r.D(x, y), v);
      ASSERT_EQ(r.height.At(x, y), v);
      ASSERT_EQ(r.depth.At(x, y), std::max(v, 0.0f));
    }
  }
  // Beyond the output the padded field goes on falling.
  EXPECT_LT(r.planes.smooth_field.At(2, 24 + 14), r.planes.smooth_field.At(20, 24 + 14));
  // The slope across the left edge points right, into the pane.
  EXPECT_GT(r.planes.gradient_x.At(24 + 9, 24 + 14), 1.0f);
  EXPECT_NEAR(r.planes.gradient_y.At(24 + 9, 24 + 14), 0.0f, 0.05f);
  EXPECT_LT(r.planes.gradient_x.At(24 + 29, 24 + 14), -1.0f);
}

TEST(RasterPathFieldTest, HolesAndSelfOverlapsByFillRule) {
  const Points outer = SquarePoints(10);
  const Points inner = SquarePoints(4);
  const Points star = {0, -12, 7, 10, -11.4f, -3.7f, 11.4f, -3.7f, -7, 10};  // a pentagram
  struct Case {
    const char* name;
    std::vector<ShapeSlot> slots;
    std::uint32_t merge_mode;
    bool centre_inside;
    int covered_x = 12, covered_y = 14;  // the ring, or a tip of the star
  };
  const Case cases[] = {
      {"hole same way, nonzero", {PathSlot(20, 15, {outer, inner})}, 1, true},
      {"hole opposite way, nonzero", {PathSlot(20, 15, {outer, Reversed(inner)})}, 2, false},
      {"hole same way, even-odd", {PathSlot(20, 15, {outer, inner})}, 3, false},
      {"hole opposite way, even-odd", {PathSlot(20, 15, {outer, Reversed(inner)})}, 3, false},
      {"merge mode 0 is nonzero", {PathSlot(20, 15, {outer, inner})}, 0, true},
      {"pentagram, nonzero", {PathSlot(20, 15, {star})}, 1, true, 19, 7},
      {"pentagram, even-odd", {PathSlot(20, 15, {star})}, 3, false, 19, 7},
      // Two overlapping paths are each filled on their own, then added.
      {"overlapping paths, even-odd", {PathSlot(17, 15, {outer}), PathSlot(23, 15, {outer})}, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = FillPaths(c.slots, c.merge_mode);
    ASSERT_TRUE(r.built);
    EXPECT_EQ(r.D(19, 14) > 0.0f, c.centre_inside) << r.D(19, 14);
    EXPECT_GT(r.D(c.covered_x, c.covered_y), 0.0f);
    EXPECT_LT(r.D(2, 2), 0.0f);
  }
}

TEST(RasterPathFieldTest, SlotAndLayerTransform) {
  // A 24 x 8 bar about (20, 15).
  const Points bar = {-12, -4, 12, -4, 12, 4, -12, 4};
  const Result base = FillPaths({PathSlot(20, 15, {bar})}, 1);
  EXPECT_GT(base.D(19 + 9, 14), 0.0f);
  EXPECT_LT(base.D(19, 14 + 6), 0.0f);
  // Turned a quarter by the slot's own rotation: the bar stands upright.
  ShapeSlot turned = PathSlot(20, 15, {bar});
  turned.rot_cos = 0.0;
  turned.rot_sin = 1.0;
  const Result up = FillPaths({turned}, 1);
  EXPECT_LT(up.D(19 + 9, 14), 0.0f);
  EXPECT_GT(up.D(19, 14 + 9), 0.0f);
  // Half the layer's x scale about the bar's centre halves its length.
  PrimitiveFrame half;
  half.scale_x_pct = 50;
  half.anchor_x = 20;
  half.position_x = 20;
  const Result narrow = FillPaths({PathSlot(20, 15, {bar})}, 1, 40, 30, half);
  EXPECT_GT(narrow.D(19 + 4, 14), 0.0f);
  EXPECT_LT(narrow.D(19 + 9, 14), 0.0f);
  // A position matched by the request's origin leaves the bar in place.
  PrimitiveFrame moved;
  moved.position_x = 10;
  moved.position_y = -6;
  moved.request_left = 10;
  moved.request_top = -6;
  EXPECT_TRUE(SameBytes(FillPaths({PathSlot(20, 15, {bar})}, 1, 40, 30, moved).distance, base.distance));
}

TEST(RasterPathFieldTest, EveryAllocationFailureHasItsFallBack) {
  SetHardwareConcurrencyOverride(3);
  const std::vector<ShapeSlot> slots = {PathSlot(20, 15, {SquarePoints(10)})};
  ResetAllocationSeamCount();
  const Result full = FillPaths(slots, 1);
  const std::int64_t count = AllocationSeamCount();
  ASSERT_GE(count, 3 + 9);
  for (std::int64_t n = 1; n <= count - 3; ++n) {
    SCOPED_TRACE(n);
    ArmAllocationFailure(3 + n);
    const Result r = FillPaths(slots, 1);
    DisarmAllocationFailure();
    if (n <= 3) {
      // The mask or a distance plane: no field, nothing written.
      EXPECT_FALSE(r.built);
      for (int i = 0; i < 40 * 30; ++i) ASSERT_EQ(r.distance.data[i], 77.0f);
      EXPECT_TRUE(r.planes.smooth_field.Empty());
      continue;
    }
    ASSERT_TRUE(r.built);
    const bool planes = !r.planes.smooth_field.Empty();
    EXPECT_EQ(planes, !r.planes.gradient_x.Empty());
    EXPECT_EQ(planes, !r.planes.gradient_y.Empty());
    if (n >= count - 3 - 4 && n <= count - 3 - 2) {
      // The smooth field or a gradient plane: no pane.
      EXPECT_FALSE(planes);
      EXPECT_TRUE(NoPane(r));
    } else if (n >= count - 3 - 1) {
      // A blur scratch plane: the field stands, without padded planes.
      EXPECT_FALSE(planes);
      EXPECT_TRUE(SameBytes(r.distance, full.distance));
    } else if (n == 4) {
      // The float raster: the mask takes its place.
      EXPECT_TRUE(planes);
      EXPECT_GT(r.D(19, 14), 8.0f);
      EXPECT_LT(r.D(2, 14), -5.0f);
      EXPECT_FALSE(SameBytes(r.distance, full.distance));
    } else {
      // Scratch inside the distance transform: the field degrades quietly
      // but every plane is written.
      EXPECT_TRUE(planes);
      EXPECT_FALSE(NoPane(r));
    }
  }
  SetHardwareConcurrencyOverride(-1);
}

TEST(RasterPathFieldTest, SameBytesWithOneAndEightWorkers) {
  auto run = [](int concurrency) {
    SetHardwareConcurrencyOverride(concurrency);
    const Points star = {0, -50, 29, 40, -47, -15, 47, -15, -29, 40};
    Result r = FillPaths({PathSlot(60, 70, {star}), PathSlot(110, 60, {SquarePoints(30), SquarePoints(12)})}, 3, 160, 140);
    SetHardwareConcurrencyOverride(-1);
    return r;
  };
  const Result one = run(3), eight = run(10);
  EXPECT_TRUE(SameBytes(one.distance, eight.distance));
  EXPECT_TRUE(SameBytes(one.depth, eight.depth));
  EXPECT_TRUE(SameBytes(one.planes.smooth_field, eight.planes.smooth_field));
  EXPECT_TRUE(SameBytes(one.planes.gradient_x, eight.planes.gradient_x));
  EXPECT_TRUE(SameBytes(one.planes.gradient_y, eight.planes.gradient_y));
}

}  // namespace
