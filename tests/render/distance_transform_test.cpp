// The exact distance transform and the distance-field builders: hand-made
// planes with known distances, independent brute-force references on small
// random rasters, a plain per-line transform that the fast paths must match
// bit for bit, allocation failures, and thread-count independence.
#include "render/distance_transform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/allocation_seam.h"
#include "render/distance_field_builders.h"
#include "render/float_plane.h"
#include "render/parallel_for.h"

namespace {

using Plane = std::vector<float>;

// The one-dimensional lower envelope written out plainly, one position at a
// time, with no shortcut of any kind.
void PlainTransform1D(const float* f, int n, float* d) {
  if (n < 1) return;
  std::vector<int> v(n);
  std::vector<float> z(n + 1);
  v[0] = 0;
  z[0] = -1e20f;
  z[1] = 1e20f;
  int k = 0;
  for (int q = 1; q < n; ++q) {
    double s;
    for (;;) {
      const double p = v[k];
      s = ((static_cast<double>(f[q]) + double(q) * q) - (static_cast<double>(f[v[k]]) + p * p)) /
          (2.0 * q - 2.0 * p);
      if (static_cast<double>(z[k]) >= s) {
        --k;
        continue;
      }
      break;
    }
    ++k;
    v[k] = q;
    z[k] = static_cast<float>(s);
    z[k + 1] = 1e20f;
  }
  k = 0;
  for (int q = 0; q < n; ++q) {
    while (z[k + 1] < static_cast<float>(q)) ++k;
    const double off = q - v[k];
    d[q] = static_cast<float>(off * off + static_cast<double>(f[v[k]]));
  }
}

// Columns, then rows, one line at a time.
void PlainTransform2D(Plane& p, int w, int h) {
  std::vector<float> line(std::max(w, h)), out(std::max(w, h));
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y) line[y] = p[y * w + x];
    PlainTransform1D(line.data(), h, out.data());
    for (int y = 0; y < h; ++y) p[y * w + x] = out[y];
  }
  for (int y = 0; y < h; ++y) {
    PlainTransform1D(&p[y * w], w, out.data());
    std::copy(out.begin(), out.begin() + w, p.begin() + y * w);
  }
}

// min over all q of |p - q|^2 + f(q), in double.
std::vector<double> BruteForce2D(const Plane& f, int w, int h) {
  std::vector<double> out(f.size());
  for (int py = 0; py < h; ++py) {
    for (int px = 0; px < w; ++px) {
      double best = std::numeric_limits<double>::infinity();
      for (int qy = 0; qy < h; ++qy) {
        for (int qx = 0; qx < w; ++qx) {
          const double dx = px - qx, dy = py - qy;
          best = std::min(best, dx * dx + dy * dy + static_cast<double>(f[qy * w + qx]));
        }
      }
      out[py * w + px] = best;
    }
  }
  return out;
}

bool SameBytes(const Plane& a, const Plane& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

Plane RandomCoverage(int w, int h, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  Plane c(static_cast<std::size_t>(w) * h);
  for (float& v : c) {
    const float r = u(rng);
    v = r < 0.4f ? 0.0f : (r < 0.8f ? 1.0f : u(rng));
  }
  return c;
}

// A soft-edged disc: smooth anti-aliased outline like a real pane raster.
Plane DiscCoverage(int w, int h, double cx, double cy, double r) {
  Plane c(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double d = r - std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      c[y * w + x] = static_cast<float>(std::clamp(0.5 + d, 0.0, 1.0));
    }
  }
  return c;
}

// Seeds as the builders make them, written independently from the formula.
void ReferenceSeeds(const Plane& c, int w, int h, Plane& to_inside, Plane& to_outside) {
  to_inside.assign(c.size(), 0.0f);
  to_outside.assign(c.size(), 0.0f);
  auto at = [&](int x, int y, float self) {
    return (x < 0 || y < 0 || x >= w || y >= h) ? self : c[y * w + x];
  };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int i = y * w + x;
      const float v = c[i];
      float e = 0;
      bool edge = false;
      if (v > 0.0001f && v < 0.9999f) {
        const float gx = std::max(std::fabs(v - at(x - 1, y, v)), std::fabs(at(x + 1, y, v) - v));
        const float gy = std::max(std::fabs(v - at(x, y - 1, v)), std::fabs(at(x, y + 1, v) - v));
        const float g = std::min(std::max(std::sqrt(gx * gx + gy * gy), 0.05f), 1.0f);
        e = (v - 0.5f) / g;
        edge = std::fabs(e) <= 0.75f;
      }
      const bool inside = edge ? false : (v >= 0.9999f || (v > 0.0001f && e > 0.75f));
      if (edge) {
        to_outside[i] = e * e + 2.0f * e;
        to_inside[i] = e * e - 2.0f * e;
      } else {
        to_outside[i] = inside ? 1e20f : 0.0f;
        to_inside[i] = inside ? 0.0f : 1e20f;
      }
    }
  }
}

class DistanceTransformTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetHardwareConcurrencyOverride(-1);
    DisarmAllocationFailure();
  }
};

// ---------------------------------------------------------------- exact values

