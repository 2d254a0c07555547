// Crossings of a scanline with closed outlines and the spans by fill rule.
#include "render/scanline_crossings.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Spans = std::vector<std::pair<float, float>>;

Spans SpansOf(const std::vector<Crossing>& c, FillRule rule) {
  Spans out;
  ForEachSpan(c, rule, [&](float a, float b) { out.emplace_back(a, b); });
  return out;
}

std::vector<Crossing> At(const std::vector<float>& pts, float yc, SubpathLayout layout = {}) {
  std::vector<Crossing> c = {{99.0f, 1}};  // cleared by the call
  CollectCrossings(pts.data(), static_cast<std::int32_t>(pts.size() / 2), layout, yc, c);
  return c;
}

TEST(ScanlineCrossingsTest, SquareWindsDownOnTheRightAndUpOnTheLeft) {
  // Clockwise on screen (y down): right edge goes down, left edge up.
  const std::vector<float> square = {0, 0, 4, 0, 4, 4, 0, 4};
  const std::vector<Crossing> c = At(square, 2.0f);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].x, 0.0f);
  EXPECT_EQ(c[0].winding, -1);
  EXPECT_EQ(c[1].x, 4.0f);
  EXPECT_EQ(c[1].winding, +1);
  EXPECT_EQ(SpansOf(c, FillRule::NONZERO), (Spans{{0.0f, 4.0f}}));
}

TEST(ScanlineCrossingsTest, PointOnTheScanlineCountsTheEdgeItStarts) {
  const std::vector<float> square = {0, 0, 4, 0, 4, 4, 0, 4};
  // Through the top points: both vertical edges have their smaller y there.
  EXPECT_EQ(At(square, 0.0f).size(), 2u);
  // Through the bottom points: their larger y, no crossing.
  EXPECT_EQ(At(square, 4.0f).size(), 0u);
  // A diamond's middle points lie on yc = 2: one edge each side starts there.
  const std::vector<float> diamond = {2, 0, 4, 2, 2, 4, 0, 2};
  const std::vector<Crossing> c = At(diamond, 2.0f);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].x, 0.0f);
  EXPECT_EQ(c[1].x, 4.0f);
  // A slanted edge crosses at the interpolated x.
  const std::vector<Crossing> mid = At(diamond, 1.0f);
  ASSERT_EQ(mid.size(), 2u);
  EXPECT_EQ(mid[0].x, 1.0f);
  EXPECT_EQ(mid[1].x, 3.0f);
}

TEST(ScanlineCrossingsTest, TiesSortUpBeforeDown) {
  // Two squares touching at x = 4: the first's right edge (+1) and the
  // second's left edge (-1) cross at the same x.
  const std::vector<float> pts = {0, 0, 4, 0, 4, 4, 0, 4, 4, 0, 8, 0, 8, 4, 4, 4};
  const std::uint32_t starts[] = {0, 4};
  const std::vector<Crossing> c = At(pts, 1.0f, SubpathLayout{starts, 2});
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[1].x, 4.0f);
  EXPECT_EQ(c[1].winding, -1);
  EXPECT_EQ(c[2].x, 4.0f);
  EXPECT_EQ(c[2].winding, +1);
  // The running winding never returns to 0 between them: one span.
  EXPECT_EQ(SpansOf(c, FillRule::NONZERO), (Spans{{0.0f, 8.0f}}));
}

TEST(ScanlineCrossingsTest, SubpathsAreClosedOnTheirOwnAndShortOnesSkipped) {
  // Sub-path 0: a square; sub-path 1: two points only; sub-path 2: a
  // triangle whose start lies beyond the points and is limited to them.
  const std::vector<float> pts = {0, 0, 4, 0, 4, 4, 0, 4, 10, 0, 10, 4};
  const std::uint32_t starts[] = {0, 4, 900};
  const std::vector<Crossing> c = At(pts, 2.0f, SubpathLayout{starts, 3});
  EXPECT_EQ(c.size(), 2u);
  // Without sub-paths all six points form one closed outline.
  EXPECT_EQ(At(pts, 2.0f).size(), 4u);
}

TEST(ScanlineCrossingsTest, NonzeroAndEvenOddSpans) {
  // Two nested outlines winding the same way: windings -1 -1 +1 +1.
  const std::vector<Crossing> same = {{0, -1}, {1, -1}, {2, 1}, {3, 1}};
  EXPECT_EQ(SpansOf(same, FillRule::NONZERO), (Spans{{0, 3}}));
  EXPECT_EQ(SpansOf(same, FillRule::EVEN_ODD), (Spans{{0, 1}, {2, 3}}));
  // Opposite ways: the hole is empty by either rule.
  const std::vector<Crossing> opposite = {{0, -1}, {1, 1}, {2, -1}, {3, 1}};
  EXPECT_EQ(SpansOf(opposite, FillRule::NONZERO), (Spans{{0, 1}, {2, 3}}));
  EXPECT_EQ(SpansOf(opposite, FillRule::EVEN_ODD), (Spans{{0, 1}, {2, 3}}));
  // An odd last crossing is dropped; a single crossing makes no span.
  EXPECT_EQ(SpansOf({{0, 1}, {1, -1}, {2, 1}}, FillRule::EVEN_ODD), (Spans{{0, 1}}));
  EXPECT_TRUE(SpansOf({{0, 1}}, FillRule::EVEN_ODD).empty());
  EXPECT_TRUE(SpansOf({{0, 1}}, FillRule::NONZERO).empty());
}

}  // namespace
