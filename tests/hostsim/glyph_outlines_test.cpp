// Glyph outlines of DejaVu Sans as the simulated host serves them: contour
// counts, the font's own coordinates for a letter of straight stems, the
// downward y axis, quadratic segments raised to cubics, and advances.
#include "hostsim/glyph_outlines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using hostsim::SimTextOutlines;
using hostsim::SimTextPath;

struct Bounds {
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
};

Bounds BoundsOf(const SimTextOutlines& t) {
  Bounds b;
  for (const SimTextPath& p : t.paths) {
    for (const PF_PathVertex& v : p.vertices) {
      b.x0 = std::min(b.x0, v.x);
      b.x1 = std::max(b.x1, v.x);
      b.y0 = std::min(b.y0, v.y);
      b.y1 = std::max(b.y1, v.y);
    }
  }
  return b;
}

// Twice the signed area of the vertex polygon (positive: clockwise on
// screen, y down).
double SignedArea2(const SimTextPath& p) {
  double a = 0.0;
  const std::size_t n = p.vertices.size();
  for (std::size_t i = 0; i < n; ++i) {
    const PF_PathVertex& u = p.vertices[i];
    const PF_PathVertex& v = p.vertices[(i + 1) % n];
    a += u.x * v.y - v.x * u.y;
  }
  return a;
}

class GlyphOutlinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!hostsim::GlyphOutlinesAvailable()) GTEST_SKIP() << "no glyph loader or no DejaVu Sans in this build";
  }
};

TEST_F(GlyphOutlinesTest, LetterHIsOneContourOfTheFontsStraightStems) {
  // At 2048 pixels per em a layer pixel is one font unit of DejaVu Sans.
  SimTextOutlines t;
  ASSERT_TRUE(hostsim::SetTextOutlines("H", 2048, 0, 0, t));
  ASSERT_EQ(t.paths.size(), 1u);
  const SimTextPath& h = t.paths[0];
  EXPECT_FALSE(h.open);
  EXPECT_EQ(h.vertices.size(), 12u);
  const Bounds b = BoundsOf(t);
  EXPECT_DOUBLE_EQ(b.x0, 201);
  EXPECT_DOUBLE_EQ(b.x1, 1339);
  EXPECT_DOUBLE_EQ(b.y0, -1493);  // the cap height, above the baseline
  EXPECT_DOUBLE_EQ(b.y1, 0);
  for (const PF_PathVertex& v : h.vertices) {
    EXPECT_TRUE(v.tan_in_x == v.x && v.tan_in_y == v.y && v.tan_out_x == v.x && v.tan_out_y == v.y);
  }
}

TEST_F(GlyphOutlinesTest, ContourCountsOfKnownLetters) {
  const std::pair<const char*, std::size_t> cases[] = {{"O", 2}, {"B", 3}, {"i", 2}, {"8", 3}, {" ", 0}, {"%", 5}};
  for (const auto& [text, contours] : cases) {
    SimTextOutlines t;
    ASSERT_TRUE(hostsim::SetTextOutlines(text, 100, 0, 0, t));
    EXPECT_EQ(t.paths.size(), contours) << text;
  }
}

TEST_F(GlyphOutlinesTest, RingContoursWindAgainstEachOther) {
  SimTextOutlines t;
  ASSERT_TRUE(hostsim::SetTextOutlines("O", 200, 0, 0, t));
  ASSERT_EQ(t.paths.size(), 2u);
  const double a = SignedArea2(t.paths[0]);
  const double b = SignedArea2(t.paths[1]);
  EXPECT_LT(a * b, 0.0);
}

TEST_F(GlyphOutlinesTest, CurvedSegmentsAreRaisedQuadratics) {
  // A cubic raised from a quadratic P, Q, E has C1 = P + 2/3 (Q - P) and
  // C2 = E + 2/3 (Q - E): both lead back to the same Q.
  SimTextOutlines t;
  ASSERT_TRUE(hostsim::SetTextOutlines("O", 2048, 0, 0, t));
  int curved = 0;
  for (const SimTextPath& p : t.paths) {
    const std::size_t n = p.vertices.size();
    for (std::size_t i = 0; i < n; ++i) {
      const PF_PathVertex& a = p.vertices[i];
      const PF_PathVertex& e = p.vertices[(i + 1) % n];
      const bool straight = a.tan_out_x == a.x && a.tan_out_y == a.y && e.tan_in_x == e.x && e.tan_in_y == e.y;
      if (straight) continue;
      ++curved;
      const double qx1 = a.x + 1.5 * (a.tan_out_x - a.x), qy1 = a.y + 1.5 * (a.tan_out_y - a.y);
      const double qx2 = e.x + 1.5 * (e.tan_in_x - e.x), qy2 = e.y + 1.5 * (e.tan_in_y - e.y);
      EXPECT_NEAR(qx1, qx2, 1e-9);
      EXPECT_NEAR(qy1, qy2, 1e-9);
    }
  }
  EXPECT_GT(curved, 8);
}

TEST_F(GlyphOutlinesTest, PositionSizeAndAdvance) {
  SimTextOutlines one, two;
  ASSERT_TRUE(hostsim::SetTextOutlines("H", 2048, 0, 0, one));
  ASSERT_TRUE(hostsim::SetTextOutlines("HH", 102.4, 30, 80, two));
  ASSERT_EQ(two.paths.size(), 2u);
  const Bounds b = BoundsOf(two);
  // 1/20 of the font units, moved to (30, 80); the second H starts one
  // advance (1540 units) later.
  EXPECT_NEAR(b.x0, 30 + 201 / 20.0, 1e-9);
  EXPECT_NEAR(b.y0, 80 - 1493 / 20.0, 1e-9);
  EXPECT_NEAR(b.y1, 80, 1e-9);
  EXPECT_NEAR(b.x1, 30 + (1540 + 1339) / 20.0, 1e-9);
}

}  // namespace