TEST_F(DistanceTransformTest, VerticalEdgeSeedsAndDistances) {
  // Columns: inside, inside, edge of coverage 0.25, then outside.
  const int w = 6, h = 3;
  Plane c(w * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) c[y * w + x] = x < 2 ? 1.0f : (x == 2 ? 0.25f : 0.0f);
  }
  Plane to_inside(w * h), to_outside(w * h);
  DistanceInitCoverage{c.data(), to_outside.data(), DISTANCE_INFINITY, to_inside.data(), w, h}(0, w * h);
  EXPECT_NEAR(to_inside[1 * w + 2], 7.0 / 9.0, 1e-6);
  EXPECT_NEAR(to_outside[1 * w + 2], -5.0 / 9.0, 1e-6);
  EXPECT_EQ(to_inside[1 * w + 1], 0.0f);
  EXPECT_EQ(to_outside[1 * w + 1], DISTANCE_INFINITY);
  EXPECT_EQ(to_inside[1 * w + 3], DISTANCE_INFINITY);
  EXPECT_EQ(to_outside[1 * w + 3], 0.0f);

  Plane depth(w * h, 9.0f), dist(w * h, 9.0f);
  DistanceFieldFromCoverage(c.data(), w, h, depth.data(), dist.data());
  for (int y = 0; y < h; ++y) {
    const float* row = &dist[y * w];
    EXPECT_NEAR(row[1], 2.0 / 3.0, 1e-6) << y;
    EXPECT_NEAR(row[2], -std::sqrt(7.0 / 9.0), 1e-6) << y;  // -0.882
    EXPECT_NEAR(row[3], -4.0 / 3.0, 1e-6) << y;
    EXPECT_NEAR(row[4], -std::sqrt(4.0 + 7.0 / 9.0), 1e-6) << y;  // -2.186
    EXPECT_NEAR(row[0], std::sqrt(4.0 - 5.0 / 9.0), 1e-6) << y;
    for (int x = 0; x < w; ++x) EXPECT_EQ(depth[y * w + x], std::max(row[x], 0.0f)) << x << "," << y;
  }
}

TEST_F(DistanceTransformTest, UniformAndSinglePixelPlanes) {
  struct Case {
    int w, h;
    float coverage;
    double expected;
  };
  const double far = std::sqrt(static_cast<double>(DISTANCE_INFINITY));  // about 1e10
  const Case cases[] = {
      {7, 5, 0.0f, -far},  {7, 5, 0.3f, -far}, {7, 5, 1.0f, far}, {7, 5, 0.99995f, far},
      {1, 1, 1.0f, far},   {1, 1, 0.0f, -far}, {1, 1, 0.5f, 0.0},
      // A lone edge pixel: g clamps to 0.05, e = 0.6, d = +sqrt(e^2 + 2e).
      {1, 1, 0.53f, std::sqrt(0.36 + 1.2)},
      // e = -0.6: d = -sqrt(e^2 - 2e).
      {1, 1, 0.47f, -std::sqrt(0.36 + 1.2)},
      {1, 9, 1.0f, far},   {9, 1, 0.0f, -far},
  };
  for (const Case& k : cases) {
    Plane c(k.w * k.h, k.coverage), depth(c.size(), 5.0f), dist(c.size(), 5.0f);
    DistanceFieldFromCoverage(c.data(), k.w, k.h, depth.data(), dist.data());
    for (std::size_t i = 0; i < c.size(); ++i) {
      EXPECT_NEAR(dist[i], k.expected, std::fabs(k.expected) * 1e-5 + 1e-5) << k.w << "x" << k.h << " " << k.coverage;
      EXPECT_EQ(depth[i], std::max(dist[i], 0.0f));
    }
  }
}

TEST_F(DistanceTransformTest, EdgeOffsetLimitDecidesTheSeed) {
  // A lone pixel has g = 0.05, so e = (c - 0.5) / 0.05.
  struct Case {
    float coverage;
    float to_inside, to_outside;  // NaN: an edge seed
  };
  const float seed = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {0.5376f, 0.0f, DISTANCE_INFINITY},  // e just above 0.75: inside
      {0.5374f, seed, seed},
      {0.4624f, DISTANCE_INFINITY, 0.0f},  // e just below -0.75: outside
      {0.4626f, seed, seed},
      {0.99995f, 0.0f, DISTANCE_INFINITY},
      {0.00005f, DISTANCE_INFINITY, 0.0f},
  };
  for (const Case& k : cases) {
    float in = -7, out = -7;
    DistanceInitCoverage{&k.coverage, &out, DISTANCE_INFINITY, &in, 1, 1}(0, 1);
    if (std::isnan(k.to_inside)) {
      const float e = (k.coverage - 0.5f) / 0.05f;
      EXPECT_EQ(in, e * e - 2.0f * e) << k.coverage;
      EXPECT_EQ(out, e * e + 2.0f * e) << k.coverage;
    } else {
      EXPECT_EQ(in, k.to_inside) << k.coverage;
      EXPECT_EQ(out, k.to_outside) << k.coverage;
    }
  }
}

TEST_F(DistanceTransformTest, EmptyPlaneWritesNothing) {
  Plane c(4, 1.0f), depth(4, 3.0f), dist(4, 3.0f);
  std::uint8_t mask[4] = {255, 255, 255, 255};
  DistanceFieldFromCoverage(c.data(), 0, 4, depth.data(), dist.data());
  DistanceFieldFromCoverage(c.data(), 4, 0, depth.data(), dist.data());
  DistanceFieldFromMask8(mask, 0, 0, depth.data(), dist.data());
  DistanceTransform2D(c.data(), 0, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(depth[i], 3.0f);
    EXPECT_EQ(dist[i], 3.0f);
    EXPECT_EQ(c[i], 1.0f);
  }
}

