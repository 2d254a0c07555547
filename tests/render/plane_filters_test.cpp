// The plane filters on hand-made planes with known results, against a
// pixel-by-pixel reference for the exact bytes, and with 1 worker against 8.
#include "render/plane_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "render/parallel_for.h"

namespace {

using Plane = std::vector<float>;

// The filters as one would first write them: per pixel, every tap in order.
Plane ReferenceBlurRows(const Plane& src, std::int32_t w, std::int32_t h, std::int32_t r) {
  Plane dst(src.size());
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      float sum = 0.0f;
      std::int32_t n = 0;
      for (std::int32_t k = -r; k <= r; ++k) {
        if (x + k < 0 || x + k >= w) continue;
        sum += src[y * w + x + k];
        ++n;
      }
      dst[y * w + x] = sum / static_cast<float>(n);
    }
  }
  return dst;
}

Plane ReferenceBlurColumns(const Plane& src, std::int32_t w, std::int32_t h, std::int32_t r) {
  Plane dst(src.size());
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      float sum = 0.0f;
      std::int32_t n = 0;
      for (std::int32_t k = -r; k <= r; ++k) {
        if (y + k < 0 || y + k >= h) continue;
        sum += src[(y + k) * w + x];
        ++n;
      }
      dst[y * w + x] = sum / static_cast<float>(n);
    }
  }
  return dst;
}

Plane RandomPlane(std::int32_t w, std::int32_t h, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> value(-50.0f, 50.0f);
  Plane p(static_cast<std::size_t>(w) * h);
  for (float& v : p) v = value(rng);
  // Signed zeros, which a sum that does not start from 0 would keep.
  p[0] = -0.0f;
  p[p.size() / 2] = -0.0f;
  return p;
}

bool SameBytes(const Plane& a, const Plane& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

Plane BlurRows(const Plane& src, std::int32_t w, std::int32_t h, std::int32_t r) {
  Plane dst(src.size(), 99.0f);
  ParallelFor(h, BoxBlurRows{w, r, src.data(), dst.data()});
  return dst;
}

Plane BlurColumns(const Plane& src, std::int32_t w, std::int32_t h, std::int32_t r) {
  Plane dst(src.size(), 99.0f);
  ParallelFor(h, BoxBlurColumns{w, r, h, src.data(), dst.data()});
  return dst;
}

Plane Rows3(const Plane& src, std::int32_t w, std::int32_t h) {
  Plane dst(src.size(), 99.0f);
  ParallelFor(h, Box3Rows{w, src.data(), dst.data()});
  return dst;
}

Plane Columns3(const Plane& src, std::int32_t w, std::int32_t h) {
  Plane dst(src.size(), 99.0f);
  ParallelFor(h, Box3Columns{w, h, src.data(), dst.data()});
  return dst;
}

struct Gradient {
  Plane x;
  Plane y;
};

Gradient Gradients(const Plane& src, std::int32_t w, std::int32_t h) {
  Gradient g{Plane(src.size(), 99.0f), Plane(src.size(), 99.0f)};
  ParallelFor(h, CentralGradient{w, h, src.data(), g.x.data(), g.y.data()});
  return g;
}

class PlaneFiltersTest : public ::testing::Test {
 protected:
  void TearDown() override { SetHardwareConcurrencyOverride(-1); }
};

TEST_F(PlaneFiltersTest, RowBlurAveragesOnlyInBoundsTaps) {
  const Plane row{0, 0, 10, 0, 0};
  const Plane blurred = BlurRows(row, 5, 1, 2);
  // Three, four, five, four and three taps.
  EXPECT_EQ(blurred, (Plane{10.0f / 3.0f, 2.5f, 2.0f, 2.5f, 10.0f / 3.0f}));
  EXPECT_FLOAT_EQ(blurred[0], 3.3333333f);
  // The same row as a column.
  EXPECT_EQ(BlurColumns(row, 1, 5, 2), blurred);
}

TEST_F(PlaneFiltersTest, ThreeTapBoxesAreRadiusOneBlurs) {
  const Plane row{3, 0, 6, 0, 9, 12};
  EXPECT_EQ(Rows3(row, 6, 1), (Plane{1.5f, 3.0f, 2.0f, 5.0f, 7.0f, 10.5f}));
  EXPECT_EQ(Columns3(row, 1, 6), (Plane{1.5f, 3.0f, 2.0f, 5.0f, 7.0f, 10.5f}));
  const Plane p = RandomPlane(37, 29, 5);
  EXPECT_TRUE(SameBytes(Rows3(p, 37, 29), BlurRows(p, 37, 29, 1)));
  EXPECT_TRUE(SameBytes(Columns3(p, 37, 29), BlurColumns(p, 37, 29, 1)));
}

TEST_F(PlaneFiltersTest, BlurThatCannotReachAnotherPixelCopies) {
  const Plane p = RandomPlane(7, 6, 11);
  // Radius 0 anywhere; any radius across a single column or row. The copy
  // is by value: the sum starts from +0, so a -0 source reads back as +0.
  EXPECT_EQ(BlurRows(p, 7, 6, 0), p);
  EXPECT_EQ(BlurColumns(p, 7, 6, 0), p);
  EXPECT_EQ(BlurRows(p, 1, 42, 5), p);
  EXPECT_EQ(Rows3(p, 1, 42), p);
  EXPECT_EQ(BlurColumns(p, 42, 1, 5), p);
  EXPECT_EQ(Columns3(p, 42, 1), p);
  EXPECT_FALSE(std::signbit(BlurRows(p, 7, 6, 0)[0]));
}

TEST_F(PlaneFiltersTest, ConstantPlaneStaysConstantWithZeroGradient) {
  const std::int32_t w = 9, h = 7;
  // A value whose sums of up to 25 taps are exact in floats.
  const Plane p(static_cast<std::size_t>(w) * h, 0.75f);
  for (const std::int32_t r : {1, 2, 3, 12}) {
    EXPECT_EQ(BlurRows(p, w, h, r), p) << r;
    EXPECT_EQ(BlurColumns(p, w, h, r), p) << r;
  }
  EXPECT_EQ(Rows3(p, w, h), p);
  EXPECT_EQ(Columns3(p, w, h), p);
  const Gradient g = Gradients(p, w, h);
  EXPECT_EQ(g.x, Plane(p.size(), 0.0f));
  EXPECT_EQ(g.y, Plane(p.size(), 0.0f));
}

TEST_F(PlaneFiltersTest, GradientOfRampsIsTheUnhalvedDifference) {
  // src(x, y) = x + 10 y on 5 x 4.
  const std::int32_t w = 5, h = 4;
  Plane p(w * h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) p[y * w + x] = static_cast<float>(x + 10 * y);
  }
  const Gradient g = Gradients(p, w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    EXPECT_EQ(Plane(g.x.begin() + y * w, g.x.begin() + (y + 1) * w), (Plane{0, 2, 2, 2, 0})) << "row " << y;
  }
  const Plane gy_inner{20, 20, 20, 20, 20};
  const Plane zero_row(w, 0.0f);
  EXPECT_EQ(Plane(g.y.begin(), g.y.begin() + w), zero_row);
  EXPECT_EQ(Plane(g.y.begin() + w, g.y.begin() + 2 * w), gy_inner);
  EXPECT_EQ(Plane(g.y.begin() + 2 * w, g.y.begin() + 3 * w), gy_inner);
  EXPECT_EQ(Plane(g.y.begin() + 3 * w, g.y.end()), zero_row);
}

