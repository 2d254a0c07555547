// The shape-contents reader through the simulated host's property tree.
#include "geometry/shape_contents_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "geometry/stream_ownership.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_dynamic_stream_suite5.h"
#include "host/suites/aegp_stream_suite10.h"
#include "render/portable_math.h"
#include "shell/suite_handler.h"
#include "stream_reader_fixture.h"

namespace {

using namespace hostsim;

constexpr double PI_USED = 3.14159265358979;

class ShapeContentsTest : public StreamReaderTest {
 protected:
  ShapeContentsTest() { layer_.properties = ShapeLayerRoot(); }
  SimStreamNode& Contents() { return RootContents(layer_.properties); }

  // Reads the layer's contents into `slots_` (eight slots, poisoned first so
  // that unwritten fields show).
  int Read(int max_slots = MAX_SHAPE_SLOTS) {
    slots_.assign(MAX_SHAPE_SLOTS, ShapeSlot{});
    for (ShapeSlot& s : slots_) std::memset(&s, 0xAB, sizeof(s));
    SuiteHandler suites(host_.basic_suite());
    ScopedStreamRef root(suites);
    EXPECT_EQ(suites.DynamicStreamSuiteV5()->AEGP_GetNewStreamRefForLayer(0, LayerRef(layer_), root.out()), 0);
    merge_ = 77;
    return ReadShapeContents(suites, root.get(), &in_data_, slots_.data(), max_slots, &merge_);
  }