TEST_F(DistanceTransformTest, OneDimensionalLengthOneCopies) {
  const float values[] = {0.0f, -0.9375f, 3.5f, DISTANCE_INFINITY, 1e30f};
  for (float f : values) {
    std::int32_t v[1];
    float z[2];
    float d = -1;
    DistanceTransform1D(&f, 1, v, z, &d);
    EXPECT_EQ(d, f);
  }
}

// ---------------------------------------------------------- brute-force references

TEST_F(DistanceTransformTest, MaskFieldMatchesBruteForceExactly) {
  const int sizes[][2] = {{23, 17}, {40, 9}, {1, 30}, {30, 1}, {64, 33}};
  std::uint32_t seed = 1;
  for (const auto& s : sizes) {
    const int w = s[0], h = s[1];
    std::mt19937 rng(seed++);
    std::vector<std::uint8_t> mask(w * h);
    for (auto& m : mask) m = static_cast<std::uint8_t>(rng() % 3 == 0 ? 128 + rng() % 128 : rng() % 128);
    Plane to_inside(w * h), to_outside(w * h);
    for (int i = 0; i < w * h; ++i) {
      to_inside[i] = mask[i] >= 128 ? 0.0f : 1e20f;
      to_outside[i] = mask[i] >= 128 ? 1e20f : 0.0f;
    }
    const auto in_sq = BruteForce2D(to_inside, w, h);
    const auto out_sq = BruteForce2D(to_outside, w, h);
    Plane depth(w * h), dist(w * h);
    DistanceFieldFromMask8(mask.data(), w, h, depth.data(), dist.data());
    for (int i = 0; i < w * h; ++i) {
      const float expected = mask[i] >= 128 ? std::sqrt(static_cast<float>(out_sq[i]))
                                            : -std::sqrt(static_cast<float>(in_sq[i]));
      ASSERT_EQ(dist[i], expected) << w << "x" << h << " pixel " << i;
      ASSERT_EQ(depth[i], std::max(expected, 0.0f));
    }
  }
}

TEST_F(DistanceTransformTest, CoverageFieldMatchesBruteForce) {
  const int sizes[][2] = {{21, 19}, {37, 8}, {1, 25}, {25, 1}};
  std::uint32_t seed = 11;
  for (const auto& s : sizes) {
    const int w = s[0], h = s[1];
    for (const Plane& c : {RandomCoverage(w, h, seed++), DiscCoverage(w, h, w * 0.4, h * 0.6, std::min(w, h) * 0.35)}) {
      Plane to_inside, to_outside;
      ReferenceSeeds(c, w, h, to_inside, to_outside);
      const auto in_sq = BruteForce2D(to_inside, w, h);
      const auto out_sq = BruteForce2D(to_outside, w, h);
      Plane depth(w * h), dist(w * h);
      DistanceFieldFromCoverage(c.data(), w, h, depth.data(), dist.data());
      for (int i = 0; i < w * h; ++i) {
        const double expected =
            c[i] >= 0.5f ? std::sqrt(std::max(out_sq[i], 0.0)) : -std::sqrt(std::max(in_sq[i], 0.0));
        ASSERT_NEAR(dist[i], expected, 1e-5 * std::fabs(expected) + 2e-6) << w << "x" << h << " pixel " << i;
      }
    }
  }
}

TEST_F(DistanceTransformTest, TransformOfGeneralValuesMatchesBruteForce) {
  // Values outside the seeding's classes (large finite, below -1) go the
  // general way; the result is still the exact envelope.
  const int w = 19, h = 23;
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> u(-3.0f, 4000.0f);
  Plane p(w * h);
  for (float& v : p) v = rng() % 4 == 0 ? 1e15f : u(rng);
  const auto ref = BruteForce2D(p, w, h);
  DistanceTransform2D(p.data(), w, h);
  for (int i = 0; i < w * h; ++i) ASSERT_NEAR(p[i], ref[i], 1e-6 * std::fabs(ref[i]) + 1e-4) << i;
}

// ------------------------------------------------- fast paths against the plain sweep

TEST_F(DistanceTransformTest, LinesMatchPlainSweepBitForBit) {
  // Mixtures of every class the fast path treats specially, and values that
  // send it back to the general sweep.
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> small(-1.0f, 1.0f), big(0.0f, 1e6f);
  const float specials[] = {DISTANCE_INFINITY, 0.0f, -0.0f, -1.0f, -0.9375f, 1099511627776.0f, 1.0f, 4.0f};
  for (int trial = 0; trial < 400; ++trial) {
    const int n = 1 + static_cast<int>(rng() % (trial < 300 ? 70 : 3000));
    const int style = trial % 5;
    std::vector<float> f(n);
    for (int i = 0; i < n; ++i) {
      const unsigned r = rng() % 10;
      if (style == 0) f[i] = specials[rng() % 8];
      else if (style == 1) f[i] = r < 5 ? DISTANCE_INFINITY : (r < 8 ? 0.0f : small(rng));
      else if (style == 2) f[i] = r < 3 ? DISTANCE_INFINITY : big(rng);
      else if (style == 3) f[i] = (i / 9) % 2 ? DISTANCE_INFINITY : (r < 7 ? 0.0f : small(rng));
      else f[i] = r == 0 ? 5e15f : (r == 1 ? -2.0f : big(rng));  // general sweep
    }
    std::vector<float> expected(n), got(n, -5.0f);
    std::vector<std::int32_t> v(n);
    std::vector<float> z(n + 1);
    PlainTransform1D(f.data(), n, expected.data());
    DistanceTransform1D(f.data(), n, v.data(), z.data(), got.data());
    ASSERT_TRUE(SameBytes(expected, got)) << "trial " << trial << " n " << n;
  }
}

