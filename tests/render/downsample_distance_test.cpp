// Downsampling a supersampled field: block averages, the conversion to
// output pixels, the edge refinement from coverage or mask counts, both
// members' addressing, and the same bytes with 1 and with 8 workers.
#include "render/downsample_distance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/parallel_for.h"

namespace {

// A 2 x 2 output of s = 2: grid 4 x 4, one block per output pixel. Block
// values are given in row-major order of the four grid pixels.
struct Grid {
  std::vector<float> distance = std::vector<float>(16, 0.0f);
  std::vector<float> coverage = std::vector<float>(16, 0.0f);
  void Block(int bx, int by, std::vector<float> d, std::vector<float> c) {
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i) {
        distance[(by * 2 + j) * 4 + bx * 2 + i] = d[j * 2 + i];
        coverage[(by * 2 + j) * 4 + bx * 2 + i] = c[j * 2 + i];
      }
  }
};

TEST(DownsampleDistanceTest, BlockMeansInOutputPixelsWithEdgeRefinement) {
  Grid g;
  g.Block(0, 0, {4, 4, 4, 4}, {1, 1, 1, 1});              // deep inside: 16 / 4 / 2
  g.Block(1, 0, {2, 2, 0, 0}, {1, 1, 0.6f, 0.6f});        // d 0.5, c 0.8, weight 1
  g.Block(0, 1, {-2, -2, -2, -2}, {0.1f, 0.1f, 0.1f, 0.1f});  // d -1, c 0.1, weight 0.5
  g.Block(1, 1, {-1, -1, -1, -1}, {0.001f, 0.001f, 0.001f, 0.001f});  // c not partial
  std::vector<float> depth(4, 9.0f), dist(4, 9.0f), height(4, 9.0f);
  DownsampleDistance body;
  body.supersample = 2;
  body.distance = g.distance.data();
  body.grid_width = 4;
  body.coverage = g.coverage.data();
  body.scale = 0.25f;
  body.width = 2;
  body.pane_depth = depth.data();
  body.pane_distance = dist.data();
  body.pane_height = height.data();
  ParallelFor(2, body);
  EXPECT_FLOAT_EQ(dist[0], 2.0f);
  EXPECT_FLOAT_EQ(dist[1], 0.8f - 0.5f);
  EXPECT_FLOAT_EQ(dist[2], 0.5f * -1.0f + (0.1f - 0.5f) * 0.5f);
  EXPECT_FLOAT_EQ(dist[3], -0.5f);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(height[i], dist[i]);
    EXPECT_EQ(depth[i], std::max(dist[i], 0.0f));
  }
}

TEST(DownsampleDistanceTest, MaskCountsNonzeroBytesAsCoverage) {
  // One block, distances 1, 1, -1, -1 (d 0) and three set bytes (c 0.75).
  const std::vector<float> distance = {1, 1, -1, -1};
  const std::vector<std::uint8_t> mask = {255, 1, 255, 0};
  float depth = 9, dist = 9;
  DownsampleDistance body;
  body.supersample = 2;
  body.distance = distance.data();
  body.grid_width = 2;
  body.mask = mask.data();
  body.scale = 0.25f;
  body.width = 1;
  body.pane_depth = &depth;
  body.pane_distance = &dist;
  body(0, 1);
  EXPECT_FLOAT_EQ(dist, 0.25f);
  EXPECT_FLOAT_EQ(depth, 0.25f);
}

TEST(DownsampleDistanceTest, SingleDestinationAndWriteThroughFlag) {
  // Factor 1: the block is the pixel itself, so d = distance.
  std::vector<float> distance(5 * 4);
  for (int i = 0; i < 20; ++i) distance[i] = 10.0f + static_cast<float>(i);
  const std::vector<float> coverage(20, 1.0f);
  DownsampleDistance body;
  body.supersample = 1;
  body.distance = distance.data();
  body.grid_width = 5;
  body.coverage = coverage.data();
  body.scale = 1.0f;
  // Text member: blocks shifted by the offset, a destination of its own
  // row length.
  std::vector<float> dest(3 * 2, -7.0f);
  body.width = 2;
  body.block_offset = 1;
  body.dest = dest.data();
  body.dest_row_length = 3;
  body(0, 2);
  EXPECT_EQ(dest, (std::vector<float>{16, 17, -7, 21, 22, -7}));
  // Paths member without a destination and with the flag off writes
  // nothing.
  std::vector<float> depth(4, -5.0f), dist(4, -5.0f);
  body.block_offset = 0;
  body.dest = nullptr;
  body.write_through = false;
  body.pane_depth = depth.data();
  body.pane_distance = dist.data();
  body(0, 2);
  EXPECT_EQ(dist, std::vector<float>(4, -5.0f));
  EXPECT_EQ(depth, std::vector<float>(4, -5.0f));
}

