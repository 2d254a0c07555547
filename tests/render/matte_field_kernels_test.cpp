// The matte stage's kernels on small hand-made planes: the channel readers
// (scales, 8/16-bit, outside the raster reads 0), the distance decode, the
// far-field blend, the running maxima, the inner-rectangle copy, the
// single-precision inverse error function and the coverage edge estimate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/channel_to_float.h"
#include "render/coverage_to_distance.h"
#include "render/matte_field_kernels.h"
#include "render/parallel_for.h"

namespace {

TEST(ChannelToFloatTest, SixteenBitRasterOnAnOffsetGridReadsZeroOutsideTheMatte) {
  // A 3 x 2 raster; the grid is 5 x 4 with origin (-1, -1).
  const std::vector<std::uint16_t> raster = {0, 16384, 32768, 8192, 1, 32767};
  std::vector<float> out(20, -7.0f);
  ChannelToFloat16{reinterpret_cast<const std::uint8_t*>(raster.data()), 6, 2, 3, 2, -1, -1, CHANNEL_SCALE_16,
                   out.data(), 5}(0, 4);
  const std::vector<float> expected = {0, 0, 0,   0, 0,  //
                                       0, 0, 0.5f, 1, 0,  //
                                       0, 0.25f, 1.0f / 32768, 32767.0f / 32768, 0,  //
                                       0, 0, 0,   0, 0};
  EXPECT_EQ(out, expected);
}

TEST(ChannelToFloatTest, WorldAlphaIsReadThroughItsPixelStrideAndRowBytes) {
  // Two rows of two ARGB16 pixels, rows padded to 24 bytes.
  std::vector<std::uint8_t> world(48, 0xAB);
  const std::uint16_t alphas[4] = {32768, 0, 16384, 4096};
  for (int i = 0; i < 4; ++i) std::memcpy(world.data() + (i / 2) * 24 + (i % 2) * 8, &alphas[i], 2);
  std::vector<float> out(4);
  ChannelToFloat16{world.data(), 24, 8, 2, 2, 0, 0, CHANNEL_SCALE_16, out.data(), 2}(0, 2);
  EXPECT_EQ(out, (std::vector<float>{1.0f, 0.0f, 0.5f, 0.125f}));
}

TEST(ChannelToFloatTest, EightBitReaderTakesNarrowOrWidePixels) {
  const std::vector<std::uint8_t> narrow = {255, 0, 51, 128};
  std::vector<float> out(6, -1.0f);
  ChannelToFloat8{narrow.data(), 2, 1, 2, 2, 0, 0, false, CHANNEL_SCALE_8, out.data(), 3}(0, 2);
  EXPECT_EQ(out[0], 255 * CHANNEL_SCALE_8);
  EXPECT_EQ(out[1], 0.0f);
  EXPECT_EQ(out[2], 0.0f);  // column 2 is outside the 2-wide matte
  EXPECT_EQ(out[3], 51 * CHANNEL_SCALE_8);
  EXPECT_EQ(out[4], 128 * CHANNEL_SCALE_8);
  const std::vector<std::uint16_t> wide = {32768, 16384};
  ChannelToFloat8{reinterpret_cast<const std::uint8_t*>(wide.data()), 4, 2, 2, 1, 0, 0, true, CHANNEL_SCALE_16,
                  out.data(), 2}(0, 1);
  EXPECT_EQ(out[0], 1.0f);
  EXPECT_EQ(out[1], 0.5f);
}

TEST(MatteFieldKernelsTest, CenterScaleRestoresSignedDistance) {
  const std::vector<float> src = {0.0f, 0.5f, 1.0f, 0.75f};
  std::vector<float> dst(4);
  CenterScalePlane{src.data(), dst.data(), 48.0f}(0, 4);
  EXPECT_EQ(dst, (std::vector<float>{-24.0f, 0.0f, 24.0f, 12.0f}));
}

TEST(MatteFieldKernelsTest, BlendFarSmoothedKeepsTheEdgeAndTakesTheSmoothFarAway) {
  // |d| <= 2 keeps d, |d| >= 10 takes smooth, between in linear proportion.
  std::vector<float> field = {1.5f, -2.0f, 6.0f, -10.0f, 30.0f};
  const std::vector<float> smooth = {100.0f, 100.0f, 2.0f, 0.0f, 20.0f};
  BlendFarSmoothed{field.data(), smooth.data()}(0, 5);
  EXPECT_EQ(field[0], 1.5f);
  EXPECT_EQ(field[1], -2.0f);
  EXPECT_FLOAT_EQ(field[2], 0.5f * 2.0f + 0.5f * 6.0f);
  EXPECT_EQ(field[3], 0.0f);
  EXPECT_EQ(field[4], 20.0f);
}

TEST(MatteFieldKernelsTest, RunningMaximaStayInsideThePlane) {
  // |a - b| on one row of 6: 0 1 0 0 5 0 with radius 1.
  const std::vector<float> a = {0, 1, 0, 0, -5, 0};
  const std::vector<float> b(6, 0.0f);
  std::vector<float> out(6);
  RunningMaxDiffRows{6, 1, a.data(), b.data(), out.data()}(0, 1);
  EXPECT_EQ(out, (std::vector<float>{1, 1, 1, 5, 5, 5}));
  // A column of 5 with radius 2; negative values give 0.
  const std::vector<float> col = {-3, -1, -2, 4, -8};
  std::vector<float> m(5);
  RunningMaxColumns{1, 5, 2, col.data(), m.data()}(0, 5);
  EXPECT_EQ(m, (std::vector<float>{0, 4, 4, 4, 4}));
  const std::vector<float> neg = {-3, -1};
  std::vector<float> zero(2, 9.0f);
  RunningMaxColumns{1, 2, 5, neg.data(), zero.data()}(0, 2);
  EXPECT_EQ(zero, (std::vector<float>{0, 0}));
}

TEST(MatteFieldKernelsTest, CopyPlaneRectTakesTheInnerRectangle) {
  // A 4 x 4 grid with margin 1 around a 2 x 2 output.
  std::vector<float> field(16);
  for (int i = 0; i < 16; ++i) field[static_cast<std::size_t>(i)] = static_cast<float>(i) - 7.5f;
  std::vector<float> distance(4), depth(4);
  CopyPlaneRect{field.data(), 4, 1, 2, distance.data(), depth.data()}(0, 2);
  EXPECT_EQ(distance, (std::vector<float>{-2.5f, -1.5f, 1.5f, 2.5f}));
  EXPECT_EQ(depth, (std::vector<float>{0.0f, 0.0f, 1.5f, 2.5f}));
}

// erfinv by Newton's method in double precision.
double ReferenceErfinv(double y) {
  double x = 0.0;
  for (int i = 0; i < 100; ++i) x -= (std::erf(x) - y) / (1.1283791670955126 * std::exp(-x * x));
  return x;
}

TEST(GilesErfinvTest, MatchesKnownValuesOnBothBranches) {
  struct Case {
    float u;
    double known;  // erfinv of the decimal value
  };
  // w < 5 up to |u| of about 0.9966; beyond, the square-root branch.
  const Case cases[] = {{0.0f, 0.0},
                        {0.1f, 0.08885599049425769},
                        {0.5f, 0.4769362762044699},
                        {-0.5f, -0.4769362762044699},
                        {0.9f, 1.1630871536766743},
                        {0.99f, 1.8213863677184492},
                        {0.999f, 2.326753765513517},
                        {0.9999f, 2.7510639057119874},
                        {-0.9998f, -2.62974177621031},
                        {0.999998f, 3.3611785626303305}};
  for (const Case& c : cases) {
    // The float input is not the decimal one; near 1 erfinv is steep, so
    // the reference is taken at the float actually passed.
    const double reference = ReferenceErfinv(static_cast<double>(c.u));
    EXPECT_NEAR(GilesErfinv(c.u), reference, 2e-6 * std::max(1.0, std::fabs(reference))) << c.u;
    if (std::fabs(c.u) <= 0.999f) {
      EXPECT_NEAR(GilesErfinv(c.u), c.known, 2e-5) << c.u;
    }
  }
}

TEST(CoverageToDistanceTest, BlendsEdgeEstimateSmoothAndFieldByCoverageAndDisagreement) {
  // Pixel 0: c = 0.5, agreement: the erfinv estimate 0 replaces d.
  // Pixel 1: c = 0.99 (a = 0), agreement: the smooth value.
  // Pixel 2: disagreement 0.55 or more keeps d.
  // Pixel 3: c = 0.96 (a = 0.5), m = 0.325 (b = 0.5).
  // Pixel 4: coverage below the clamp reads as 0.0001; no smooth plane.
  const std::vector<float> cov = {0.5f, 0.99f, 0.5f, 0.96f, 0.0f};
  const std::vector<float> field = {3.0f, 8.0f, 3.0f, 4.0f, -9.0f};
  const std::vector<float> dis = {0.1f, 0.0f, 0.6f, 0.325f, 0.0f};
  const std::vector<float> smooth = {7.0f, 5.0f, 7.0f, 6.0f, 0.0f};
  std::vector<float> out(5);
  CoverageToDistance{cov.data(), field.data(), dis.data(), smooth.data(), out.data()}(0, 4);
  EXPECT_FLOAT_EQ(out[0], 0.0f);
  EXPECT_FLOAT_EQ(out[1], 5.0f);
  EXPECT_FLOAT_EQ(out[2], 3.0f);
  const float e3 = GAUSSIAN_EDGE_SCALE * GilesErfinv(2 * 0.96f - 1);
  const float a3 = (0.985f - 0.96f) / 0.05f;
  const float b3 = (0.55f - 0.325f) / 0.45f;
  EXPECT_NEAR(out[3], 4.0f + b3 * ((1 - a3) * 6.0f + a3 * e3 - 4.0f), 1e-5f);
  CoverageToDistance{cov.data(), field.data(), dis.data(), nullptr, out.data()}(4, 5);
  EXPECT_NEAR(out[4], GAUSSIAN_EDGE_SCALE * ReferenceErfinv(2 * 0.0001 - 1), 1e-4);
}

// The edge estimate written out plainly, every pixel through the inverse
// error function.
void PlainCoverageToDistance(const float* coverage, const float* field, const float* disagreement,
                             const float* smooth, float* out, int n) {
  for (int i = 0; i < n; ++i) {
    const float c = std::clamp(coverage[i], 0.0001f, 0.999999f);
    const float d = field[i];
    const float m = disagreement[i];
    const float sm = smooth != nullptr ? smooth[i] : d;
    const float u = 2.0f * c - 1.0f;
    const float e = GAUSSIAN_EDGE_SCALE * GilesErfinv(u);
    const float a = std::clamp((0.985f - c) / 0.05f, 0.0f, 1.0f);
    const float b = std::clamp((0.55f - m) / 0.45f, 0.0f, 1.0f);
    out[i] = d + b * ((1.0f - a) * sm + a * e - d);
  }
}

TEST(CoverageToDistanceTest, MatchesThePlainPerPixelFormBitForBit) {
  // Mostly far inside or far outside, as a matte is, with the clamp limits
  // themselves, values just beyond them, soft edges and zero fields.
  std::mt19937 rng(713);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f), wide(-40.0f, 40.0f);
  const float specials[] = {0.0f, 1.0f, 0.0001f, 0.999999f, 0.00009f, 0.9999995f, -0.5f, 1.5f,
                            std::nextafter(0.0001f, 1.0f), std::nextafter(0.999999f, 0.0f)};
  for (int trial = 0; trial < 40; ++trial) {
    const int n = trial == 0 ? 1 : 1 + static_cast<int>(rng() % 4096);
    std::vector<float> cov(n), field(n), dis(n), smooth(n);
    for (int i = 0; i < n; ++i) {
      const unsigned r = rng() % 10;
      cov[i] = r < 4 ? 0.0f : (r < 7 ? 1.0f : (r < 8 ? specials[rng() % 10] : unit(rng)));
      field[i] = rng() % 9 == 0 ? (rng() % 2 ? 0.0f : -0.0f) : wide(rng);
      dis[i] = unit(rng) * 0.8f;
      smooth[i] = wide(rng);
      // Now and then a value no stage should make, which must still pass
      // through both forms alike.
      if (rng() % 97 == 0) cov[i] = std::numeric_limits<float>::quiet_NaN();
      if (rng() % 89 == 0) dis[i] = rng() % 2 ? std::numeric_limits<float>::quiet_NaN() : -1e30f;
      if (rng() % 83 == 0) field[i] = std::numeric_limits<float>::infinity();
    }
    for (const float* sm : {static_cast<const float*>(smooth.data()), static_cast<const float*>(nullptr)}) {
      std::vector<float> want(n), got(n, -3.0f);
      PlainCoverageToDistance(cov.data(), field.data(), dis.data(), sm, want.data(), n);
      ParallelFor(n, CoverageToDistance{cov.data(), field.data(), dis.data(), sm, got.data()});
      for (int i = 0; i < n; ++i) {
        // Which NaN an operation with NaN operands gives depends on the
        // order the compiler puts the operands in, which two compiled
        // copies of one expression need not share: any NaN is as good.
        if (std::isnan(want[i]) && std::isnan(got[i])) continue;
        ASSERT_EQ(std::memcmp(&want[i], &got[i], sizeof(float)), 0)
            << "trial " << trial << " pixel " << i << ": " << want[i] << " vs " << got[i];
      }
    }
  }
}