TEST_F(DistanceTransformTest, PopsOnTiesAndNearTiesMatchPlainSweepInRowsAndColumnLanes) {
  // Values from a few seeds and their float neighbours, so that many
  // intersections land on a stored boundary or within a rounding of it:
  // there the sweep's pop must still follow the rounded quotient exactly.
  std::mt19937 rng(2731);
  const float bases[] = {0.0f, 1.0f, 0.25f, 1.0f / 3.0f, 1.0f / 9.0f, -5.0f / 9.0f, 7.0f / 9.0f, 2.0f, 4.0f,
                         -1.0f, 0.5625f, 0.0625f, 9.0f, 1e-3f, 12.5f};
  constexpr int BASE_COUNT = static_cast<int>(sizeof(bases) / sizeof(bases[0]));
  for (int trial = 0; trial < 160; ++trial) {
    const int n = trial < 12 ? trial + 1 : 1 + static_cast<int>(rng() % (trial < 100 ? 200 : 4096));
    const int lanes = 1 + static_cast<int>(rng() % EDT_COLUMN_BLOCK);
    const int palette = 2 + static_cast<int>(rng() % (BASE_COUNT - 1));
    std::vector<float> f(static_cast<std::size_t>(n) * EDT_COLUMN_BLOCK, -7.0f);
    for (int j = 0; j < lanes; ++j) {
      for (int i = 0; i < n; ++i) {
        const unsigned r = rng() % 16;
        float v = bases[rng() % palette];
        if (r < 3) v = std::nextafter(v, 1e30f);
        else if (r < 6) v = std::max(-1.0f, std::nextafter(v, -1e30f));
        else if (r == 6) v = DISTANCE_INFINITY;
        f[static_cast<std::size_t>(i) * EDT_COLUMN_BLOCK + j] = v;
      }
    }
    std::vector<std::int32_t> v(n);
    std::vector<float> z(n + 1), lanes_out(f.size(), -5.0f);
    DistanceTransformColumnLanes(f.data(), n, lanes, v.data(), z.data(), lanes_out.data());
    for (int j = 0; j < lanes; ++j) {
      std::vector<float> line(n), expected(n), got(n, -5.0f), got_lane(n);
      for (int i = 0; i < n; ++i) line[i] = f[static_cast<std::size_t>(i) * EDT_COLUMN_BLOCK + j];
      PlainTransform1D(line.data(), n, expected.data());
      DistanceTransform1D(line.data(), n, v.data(), z.data(), got.data());
      for (int i = 0; i < n; ++i) got_lane[i] = lanes_out[static_cast<std::size_t>(i) * EDT_COLUMN_BLOCK + j];
      ASSERT_TRUE(SameBytes(expected, got)) << "row, trial " << trial << " n " << n;
      ASSERT_TRUE(SameBytes(expected, got_lane)) << "lane " << j << ", trial " << trial << " n " << n;
    }
  }
}

TEST_F(DistanceTransformTest, LongParabolaRunsMatchPlainSweepInRowsAndColumnLanes) {
  // Sparse seeds, so one parabola serves long runs of positions (the lanes
  // write those four at a time), at lengths from 1 to 8192 (a 4K grid's
  // rows), along a row and
  // as interleaved column lanes.
  std::mt19937 rng(4096);
  std::uniform_real_distribution<float> small(-1.0f, 1.0f), big(0.0f, 4e6f);
  for (int trial = 0; trial < 80; ++trial) {
    const int n = trial < 8 ? trial + 1 : 1 + static_cast<int>(rng() % 8192);
    const int lanes = 1 + static_cast<int>(rng() % EDT_COLUMN_BLOCK);
    const unsigned sparsity = 2 + rng() % 300;
    std::vector<float> f(static_cast<std::size_t>(n) * EDT_COLUMN_BLOCK, -7.0f);
    for (int j = 0; j < lanes; ++j) {
      for (int i = 0; i < n; ++i) {
        const unsigned r = rng() % sparsity;
        float v = DISTANCE_INFINITY;
        if (r == 0) v = 0.0f;
        else if (r == 1) v = trial % 2 ? small(rng) : big(rng);
        f[static_cast<std::size_t>(i) * EDT_COLUMN_BLOCK + j] = v;
      }
    }
    std::vector<std::int32_t> v(n);
    std::vector<float> z(n + 1), lanes_out(f.size(), -5.0f);
    DistanceTransformColumnLanes(f.data(), n, lanes, v.data(), z.data(), lanes_out.data());
    for (int j = 0; j < lanes; ++j) {
      std::vector<float> line(n), expected(n), got(n, -5.0f), got_lane(n);
      for (int i = 0; i < n; ++i) line[i] = f[static_cast<std::size_t>(i) * EDT_COLUMN_BLOCK + j];
      PlainTransform1D(line.data(), n, expected.data());
      DistanceTransform1D(line.data(), n, v.data(), z.data(), got.data());
      for (int i = 0; i < n; ++i) got_lane[i] = lanes_out[static_cast<std::size_t>(i) * EDT_COLUMN_BLOCK + j];
      ASSERT_TRUE(SameBytes(expected, got)) << "row, trial " << trial << " n " << n;
      ASSERT_TRUE(SameBytes(expected, got_lane)) << "lane " << j << ", trial " << trial << " n " << n;
    }
  }
}