  std::vector<ShapeSlot> slots_;
  std::uint32_t merge_ = 0;
};

// Closed square outline with straight sides (zero tangents), 4 segments.
SimOutline Square(double x0, double y0, double side) {
  return PolygonOutline({{x0, y0}, {x0 + side, y0}, {x0 + side, y0 + side}, {x0, y0 + side}});
}

TEST_F(ShapeContentsTest, OneGroupWithRectangleFillAndStrokeCarriesTheGroupTransform) {
  SimStreamNode& group = Contents().Add(ShapeGroup("Group 1"));
  GroupContents(group).Add(RectanglePath("Rectangle Path 1", 10.0, 20.0, 100.0, 50.0, 8.0));
  GroupContents(group).Add(Stroke("Stroke 1"));
  GroupContents(group).Add(Fill("Fill 1"));
  SetGroupTransform(group, 300.0, 200.0, 4.0, 6.0, 200.0, 100.0, 30.0);

  ASSERT_EQ(Read(), 1);
  EXPECT_EQ(merge_, 0u);
  const ShapeSlot& s = slots_[0];
  EXPECT_EQ(s.kind, SHAPE_BOX);
  const double a = 30.0 * PI_USED / 180.0;
  const double x = (10.0 - 4.0) * 2.0, y = (20.0 - 6.0) * 1.0;
  EXPECT_DOUBLE_EQ(s.center_x, std::cos(a) * x - std::sin(a) * y + 300.0);
  EXPECT_DOUBLE_EQ(s.center_y, std::sin(a) * x + std::cos(a) * y + 200.0);
  EXPECT_EQ(s.size_x, 200.0);
  EXPECT_EQ(s.size_y, 50.0);
  EXPECT_EQ(s.corner_radius, 12.0);  // 8 x mean scale 1.5
  EXPECT_EQ(s.rotation_deg, 30.0);
  EXPECT_EQ(s.rot_cos, 0.0);
  EXPECT_EQ(s.rot_sin, 0.0);
  EXPECT_EQ(s.point_count, 0u);
  EXPECT_EQ(s.mask_mode, 0u);
  // The slot was written from zero: nothing of the poison is left.
  for (float p : s.points) EXPECT_EQ(p, 0.0f);
  ExpectAllReadsAtFrameTime();
}

// The two transforms to the bit, with scales where (d x s) / 100 and
// d x (s / 100) round apart: a group that holds the item maps its centre
// as (c - anchor) x scale / 100; the contents' single group as
// (c - anchor) x k with k = scale / 100, and scales size and radii by k
// and by the mean of the two k.
TEST_F(ShapeContentsTest, GroupAndOuterTransformsAreExactToTheBit) {
  const double a = 17.0 * PI_USED / 180.0;
  for (bool single : {false, true}) {
    SCOPED_TRACE(single);
    layer_.properties = ShapeLayerRoot();
    SimStreamNode& group = Contents().Add(ShapeGroup("Group 1"));
    GroupContents(group).Add(RectanglePath("Rectangle Path 1", 10.0, 20.0, 100.0, 50.0, 8.0));
    SetGroupTransform(group, 0.0, 0.0, 1.7, 16.3, 35.0, 110.0, 17.0);
    if (!single) Contents().Add(ShapeGroup("Group 2"));
    ASSERT_EQ(Read(), 1);
    const ShapeSlot& s = slots_[0];
    if (single) {
      const double kx = 35.0 / 100.0, ky = 110.0 / 100.0, m = (kx + ky) * 0.5;
      const double x = (10.0 - 1.7) * kx, y = (20.0 - 16.3) * ky;
      EXPECT_EQ(s.center_x, portable_math::Cos(a) * x - portable_math::Sin(a) * y + 0.0);
      EXPECT_EQ(s.center_y, portable_math::Sin(a) * x + portable_math::Cos(a) * y + 0.0);
      EXPECT_EQ(s.size_x, 100.0 * 100.0 / 100.0 * kx);
      EXPECT_EQ(s.size_y, 50.0 * 100.0 / 100.0 * ky);
      EXPECT_EQ(s.corner_radius, 8.0 * 100.0 / 100.0 * m);
    } else {
      const double u = (10.0 - 1.7) * 35.0 / 100.0, v = (20.0 - 16.3) * 110.0 / 100.0;
      EXPECT_EQ(s.center_x, portable_math::Cos(a) * u - portable_math::Sin(a) * v + 0.0);
      EXPECT_EQ(s.center_y, portable_math::Sin(a) * u + portable_math::Cos(a) * v + 0.0);
      EXPECT_EQ(s.size_x, 100.0 * 35.0 / 100.0);
      EXPECT_EQ(s.size_y, 50.0 * 110.0 / 100.0);
      EXPECT_EQ(s.corner_radius, 8.0 * ((35.0 + 110.0) * 0.5) / 100.0);
    }
    EXPECT_EQ(s.rotation_deg, 17.0);
  }
}

TEST_F(ShapeContentsTest, SeveralGroupsGiveOneSlotEachAndTheLaterMergePathsWins) {
  SimStreamNode& g1 = Contents().Add(ShapeGroup("Group 1"));
  GroupContents(g1).Add(RectanglePath("Rectangle Path 1", 0.0, 0.0, 30.0, 40.0, 0.0));
  GroupContents(g1).Add(RectanglePath("Rectangle Path 2", 99.0, 99.0, 1.0, 1.0, 0.0));  // not read
  SimStreamNode& g2 = Contents().Add(ShapeGroup("Group 2"));
  GroupContents(g2).Add(EllipsePath("Ellipse Path 1", 10.0, 0.0, 40.0, 20.0));
  GroupContents(g2).Add(Fill("Fill 1"));
  SetGroupTransform(g2, 50.0, 60.0, 5.0, 5.0, 200.0, 100.0, 90.0);
  Contents().Add(MergePaths("Merge Paths 1", 3.0));
  SimStreamNode& g3 = Contents().Add(ShapeGroup("Group 3"));
  PolystarValues star;
  star.type = 1.0;
  star.points = 6.9;
  star.rotation = 15.0;
  star.outer_radius = 100.0;
  star.inner_radius = 40.0;
  star.outer_roundness = 10.0;
  star.inner_roundness = 20.0;
  GroupContents(g3).Add(PolystarPath("Polystar Path 1", star));
  SetGroupTransform(g3, 0.0, 0.0, 0.0, 0.0, 200.0, 100.0, 10.0);
  SimStreamNode& g4 = Contents().Add(ShapeGroup("Group 4"));
  PolystarValues polygon = star;
  polygon.type = 2.0;
  GroupContents(g4).Add(PolystarPath("Polystar Path 1", polygon));
  Contents().Add(MergePaths("Merge Paths 2", 4.0));

  ASSERT_EQ(Read(), 4);
  EXPECT_EQ(merge_, 4u);

  EXPECT_EQ(slots_[0].kind, SHAPE_BOX);
  EXPECT_EQ(slots_[0].size_x, 30.0);
  EXPECT_EQ(slots_[0].size_y, 40.0);

  const ShapeSlot& e = slots_[1];
  EXPECT_EQ(e.kind, SHAPE_ELLIPSE);
  const double a = 90.0 * PI_USED / 180.0;
  const double u = (10.0 - 5.0) * 200.0 / 100.0, v = (0.0 - 5.0) * 100.0 / 100.0;
  EXPECT_DOUBLE_EQ(e.center_x, std::cos(a) * u - std::sin(a) * v + 50.0);
  EXPECT_DOUBLE_EQ(e.center_y, std::sin(a) * u + std::cos(a) * v + 60.0);
  EXPECT_EQ(e.size_x, 80.0);
  EXPECT_EQ(e.size_y, 20.0);
  EXPECT_EQ(e.rotation_deg, 90.0);

  const ShapeSlot& s = slots_[2];
  EXPECT_EQ(s.kind, SHAPE_STAR);
  EXPECT_EQ(s.polystar_points, 6u);
  EXPECT_EQ(s.outer_radius, 150.0);  // mean scale 1.5
  EXPECT_EQ(s.inner_radius, 60.0);
  EXPECT_EQ(s.outer_roundness, 10.0);
  EXPECT_EQ(s.inner_roundness, 20.0);
  EXPECT_EQ(s.rotation_deg, 25.0);

  const ShapeSlot& p = slots_[3];
  EXPECT_EQ(p.kind, SHAPE_POLYGON);
  EXPECT_EQ(p.outer_radius, 100.0);
  EXPECT_EQ(p.inner_radius, 0.0);
  EXPECT_EQ(p.inner_roundness, 0.0);
  EXPECT_EQ(p.rotation_deg, 15.0);
  ExpectAllReadsAtFrameTime();
}

TEST_F(ShapeContentsTest, MergePathsInsideASingleGroupIsFoundByTheTreeSearchFirstInOrder) {
  SimStreamNode& group = Contents().Add(ShapeGroup("Group 1"));
  GroupContents(group).Add(RectanglePath("Rectangle Path 1", 0.0, 0.0, 10.0, 10.0, 0.0));
  GroupContents(group).Add(MergePaths("Merge Paths 1", 2.0));
  GroupContents(group).Add(MergePaths("Merge Paths 2", 5.0));
  ASSERT_EQ(Read(), 1);
  EXPECT_EQ(merge_, 2u);
}

TEST_F(ShapeContentsTest, TwoClosedPathsInOneGroupBecomeTwoSubPaths) {
  SimStreamNode& g1 = Contents().Add(ShapeGroup("Group 1"));
  GroupContents(g1).Add(FreePath("Path 1", Square(10.0, 0.0, 64.0)));
  GroupContents(g1).Add(FreePath("Path 2", Square(-20.0, 8.0, 16.0)));
  SetGroupTransform(g1, 100.0, 100.0, 10.0, 0.0, 200.0, 100.0, 0.0);
  Contents().Add(ShapeGroup("Group 2"));  // empty: several groups, no outer transform

  ASSERT_EQ(Read(), 1);
  const ShapeSlot& s = slots_[0];
  EXPECT_EQ(s.kind, SHAPE_PATH);
  EXPECT_EQ(s.point_count, 508u);
  EXPECT_EQ(s.subpath_count, 2u);
  EXPECT_EQ(s.subpath_start[0], 0u);
  EXPECT_EQ(s.subpath_start[1], 256u);
  for (int k = 2; k < MAX_SUBPATHS; ++k) EXPECT_EQ(s.subpath_start[k], 0u);
  // Vertices land exactly at segment starts, about the group's origin
  // (whose image is the centre): x x scale / 100.
  EXPECT_EQ(s.points[0], 20.0f);         // 10 x 2
  EXPECT_EQ(s.points[1], 0.0f);
  EXPECT_EQ(s.points[2 * 64], 148.0f);   // 74 x 2
  EXPECT_EQ(s.points[2 * 64 + 1], 0.0f);
  EXPECT_EQ(s.points[2 * 256], -40.0f);  // -20 x 2
  EXPECT_EQ(s.points[2 * 256 + 1], 8.0f);
  EXPECT_EQ(s.points[2 * (256 + 63)], -8.0f);  // -4 x 2
  for (int j = 508; j < MAX_SLOT_POINTS; ++j) {
    EXPECT_EQ(s.points[2 * j], 0.0f);
    EXPECT_EQ(s.points[2 * j + 1], 0.0f);
  }
  // The centre (preset 0, 0) carried through the group's transform.
  EXPECT_EQ(s.center_x, 80.0);  // (0 - 10) x 2 + 100
  EXPECT_EQ(s.center_y, 100.0);
}

// A free path's points land where the group transforms put them, as the
// host draws the path: the slot's centre plus its points turned by the
// slot's rotation is T(p) = R ((p - anchor) x scale) + position, for a
// group among others, for the contents' single group, and for a group
// inside the single group.
TEST_F(ShapeContentsTest, PathPointsFollowTheGroupTransformsLikeACentre) {
  const std::vector<std::array<double, 2>> corners = {{-30, -20}, {45, -25}, {50, 35}, {-35, 30}};
  struct Transform {
    double px, py, ax, ay, sx, sy, r;
  };
  const auto apply = [](const Transform& t, std::array<double, 2> p) {
    const double a = t.r * PI_USED / 180.0;
    const double x = (p[0] - t.ax) * t.sx / 100.0, y = (p[1] - t.ay) * t.sy / 100.0;
    return std::array<double, 2>{std::cos(a) * x - std::sin(a) * y + t.px, std::sin(a) * x + std::cos(a) * y + t.py};
  };
  const Transform moved{200, 120, 100, 50, 150, 80, 30};
  const Transform doubled{10, -6, 0, 0, 200, 200, 0};
  // Unturned, so that the two scales compose into one along the axes.
  const Transform inner{-12, 7, 5, -3, 120, 90, 0};
  enum class Layout { AMONG_OTHERS, SINGLE, INSIDE_SINGLE };
  for (const Layout layout : {Layout::AMONG_OTHERS, Layout::SINGLE, Layout::INSIDE_SINGLE}) {
    for (const Transform& t : {moved, doubled}) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(layout) << " scale " << t.sx);
      layer_.properties = ShapeLayerRoot();
      SimStreamNode& group = Contents().Add(ShapeGroup("Group 1"));
      SetGroupTransform(group, t.px, t.py, t.ax, t.ay, t.sx, t.sy, t.r);
      SimStreamNode* holder = &group;
      if (layout == Layout::INSIDE_SINGLE) {
        holder = &GroupContents(group).Add(ShapeGroup("Group 2"));
        SetGroupTransform(*holder, inner.px, inner.py, inner.ax, inner.ay, inner.sx, inner.sy, inner.r);
      }
      GroupContents(*holder).Add(FreePath("Path 1", PolygonOutline(corners)));
      GroupContents(*holder).Add(Fill("Fill 1"));
      if (layout == Layout::AMONG_OTHERS) Contents().Add(ShapeGroup("Group 3"));
      ASSERT_EQ(Read(), 1);
      const ShapeSlot& s = slots_[0];
      ASSERT_EQ(s.kind, SHAPE_PATH);
      ASSERT_GE(s.point_count, 4u);
      const double a = s.rotation_deg * PI_USED / 180.0;
      // The flattened outline starts each side at its corner.
      const std::uint32_t per_side = s.point_count / 4;
      for (std::uint32_t k = 0; k < 4; ++k) {
        std::array<double, 2> want = corners[k];
        if (layout == Layout::INSIDE_SINGLE) want = apply(inner, want);
        want = apply(t, want);
        const double vx = s.points[2 * k * per_side], vy = s.points[2 * k * per_side + 1];
        EXPECT_NEAR(s.center_x + std::cos(a) * vx - std::sin(a) * vy, want[0], 1e-3) << k;
        EXPECT_NEAR(s.center_y + std::sin(a) * vx + std::cos(a) * vy, want[1], 1e-3) << k;
      }
    }
  }
}

