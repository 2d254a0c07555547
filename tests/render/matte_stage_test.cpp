// The matte stage on records made by hand in the simulated host's handles:
// the padded grid and the decode range at depth 0, distance-coded and
// coverage mattes, pixels outside the matte, records without a usable
// matte, every allocation failing in turn, and thread-count independence.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "geometry/pre_render_data.h"
#include "host/pf_effect_world.h"
#include "render/allocation_seam.h"
#include "render/matte_stage.h"
#include "render/parallel_for.h"
#include "shell/suite_handler.h"
#include "support/host_fixture.h"

namespace {

class MatteStageTest : public HostTest {
 protected:
  void TearDown() override {
    if (record_ != nullptr) host_.handles().Dispose(record_);
    HostTest::TearDown();
  }

  // A record holding a w x h matte of `values` (u16 when wide, else u8).
  void MakeRecord(std::int32_t w, std::int32_t h, const std::vector<std::uint16_t>& values, bool distance, bool deep,
                  double effect_scale = 1.0, double rim_scale = 1.0, std::uint32_t valid = 1,
                  std::uint64_t shorten = 0) {
    const bool wide = distance || deep;
    const std::uint64_t raster = static_cast<std::uint64_t>(w) * h * (wide ? 2 : 1);
    record_ = host_.handles().New(MATTE_RASTER_OFFSET + raster - shorten);
    auto* memory = static_cast<std::uint8_t*>(host_.handles().Lock(record_));
    PreRenderHeader header{};
    header.effect_scale = effect_scale;
    header.rim_scale = rim_scale;
    header.is_adjustment_layer = 1;
    header.matte_valid = valid;
    header.matte_width = static_cast<std::uint32_t>(w);
    header.matte_height = static_cast<std::uint32_t>(h);
    header.matte_is_distance = distance ? 1 : 0;
    header.deep = deep ? 1 : 0;
    std::memcpy(memory, &header, sizeof header);
    for (std::size_t i = 0; i < values.size() && (i + 1) * (wide ? 2 : 1) <= raster - shorten; ++i) {
      if (wide) {
        std::memcpy(memory + MATTE_RASTER_OFFSET + 2 * i, &values[i], 2);
      } else {
        memory[MATTE_RASTER_OFFSET + i] = static_cast<std::uint8_t>(values[i]);
      }
    }
    host_.handles().Unlock(record_);
  }

  template <typename Pixel>
  void Run(std::int32_t w, std::int32_t h, PF_LRect request, double depth_px, bool with_height = true) {
    ASSERT_TRUE(AllocateFloatPlane(depth_, w, h));
    ASSERT_TRUE(AllocateFloatPlane(distance_, w, h));
    height_ = FloatPlane{};
    if (with_height) {
      ASSERT_TRUE(AllocateFloatPlane(height_, w, h));
    }
    const int locks = host_.handles().LockCount();
    SuiteHandler suites(host_.basic_suite());
    RunMatteStage<Pixel>(suites, MatteStageFrame{w, h, request, depth_px, record_}, depth_, distance_, height_,
                         planes_);
    EXPECT_EQ(host_.handles().LockCount() - locks, record_ != nullptr ? 1 : 0);
    EXPECT_EQ(host_.handles().LockCount(), host_.handles().UnlockCount());
  }

  bool NoPane() const {
    for (std::int64_t i = 0; i < depth_.Size(); ++i) {
      if (depth_.data[i] != 0.0f || distance_.data[i] != NO_DISTANCE) return false;
      if (!height_.Empty() && height_.data[i] != NO_DISTANCE) return false;
    }
    return planes_.smooth_field.Empty() && planes_.gradient_x.Empty() && planes_.gradient_y.Empty();
  }

