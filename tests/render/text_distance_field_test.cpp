// The text road of the pane field on hand-made glyph outlines served by the
// simulated host: distances in output pixels through the request origin and
// the downsample factors, the exact values of the 8-bit mask road when the
// coverage plane cannot be had, no pane without outlines, every allocation
// failing in turn, and the same bytes with 1 and with 8 workers.
#include "render/text_distance_field.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "render/allocation_seam.h"
#include "render/parallel_for.h"
#include "shell/suite_handler.h"
#include "support/host_fixture.h"

namespace {

hostsim::SimTextPath Box(double x0, double y0, double x1, double y1) {
  hostsim::SimTextPath p;
  const double q[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  for (const auto& v : q) p.vertices.push_back(PF_PathVertex{v[0], v[1], v[0], v[1], v[0], v[1]});
  return p;
}

struct Field {
  FloatPlane depth, distance, height;
  RasterFieldPlanes planes;
  float D(int x, int y) const { return distance.At(x, y); }
};

std::vector<float> Values(const FloatPlane& p) {
  return p.Empty() ? std::vector<float>{} : std::vector<float>(p.data.get(), p.data.get() + p.Size());
}

class TextDistanceFieldTest : public HostTest {
 protected:
  void SetUp() override {
    comp_ = &host_.scene().AddComposition(1, 400, 300);
    comp_->AddLayer(1, AEGP_ObjectType_TEXT);
    layer_ = &comp_->layers[0];
    instance_ = &host_.scene().AddEffectInstance(layer_);
    std::memset(&in_data_, 0, sizeof in_data_);
    in_data_.pica_basicP = host_.basic_suite();
    in_data_.effect_ref = instance_->effect_ref();
    in_data_.time_scale = 24;
  }

  // fail_nth: the stage's allocation that fails (0: none).
  Field Run(int w, int h, PF_LRect request = {0, 0, 0, 0}, double downsample = 1.0, bool with_height = true,
            std::int64_t fail_nth = 0) {
    Field f;
    EXPECT_TRUE(AllocateFloatPlane(f.depth, w, h));
    EXPECT_TRUE(AllocateFloatPlane(f.distance, w, h));
    if (with_height) {
      EXPECT_TRUE(AllocateFloatPlane(f.height, w, h));
    }
    ResetAllocationSeamCount();
    if (fail_nth > 0) ArmAllocationFailure(fail_nth);
    SuiteHandler suites(in_data_.pica_basicP);
    TextDistanceField(&in_data_, suites, request, downsample, downsample, f.depth, f.distance,
                      with_height ? &f.height : nullptr, f.planes);
    DisarmAllocationFailure();
    return f;
  }

  static void ExpectNoPane(const Field& f) {
    for (std::int64_t i = 0; i < f.distance.Size(); ++i) {
      ASSERT_EQ(f.depth.data[i], 0.0f);
      ASSERT_EQ(f.distance.data[i], NO_DISTANCE);
      ASSERT_EQ(f.height.data[i], NO_DISTANCE);
    }
    EXPECT_TRUE(f.planes.smooth_field.Empty());
    EXPECT_TRUE(f.planes.gradient_x.Empty());
    EXPECT_TRUE(f.planes.gradient_y.Empty());
  }

  hostsim::SimComposition* comp_ = nullptr;
  hostsim::SimLayer* layer_ = nullptr;
  hostsim::SimEffectInstance* instance_ = nullptr;
  PF_InData in_data_;
};

TEST_F(TextDistanceFieldTest, DistancesInOutputPixelsWithThePaddedPlanes) {
  layer_->text.paths = {Box(10, 5, 30, 35)};
  const Field f = Run(60, 40);
  // Pixel (20, 20) has its centre at (20.5, 20.5): 9.5 from the right edge;
  // pixel 45 lies 15.5 beyond it. The transform's edge seeds read far
  // distances a quarter pixel short.
  EXPECT_NEAR(f.D(20, 20), 9.5f, 0.3f);
  EXPECT_NEAR(f.D(45, 20), -15.5f, 0.3f);
  EXPECT_GT(f.D(10, 20), 0.0f);
  EXPECT_LT(f.D(9, 20), 0.0f);
  ASSERT_FALSE(f.planes.smooth_field.Empty());
  EXPECT_EQ(f.planes.row_length, 108);
  EXPECT_EQ(f.planes.margin, 24);
  EXPECT_EQ(f.planes.smooth_field.height, 88);
  ASSERT_FALSE(f.planes.gradient_x.Empty());
  ASSERT_FALSE(f.planes.gradient_y.Empty());
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) {
      const float v = f.planes.smooth_field.At(x + 24, y + 24);
      ASSERT_EQ(f.D(x, y), v);
      ASSERT_EQ(f.depth.At(x, y), std::max(v, 0.0f));
      ASSERT_EQ(f.height.At(x, y), v);
    }
  }
  // The field rises into the box from its left edge and falls beyond its
  // right edge; across the middle row it does not change with y.
  EXPECT_GT(f.planes.gradient_x.At(10 + 24, 20 + 24), 0.0f);
  EXPECT_LT(f.planes.gradient_x.At(30 + 24, 20 + 24), 0.0f);
  EXPECT_NEAR(f.planes.gradient_y.At(10 + 24, 20 + 24), 0.0f, 1e-4f);
}

