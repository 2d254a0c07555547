// Placing the output window of a padded field into the pane planes.
#include "render/place_cropped_planes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "render/parallel_for.h"

namespace {

TEST(PlaceCroppedPlanesTest, CopiesTheWindowAtTheMargin) {
  // A 4 x 3 padded plane, margin 1: the output is 2 x 1.
  const std::vector<float> padded = {0, 0, 0, 0,  //
                                     0, -2.5f, 3, 0,  //
                                     0, 0, 0, 0};
  std::vector<float> depth(2, 9), dist(2, 9), height(2, 9);
  PlaceCroppedPlanes body{2, padded.data(), 1, 4, depth.data(), dist.data(), height.data()};
  body(0, 1);
  EXPECT_EQ(dist, (std::vector<float>{-2.5f, 3}));
  EXPECT_EQ(height, (std::vector<float>{-2.5f, 3}));
  EXPECT_EQ(depth, (std::vector<float>{0, 3}));
  // Without a height plane only depth and distance are written.
  std::vector<float> depth2(2, 9), dist2(2, 9);
  PlaceCroppedPlanes{2, padded.data(), 1, 4, depth2.data(), dist2.data(), nullptr}(0, 1);
  EXPECT_EQ(dist2, dist);
  EXPECT_EQ(depth2, depth);
}

TEST(PlaceCroppedPlanesTest, SameBytesWithOneAndEightWorkers) {
  constexpr int W = 320, H = 300, M = 24, L = W + 2 * M;
  std::vector<float> padded(static_cast<std::size_t>(L) * (H + 2 * M));
  for (std::size_t i = 0; i < padded.size(); ++i) padded[i] = static_cast<float>(i % 97) - 48.5f;
  auto run = [&](int concurrency) {
    SetHardwareConcurrencyOverride(concurrency);
    std::vector<float> planes(3 * W * H, 0.0f);
    ParallelFor(H, PlaceCroppedPlanes{W, padded.data(), M, L, planes.data(), planes.data() + W * H,
                                      planes.data() + 2 * W * H});
    SetHardwareConcurrencyOverride(-1);
    return planes;
  };
  const std::vector<float> one = run(3), eight = run(10);
  EXPECT_EQ(std::memcmp(one.data(), eight.data(), one.size() * sizeof(float)), 0);
  EXPECT_EQ(one[W * H + 5 * W + 7], padded[(5 + M) * L + 7 + M]);
}

}  // namespace