  PF_Handle record_ = nullptr;
  FloatPlane depth_, distance_, height_;
  MattePlanes planes_;
};

TEST(MatteStageValuesTest, PadAndRange) {
  EXPECT_EQ(MattePad(0.0), 24);
  EXPECT_EQ(MattePad(10.75), 45);
  EXPECT_EQ(MattePad(-3.0), 24);
  // k = max(16 x max(1, effect x rim), 2 x pad): 48 at depth 0 until the
  // product passes 3.
  EXPECT_EQ(MatteDistanceRange(1.0, 1.0, 24), 48.0f);
  EXPECT_EQ(MatteDistanceRange(1.5, 2.0, 24), 48.0f);
  EXPECT_EQ(MatteDistanceRange(2.0, 2.0, 24), 64.0f);
  EXPECT_EQ(MatteDistanceRange(0.1, 0.1, 45), 90.0f);
}

TEST_F(MatteStageTest, DistanceCodedMatteDecodesWithTheRangeAtDepthZero) {
  struct Case {
    double effect_scale, rim_scale;
    float expected;  // (20000 / 32768 - 0.5) x k
  };
  const Case cases[] = {{1.0, 1.0, 0.1103515625f * 48}, {2.0, 2.0, 0.1103515625f * 64}};
  for (const Case& c : cases) {
    // A constant code over a matte larger than the grid: every grid pixel
    // reads it, so every blur keeps it.
    MakeRecord(200, 200, std::vector<std::uint16_t>(200 * 200, 20000), true, false, c.effect_scale, c.rim_scale);
    Run<PF_Pixel8>(50, 40, PF_LRect{60, 70, 110, 110}, 0.0);
    EXPECT_EQ(planes_.margin, 24);
    ASSERT_FALSE(planes_.smooth_field.Empty());
    EXPECT_EQ(planes_.smooth_field.width, 50 + 48);
    EXPECT_EQ(planes_.smooth_field.height, 40 + 48);
    EXPECT_FALSE(planes_.gradient_x.Empty());
    for (std::int64_t i = 0; i < distance_.Size(); ++i) {
      ASSERT_NEAR(distance_.data[i], c.expected, 1e-5f);
      ASSERT_EQ(depth_.data[i], std::max(distance_.data[i], 0.0f));
      ASSERT_EQ(height_.data[i], distance_.data[i]);
      ASSERT_NEAR(planes_.gradient_x.data[i], 0.0f, 1e-5f);
    }
    host_.handles().Dispose(record_);
    record_ = nullptr;
  }
}

TEST_F(MatteStageTest, CoverageMatteOutsideTheRasterReadsAsOutside) {
  // A 100 x 100 fully covered 8-bit matte; the output is the matte's own
  // rectangle, so the grid's margin lies outside the matte.
  MakeRecord(100, 100, std::vector<std::uint16_t>(100 * 100, 255), false, false);
  Run<PF_Pixel8>(100, 100, PF_LRect{0, 0, 100, 100}, 0.0);
  // The exact transform's distances: one pixel inside the outline, and 50
  // pixels from both sides in the middle.
  EXPECT_FLOAT_EQ(distance_.At(0, 50), 1.0f);
  EXPECT_FLOAT_EQ(distance_.At(99, 50), 1.0f);
  EXPECT_FLOAT_EQ(distance_.At(50, 50), 50.0f);
  EXPECT_FLOAT_EQ(distance_.At(3, 3), 4.0f);
  for (std::int64_t i = 0; i < distance_.Size(); ++i) ASSERT_GT(distance_.data[i], 0.0f);
  // Shifted: output pixels left of the matte are outside the pane.
  Run<PF_Pixel8>(100, 100, PF_LRect{-30, 0, 70, 100}, 0.0);
  EXPECT_FLOAT_EQ(distance_.At(29, 50), -1.0f);
  EXPECT_FLOAT_EQ(distance_.At(30, 50), 1.0f);
  EXPECT_EQ(depth_.At(10, 50), 0.0f);
  EXPECT_LT(distance_.At(10, 50), -19.0f);
}

TEST_F(MatteStageTest, SixteenBitPipelineReadsDeepAndNarrowRasters) {
  // A half-covered column edge: left half full, right half empty.
  const std::int32_t w = 64, h = 32;
  std::vector<std::uint16_t> deep(w * h), narrow(w * h);
  for (std::int32_t i = 0; i < w * h; ++i) {
    deep[static_cast<std::size_t>(i)] = i % w < 32 ? 32768 : 0;
    narrow[static_cast<std::size_t>(i)] = i % w < 32 ? 255 : 0;
  }
  MakeRecord(w, h, deep, false, true);
  Run<PF_Pixel16>(w, h, PF_LRect{0, 0, w, h}, 0.0);
  const std::vector<float> from_deep(distance_.data.get(), distance_.data.get() + distance_.Size());
  EXPECT_GT(distance_.At(20, 16), 0.0f);
  EXPECT_LT(distance_.At(40, 16), 0.0f);
  host_.handles().Dispose(record_);
  // An 8-bit raster reaching a 16-bit pipeline is read as 8 bits.
  MakeRecord(w, h, narrow, false, false);
  Run<PF_Pixel16>(w, h, PF_LRect{0, 0, w, h}, 0.0);
  EXPECT_EQ(std::memcmp(from_deep.data(), distance_.data.get(), from_deep.size() * sizeof(float)), 0);
}

TEST_F(MatteStageTest, RecordsWithoutAUsableMatteGiveNoPane) {
  Run<PF_Pixel8>(20, 10, PF_LRect{0, 0, 20, 10}, 0.0);  // no record at all
  EXPECT_TRUE(NoPane());
  MakeRecord(30, 30, std::vector<std::uint16_t>(900, 255), false, false, 1, 1, /*valid=*/0);
  Run<PF_Pixel8>(20, 10, PF_LRect{0, 0, 20, 10}, 0.0);
  EXPECT_TRUE(NoPane());
  host_.handles().Dispose(record_);
  // A record shorter than the raster its header claims is not read.
  MakeRecord(30, 30, std::vector<std::uint16_t>(900, 255), false, false, 1, 1, 1, /*shorten=*/1);
  Run<PF_Pixel8>(20, 10, PF_LRect{0, 0, 20, 10}, 0.0);
  EXPECT_TRUE(NoPane());
}

TEST_F(MatteStageTest, EveryAllocationFailingInTurnStillFillsThePanes) {
  // A disc of coverage on a coverage matte, without a height plane.
  const std::int32_t w = 40, h = 30;
  std::vector<std::uint16_t> disc(w * h);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x)
      disc[static_cast<std::size_t>(y * w + x)] = (x - 20) * (x - 20) + (y - 15) * (y - 15) < 100 ? 255 : 0;
  MakeRecord(w, h, disc, false, false);
  ResetAllocationSeamCount();
  Run<PF_Pixel8>(w, h, PF_LRect{0, 0, w, h}, 2.0, false);
  const std::int64_t total = AllocationSeamCount() - 2;  // less the test's own two planes
  const std::vector<float> full(distance_.data.get(), distance_.data.get() + distance_.Size());
  ASSERT_GT(total, 10);
  for (std::int64_t n = 1; n <= total; ++n) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(AllocateFloatPlane(depth_, w, h));
    ASSERT_TRUE(AllocateFloatPlane(distance_, w, h));
    height_ = FloatPlane{};
    SuiteHandler suites(host_.basic_suite());
    ArmAllocationFailure(n);
    RunMatteStage<PF_Pixel8>(suites, MatteStageFrame{w, h, PF_LRect{0, 0, w, h}, 2.0, record_}, depth_, distance_,
                             height_, planes_);
    DisarmAllocationFailure();
    EXPECT_EQ(host_.handles().LockCount(), host_.handles().UnlockCount());
    if (n <= 5) {
      EXPECT_TRUE(NoPane());  // a grid plane: the fall-back
    } else {
      // Later allocations are the transform's line scratch (a lost pass
      // leaves its lines unswept, the sides of the outline still apart)
      // or planes that only feed the rim light's field and gradients.
      EXPECT_GT(distance_.At(20, 15), 0.0f);
      EXPECT_LT(distance_.At(2, 2), 0.0f);
    }
  }
}