TEST_F(PlaneFiltersTest, GradientIsZeroWhereThePlaneIsTooNarrow) {
  const Plane p = RandomPlane(2, 3, 3);
  const Gradient narrow = Gradients(p, 2, 3);
  EXPECT_EQ(narrow.x, Plane(6, 0.0f));
  EXPECT_EQ(narrow.y[2], p[4] - p[0]);
  EXPECT_EQ(narrow.y[3], p[5] - p[1]);
  const Gradient column = Gradients(p, 1, 6);
  EXPECT_EQ(column.x, Plane(6, 0.0f));
  const Gradient row = Gradients(p, 6, 1);
  EXPECT_EQ(row.y, Plane(6, 0.0f));
  EXPECT_EQ(row.x[3], p[4] - p[2]);
}

// The taps-outer layout must give the bytes of the per-pixel loop, for
// radii below, near and above the plane's size.
TEST_F(PlaneFiltersTest, BlursMatchThePerPixelReferenceBytes) {
  const std::int32_t w = 61, h = 47;
  const Plane p = RandomPlane(w, h, 17);
  for (const std::int32_t r : {0, 1, 2, 3, 6, 8, 12, 30, 46, 60, 200}) {
    EXPECT_TRUE(SameBytes(BlurRows(p, w, h, r), ReferenceBlurRows(p, w, h, r))) << "rows, radius " << r;
    EXPECT_TRUE(SameBytes(BlurColumns(p, w, h, r), ReferenceBlurColumns(p, w, h, r))) << "columns, radius " << r;
  }
}

// Large enough to run on workers; the bytes must not depend on how the
// rows are split.
TEST_F(PlaneFiltersTest, OneWorkerAndEightWorkersGiveTheSameBytes) {
  const std::int32_t w = 333, h = 517;
  const Plane p = RandomPlane(w, h, 23);
  auto run_all = [&]() {
    std::vector<Plane> out;
    const Plane rows = BlurRows(p, w, h, 12);
    out.push_back(rows);
    out.push_back(BlurColumns(rows, w, h, 12));
    out.push_back(Rows3(p, w, h));
    out.push_back(Columns3(p, w, h));
    const Gradient g = Gradients(p, w, h);
    out.push_back(g.x);
    out.push_back(g.y);
    return out;
  };
  SetHardwareConcurrencyOverride(3);
  ASSERT_EQ(ParallelThreadCount(), 1);
  const std::vector<Plane> single = run_all();
  SetHardwareConcurrencyOverride(10);
  ASSERT_EQ(ParallelThreadCount(), 8);
  const std::vector<Plane> eight = run_all();
  ASSERT_EQ(single.size(), eight.size());
  for (std::size_t i = 0; i < single.size(); ++i) EXPECT_TRUE(SameBytes(single[i], eight[i])) << "output " << i;
  EXPECT_TRUE(SameBytes(single[0], ReferenceBlurRows(p, w, h, 12)));
  EXPECT_TRUE(SameBytes(single[1], ReferenceBlurColumns(single[0], w, h, 12)));
}