TEST_F(DistanceTransformTest, PlaneMatchesPlainPerColumnSweepBitForBit) {
  // Widths around the column block and large enough for the worker path.
  const int sizes[][2] = {{37, 29}, {16, 5}, {17, 300}, {300, 7}, {413, 290}};
  std::uint32_t seed = 40;
  for (const auto& s : sizes) {
    const int w = s[0], h = s[1];
    const Plane c = DiscCoverage(w, h, w * 0.5, h * 0.45, std::min(w, h) * 0.4);
    const Plane noisy = RandomCoverage(w, h, seed++);
    for (const Plane* cov : {&c, &noisy}) {
      Plane to_inside, to_outside;
      ReferenceSeeds(*cov, w, h, to_inside, to_outside);
      for (Plane* seeds : {&to_inside, &to_outside}) {
        Plane expected = *seeds;
        PlainTransform2D(expected, w, h);
        Plane got = *seeds;
        DistanceTransform2D(got.data(), w, h);
        ASSERT_TRUE(SameBytes(expected, got)) << w << "x" << h;
      }
    }
    // Values that the fast path hands back to the general sweep.
    std::mt19937 rng(seed++);
    std::uniform_real_distribution<float> u(-2.0f, 1e6f);
    Plane general(w * h);
    for (float& v : general) v = rng() % 5 == 0 ? DISTANCE_INFINITY : (rng() % 7 == 0 ? 3e14f : u(rng));
    Plane expected = general;
    PlainTransform2D(expected, w, h);
    DistanceTransform2D(general.data(), w, h);
    ASSERT_TRUE(SameBytes(expected, general)) << w << "x" << h << " general";
  }
}

TEST_F(DistanceTransformTest, RunsOfZerosMatchPlainSweepBitForBit) {
  // Runs of zeros (some of them -0.0) of every length from 1 up, between
  // the values that press hardest on a run's last zero (-1 and -0.9375 right
  // after it), small and large squares and infinities, along rows and as
  // interleaved column lanes.
  std::mt19937 rng(31);
  std::uniform_real_distribution<float> small(-1.0f, 2.0f), big(0.0f, 1e6f);
  const float neighbours[] = {-1.0f, -0.9375f, DISTANCE_INFINITY, 0.25f, 1.0f, 2.0f};
  for (int trial = 0; trial < 300; ++trial) {
    const int n = 1 + static_cast<int>(rng() % (trial < 200 ? 120 : 5000));
    const int lanes = 1 + static_cast<int>(rng() % EDT_COLUMN_BLOCK);
    const int longest = 1 + static_cast<int>(rng() % (trial % 3 == 0 ? 400 : 12));
    std::vector<float> f(static_cast<std::size_t>(n) * EDT_COLUMN_BLOCK, -7.0f);
    for (int j = 0; j < lanes; ++j) {
      int i = 0;
      while (i < n) {
        const int run = static_cast<int>(rng() % (longest + 1));
        for (int r = 0; r < run && i < n; ++r, ++i) {
          f[static_cast<std::size_t>(i) * EDT_COLUMN_BLOCK + j] = rng() % 9 == 0 ? -0.0f : 0.0f;
        }
        const int others = 1 + static_cast<int>(rng() % 3);
        for (int r = 0; r < others && i < n; ++r, ++i) {
          const unsigned pick = rng() % 8;
          f[static_cast<std::size_t>(i) * EDT_COLUMN_BLOCK + j] =
              pick < 6 ? neighbours[pick] : (pick == 6 ? small(rng) : big(rng));
        }
      }
    }
    std::vector<std::int32_t> v(n);
    std::vector<float> z(n + 1), lanes_out(f.size(), -5.0f);
    DistanceTransformColumnLanes(f.data(), n, lanes, v.data(), z.data(), lanes_out.data());
    for (int j = 0; j < lanes; ++j) {
      std::vector<float> line(n), expected(n), got(n, -5.0f), got_lane(n);
      for (int i = 0; i < n; ++i) line[i] = f[static_cast<std::size_t>(i) * EDT_COLUMN_BLOCK + j];
      PlainTransform1D(line.data(), n, expected.data());
      DistanceTransform1D(line.data(), n, v.data(), z.data(), got.data());
      for (int i = 0; i < n; ++i) got_lane[i] = lanes_out[static_cast<std::size_t>(i) * EDT_COLUMN_BLOCK + j];
      ASSERT_TRUE(SameBytes(expected, got)) << "row, trial " << trial << " n " << n;
      ASSERT_TRUE(SameBytes(expected, got_lane)) << "lane " << j << ", trial " << trial << " n " << n;
    }
  }
}