TEST_F(ShapeContentsTest, OpenPathGivesAPathSlotWithoutPointsAndTheSlotStillCounts) {
  SimStreamNode& g1 = Contents().Add(ShapeGroup("Group 1"));
  GroupContents(g1).Add(FreePath("Path 1", PolygonOutline({{0, 0}, {10, 0}, {10, 10}}, /*open=*/true)));
  SimStreamNode& g2 = Contents().Add(ShapeGroup("Group 2"));
  GroupContents(g2).Add(RectanglePath("Rectangle Path 1", 0.0, 0.0, 5.0, 5.0, 0.0));
  ASSERT_EQ(Read(), 2);
  EXPECT_EQ(slots_[0].kind, SHAPE_PATH);
  EXPECT_EQ(slots_[0].point_count, 0u);
  EXPECT_EQ(slots_[0].subpath_count, 0u);
  EXPECT_EQ(slots_[1].kind, SHAPE_BOX);
}

TEST_F(ShapeContentsTest, NamesDecideRecognitionExceptForPathsWhichGoByMatchName) {
  SimStreamNode& g1 = Contents().Add(ShapeGroup("Group 1"));
  GroupContents(g1).Add(RectanglePath("My Box", 0.0, 0.0, 5.0, 5.0, 0.0));
  SimStreamNode& g2 = Contents().Add(ShapeGroup("Group 2"));
  GroupContents(g2).Add(FreePath("Outline of the logo", Square(0.0, 0.0, 10.0)));
  // Directly in the contents, not in a group: no slot.
  Contents().Add(RectanglePath("Rectangle Path 9", 0.0, 0.0, 5.0, 5.0, 0.0));
  ASSERT_EQ(Read(), 1);
  EXPECT_EQ(slots_[0].kind, SHAPE_PATH);
  EXPECT_EQ(slots_[0].point_count, 256u);
}

