#include "render/curve_tables.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(CurveTablesTest, EndPoints) {
  EXPECT_EQ(CURVE_PROFILE_RISE[0], 0.0f);
  EXPECT_EQ(CURVE_PROFILE_RISE[255], 1.0f);
  EXPECT_EQ(CURVE_PROFILE_FALLOFF[0], 1.0f);
  EXPECT_EQ(CURVE_PROFILE_FALLOFF[255], 0.0f);
  EXPECT_EQ(CURVE_RIM_FALLOFF[0], 1.0f);
  EXPECT_EQ(CURVE_RIM_FALLOFF[255], 0.0f);
}

TEST(CurveTablesTest, ShapesAreMonotone) {
  for (int i = 1; i < CURVE_TABLE_SIZE; ++i) {
    EXPECT_GE(CURVE_PROFILE_RISE[i], CURVE_PROFILE_RISE[i - 1]) << i;
    EXPECT_LE(CURVE_PROFILE_FALLOFF[i], CURVE_PROFILE_FALLOFF[i - 1]) << i;
    EXPECT_LE(CURVE_RIM_FALLOFF[i], CURVE_RIM_FALLOFF[i - 1]) << i;
  }
}

// An independent evaluation in double precision: bisection on x(t), which
// is monotone for these control values. The float table must agree closely.
double ReferenceY(double x, double y0, double x1, double y1, double x2, double y2, double y3) {
  auto bx = [&](double t) {
    const double u = 1 - t;
    return 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t;
  };
  double lo = 0, hi = 1;
  for (int k = 0; k < 60; ++k) {
    const double mid = 0.5 * (lo + hi);
    (bx(mid) < x ? lo : hi) = mid;
  }
  const double t = 0.5 * (lo + hi), u = 1 - t;
  return u * u * u * y0 + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t * y3;
}

TEST(CurveTablesTest, AgreesWithAnIndependentEvaluation) {
  for (int i = 0; i < CURVE_TABLE_SIZE; i += 15) {
    const double x = i / 255.0;
    EXPECT_NEAR(CURVE_PROFILE_RISE[i], ReferenceY(x, 0, 0.36, 0, 0.342, 1, 1), 2e-3) << i;
    EXPECT_NEAR(CURVE_PROFILE_FALLOFF[i], ReferenceY(x, 1, 0.21, 1, 0.57, 0, 0), 2e-3) << i;
    EXPECT_NEAR(CURVE_RIM_FALLOFF[i], ReferenceY(x, 1, 0.291, 0.706, 0.502, 0, 0), 2e-3) << i;
  }
}

TEST(CurveTablesTest, LookupInterpolatesAndClamps) {
  CurveTable t{};
  for (int i = 0; i < CURVE_TABLE_SIZE; ++i) t[i] = static_cast<float>(i * i);
  EXPECT_EQ(CurveLookup(t, -0.5f), 0.0f);
  EXPECT_EQ(CurveLookup(t, 0.0f), 0.0f);
  EXPECT_EQ(CurveLookup(t, 1.0f), 255.0f * 255.0f);
  EXPECT_EQ(CurveLookup(t, 7.0f), 255.0f * 255.0f);
  // t = 0.5: index 127, f = 0.5.
  EXPECT_FLOAT_EQ(CurveLookup(t, 0.5f), 0.5f * 127 * 127 + 0.5f * 128 * 128);
  // Just below 1 stays within the table: the last pair, nearly at its end.
  EXPECT_NEAR(CurveLookup(t, 0.99999994f), 255.0f * 255.0f, 0.01f);
}

TEST(CurveTablesTest, LookupOfNaNGivesTheFirstEntry) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(CurveLookup(CURVE_PROFILE_RISE, nan), CURVE_PROFILE_RISE[0]);
  EXPECT_EQ(CurveLookup(CURVE_RIM_FALLOFF, -nan), CURVE_RIM_FALLOFF[0]);
}

// Control values on the diagonal make the curve y = x, so every entry is
// its own sample position once the Newton steps have found t.
TEST(CurveTablesTest, DiagonalCurveReproducesItsSamplePositions) {
  CurveTable t{};
  BuildBezierCurveTable(t, 0.0f, 1.0f / 3.0f, 1.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f, 1.0f);
  for (int i = 0; i < CURVE_TABLE_SIZE; ++i) EXPECT_NEAR(t[i], i / 255.0f, 1e-6f) << i;
}

}  // namespace