TEST_F(MatteStageTest, EdgeEstimateFeedsOnlyTheRimPlanes) {
  // A soft-edged blob on a coverage matte. The pane planes come from the
  // transform's field; the smooth field and the gradients from the edge
  // estimate R. The stage's last eight allocations are, in order:
  // erf field, disagreement, smooth, smooth field, gradient x and y, and
  // the gradient's two scratch planes.
  const std::int32_t w = 60, h = 50;
  std::vector<std::uint16_t> blob(w * h);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const double r = std::hypot(x - 30.0, (y - 25.0) * 1.2);
      blob[static_cast<std::size_t>(y * w + x)] = static_cast<std::uint16_t>(std::clamp(15.5 - r, 0.0, 1.0) * 255);
    }
  MakeRecord(w, h, blob, false, false);
  struct Outcome {
    std::vector<float> distance, smooth, gradient_x;
  };
  auto values = [](const FloatPlane& p) {
    return p.Empty() ? std::vector<float>{} : std::vector<float>(p.data.get(), p.data.get() + p.Size());
  };
  auto run = [&](std::int64_t fail_from_end, std::int64_t total) {
    ASSERT_TRUE(AllocateFloatPlane(depth_, w, h));
    ASSERT_TRUE(AllocateFloatPlane(distance_, w, h));
    height_ = FloatPlane{};
    SuiteHandler suites(host_.basic_suite());
    ResetAllocationSeamCount();
    if (fail_from_end >= 0) ArmAllocationFailure(total - fail_from_end);
    RunMatteStage<PF_Pixel8>(suites, MatteStageFrame{w, h, PF_LRect{0, 0, w, h}, 1.0, record_}, depth_, distance_,
                             height_, planes_);
    DisarmAllocationFailure();
  };
  run(-1, 0);
  const std::int64_t total = AllocationSeamCount();
  const Outcome full{values(distance_), values(planes_.smooth_field), values(planes_.gradient_x)};
  ASSERT_FALSE(full.smooth.empty());
  ASSERT_FALSE(full.gradient_x.empty());
  auto outcome = [&](std::int64_t fail_from_end) {
    run(fail_from_end, total);
    return Outcome{values(distance_), values(planes_.smooth_field), values(planes_.gradient_x)};
  };
  // Without the erf field or the disagreement R is the transform's field.
  const Outcome no_erf = outcome(7);
  const Outcome no_disagreement = outcome(6);
  EXPECT_EQ(no_erf.distance, full.distance);
  EXPECT_NE(no_erf.smooth, full.smooth);
  EXPECT_NE(no_erf.gradient_x, full.gradient_x);
  EXPECT_EQ(no_disagreement.smooth, no_erf.smooth);
  EXPECT_EQ(no_disagreement.gradient_x, no_erf.gradient_x);
  // Without the smooth plane the estimate blends towards the field itself.
  const Outcome no_smooth = outcome(5);
  EXPECT_EQ(no_smooth.distance, full.distance);
  EXPECT_NE(no_smooth.smooth, full.smooth);
  EXPECT_NE(no_smooth.smooth, no_erf.smooth);
  // The smooth field and the gradients do not depend on each other.
  const Outcome no_smooth_field = outcome(4);
  EXPECT_TRUE(no_smooth_field.smooth.empty());
  EXPECT_EQ(no_smooth_field.gradient_x, full.gradient_x);
  for (std::int64_t k = 0; k <= 3; ++k) {
    SCOPED_TRACE(k);
    const Outcome no_gradient = outcome(k);
    EXPECT_EQ(no_gradient.distance, full.distance);
    EXPECT_EQ(no_gradient.smooth, full.smooth);
    EXPECT_TRUE(no_gradient.gradient_x.empty());
    EXPECT_TRUE(planes_.gradient_y.Empty());
  }
}

