// Combining one mask into the shared coverage of the supersampled shapes
// road over the window its outline can reach must give the bytes of the
// plain combination over the whole grid, whatever lies outside the window
// in the mask's own plane.
#include "render/mask_combine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "host/suites/aegp_layer_mask_suite7.h"
#include "render/outline_fill.h"

namespace {

TEST(MaskCombineTest, WindowGivesThePlainWholeGridBytes) {
  std::mt19937 rng(909);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  std::vector<Crossing> crossings;
  int inside_pixels = 0;
  for (int trial = 0; trial < 120; ++trial) {
    int w = 1 + static_cast<int>(rng() % 4096);
    int h = 1 + static_cast<int>(rng() % 4096);
    while (static_cast<std::int64_t>(w) * h > 120000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
    const std::int64_t n = static_cast<std::int64_t>(w) * h;
    // A random polygon, now and then partly or wholly off the grid.
    const int count = 3 + static_cast<int>(rng() % 9);
    std::vector<float> pts(2 * count);
    const float cx = -0.3f * w + u(rng) * 1.6f * w, cy = -0.3f * h + u(rng) * 1.6f * h;
    const float r = 0.5f + u(rng) * 0.5f * std::max(w, h);
    for (int k = 0; k < count; ++k) {
      const float a = 6.2831855f * (k + u(rng) * 0.8f) / count;
      const float rr = r * (0.3f + u(rng));
      pts[2 * k] = cx + rr * std::cos(a);
      pts[2 * k + 1] = cy + rr * std::sin(a);
    }
    std::vector<float> c(n);
    for (float& v : c) {
      const unsigned k = rng() % 4;
      v = k == 0 ? 0.0f : (k == 1 ? 1.0f : u(rng));
    }
    const std::uint32_t modes[] = {0, PF_MaskMode_ADD, PF_MaskMode_SUBTRACT, PF_MaskMode_INTERSECT,
                                   PF_MaskMode_LIGHTEN, PF_MaskMode_DIFFERENCE};
    const std::uint32_t mode = modes[rng() % 6];
    const bool inverted = rng() % 2 == 0;
    const bool first = rng() % 3 == 0;

    OutlineRaster raster;
    raster.width = w;
    raster.height = h;
    std::vector<float> m_plain(n, 0.0f);
    raster.coverage = m_plain.data();
    FillOutline(pts.data(), count, SubpathLayout{}, FillRule::NONZERO, raster, crossings);
    const GridWindow window = OutlineWindow(pts.data(), count, w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const bool in = y >= window.first_row && y <= window.last_row && x >= window.first_col && x <= window.last_col;
        if (!in) {
          ASSERT_EQ(m_plain[static_cast<std::size_t>(y) * w + x], 0.0f) << "filled outside the window";
        }
        inside_pixels += m_plain[static_cast<std::size_t>(y) * w + x] > 0.0f;
      }
    }
    // The windowed road: a plane holding an earlier shape's values, cleared
    // only inside the window before the fill.
    std::vector<float> m_dirty(n);
    for (float& v : m_dirty) v = u(rng);
    for (int y = window.first_row; y <= window.last_row; ++y) {
      for (int x = window.first_col; x <= window.last_col; ++x) m_dirty[static_cast<std::size_t>(y) * w + x] = 0.0f;
    }
    raster.coverage = m_dirty.data();
    FillOutline(pts.data(), count, SubpathLayout{}, FillRule::NONZERO, raster, crossings);

    std::vector<float> want = c, got = c;
    CombineMaskCoverage(want.data(), m_plain.data(), n, inverted, mode, first);
    CombineMaskCoverageInWindow(got.data(), m_dirty.data(), w, h, window, inverted, mode, first);
    ASSERT_EQ(std::memcmp(want.data(), got.data(), n * sizeof(float)), 0)
        << "trial " << trial << " mode " << mode << " inverted " << inverted << " first " << first;
  }
  EXPECT_GT(inside_pixels, 10000);
}

}  // namespace