TEST_F(DistanceTransformTest, LinesThatAreTheirOwnTransformMatchPlainSweepBitForBit) {
  // Planes of rectangles of seeds over a background of 0 or infinity, so
  // that whole rows and columns (and whole column blocks) are all +0.0 or
  // all infinity before their pass, beside lines that differ from that in
  // one place only: a -0.0, a small seed, a single infinity or a zero at
  // the first, the last or a random position. Widths and heights from 1 up,
  // around the column block and large enough for the worker path; every
  // pass is also run over a part of its range that starts inside a block.
  std::mt19937 rng(2026);
  std::uniform_real_distribution<float> small(-0.9375f, 3.0f);
  for (int trial = 0; trial < 120; ++trial) {
    const int w = trial < 16 ? 1 + trial : 1 + static_cast<int>(rng() % (trial % 3 == 0 ? 700 : 90));
    const int h = trial < 16 ? 1 + static_cast<int>(rng() % 40) : 1 + static_cast<int>(rng() % (trial % 4 == 0 ? 600 : 80));
    const bool zero_background = trial % 2 == 0;
    const float background = zero_background ? 0.0f : DISTANCE_INFINITY;
    const float fill = zero_background ? DISTANCE_INFINITY : 0.0f;
    Plane p(static_cast<std::size_t>(w) * h, background);
    const int rects = static_cast<int>(rng() % 4);
    for (int r = 0; r < rects; ++r) {
      const int x0 = static_cast<int>(rng() % w), y0 = static_cast<int>(rng() % h);
      const int x1 = std::min(w, x0 + 1 + static_cast<int>(rng() % (w / 3 + 1)));
      const int y1 = std::min(h, y0 + 1 + static_cast<int>(rng() % (h / 3 + 1)));
      for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) p[y * w + x] = rng() % 8 == 0 ? small(rng) : fill;
      }
    }
    const int oddities = static_cast<int>(rng() % 4);
    for (int o = 0; o < oddities; ++o) {
      const unsigned where = rng() % 3;
      const int x = where == 0 ? 0 : (where == 1 ? w - 1 : static_cast<int>(rng() % w));
      const int y = where == 0 ? h - 1 : (where == 1 ? 0 : static_cast<int>(rng() % h));
      const float odd[] = {-0.0f, small(rng), DISTANCE_INFINITY, 0.0f};
      p[y * w + x] = odd[rng() % 4];
    }
    Plane expected = p;
    PlainTransform2D(expected, w, h);
    Plane got = p;
    DistanceTransform2D(got.data(), w, h);
    ASSERT_TRUE(SameBytes(expected, got)) << "trial " << trial << " " << w << "x" << h;

    // The passes alone, over the columns and rows from a split point on.
    const int n = std::max(w, h);
    const int split_x = static_cast<int>(rng() % w), split_y = static_cast<int>(rng() % h);
    Plane columns = p;
    EdtColumnPass{n, columns.data(), w, h}(split_x, w);
    Plane rows = p;
    EdtRowPass{n, rows.data(), w, h}(split_y, h);
    std::vector<float> line(n), out(n);
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) line[y] = p[y * w + x];
      if (x >= split_x) PlainTransform1D(line.data(), h, out.data());
      for (int y = 0; y < h; ++y) {
        const float want = x >= split_x ? out[y] : line[y];
        ASSERT_EQ(std::memcmp(&want, &columns[y * w + x], sizeof(float)), 0) << "column " << x << " row " << y;
      }
    }
    for (int y = 0; y < h; ++y) {
      if (y >= split_y) PlainTransform1D(&p[y * w], w, out.data());
      const float* want = y >= split_y ? out.data() : &p[y * w];
      ASSERT_EQ(std::memcmp(want, &rows[y * w], w * sizeof(float)), 0) << "row " << y;
    }
  }
}

// ------------------------------------------------------------ allocation failures

class DistanceFieldAllocationTest : public DistanceTransformTest {
 protected:
  // The builder run with the transform passes given in skip left undone, the
  // way a chunk that lost its scratch leaves its lines.
  static void StepByStep(const Plane& c, int w, int h, int skip, Plane& depth, Plane& dist) {
    Plane in(w * h), out(w * h);
    const int n = std::max(w, h);
    DistanceInitCoverage{c.data(), out.data(), DISTANCE_INFINITY, in.data(), w, h}(0, w * h);
    // The builder sweeps the columns of both planes, then their rows.
    if (skip != 0) EdtColumnPass{n, in.data(), w, h}(0, w);
    if (skip != 1) EdtColumnPass{n, out.data(), w, h}(0, w);
    if (skip != 2) EdtRowPass{n, in.data(), w, h}(0, h);
    if (skip != 3) EdtRowPass{n, out.data(), w, h}(0, h);
    DistanceCombineCoverage{out.data(), in.data(), c.data(), depth.data(), dist.data()}(0, w * h);
  }
};

TEST_F(DistanceFieldAllocationTest, EveryAllocationFailureTakesItsFallBack) {
  // Small enough for every pass to run inline, so allocations come in a
  // fixed order: the output planes serve as the work planes, so only four
  // scratch arrays per plane and pass are taken, the columns of both planes
  // before their rows.
  const int w = 20, h = 11;
  const Plane c = DiscCoverage(w, h, 9.5, 5.0, 4.3);
  Plane full_depth(w * h), full_dist(w * h);
  ResetAllocationSeamCount();
  DistanceFieldFromCoverage(c.data(), w, h, full_depth.data(), full_dist.data());
  ASSERT_EQ(AllocationSeamCount(), 4 * 4);

  for (int nth = 1; nth <= 16; ++nth) {
    Plane depth(w * h, 7.0f), dist(w * h, 7.0f);
    ArmAllocationFailure(nth);
    DistanceFieldFromCoverage(c.data(), w, h, depth.data(), dist.data());
    DisarmAllocationFailure();
    Plane want_depth(w * h, 0.0f), want_dist(w * h, 0.0f);
    StepByStep(c, w, h, (nth - 1) / 4, want_depth, want_dist);
    EXPECT_TRUE(SameBytes(depth, want_depth)) << "allocation " << nth;
    EXPECT_TRUE(SameBytes(dist, want_dist)) << "allocation " << nth;
    EXPECT_FALSE(SameBytes(dist, full_dist)) << "allocation " << nth;
  }
}

