#include "render/shading_height.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "render/allocation_seam.h"
#include "render/parallel_for.h"

namespace {

FloatPlane PlaneOf(std::int32_t w, std::int32_t h, const std::vector<float>& values) {
  FloatPlane p;
  EXPECT_TRUE(AllocateFloatPlane(p, w, h));
  for (std::size_t i = 0; i < values.size(); ++i) p.data[i] = values[i];
  return p;
}

std::vector<float> Values(const FloatPlane& p) { return std::vector<float>(p.data.get(), p.data.get() + p.Size()); }

class ShadingHeightTest : public ::testing::Test {
 protected:
  void TearDown() override {
    DisarmAllocationFailure();
    SetHardwareConcurrencyOverride(-1);
  }
};

TEST_F(ShadingHeightTest, RadiusByPaneSource) {
  EXPECT_EQ(ShadeHeightRadius(false, true), 12);
  EXPECT_EQ(ShadeHeightRadius(true, true), 12);
  EXPECT_EQ(ShadeHeightRadius(true, false), 6);
  EXPECT_EQ(ShadeHeightRadius(false, false), 8);
}

TEST_F(ShadingHeightTest, WithoutPaneHeightTheDepthIsTheHeight) {
  const FloatPlane depth = PlaneOf(2, 1, {1.0f, 2.0f});
  FloatPlane none;
  EXPECT_EQ(&PrepareShadeHeight(depth, none, false, false), &depth);
}

// A row of three: any radius of 2 or more averages the whole row; the
// column blur of a one-row plane copies it. So 0, 9, 0 becomes 3, 3, 3 and
// -9, 0, 0 becomes -3, -3, -3, which analytic shapes hold at 0.
TEST_F(ShadingHeightTest, SmoothsTwiceAndClampsOnlyAnalyticShapes) {
  struct Case {
    std::vector<float> in;
    bool raster, supersampled;
    std::vector<float> out;
  };
  const Case cases[] = {
      {{0.0f, 9.0f, 0.0f}, false, false, {3.0f, 3.0f, 3.0f}},
      {{-9.0f, 0.0f, 0.0f}, false, false, {0.0f, 0.0f, 0.0f}},
      {{-9.0f, 0.0f, 0.0f}, true, false, {-3.0f, -3.0f, -3.0f}},
      {{-9.0f, 0.0f, 0.0f}, false, true, {-3.0f, -3.0f, -3.0f}},
  };
  for (const Case& c : cases) {
    const FloatPlane depth = PlaneOf(3, 1, {0.0f, 0.0f, 0.0f});
    FloatPlane height = PlaneOf(3, 1, c.in);
    const FloatPlane& shade = PrepareShadeHeight(depth, height, c.raster, c.supersampled);
    EXPECT_EQ(&shade, &height);
    EXPECT_EQ(Values(height), c.out);
  }
}

// The smoothing radius that PrepareShadeHeight applies, seen from how far
// one spike spreads: two row passes of radius r reach 2r pixels each way.
TEST_F(ShadingHeightTest, SpikeSpreadsTwiceTheRadiusOfItsSource) {
  struct Case {
    bool raster, supersampled;
    std::int32_t radius;
  };
  const Case cases[] = {{false, true, 12}, {true, true, 12}, {true, false, 6}, {false, false, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.radius);
    std::vector<float> row(61, 0.0f);
    row[30] = 1000.0f;
    const FloatPlane depth = PlaneOf(61, 1, std::vector<float>(61, 0.0f));
    FloatPlane height = PlaneOf(61, 1, row);
    PrepareShadeHeight(depth, height, c.raster, c.supersampled);
    for (std::int32_t x = 0; x < 61; ++x) {
      EXPECT_EQ(height.data[x] > 1e-3f, std::abs(x - 30) <= 2 * c.radius) << x;
    }
  }
}

// Both directions: a spike of 9 in the middle of 3 x 3 becomes a row of 3s
// after the row blur and 1 everywhere after the column blur (every radius
// here covers the whole plane); the second pass keeps the constant.
TEST_F(ShadingHeightTest, BlursRowsThenColumns) {
  const FloatPlane depth = PlaneOf(3, 3, std::vector<float>(9, 0.0f));
  FloatPlane height = PlaneOf(3, 3, {0, 0, 0, 0, 9, 0, 0, 0, 0});
  PrepareShadeHeight(depth, height, true, false);
  EXPECT_EQ(Values(height), std::vector<float>(9, 1.0f));
}

TEST_F(ShadingHeightTest, SameBytesOnOneAndEightWorkers) {
  const std::int32_t w = 300, h = 280;
  std::vector<float> v(static_cast<std::size_t>(w * h));
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x)
      v[static_cast<std::size_t>(y * w + x)] = static_cast<float>((x * 37 + y * 11) % 23) - 9.5f;
  const FloatPlane depth = PlaneOf(w, h, std::vector<float>(v.size(), 0.0f));
  std::vector<float> results[2];
  const int concurrency[2] = {1, 10};
  for (int k = 0; k < 2; ++k) {
    SetHardwareConcurrencyOverride(concurrency[k]);
    FloatPlane height = PlaneOf(w, h, v);
    PrepareShadeHeight(depth, height, false, true);
    results[k] = Values(height);
  }
  ASSERT_EQ(results[0].size(), results[1].size());
  EXPECT_EQ(std::memcmp(results[0].data(), results[1].data(), results[0].size() * sizeof(float)), 0);
}

TEST_F(ShadingHeightTest, ScratchThatCannotBeHadDropsThePaneHeight) {
  const FloatPlane depth = PlaneOf(3, 1, {0.0f, 1.0f, 0.0f});
  FloatPlane height = PlaneOf(3, 1, {-1.0f, 1.0f, -1.0f});
  ArmAllocationFailure(1);
  const FloatPlane& shade = PrepareShadeHeight(depth, height, true, false);
  EXPECT_EQ(&shade, &depth);
  EXPECT_TRUE(height.Empty());
}

}  // namespace
