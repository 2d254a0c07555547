// Filling outlines into grid rasters: coverage sums against analytic areas,
// sub-scanlines, the clamp where fills overlap, and the mask raster.
#include "render/outline_fill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

namespace {

struct Raster {
  int w, h;
  std::vector<float> coverage;
  std::vector<std::uint8_t> mask;
  Raster(int w_, int h_) : w(w_), h(h_), coverage(w_ * h_, 0.0f), mask(w_ * h_, 0) {}
  OutlineRaster Float(int subscanlines) {
    OutlineRaster r;
    r.coverage = coverage.data();
    r.width = w;
    r.height = h;
    r.subscanlines = subscanlines;
    return r;
  }
  OutlineRaster Mask() {
    OutlineRaster r;
    r.mask = mask.data();
    r.width = w;
    r.height = h;
    return r;
  }
  double Sum() const { return std::accumulate(coverage.begin(), coverage.end(), 0.0); }
};

void Fill(const std::vector<float>& pts, FillRule rule, const OutlineRaster& raster, SubpathLayout layout = {}) {
  std::vector<Crossing> crossings;
  FillOutline(pts.data(), static_cast<std::int32_t>(pts.size() / 2), layout, rule, raster, crossings);
}

TEST(OutlineFillTest, BoxCoverageSumsToItsArea) {
  // Box 1.25 .. 7.5 by 2 .. 6.5: with four sub-scanlines every quarter row
  // is sampled, so the sum is the area 6.25 x 4.5 exactly.
  const std::vector<float> box = {1.25f, 2, 7.5f, 2, 7.5f, 6.5f, 1.25f, 6.5f};
  Raster four(10, 10);
  Fill(box, FillRule::NONZERO, four.Float(4));
  EXPECT_EQ(four.Sum(), 6.25 * 4.5);
  EXPECT_EQ(four.coverage[3 * 10 + 1], 0.75f);
  EXPECT_EQ(four.coverage[6 * 10 + 4], 0.5f);  // half of the last row
  EXPECT_EQ(four.coverage[6 * 10 + 7], 0.25f);
  // One scanline through each row's centre: rows 2 to 5 only.
  Raster one(10, 10);
  Fill(box, FillRule::NONZERO, one.Float(1));
  EXPECT_EQ(one.Sum(), 6.25 * 4);
}

TEST(OutlineFillTest, SlantedAndCurvedOutlinesMatchTheirArea) {
  // A triangle of area 0.5 x 30 x 20 = 300 and a 64-gon of radius 12.
  const std::vector<float> triangle = {5, 5, 35, 5, 5, 25};
  Raster t(40, 30);
  Fill(triangle, FillRule::EVEN_ODD, t.Float(4));
  EXPECT_NEAR(t.Sum(), 300.0, 300.0 * 0.01);
  std::vector<float> polygon;
  for (int k = 0; k < 64; ++k) {
    const double a = k * 2.0 * 3.14159265358979 / 64;
    polygon.push_back(static_cast<float>(20 + 12 * std::cos(a)));
    polygon.push_back(static_cast<float>(15 + 12 * std::sin(a)));
  }
  Raster p(40, 30);
  Fill(polygon, FillRule::NONZERO, p.Float(4));
  const double area = 0.5 * 64 * 144 * std::sin(2.0 * 3.14159265358979 / 64);
  EXPECT_NEAR(p.Sum(), area, area * 0.005);
  for (float v : p.coverage) ASSERT_LE(v, 1.0f);
}

TEST(OutlineFillTest, FillsAddUpAndClampAtOne) {
  const std::vector<float> a = {0, 0, 6, 0, 6, 4, 0, 4};
  const std::vector<float> b = {3, 0, 9, 0, 9, 4, 3, 4};
  Raster r(10, 4);
  Fill(a, FillRule::EVEN_ODD, r.Float(4));
  Fill(b, FillRule::EVEN_ODD, r.Float(4));
  EXPECT_EQ(r.coverage[1 * 10 + 4], 1.0f);  // the overlap stays covered
  EXPECT_EQ(r.Sum(), 9.0 * 4.0);
}

TEST(OutlineFillTest, MaskTakesPixelCentres) {
  const std::vector<float> box = {1.25f, 2, 7.5f, 2, 7.5f, 6.5f, 1.25f, 6.5f};
  Raster r(10, 10);
  Fill(box, FillRule::NONZERO, r.Mask());
  int set = 0;
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      // Column 7's centre lies on the span's end, which the mask includes.
      const bool inside = x >= 1 && x <= 7 && y >= 2 && y <= 5;
      EXPECT_EQ(r.mask[y * 10 + x], inside ? 255 : 0) << x << "," << y;
      set += r.mask[y * 10 + x] != 0;
    }
  }
  EXPECT_EQ(set, 28);
}

TEST(OutlineFillTest, OutlineBeyondTheRasterIsClipped) {
  // A box much larger than the raster covers all of it; one far away
  // touches nothing.
  Raster r(8, 6);
  Fill({-1000, -1000, 1000, -1000, 1000, 1000, -1000, 1000}, FillRule::NONZERO, r.Float(4));
  EXPECT_EQ(r.Sum(), 48.0);
  Raster far(8, 6);
  Fill({100, 100, 110, 100, 110, 110}, FillRule::NONZERO, far.Float(4));
  EXPECT_EQ(far.Sum(), 0.0);
}

}  // namespace