TEST_F(DistanceFieldAllocationTest, MaskBuilderLeavesALostPassUndone) {
  const int w = 9, h = 4;
  std::vector<std::uint8_t> mask(w * h, 0);
  mask[13] = 200;
  // No plane-sized allocation: the builder works in its output planes.
  Plane depth(w * h), dist(w * h);
  ResetAllocationSeamCount();
  DistanceFieldFromMask8(mask.data(), w, h, depth.data(), dist.data());
  EXPECT_EQ(AllocationSeamCount(), 4 * 4);
  EXPECT_EQ(dist[13], 1.0f);
  EXPECT_EQ(dist[12], -1.0f);
  // A lost row-pass scratch leaves the rows as the column pass left them
  // (four arrays for each plane's columns, then the to-inside plane's rows).
  ArmAllocationFailure(9);
  DistanceFieldFromMask8(mask.data(), w, h, depth.data(), dist.data());
  DisarmAllocationFailure();
  EXPECT_EQ(dist[13], 1.0f);  // the to-outside plane was complete
  EXPECT_EQ(dist[4], -1.0f);   // the pixel above: reached by the column pass
  EXPECT_EQ(dist[31], -2.0f);  // two below
  EXPECT_LT(dist[12], -1e9f);  // beside it: needs the row pass
  EXPECT_LT(dist[3], -1e9f);
}

// ---------------------------------------------------------- refinement at the edge

TEST_F(DistanceTransformTest, RefineEdgeDistanceBlendsOnlyNearTheOutline) {
  const int w = 6, h = 3;
  Plane c(w * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) c[y * w + x] = x < 2 ? 1.0f : (x == 2 ? 0.25f : 0.0f);
  }
  Plane depth(w * h), field(w * h);
  DistanceFieldFromCoverage(c.data(), w, h, depth.data(), field.data());
  const Plane before = field;
  ParallelFor(w * h, RefineEdgeDistance{field.data(), c.data(), w, h});
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int i = y * w + x;
      if (x == 2) {
        const double d = -std::sqrt(7.0 / 9.0), e = -1.0 / 3.0, wgt = 1.5 - std::sqrt(7.0 / 9.0);
        EXPECT_NEAR(field[i], (1 - wgt) * d + wgt * e, 1e-6);
      } else {
        EXPECT_EQ(field[i], before[i]) << x;  // coverage 0 or 1
      }
    }
  }

  // Lone pixels: g = 0.05, so e = (c - 0.5) / 0.05.
  struct Case {
    float d, c, expected;
  };
  const Case cases[] = {
      {0.2f, 0.53f, (0.53f - 0.5f) / 0.05f},  // w = 1: the offset itself
      {1.0f, 0.53f, 0.5f * 1.0f + 0.5f * ((0.53f - 0.5f) / 0.05f)},
      {1.5f, 0.53f, 1.5f},    // |d| >= 1.5
      {-2.0f, 0.47f, -2.0f},  // |d| >= 1.5
      {0.2f, 0.54f, 0.2f},    // |e| > 0.75
      {0.2f, 0.002f, 0.2f},   // coverage at the low limit
      {0.2f, 0.998f, 0.2f},   // coverage at the high limit
  };
  for (const Case& k : cases) {
    float d = k.d;
    RefineEdgeDistance{&d, &k.c, 1, 1}(0, 1);
    EXPECT_FLOAT_EQ(d, k.expected) << k.d << " " << k.c;
  }
}

// ------------------------------------------------------------- thread independence

TEST_F(DistanceTransformTest, ResultsDoNotDependOnTheThreadCount) {
  const int w = 611, h = 293;
  const Plane c = DiscCoverage(w, h, 300.2, 140.7, 120.3);
  std::vector<std::uint8_t> mask(w * h);
  for (int i = 0; i < w * h; ++i) mask[i] = static_cast<std::uint8_t>(c[i] * 255.0f);

  auto run = [&](int concurrency, Plane& cov_depth, Plane& cov_dist, Plane& mask_depth, Plane& mask_dist,
                 Plane& refined) {
    SetHardwareConcurrencyOverride(concurrency);
    cov_depth.assign(w * h, 0);
    cov_dist.assign(w * h, 0);
    mask_depth.assign(w * h, 0);
    mask_dist.assign(w * h, 0);
    DistanceFieldFromCoverage(c.data(), w, h, cov_depth.data(), cov_dist.data());
    DistanceFieldFromMask8(mask.data(), w, h, mask_depth.data(), mask_dist.data());
    refined = cov_dist;
    ParallelFor(w * h, RefineEdgeDistance{refined.data(), c.data(), w, h});
    SetHardwareConcurrencyOverride(-1);
  };
  Plane a[5], b[5];
  run(3, a[0], a[1], a[2], a[3], a[4]);   // one thread: everything inline
  run(10, b[0], b[1], b[2], b[3], b[4]);  // eight workers
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(SameBytes(a[i], b[i])) << i;
  EXPECT_GT(a[1][146 * w + 300], 100.0f);  // the disc's centre is deep inside
  EXPECT_FALSE(SameBytes(a[1], a[4]));     // refinement changed the outline
}

// ------------------------------------------------------- fused passes, plain passes

