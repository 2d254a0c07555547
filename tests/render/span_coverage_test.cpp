// The span blitter: exact overlaps into a float row, the clamp at 1, ends
// beyond the row, and the pixel-centre rule of an 8-bit mask row.
#include "render/span_coverage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

std::vector<float> FloatRow(std::vector<std::pair<float, float>> spans, float weight, int width = 5) {
  std::vector<float> row(width, 0.0f);
  SpanContext c;
  c.coverage_row = row.data();
  c.width = width;
  c.weight = weight;
  for (auto [a, b] : spans) AddSpanCoverage(c, a, b);
  return row;
}

TEST(AddSpanCoverageTest, ExactOverlapPerColumn) {
  EXPECT_EQ(FloatRow({{1.25f, 3.5f}}, 1.0f), (std::vector<float>{0, 0.75f, 1, 0.5f, 0}));
  // Less than one grid pixel adds its exact fraction.
  EXPECT_EQ(FloatRow({{2.2f, 2.5f}}, 1.0f)[2], 2.5f - 2.2f);
  // A sub-scanline adds its weight's share.
  EXPECT_EQ(FloatRow({{0.5f, 2.0f}}, 0.25f), (std::vector<float>{0.125f, 0.25f, 0, 0, 0}));
}

TEST(AddSpanCoverageTest, NeverAboveOne) {
  EXPECT_EQ(FloatRow({{0.0f, 5.0f}, {0.5f, 5.0f}}, 0.75f), std::vector<float>(5, 1.0f));
  EXPECT_EQ(FloatRow({{0, 5}, {0, 5}, {0, 5}, {0, 5}, {0, 5}}, 0.25f), std::vector<float>(5, 1.0f));
}

TEST(AddSpanCoverageTest, EndsBeyondTheRow) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(FloatRow({{-10.0f, 0.5f}, {4.5f, 100.0f}}, 1.0f), (std::vector<float>{0.5f, 0, 0, 0, 0.5f}));
  EXPECT_EQ(FloatRow({{-1e30f, 1e30f}}, 1.0f), std::vector<float>(5, 1.0f));
  EXPECT_EQ(FloatRow({{1e30f, inf}, {-inf, -1e30f}, {nan, 3.0f}, {3.0f, 2.0f}}, 1.0f), std::vector<float>(5, 0.0f));
}

TEST(AddSpanCoverageTest, MaskRowTakesPixelsWhoseCentreLiesInTheSpan) {
  struct Case {
    float a, b;
    std::vector<std::uint8_t> expected;
  };
  const Case cases[] = {
      {1.5f, 3.5f, {0, 255, 255, 255, 0}},  // centres 1.5, 2.5, 3.5 all inside the closed ends
      {1.6f, 3.4f, {0, 0, 255, 0, 0}},
      {1.6f, 2.4f, {0, 0, 0, 0, 0}},       // no centre inside
      {-3.0f, 0.5f, {255, 0, 0, 0, 0}},
      {4.0f, 40.0f, {0, 0, 0, 0, 255}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> row(5, 0);
    SpanContext ctx;
    ctx.width = 5;
    ctx.mask_row = row.data();
    AddSpanCoverage(ctx, c.a, c.b);
    EXPECT_EQ(row, c.expected) << c.a << " " << c.b;
  }
}

}  // namespace
