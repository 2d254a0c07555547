// Whole frames of an adjustment layer with a track matte through the
// simulated host: the pre-render renders the matte into the record and the
// pipeline finds its panes there. Pixels far from the matte pass unchanged,
// pixels inside it are refracted; the bytes do not depend on the thread
// count, and every allocation failing in turn still completes the frame.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/pf_errors.h"
#include "render/allocation_seam.h"
#include "render/parallel_for.h"
#include "support/frame_fixture.h"

namespace {

using hostsim::SceneDesc;
using hostsim::SimWorld;
using hostsim::TrackMatteDesc;

// A 160 x 120 composition; the effect sits on an adjustment solid whose
// track matte is an ellipse, or a square image, at the centre.
SceneDesc MatteScene(TrackMatteDesc::Kind kind, int mode = 1) {
  SceneDesc d;
  d.width = 160;
  d.height = 120;
  d.layer_kind = SceneDesc::LayerKind::SOLID;
  d.controls.depth = 10;
  TrackMatteDesc m;
  m.kind = kind;
  m.mode = mode;
  m.shapes.push_back({true, {80, 60}, {70, 50}});
  m.image_width = 40;
  m.image_height = 40;
  m.image_alpha.assign(40 * 40, 255);
  m.position = {60, 40};
  d.track_matte = m;
  return d;
}

bool SamePixel(const SimWorld& a, const SimWorld& b, A_long x, A_long y) {
  if (a.deep()) {
    const PF_Pixel16 p = a.Pixel16(x, y), q = b.Pixel16(x, y);
    return p.alpha == q.alpha && p.red == q.red && p.green == q.green && p.blue == q.blue;
  }
  const PF_Pixel8 p = a.Pixel8(x, y), q = b.Pixel8(x, y);
  return p.alpha == q.alpha && p.red == q.red && p.green == q.green && p.blue == q.blue;
}

using MatteFrameTest = FrameTest;

TEST_F(MatteFrameTest, PanesAppearWhereTheMatteIs) {
  struct Case {
    TrackMatteDesc::Kind kind;
    int mode;
    bool deep;
  };
  // The shape matte goes through the layer render, the image (footage)
  // matte through the item render's distance codes.
  for (const Case c : {Case{TrackMatteDesc::Kind::SHAPE, 1, false}, Case{TrackMatteDesc::Kind::SHAPE, 1, true},
                       Case{TrackMatteDesc::Kind::IMAGE, 1, false}}) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.kind) << " deep " << c.deep);
    Build(MatteScene(c.kind, c.mode));
    SimWorld input(160, 120, c.deep), output(160, 120, c.deep);
    FillBackground(input);
    const hostsim::FrameResult r = Render(input, output);
    ASSERT_EQ(r.pre_render_err, PF_Err_NONE);
    ASSERT_EQ(r.render_err, PF_Err_NONE);
    EXPECT_EQ(r.input_checkins, r.input_checkouts);
    const std::vector<hostsim::SimRenderRequest> renders = host_.renders().Renders();
    ASSERT_FALSE(renders.empty());
    EXPECT_EQ(renders.back().item != nullptr, c.kind == TrackMatteDesc::Kind::IMAGE);
    int inside = 0, inside_changed = 0;
    for (A_long y = 0; y < 120; ++y) {
      for (A_long x = 0; x < 160; ++x) {
        const bool in_matte = c.kind == TrackMatteDesc::Kind::SHAPE
                                  ? std::pow((x + 0.5 - 80) / 33.0, 2) + std::pow((y + 0.5 - 60) / 23.0, 2) < 1.0
                                  : x >= 62 && x < 98 && y >= 42 && y < 78;
        const bool far = c.kind == TrackMatteDesc::Kind::SHAPE
                             ? std::pow((x + 0.5 - 80) / 40.0, 2) + std::pow((y + 0.5 - 60) / 30.0, 2) > 1.0
                             : x < 55 || x >= 105 || y < 35 || y >= 85;
        if (far) {
          ASSERT_TRUE(SamePixel(input, output, x, y)) << x << "," << y;
        } else if (in_matte) {
          ++inside;
          if (!SamePixel(input, output, x, y)) ++inside_changed;
        }
      }
    }
    // A pane's flat top refracts little; its sloped rim and the light change
    // a good part of it.
    EXPECT_GT(inside_changed, inside / 4);
    commands_->SequenceSetdown();
    commands_.reset();
  }
}

TEST_F(MatteFrameTest, BytesDoNotDependOnTheThreadCount) {
  Build(MatteScene(TrackMatteDesc::Kind::SHAPE, 3));
  SimWorld input(160, 120, false), one(160, 120, false), many(160, 120, false);
  FillBackground(input);
  SetHardwareConcurrencyOverride(1);
  ASSERT_EQ(Render(input, one).render_err, PF_Err_NONE);
  SetHardwareConcurrencyOverride(10);
  ASSERT_EQ(Render(input, many).render_err, PF_Err_NONE);
  SetHardwareConcurrencyOverride(-1);
  EXPECT_EQ(one.PixelBytes(), many.PixelBytes());
}

TEST_F(MatteFrameTest, EveryAllocationFailingInTurnCompletesTheFrame) {
  Build(MatteScene(TrackMatteDesc::Kind::IMAGE));
  SimWorld input(160, 120, false), output(160, 120, false);
  FillBackground(input);
  ResetAllocationSeamCount();
  ASSERT_EQ(Render(input, output).render_err, PF_Err_NONE);
  const std::int64_t total = AllocationSeamCount();
  ASSERT_GT(total, 20);
  int out_of_memory = 0;
  for (std::int64_t n = 1; n <= total; ++n) {
    SCOPED_TRACE(n);
    SimWorld out(160, 120, false);
    ArmAllocationFailure(n);
    const hostsim::FrameResult r = Render(input, out);
    DisarmAllocationFailure();
    EXPECT_EQ(r.pre_render_err, PF_Err_NONE);
    EXPECT_EQ(r.input_checkins, r.input_checkouts);
    EXPECT_EQ(host_.renders().receipts().Live(), 0);
    // Only the pipeline's two pane planes are worth an error.
    if (r.render_err == PF_Err_OUT_OF_MEMORY) {
      ++out_of_memory;
    } else {
      EXPECT_EQ(r.render_err, PF_Err_NONE);
    }
  }
  EXPECT_EQ(out_of_memory, 2);
}

}  // namespace
