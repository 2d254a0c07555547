// The span blitter: exact overlaps into a float row, the clamp at 1, ends
// beyond the row, and the pixel-centre rule of an 8-bit mask row.
#include "render/span_coverage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
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

// The blitter's float branch written out plainly, one column at a time.
void PlainAddSpan(std::vector<float>& row, float weight, float x1, float x2) {
  const int width = static_cast<int>(row.size());
  auto column = [&](float v, int lo, int hi) {
    if (!(v > static_cast<float>(lo))) return lo;
    if (!(v < static_cast<float>(hi))) return hi;
    return static_cast<int>(v);
  };
  const int first = column(std::floor(x1), 0, width);
  const int last = column(std::ceil(x2) - 1.0f, -1, width - 1);
  for (int x = first; x <= last; ++x) {
    const float fx = static_cast<float>(x);
    const float overlap = std::min(x2, fx + 1.0f) - std::max(x1, fx);
    if (overlap > 0.0f) row[x] = std::min(1.0f, row[x] + std::min(1.0f, overlap) * weight);
  }
}

TEST(AddSpanCoverageTest, MatchesThePlainPerColumnFormBitForBit) {
  // Rows of 1 to 4096 columns, partly covered already, with spans of every
  // length and position (whole-column ends, ends beyond the row, reversed
  // and empty spans) at the weights the fills use.
  std::mt19937 rng(31);
  const float weights[] = {1.0f, 0.25f, 0.5f, 0.3f};
  for (int trial = 0; trial < 300; ++trial) {
    const int width = trial < 8 ? trial + 1 : 1 + static_cast<int>(rng() % 4096);
    std::uniform_real_distribution<float> pos(-8.0f, static_cast<float>(width) + 8.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> want(width), got(width);
    for (int x = 0; x < width; ++x) want[x] = rng() % 3 == 0 ? unit(rng) : (rng() % 2 ? 0.0f : 1.0f);
    got = want;
    const float weight = weights[trial % 4];
    SpanContext c;
    c.coverage_row = got.data();
    c.width = width;
    c.weight = weight;
    for (int k = 0; k < 6; ++k) {
      float a = pos(rng), b = pos(rng);
      if (rng() % 3 == 0) a = std::round(a);
      if (rng() % 3 == 0) b = std::round(b);
      if (rng() % 4 != 0 && b < a) std::swap(a, b);
      PlainAddSpan(want, weight, a, b);
      AddSpanCoverage(c, a, b);
    }
    ASSERT_EQ(std::memcmp(want.data(), got.data(), want.size() * sizeof(float)), 0) << "trial " << trial;
  }
}

}  // namespace