// Soft-edged random discs and boxes, with a patch of noise, on a w x h raster.
Plane RandomShapesCoverage(int w, int h, std::mt19937& rng) {
  Plane c(static_cast<std::size_t>(w) * h, 0.0f);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const int shapes = 1 + static_cast<int>(rng() % 5);
  for (int s = 0; s < shapes; ++s) {
    const double cx = u(rng) * w, cy = u(rng) * h;
    const double rx = 0.3 + u(rng) * 0.4 * w, ry = 0.3 + u(rng) * 0.4 * h;
    const bool box = rng() % 2 == 0;
    const double soft = 0.2 + u(rng) * 3.0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
        const double inside = box ? 1.0 - std::max(std::fabs(dx), std::fabs(dy)) : 1.0 - std::hypot(dx, dy);
        const float v = static_cast<float>(std::clamp(0.5 + inside * std::min(rx, ry) / soft, 0.0, 1.0));
        float& t = c[static_cast<std::size_t>(y) * w + x];
        t = std::max(t, v);
      }
    }
  }
  if (rng() % 2 == 0) {
    const int px = static_cast<int>(rng() % w), py = static_cast<int>(rng() % h);
    for (int y = py; y < std::min(h, py + 40); ++y) {
      for (int x = px; x < std::min(w, px + 40); ++x) c[static_cast<std::size_t>(y) * w + x] = static_cast<float>(u(rng));
    }
  }
  return c;
}

TEST_F(DistanceTransformTest, CoverageBuilderSeedsAtTheThresholdsAsTheSeparatePasses) {
  // Coverages on and beside the inside and outside thresholds, in patches
  // that leave whole groups of adjacent pixels decided and others with one
  // edge pixel among them, at widths that end groups and column blocks part
  // way.
  const float values[] = {0.9999f,
                          std::nextafter(0.9999f, 0.0f),
                          0.0001f,
                          std::nextafter(0.0001f, 1.0f),
                          0.0f,
                          1.0f,
                          0.5f,
                          0.25f};
  std::mt19937 rng(77);
  for (int trial = 0; trial < 40; ++trial) {
    const int w = 1 + static_cast<int>(rng() % (trial % 4 == 0 ? 520 : 45));
    const int h = 1 + static_cast<int>(rng() % (trial % 4 == 1 ? 300 : 40));
    const int count = w * h, n = std::max(w, h);
    const int patch = 1 + static_cast<int>(rng() % 9);
    Plane c(count);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const unsigned cell = static_cast<unsigned>((x / patch) * 7919 + (y / patch) * 104729 + trial);
        const bool plain = cell % 3 != 0;
        c[y * w + x] = plain ? values[(cell / 3) % 6] : values[rng() % 8];
      }
    }
    Plane in(count), out(count), want_depth(count), want_dist(count);
    DistanceInitCoverage{c.data(), out.data(), DISTANCE_INFINITY, in.data(), w, h}(0, count);
    for (float* p : {in.data(), out.data()}) {
      EdtColumnPass{n, p, w, h}(0, w);
      EdtRowPass{n, p, w, h}(0, h);
    }
    DistanceCombineCoverage{out.data(), in.data(), c.data(), want_depth.data(), want_dist.data()}(0, count);
    Plane depth(count, 7.0f), dist(count, 7.0f);
    DistanceFieldFromCoverage(c.data(), w, h, depth.data(), dist.data());
    ASSERT_TRUE(SameBytes(want_depth, depth)) << w << "x" << h;
    ASSERT_TRUE(SameBytes(want_dist, dist)) << w << "x" << h;
  }
}

TEST_F(DistanceTransformTest, BuildersMatchTheirSeparatePassesBitForBit) {
  // The builders seed inside the column sweep and combine inside the row
  // sweep; the separate seeding, transform and combining bodies, run one
  // after another on this thread, are the plain path they must match.
  std::mt19937 rng(2026);
  for (int trial = 0; trial < 14; ++trial) {
    int w = 1 + static_cast<int>(rng() % 4096);
    int h = 1 + static_cast<int>(rng() % 4096);
    if (trial == 0) w = 1;
    if (trial == 1) h = 1;
    while (static_cast<std::int64_t>(w) * h > 600000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
    const Plane c = RandomShapesCoverage(w, h, rng);
    std::vector<std::uint8_t> mask(c.size());
    for (std::size_t i = 0; i < c.size(); ++i) mask[i] = static_cast<std::uint8_t>(c[i] * 255.0f);
    const int n = std::max(w, h), count = w * h;

    Plane in(count), out(count), want_depth(count), want_dist(count);
    DistanceInitCoverage{c.data(), out.data(), DISTANCE_INFINITY, in.data(), w, h}(0, count);
    for (float* p : {in.data(), out.data()}) {
      EdtColumnPass{n, p, w, h}(0, w);
      EdtRowPass{n, p, w, h}(0, h);
    }
    DistanceCombineCoverage{out.data(), in.data(), c.data(), want_depth.data(), want_dist.data()}(0, count);
    Plane depth(count, 7.0f), dist(count, 7.0f);
    DistanceFieldFromCoverage(c.data(), w, h, depth.data(), dist.data());
    ASSERT_TRUE(SameBytes(want_depth, depth)) << "coverage " << w << "x" << h;
    ASSERT_TRUE(SameBytes(want_dist, dist)) << "coverage " << w << "x" << h;

    DistanceInitMask8{mask.data(), in.data(), DISTANCE_INFINITY, out.data()}(0, count);
    for (float* p : {in.data(), out.data()}) {
      EdtColumnPass{n, p, w, h}(0, w);
      EdtRowPass{n, p, w, h}(0, h);
    }
    DistanceCombineMask8{mask.data(), out.data(), in.data(), want_depth.data(), want_dist.data()}(0, count);
    DistanceFieldFromMask8(mask.data(), w, h, depth.data(), dist.data());
    ASSERT_TRUE(SameBytes(want_depth, depth)) << "mask " << w << "x" << h;
    ASSERT_TRUE(SameBytes(want_dist, dist)) << "mask " << w << "x" << h;
  }
}

}  // namespace