TEST(MatteFieldKernelsTest, RunningMaxDiffRowsMatchesThePlainWindowBitForBit) {
  // Rows of 1 to 4096 pixels at the radii the stage uses and others, with
  // NaN, infinite and signed-zero differences among ordinary ones.
  std::mt19937 rng(55);
  std::uniform_real_distribution<float> u(-30.0f, 30.0f);
  const float specials[] = {0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 1e30f};
  for (int trial = 0; trial < 60; ++trial) {
    const int w = trial < 6 ? trial + 1 : 1 + static_cast<int>(rng() % 4096);
    const int h = 1 + static_cast<int>(rng() % 4);
    const int radius = static_cast<int>(rng() % 8);
    std::vector<float> a(static_cast<std::size_t>(w) * h), b(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      a[i] = rng() % 25 == 0 ? specials[rng() % 6] : u(rng);
      b[i] = rng() % 25 == 0 ? specials[rng() % 6] : (rng() % 3 == 0 ? a[i] : u(rng));
    }
    std::vector<float> want(a.size()), got(a.size(), -1.0f);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        float m = 0.0f;
        for (int k = std::max(x - radius, 0); k <= std::min(x + radius, w - 1); ++k) {
          m = std::max(m, std::fabs(a[y * w + k] - b[y * w + k]));
        }
        want[y * w + x] = m;
      }
    }
    ParallelFor(h, RunningMaxDiffRows{w, radius, a.data(), b.data(), got.data()});
    ASSERT_EQ(std::memcmp(want.data(), got.data(), want.size() * sizeof(float)), 0)
        << "trial " << trial << " w " << w << " r " << radius;
  }
}