TEST(DownsampleDistanceTest, SameBytesWithOneAndEightWorkers) {
  constexpr int W = 300, H = 280, S = 2;
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> value(-3.0f, 3.0f), cover(0.0f, 1.0f);
  std::vector<float> distance(W * S * H * S), coverage(distance.size());
  for (float& v : distance) v = value(rng);
  for (float& v : coverage) v = cover(rng);
  auto run = [&](int concurrency) {
    SetHardwareConcurrencyOverride(concurrency);
    std::vector<float> out(W * H);
    DownsampleDistance body;
    body.supersample = S;
    body.distance = distance.data();
    body.grid_width = W * S;
    body.coverage = coverage.data();
    body.scale = 0.25f;
    body.width = W;
    body.dest = out.data();
    body.dest_row_length = W;
    ParallelFor(H, body);
    SetHardwareConcurrencyOverride(-1);
    return out;
  };
  const std::vector<float> one = run(3), eight = run(10);
  EXPECT_EQ(std::memcmp(one.data(), eight.data(), one.size() * sizeof(float)), 0);
}

TEST(DownsampleDistanceTest, RowsEqualThePixelByPixelPathBitForBit) {
  // The body brings four pixels back at a time where it can; the per-pixel
  // DownsampledDistanceAt is the plain path. Random sizes and offsets, both
  // members' destinations, distances that straddle the edge band and the
  // awkward values (signed zeros, NaN, infinities).
  std::mt19937 rng(4242);
  std::uniform_real_distribution<float> near(-4.0f, 4.0f), cover(0.0f, 1.0f);
  const float specials[] = {0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(), -1e20f, 0.998f, 0.002f, 3.0f};
  for (int trial = 0; trial < 60; ++trial) {
    const int s = 1 + static_cast<int>(rng() % 3);
    int w = 1 + static_cast<int>(rng() % 4096);
    int h = 1 + static_cast<int>(rng() % 4096);
    while (static_cast<std::int64_t>(w) * h > 40000) (rng() % 2 ? w : h) = std::max(1, (rng() % 2 ? w : h) / 2);
    const int offset = static_cast<int>(rng() % 3);
    const int grid_w = (w + 2 * offset) * s, grid_h = (h + 2 * offset) * s;
    std::vector<float> distance(static_cast<std::size_t>(grid_w) * grid_h), coverage(distance.size());
    std::vector<std::uint8_t> mask(distance.size());
    for (std::size_t i = 0; i < distance.size(); ++i) {
      distance[i] = rng() % 40 == 0 ? specials[rng() % 8] : near(rng) * (rng() % 4 == 0 ? 100.0f : 1.0f);
      coverage[i] = rng() % 30 == 0 ? specials[rng() % 8] : (rng() % 3 == 0 ? 1.0f : cover(rng));
      mask[i] = static_cast<std::uint8_t>(rng() % 2 ? 255 : 0);
    }
    DownsampleDistance body;
    body.supersample = s;
    body.distance = distance.data();
    body.grid_width = grid_w;
    body.coverage = trial % 5 == 4 ? nullptr : coverage.data();
    body.mask = mask.data();
    body.scale = 1.0f / static_cast<float>(s * s);
    body.width = w;
    body.block_offset = offset;
    std::vector<float> dest(static_cast<std::size_t>(w + 3) * h, 9.0f);
    std::vector<float> depth(static_cast<std::size_t>(w) * h, 9.0f), dist(depth.size(), 9.0f), height(depth.size(), 9.0f);
    if (trial % 2 == 0) {
      body.dest = dest.data();
      body.dest_row_length = w + 3;
    } else {
      body.pane_depth = depth.data();
      body.pane_distance = dist.data();
      body.pane_height = height.data();
    }
    ParallelFor(h, body);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const float want = DownsampledDistanceAt(body, x, y);
        const float got = trial % 2 == 0 ? dest[static_cast<std::size_t>(y) * (w + 3) + x]
                                         : dist[static_cast<std::size_t>(y) * w + x];
        ASSERT_EQ(std::memcmp(&want, &got, sizeof want), 0) << "trial " << trial << " s " << s << " at " << x << "," << y;
        if (trial % 2 == 1) {
          const float want_depth = std::max(want, 0.0f);
          ASSERT_EQ(std::memcmp(&want_depth, &depth[static_cast<std::size_t>(y) * w + x], sizeof want), 0);
          ASSERT_EQ(std::memcmp(&want, &height[static_cast<std::size_t>(y) * w + x], sizeof want), 0);
        }
      }
      if (trial % 2 == 0) {
        for (int x = w; x < w + 3; ++x) ASSERT_EQ(dest[static_cast<std::size_t>(y) * (w + 3) + x], 9.0f);
      }
    }
  }
}

}  // namespace
