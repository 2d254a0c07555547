// Downsampling a supersampled field: block averages, the conversion to
// output pixels, the edge refinement from coverage or mask counts, both
// members' addressing, and the same bytes with 1 and with 8 workers.
#include "render/downsample_distance.h"

#include <gtest/gtest.h>

#include <cstring>
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

}  // namespace