TEST(MatteFieldKernelsTest, ResultsDoNotDependOnTheThreadCount) {
  const std::int32_t w = 97, h = 61, n = w * h;
  std::vector<float> a(n), b(n);
  for (std::int32_t i = 0; i < n; ++i) {
    a[static_cast<std::size_t>(i)] = std::sin(i * 0.37f) * 4.0f;
    b[static_cast<std::size_t>(i)] = std::cos(i * 0.11f);
  }
  auto run = [&](int concurrency) {
    SetHardwareConcurrencyOverride(concurrency);
    std::vector<float> rows(n), cols(n), erf(n), field = a;
    ParallelFor(h, RunningMaxDiffRows{w, 5, a.data(), b.data(), rows.data()});
    ParallelFor(h, RunningMaxColumns{w, h, 5, rows.data(), cols.data()});
    ParallelFor(n, BlendFarSmoothed{field.data(), b.data()});
    std::vector<float> cov(n);
    for (std::int32_t i = 0; i < n; ++i) cov[static_cast<std::size_t>(i)] = 0.5f + 0.5f * b[static_cast<std::size_t>(i)];
    ParallelFor(n, CoverageToDistance{cov.data(), a.data(), cols.data(), b.data(), erf.data()});
    SetHardwareConcurrencyOverride(-1);
    cols.insert(cols.end(), field.begin(), field.end());
    cols.insert(cols.end(), erf.begin(), erf.end());
    return cols;
  };
  const std::vector<float> one = run(1);
  const std::vector<float> eight = run(10);
  EXPECT_EQ(std::memcmp(one.data(), eight.data(), one.size() * sizeof(float)), 0);
}

}  // namespace