TEST_F(ShapeContentsTest, RoundCornersAboveTheRectangleSupplyTheRadius) {
  for (int i = 0; i < 2; ++i) Contents().Add(ShapeGroup("Group " + std::to_string(i + 1)));
  GroupContents(Contents().children[0]).Add(RoundCorners("Round Corners 1", 7.0));
  GroupContents(Contents().children[0]).Add(RectanglePath("Rectangle Path 1", 0.0, 0.0, 5.0, 5.0, 3.0));
  GroupContents(Contents().children[1]).Add(EllipsePath("Ellipse Path 1", 0.0, 0.0, 5.0, 5.0));
  ASSERT_EQ(Read(), 2);
  EXPECT_EQ(slots_[0].corner_radius, 7.0);
  EXPECT_EQ(slots_[1].corner_radius, 0.0);
}

TEST_F(ShapeContentsTest, NineGroupsFillEightSlotsAndASmallerLimitIsKept) {
  for (int i = 0; i < 9; ++i) {
    SimStreamNode& g = Contents().Add(ShapeGroup("Group " + std::to_string(i + 1)));
    GroupContents(g).Add(RectanglePath("Rectangle Path 1", i, 0.0, 10.0 + i, 10.0, 0.0));
  }
  // The ninth group is never looked into.
  bool ninth_read = false;
  GroupContents(Contents().children[8]).children[0].Child("ADBE Vector Rect Position")->evaluate =
      [&ninth_read](const A_Time&, AEGP_LTimeMode) {
        ninth_read = true;
        return SimValue{0.0, 0.0, 0.0};
      };
  ASSERT_EQ(Read(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(slots_[i].size_x, 10.0 + i);
  EXPECT_FALSE(ninth_read);

  ASSERT_EQ(Read(3), 3);
  // Slots past the limit are not touched.
  const unsigned char* raw = reinterpret_cast<const unsigned char*>(&slots_[3]);
  for (std::size_t b = 0; b < sizeof(ShapeSlot); ++b) ASSERT_EQ(raw[b], 0xAB);
}

// A chain of plain groups `levels` deep below the top-level group, with a
// rectangle at the bottom.
void NestRectangle(SimStreamNode& top, int levels) {
  SimStreamNode* at = &top;
  for (int i = 0; i < levels; ++i) at = &at->Add(NamedGroup("ADBE Vector Group", "Group"));
  at->Add(RectanglePath("Rectangle Path 1", 1.0, 2.0, 3.0, 4.0, 0.0));
}

TEST_F(ShapeContentsTest, ShapeSearchesStopBelowTheirDepthLimit) {
  // The item is found in a group at depth 8 at most; its "Size" sits one
  // level further down (inside the item), so the size search, bounded the
  // same way, reaches it only from depth 7.
  for (int levels : {SHAPE_SEARCH_MAX_DEPTH - 1, SHAPE_SEARCH_MAX_DEPTH, SHAPE_SEARCH_MAX_DEPTH + 1}) {
    layer_.properties = ShapeLayerRoot();
    NestRectangle(Contents().Add(NamedGroup("ADBE Vector Group", "Group A")), levels);
    Contents().Add(NamedGroup("ADBE Vector Group", "Group B"));
    const int n = Read();
    if (levels > SHAPE_SEARCH_MAX_DEPTH) {
      EXPECT_EQ(n, 0) << levels;
      continue;
    }
    ASSERT_EQ(n, 1) << levels;
    EXPECT_EQ(slots_[0].kind, SHAPE_BOX);
    EXPECT_EQ(slots_[0].center_x, 1.0);
    EXPECT_EQ(slots_[0].size_x, levels < SHAPE_SEARCH_MAX_DEPTH ? 3.0 : 0.0) << levels;
  }
}

TEST_F(ShapeContentsTest, MergeSearchStopsBelowItsDepthLimit) {
  // The root is depth 0, its contents depth 1, each plain group one more.
  for (int depth : {MERGE_SEARCH_MAX_DEPTH, MERGE_SEARCH_MAX_DEPTH + 1}) {
    layer_.properties = ShapeLayerRoot();
    SimStreamNode* at = &Contents();
    for (int d = 1; d < depth; ++d) at = &at->Add(NamedGroup("ADBE Vector Group", "Group"));
    at->Add(MergePaths("Merge Paths 1", 3.0));
    Read();
    EXPECT_EQ(merge_, depth <= MERGE_SEARCH_MAX_DEPTH ? 3u : 0u) << depth;
  }
}

TEST_F(ShapeContentsTest, PathPointsStopOnceTheTotalPassesTheLimit) {
  SimStreamNode& g1 = Contents().Add(ShapeGroup("Group 1"));
  for (int i = 0; i < 10; ++i) {
    GroupContents(g1).Add(FreePath("Path " + std::to_string(i + 1), PolygonOutline({{0, 0}, {i + 1.0, 5.0}})));
  }
  Contents().Add(ShapeGroup("Group 2"));
  ASSERT_EQ(Read(), 1);
  // Two-segment paths take 128, 128, 128 and 126 points; then the total
  // (510) is past 509 and no further path is read.
  const ShapeSlot& s = slots_[0];
  EXPECT_EQ(s.subpath_count, 4u);
  EXPECT_EQ(s.point_count, 510u);
  EXPECT_EQ(s.subpath_start[3], 384u);
  int path_reads = 0;
  for (const auto& r : host_.streams().ReadLog()) path_reads += r.match_name == "ADBE Vector Shape";
  EXPECT_EQ(path_reads, 4);
}

TEST_F(ShapeContentsTest, NonFiniteValuesAreUnreadableAndThePresetsStand) {
  SimStreamNode& g1 = Contents().Add(ShapeGroup("Group 1"));
  SimStreamNode& rect = GroupContents(g1).Add(RectanglePath("Rectangle Path 1", 10.0, 10.0, 20.0, 20.0, 4.0));
  rect.Child("ADBE Vector Rect Position")->has_expression = true;
  rect.Child("ADBE Vector Rect Position")->expression_value = {NAN, 1.0, 0.0};
  rect.Child("ADBE Vector Rect Size")->value = {INFINITY, 5.0, 0.0};
  rect.Child("ADBE Vector Rect Roundness")->value = {NAN, 0.0, 0.0};
  GroupTransform(g1).Child("ADBE Vector Scale")->value = {NAN, 100.0, 0.0};
  GroupTransform(g1).Child("ADBE Vector Rotation")->value = {-INFINITY, 0.0, 0.0};
  SimStreamNode& g2 = Contents().Add(ShapeGroup("Group 2"));
  PolystarValues star;
  star.points = NAN;
  star.outer_radius = INFINITY;
  GroupContents(g2).Add(PolystarPath("Polystar Path 1", star));
  GroupContents(g2).Add(FreePath("Path 1", PolygonOutline({{0, 0}, {NAN, 0}, {5, 5}})));
  Contents().Add(MergePaths("Merge Paths 1", NAN));

  ASSERT_EQ(Read(), 2);
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(SlotIsFinite(slots_[i])) << i;
  const ShapeSlot& r = slots_[0];
  EXPECT_EQ(r.center_x, 0.0);  // position preset, group position (0, 0)
  EXPECT_EQ(r.center_y, 0.0);
  EXPECT_EQ(r.size_x, 0.0);
  EXPECT_EQ(r.corner_radius, 0.0);
  EXPECT_EQ(r.rotation_deg, 0.0);
  EXPECT_EQ(slots_[1].kind, SHAPE_STAR);
  EXPECT_EQ(slots_[1].polystar_points, 5u);
  EXPECT_EQ(slots_[1].outer_radius, 0.0);
  EXPECT_EQ(merge_, 0u);
}

// Failing host calls never end the walk and never leave anything behind
// (the fixture's leak check runs after each case).
TEST_F(ShapeContentsTest, FailingHostCallsSkipWhatTheyCouldNotGive) {
  struct Case {
    const char* what;
    void (*apply)(SimStreamNode& contents);
    int expected_slots;
  };
  const Case cases[] = {
      {"group reference fails", [](SimStreamNode& c) { c.children[0].faults.fail_ref = true; }, 1},
      {"group reference null", [](SimStreamNode& c) { c.children[0].faults.null_ref = true; }, 1},
      {"rectangle name unlockable",
       [](SimStreamNode& c) { GroupContents(c.children[0]).children[0].faults.fail_name_lock = true; }, 1},
      {"rectangle name fails",
       [](SimStreamNode& c) { GroupContents(c.children[0]).children[0].faults.fail_name = true; }, 1},
      {"group count fails", [](SimStreamNode& c) { c.children[0].faults.fail_count = true; }, 1},
      {"grouping type fails", [](SimStreamNode& c) { c.children[1].faults.fail_grouping = true; }, 1},
      {"contents count fails", [](SimStreamNode& c) { c.faults.fail_count = true; }, 0},
      {"size value fails",
       [](SimStreamNode& c) {
         GroupContents(c.children[0]).children[0].Child("ADBE Vector Rect Size")->faults.fail_value = true;
       },
       2},
      {"path value without outline",
       [](SimStreamNode& c) { GroupContents(c.children[1]).children[0].children[1].faults.no_outline = true; }, 2},
  };
  for (const Case& c : cases) {
    layer_.properties = ShapeLayerRoot();
    SimStreamNode& g1 = Contents().Add(ShapeGroup("Group 1"));
    GroupContents(g1).Add(RectanglePath("Rectangle Path 1", 0.0, 0.0, 10.0, 10.0, 0.0));
    SimStreamNode& g2 = Contents().Add(ShapeGroup("Group 2"));
    GroupContents(g2).Add(FreePath("Path 1", Square(0.0, 0.0, 10.0)));
    c.apply(Contents());
    EXPECT_EQ(Read(), c.expected_slots) << c.what;
    EXPECT_EQ(host_.streams().LiveStreamRefs(), 0) << c.what;
    EXPECT_EQ(host_.streams().LiveValues(), 0) << c.what;
    EXPECT_EQ(host_.streams().LiveMemHandles(), 0) << c.what;
  }
}

TEST_F(ShapeContentsTest, LayerWithoutContentsGivesNothingAndNoMergeSearch) {
  layer_.properties = NamedGroup("ADBE AV Layer", "Solid");
  layer_.properties.Add(NamedGroup("ADBE Transform Group", "Transform"));
  SimStreamNode& other = layer_.properties.Add(NamedGroup("ADBE Vector Group", "Stray"));
  other.Add(MergePaths("Merge Paths 1", 3.0));
  EXPECT_EQ(Read(), 0);
  EXPECT_EQ(merge_, 0u);
}

TEST_F(ShapeContentsTest, ContentsAreFoundByDisplayNameToo) {
  layer_.properties = NamedGroup("ADBE Vector Layer", "Shape Layer 1");
  SimStreamNode& contents = layer_.properties.Add(IndexedGroup("Some Other Group", "Contents"));
  GroupContents(contents.Add(ShapeGroup("Group 1"))).Add(EllipsePath("Ellipse Path 1", 1.0, 1.0, 4.0, 4.0));
  ASSERT_EQ(Read(), 1);
  EXPECT_EQ(slots_[0].kind, SHAPE_ELLIPSE);
}

TEST_F(ShapeContentsTest, MissingSuiteThrows516AndLeavesNothingBehind) {
  GroupContents(Contents().Add(ShapeGroup("Group 1"))).Add(EllipsePath("Ellipse Path 1", 1.0, 1.0, 4.0, 4.0));
  host_.suites().SetMissing("AEGP Memory Suite", 1, true);
  try {
    Read();
    FAIL() << "expected a throw";
  } catch (int err) {
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  }
  EXPECT_EQ(host_.streams().LiveStreamRefs(), 0);
}

}  // namespace