TEST_F(TextDistanceFieldTest, RequestOriginAndDownsamplePlaceTheText) {
  // Layer x 20..60 at half resolution and a request from (4, 2): output x
  // 6..26, y 3..33.
  layer_->text.paths = {Box(20, 10, 60, 70)};
  const Field f = Run(40, 40, PF_LRect{4, 2, 44, 42}, 0.5);
  EXPECT_NEAR(f.D(16, 18), 9.5f, 0.3f);
  EXPECT_NEAR(f.D(6, 18), 0.5f, 0.2f);
  EXPECT_LT(f.D(5, 18), 0.0f);
  EXPECT_LT(f.D(16, 2), 0.0f);
  EXPECT_GT(f.D(16, 3), 0.0f);
}

TEST_F(TextDistanceFieldTest, WithoutCoverageThePlaneComesFromTheByteMask) {
  // Grid column (10 + 24) x 2 = 68 is the first inside column: the hard
  // mask gives grid distances 1, 2, ... inside and -1, -2, ... outside, so
  // output pixel 10 averages 1 and 2 (0.75 output pixels) and pixel 9
  // averages -2 and -1.
  layer_->text.paths = {Box(10, 5, 30, 35)};
  const Field f = Run(60, 40, {0, 0, 0, 0}, 1.0, true, 1);  // the coverage plane fails
  EXPECT_FLOAT_EQ(f.D(10, 20), 0.75f);
  EXPECT_FLOAT_EQ(f.D(11, 20), 1.75f);
  EXPECT_FLOAT_EQ(f.D(9, 20), -0.75f);
  EXPECT_FLOAT_EQ(f.D(8, 20), -1.75f);
  EXPECT_FALSE(f.planes.smooth_field.Empty());
  // The anti-aliased road puts the same edge elsewhere.
  const Field anti_aliased = Run(60, 40);
  EXPECT_NE(anti_aliased.D(10, 20), 0.75f);
}

TEST_F(TextDistanceFieldTest, NoOutlinesMeansNoPane) {
  struct Case {
    const char* what;
    void (*arrange)(hostsim::SimLayer&);
  };
  const Case cases[] = {
      {"empty text", [](hostsim::SimLayer& l) { l.text.paths.clear(); }},
      {"not a text layer", [](hostsim::SimLayer& l) { l.object_type = AEGP_ObjectType_VECTOR; }},
      {"outlines fail", [](hostsim::SimLayer& l) { l.text.fail_new = true; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    layer_->object_type = AEGP_ObjectType_TEXT;
    layer_->text = hostsim::SimTextOutlines{};
    layer_->text.paths = {Box(10, 5, 30, 35)};
    c.arrange(*layer_);
    ExpectNoPane(Run(60, 40));
  }
}

TEST_F(TextDistanceFieldTest, WithoutHeightPlaneOnlyDepthAndDistanceAreWritten) {
  layer_->text.paths = {Box(10, 5, 30, 35)};
  const Field f = Run(60, 40, {0, 0, 0, 0}, 1.0, false);
  EXPECT_NEAR(f.D(20, 20), 9.5f, 0.3f);
  EXPECT_EQ(f.depth.At(20, 20), f.D(20, 20));
}

TEST_F(TextDistanceFieldTest, EveryAllocationFailingInTurnDegradesAsItShould) {
  layer_->text.paths = {Box(10, 5, 30, 35), Box(36, 10, 50, 30)};
  const Field reference = Run(60, 40);
  const std::int64_t allocations = AllocationSeamCount();
  // coverage, mask, 2 supersampled planes, the transform's planes and
  // scratch, then smooth field, 2 gradient planes, 2 blur scratch planes.
  ASSERT_GE(allocations, 11);
  for (std::int64_t n = 1; n <= allocations; ++n) {
    SCOPED_TRACE(n);
    const Field f = Run(60, 40, {0, 0, 0, 0}, 1.0, true, n);
    const std::int64_t from_end = allocations - n;  // 0: the last allocation
    if (n == 2 || n == 3 || n == 4) {
      ExpectNoPane(f);  // the mask or a supersampled plane
    } else if (from_end <= 4) {
      // Only what is handed on may go: the pane planes stand as they were.
      EXPECT_EQ(Values(f.distance), Values(reference.distance));
      EXPECT_EQ(Values(f.height), Values(reference.height));
      EXPECT_EQ(f.planes.smooth_field.Empty(), from_end == 4);
      EXPECT_TRUE(f.planes.gradient_x.Empty());
      EXPECT_TRUE(f.planes.gradient_y.Empty());
    } else if (n == 1) {
      EXPECT_GT(f.D(20, 20), 9.0f);  // the byte mask's field
      EXPECT_NE(Values(f.distance), Values(reference.distance));
    }
  }
}

TEST_F(TextDistanceFieldTest, SameBytesWithOneAndWithEightWorkers) {
  // Large enough that every pass of the grid and of the padded planes runs
  // on workers.
  layer_->text.paths = {Box(20, 15, 90, 100), Box(120, 30, 180, 60)};
  auto run = [&](int concurrency) {
    SetHardwareConcurrencyOverride(concurrency);
    Field f = Run(200, 120);
    SetHardwareConcurrencyOverride(-1);
    return f;
  };
  const Field one = run(3);
  const Field eight = run(10);
  EXPECT_EQ(Values(one.distance), Values(eight.distance));
  EXPECT_EQ(Values(one.height), Values(eight.height));
  EXPECT_EQ(Values(one.planes.smooth_field), Values(eight.planes.smooth_field));
  EXPECT_EQ(Values(one.planes.gradient_x), Values(eight.planes.gradient_x));
  EXPECT_EQ(Values(one.planes.gradient_y), Values(eight.planes.gradient_y));
  EXPECT_FALSE(one.planes.gradient_y.Empty());
}

}  // namespace