// The row and column blur in one pass against the per-pixel rows then the
// per-pixel columns: random sizes from 1 to 4096 a side, every radius the
// one pass takes (up to and beyond the plane's size), NaN, infinities and
// signed zeros, on one worker and on eight.
TEST_F(PlaneFiltersTest, RowsThenColumnsInOnePassGiveTheTwoPassBytes) {
  std::mt19937 rng(2112);
  const float specials[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), -0.0f, 1e38f, -1e38f, 1e-40f};
  for (int trial = 0; trial < 40; ++trial) {
    std::int32_t w = trial < 6 ? 1 + trial % 3 : 1 + static_cast<std::int32_t>(rng() % 4096);
    std::int32_t h = trial < 6 ? 1 + trial / 3 : 1 + static_cast<std::int32_t>(rng() % 4096);
    while (static_cast<std::int64_t>(w) * h > 300000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
    Plane p = RandomPlane(w, h, static_cast<unsigned>(trial));
    if (trial % 3 == 0)
      for (int k = 0; k < 5; ++k) p[rng() % p.size()] = specials[rng() % 7];
    const std::int32_t radii[] = {0, 1, 6, 8, 12, static_cast<std::int32_t>(rng() % 16), std::max(w, h) + 3};
    for (const std::int32_t r : radii) {
      if (!BoxBlurRowsThenColumns::Fits(r, h)) continue;
      const Plane want = ReferenceBlurColumns(ReferenceBlurRows(p, w, h, r), w, h, r);
      for (const int concurrency : {3, 10}) {
        SetHardwareConcurrencyOverride(concurrency);
        Plane got(p.size(), 99.0f);
        ParallelFor(h, BoxBlurRowsThenColumns{w, r, h, p.data(), got.data()});
        EXPECT_TRUE(SameBytes(got, want)) << w << "x" << h << " radius " << r << " concurrency " << concurrency;
      }
    }
  }
}

TEST_F(PlaneFiltersTest, OnePassTakesRadiiWhoseRowsFitItsBuffer) {
  EXPECT_TRUE(BoxBlurRowsThenColumns::Fits(15, 1000));
  EXPECT_FALSE(BoxBlurRowsThenColumns::Fits(16, 1000));
  // A radius beyond the plane reaches only its rows.
  EXPECT_TRUE(BoxBlurRowsThenColumns::Fits(500, 12));
  EXPECT_TRUE(BoxBlurRowsThenColumns::Fits(-4, 1000));
}

// A part of the one-pass blur has the whole pass's bytes inside its
// rectangle and writes nothing outside it; with above_zero its values
// below 0 are +0 and the rest keep their bits.
TEST_F(PlaneFiltersTest, PartOfTheOnePassBlurIsThatPartOfTheWhole) {
  std::mt19937 rng(77);
  const float specials[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), -0.0f, -1e-40f};
  for (int trial = 0; trial < 40; ++trial) {
    std::int32_t w = 1 + static_cast<std::int32_t>(rng() % 4096), h = 1 + static_cast<std::int32_t>(rng() % 4096);
    while (static_cast<std::int64_t>(w) * h > 200000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
    Plane p = RandomPlane(w, h, static_cast<unsigned>(trial + 500));
    for (int k = 0; k < 4; ++k) p[rng() % p.size()] = specials[rng() % 5];
    const std::int32_t r = static_cast<std::int32_t>(rng() % 16);
    if (!BoxBlurRowsThenColumns::Fits(r, h)) continue;
    Plane whole(p.size());
    ParallelFor(h, BoxBlurRowsThenColumns{w, r, h, p.data(), whole.data()});
    std::int32_t x0 = static_cast<std::int32_t>(rng() % w), x1 = static_cast<std::int32_t>(rng() % (w + 1));
    std::int32_t y0 = static_cast<std::int32_t>(rng() % h), y1 = static_cast<std::int32_t>(rng() % (h + 1));
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    for (const bool above_zero : {false, true}) {
      Plane got(p.size(), 99.0f);
      BoxBlurRowsThenColumnsPart(w, r, h, p.data(), got.data(), x0, x1, y0, y1, above_zero);
      for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x) {
          const std::size_t i = static_cast<std::size_t>(y) * w + x;
          float want = 99.0f;
          if (x >= x0 && x < x1 && y >= y0 && y < y1) want = above_zero && whole[i] < 0.0f ? 0.0f : whole[i];
          ASSERT_EQ(0, std::memcmp(&got[i], &want, sizeof(float)))
              << w << "x" << h << " r " << r << " at " << x << "," << y << " part " << x0 << ".." << x1 << " x "
              << y0 << ".." << y1 << " above_zero " << above_zero;
        }
    }
  }
}

}  // namespace