TEST_F(MatteStageTest, ResultsDoNotDependOnTheThreadCount) {
  const std::int32_t w = 120, h = 90;
  std::vector<std::uint16_t> blob(w * h);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const double r = std::hypot(x - 60.0, (y - 45.0) * 1.3);
      blob[static_cast<std::size_t>(y * w + x)] = static_cast<std::uint16_t>(std::clamp(30.5 - r, 0.0, 1.0) * 255);
    }
  MakeRecord(w, h, blob, false, false);
  auto run = [&](int concurrency) {
    SetHardwareConcurrencyOverride(concurrency);
    Run<PF_Pixel8>(w, h, PF_LRect{0, 0, w, h}, 3.5);
    SetHardwareConcurrencyOverride(-1);
    std::vector<float> all(distance_.data.get(), distance_.data.get() + distance_.Size());
    for (const FloatPlane* p : {&planes_.smooth_field, &planes_.gradient_x, &planes_.gradient_y}) {
      EXPECT_FALSE(p->Empty());
      all.insert(all.end(), p->data.get(), p->data.get() + p->Size());
    }
    return all;
  };
  const std::vector<float> one = run(1);
  const std::vector<float> many = run(10);
  ASSERT_EQ(one.size(), many.size());
  EXPECT_EQ(std::memcmp(one.data(), many.data(), one.size() * sizeof(float)), 0);
  EXPECT_EQ(planes_.margin, 31);
}

}  // namespace
