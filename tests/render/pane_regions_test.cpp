#include "render/pane_regions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/allocation_seam.h"

namespace {

// '#' inside a pane (distance 1), '+' in the outer band (distance -1),
// '.' far outside (distance -10).
struct Field {
  FloatPlane depth;
  FloatPlane distance;
};

Field FromRows(const std::vector<std::string>& rows) {
  Field f;
  const auto h = static_cast<std::int32_t>(rows.size());
  const auto w = static_cast<std::int32_t>(rows[0].size());
  EXPECT_TRUE(AllocateFloatPlane(f.depth, w, h));
  EXPECT_TRUE(AllocateFloatPlane(f.distance, w, h));
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      const float d = c == '#' ? 1.0f : (c == '+' ? -1.0f : -10.0f);
      f.distance.At(x, y) = d;
      f.depth.At(x, y) = d > 0.0f ? d : 0.0f;
    }
  }
  return f;
}

std::vector<std::int32_t> Labels(const PaneRegions& r) {
  return std::vector<std::int32_t>(r.region_labels.get(), r.region_labels.get() + r.width * r.height);
}

class PaneRegionsTest : public ::testing::Test {
 protected:
  void TearDown() override { DisarmAllocationFailure(); }
};

TEST_F(PaneRegionsTest, DiagonalNeighboursAreSeparateRegions) {
  const Field f = FromRows({
      "#..",
      ".#.",
      "..#",
  });
  const PaneRegions r = LabelPaneRegions(f.depth, f.distance, PaneCentre{1.5f, 1.5f, 1.5f});
  ASSERT_TRUE(r.Labelled());
  const std::vector<std::int32_t> expected = {0, -2, -2, -2, 1, -2, -2, -2, 2};
  EXPECT_EQ(Labels(r), expected);
  ASSERT_EQ(r.regions.Count(), 3);
  EXPECT_EQ(r.regions.At(1).centre_x, 1.0f);
  EXPECT_EQ(r.regions.At(1).centre_y, 1.0f);
  EXPECT_EQ(r.regions.At(1).radius, 1.0f);
}

TEST_F(PaneRegionsTest, IdsFollowTheFirstPixelOfEachRegionAndTheFillTurnsCorners) {
  // The U reaches (4, 0) only through its bottom row, and the blob at (2, 0)
  // is met between the U's two arms: the U is 0, the blob 1.
  const Field f = FromRows({
      "#.#.#",
      "#...#",
      "#####",
  });
  const PaneRegions r = LabelPaneRegions(f.depth, f.distance, PaneCentre{});
  ASSERT_TRUE(r.Labelled());
  const std::vector<std::int32_t> expected = {0, -2, 1, -2, 0, 0, -2, -2, -2, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Labels(r), expected);
  ASSERT_EQ(r.regions.Count(), 2);
  // U: 9 pixels, x sum 0+4+0+4+0+1+2+3+4 = 18, y sum 0+0+1+1+2*5 = 12.
  EXPECT_FLOAT_EQ(r.regions.At(0).centre_x, 2.0f);
  EXPECT_FLOAT_EQ(r.regions.At(0).centre_y, 12.0f / 9.0f);
  EXPECT_EQ(r.regions.At(0).radius, 2.0f);
}

TEST_F(PaneRegionsTest, BandJoinsPanesButOnlyPaneInteriorCounts) {
  // Two panes joined by band pixels: one region; its centre is that of the
  // '#' pixels only. A band-only region takes the whole panes' centre.
  const Field f = FromRows({
      "##++##....",
      "##..##..++",
  });
  const PaneCentre whole{3.25f, 0.75f, 0.5f};
  const PaneRegions r = LabelPaneRegions(f.depth, f.distance, whole);
  ASSERT_EQ(r.regions.Count(), 2);
  EXPECT_FLOAT_EQ(r.regions.At(0).centre_x, (0 + 1 + 4 + 5) * 2 / 8.0f);
  EXPECT_FLOAT_EQ(r.regions.At(0).centre_y, 0.5f);
  EXPECT_EQ(r.regions.At(0).radius, 2.5f);
  EXPECT_EQ(r.regions.At(1).centre_x, 3.25f);
  EXPECT_EQ(r.regions.At(1).centre_y, 0.75f);
  EXPECT_EQ(r.regions.At(1).radius, 1.0f);  // max(1, pane_radius)
  const std::vector<std::int32_t> labels = Labels(r);
  EXPECT_EQ(labels[2], 0);
  EXPECT_EQ(labels[18], 1);
  EXPECT_EQ(labels[6], REGION_NONE);
}

TEST_F(PaneRegionsTest, BandEndsAtMinusThreeExclusive) {
  FloatPlane depth, distance;
  ASSERT_TRUE(AllocateFloatPlane(depth, 4, 1));
  ASSERT_TRUE(AllocateFloatPlane(distance, 4, 1));
  const float d[4] = {0.5f, -2.999f, -3.0f, -2.5f};
  for (int x = 0; x < 4; ++x) {
    distance.data[x] = d[x];
    depth.data[x] = d[x] > 0 ? d[x] : 0.0f;
  }
  const PaneRegions r = LabelPaneRegions(depth, distance, PaneCentre{2.0f, 0.5f, 2.0f});
  const std::vector<std::int32_t> expected = {0, 0, REGION_NONE, 1};
  EXPECT_EQ(Labels(r), expected);
}

TEST_F(PaneRegionsTest, LargeRegionNeedsNoCallDepth) {
  constexpr std::int32_t n = 2000;
  FloatPlane depth, distance;
  ASSERT_TRUE(AllocateFloatPlane(depth, n, n));
  ASSERT_TRUE(AllocateFloatPlane(distance, n, n));
  for (std::int64_t i = 0; i < depth.Size(); ++i) {
    depth.data[i] = 5.0f;
    distance.data[i] = 5.0f;
  }
  const PaneRegions r = LabelPaneRegions(depth, distance, PaneCentre{});
  ASSERT_TRUE(r.Labelled());
  ASSERT_EQ(r.regions.Count(), 1);
  EXPECT_EQ(r.regions.At(0).centre_x, 999.5f);
  EXPECT_EQ(r.regions.At(0).centre_y, 999.5f);
  EXPECT_EQ(r.regions.At(0).radius, 999.5f);
  for (std::int64_t i = 0; i < depth.Size(); ++i) ASSERT_EQ(r.region_labels[static_cast<std::size_t>(i)], 0);
}

TEST_F(PaneRegionsTest, LabelPlaneThatCannotBeHadLeavesNoLabels) {
  const Field f = FromRows({"##", "##"});
  ArmAllocationFailure(1);
  const PaneRegions r = LabelPaneRegions(f.depth, f.distance, PaneCentre{});
  EXPECT_FALSE(r.Labelled());
  EXPECT_EQ(r.regions.Count(), 0);
}

TEST_F(PaneRegionsTest, WantedOnlyForRasterOrSupersampledPaths) {
  EXPECT_TRUE(PaneRegionsWanted(true, false));
  EXPECT_TRUE(PaneRegionsWanted(false, true));
  EXPECT_FALSE(PaneRegionsWanted(false, false));
}

}  // namespace
