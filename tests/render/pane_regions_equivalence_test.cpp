// The span fill of the pane regions, in the module's form and in its plain
// scalar form (plain_lanes_kernels.h), against the pixel-by-pixel fill it
// replaced (pane_regions_reference.h): the same labels and the same region
// list, bit for bit, on random fields: discs and boxes whose bands join or
// not, speckle dense enough to make mazes whose regions double back on
// themselves, and non-finite plane values, over sizes from one pixel to
// 4096 wide or high.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "pane_regions_reference.h"
#include "plain_lanes_kernels.h"
#include "render/pane_centre.h"
#include "render/pane_regions.h"

namespace {

enum class Pattern { BLOBS, SPECKLE, SPECIALS };

struct RandomField {
  FloatPlane depth;
  FloatPlane distance;
};

RandomField MakeField(std::int32_t w, std::int32_t h, Pattern pattern, std::mt19937& rng) {
  RandomField f;
  EXPECT_TRUE(AllocateFloatPlane(f.depth, w, h));
  EXPECT_TRUE(AllocateFloatPlane(f.distance, w, h));
  auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  struct Disc {
    float x, y, r;
    bool box;
  };
  std::vector<Disc> discs;
  const int count = 1 + static_cast<int>(rng() % 12);
  for (int k = 0; k < count; ++k) {
    discs.push_back({uniform(-4.0f, static_cast<float>(w) + 4.0f), uniform(-4.0f, static_cast<float>(h) + 4.0f),
                     uniform(0.3f, 0.25f * static_cast<float>(std::max(w, h)) + 2.0f), rng() % 2 == 0});
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float density = uniform(0.35f, 0.7f);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      float d = -1.0e4f;
      if (pattern == Pattern::SPECKLE) {
        const float u = uniform(0.0f, 1.0f);
        d = u < density * 0.5f ? uniform(0.0f, 3.0f) : (u < density ? uniform(-2.99f, 0.0f) : -3.0f);
      } else {
        for (const Disc& c : discs) {
          const float dx = static_cast<float>(x) - c.x, dy = static_cast<float>(y) - c.y;
          const float v = c.box ? c.r - std::max(std::fabs(dx), std::fabs(dy)) : c.r - std::sqrt(dx * dx + dy * dy);
          d = std::max(d, v);
        }
      }
      float depth = d > 0.0f ? d : 0.0f;
      if (pattern == Pattern::SPECIALS && rng() % 13 == 0) {
        const float special[3] = {nan, inf, -inf};
        if (rng() % 2) {
          d = special[rng() % 3];
        } else {
          depth = special[rng() % 3];
        }
      }
      f.distance.At(x, y) = d;
      f.depth.At(x, y) = depth;
    }
  }
  return f;
}

void ExpectSameRegions(const PaneRegions& got, const PaneRegions& want) {
  ASSERT_EQ(got.Labelled(), want.Labelled());
  ASSERT_EQ(got.width, want.width);
  ASSERT_EQ(got.height, want.height);
  const std::size_t n = static_cast<std::size_t>(want.width) * static_cast<std::size_t>(want.height);
  for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(got.region_labels[i], want.region_labels[i]) << "pixel " << i;
  ASSERT_EQ(got.regions.Count(), want.regions.Count());
  auto same_bits = [](const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
  };
  EXPECT_TRUE(same_bits(got.regions.centre_x, want.regions.centre_x));
  EXPECT_TRUE(same_bits(got.regions.centre_y, want.regions.centre_y));
  EXPECT_TRUE(same_bits(got.regions.radius, want.regions.radius));
}

TEST(PaneRegionsEquivalenceTest, RandomFieldsGiveTheReferenceRegions) {
  struct Size {
    std::int32_t w, h;
  };
  const Size fixed[] = {{1, 1}, {1, 4096}, {4096, 1}, {2, 2}, {3, 7}, {4096, 3}, {5, 4096}, {64, 64}, {333, 211}};
  std::mt19937 rng(90210);
  std::vector<Size> sizes(std::begin(fixed), std::end(fixed));
  for (int k = 0; k < 30; ++k) {
    const std::int32_t w = 1 + static_cast<std::int32_t>(rng() % (k % 3 == 0 ? 4096 : 200));
    const std::int32_t h = 1 + static_cast<std::int32_t>(rng() % std::max<std::int32_t>(1, 200000 / w));
    sizes.push_back({w, std::min<std::int32_t>(h, 4096)});
  }
  int trial = 0;
  for (const Size& s : sizes) {
    for (const Pattern pattern : {Pattern::BLOBS, Pattern::SPECKLE, Pattern::SPECIALS}) {
      SCOPED_TRACE(testing::Message() << "trial " << trial << ", " << s.w << " x " << s.h << ", pattern "
                                      << static_cast<int>(pattern));
      ++trial;
      const RandomField f = MakeField(s.w, s.h, pattern, rng);
      const PaneCentre whole = FindPaneCentre(f.depth);
      const PaneRegions got = LabelPaneRegions(f.depth, f.distance, whole);
      const PaneRegions want = pane_regions_reference::LabelPaneRegions(f.depth, f.distance, whole);
      ASSERT_TRUE(want.Labelled());
      ExpectSameRegions(got, want);
      ExpectSameRegions(plain_lanes::LabelPaneRegions(f.depth, f.distance, whole), want);
    }
  }
}

}  // namespace
