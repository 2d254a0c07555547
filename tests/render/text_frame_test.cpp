// Whole frames of a text layer through the entry point: the glyphs of
// DejaVu Sans become the panes, so the picture changes where the letters
// are and nowhere far from them; the same bytes with 1 and with 8 workers;
// and every allocation of the frame failing in turn still completes it.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/pf_errors.h"
#include "hostsim/glyph_outlines.h"
#include "render/allocation_seam.h"
#include "render/parallel_for.h"
#include "support/frame_fixture.h"

namespace {

using hostsim::SceneDesc;
using hostsim::SimWorld;

// "Hi" in a 200 x 120 composition, 80 pixels per em, baseline from (30, 95).
SceneDesc TextScene() {
  SceneDesc d;
  d.width = 200;
  d.height = 120;
  d.layer_kind = SceneDesc::LayerKind::TEXT;
  d.text = "Hi";
  d.font_size = 80;
  d.text_position = {30, 95};
  return d;
}

bool SamePixel(const PF_Pixel8& a, const PF_Pixel8& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

class TextFrameTest : public FrameTest {
 protected:
  void SetUp() override {
    if (!hostsim::GlyphOutlinesAvailable()) GTEST_SKIP() << "no glyph loader or no DejaVu Sans in this build";
  }
};

TEST_F(TextFrameTest, PanesAreWhereTheLettersAre) {
  Build(TextScene());
  ASSERT_FALSE(built_.layer->text.paths.empty());
  SimWorld input(200, 120, false), output(200, 120, false);
  FillBackground(input);
  const hostsim::FrameResult r = Render(input, output);
  ASSERT_EQ(r.pre_render_err, PF_Err_NONE);
  ASSERT_EQ(r.render_err, PF_Err_NONE);
  EXPECT_EQ(r.input_checkins, 1);

  // The H's left stem runs from x = 30 + 201 / 2048 * 80 = 37.9 to 45.7 and
  // from the cap height y = 95 - 1493 / 2048 * 80 = 36.7 down to 95.
  int changed_in_stem = 0;
  for (A_long y = 45; y < 88; ++y) {
    for (A_long x = 39; x < 45; ++x) changed_in_stem += SamePixel(input.Pixel8(x, y), output.Pixel8(x, y)) ? 0 : 1;
  }
  EXPECT_GT(changed_in_stem, 43 * 6 / 2);
  // The H's counter (stems end at x 45.7 and 74.4, the crossbar starts at
  // y 60.6) and the space beyond the letters are no pane; their edges may
  // still be touched within a few pixels.
  const double x_max = 30 + (1540 + 2 * 193 + 184) / 2048.0 * 80;  // past the i
  int changed_far = 0;
  for (A_long y = 0; y < 120; ++y) {
    for (A_long x = 0; x < 200; ++x) {
      const bool far = x < 30 || x > x_max + 4 || y < 28 || y > 100;
      const bool between_stems = x >= 50 && x <= 70 && y >= 40 && y <= 55;
      if (far || between_stems) changed_far += SamePixel(input.Pixel8(x, y), output.Pixel8(x, y)) ? 0 : 1;
    }
  }
  EXPECT_EQ(changed_far, 0);
  EXPECT_TRUE(output.PaddingIntact());
}

TEST_F(TextFrameTest, TextLayerWithoutOutlinesRendersNoPane) {
  SceneDesc d = TextScene();
  d.text = "   ";
  d.controls.magnify = 0;
  Build(d);
  SimWorld input(200, 120, false), output(200, 120, false);
  FillBackground(input);
  ASSERT_EQ(Render(input, output).render_err, PF_Err_NONE);
  EXPECT_EQ(output.PixelBytes(), input.PixelBytes());
}

TEST_F(TextFrameTest, SameBytesWithOneAndWithEightWorkers) {
  for (bool deep : {false, true}) {
    SCOPED_TRACE(deep);
    std::vector<std::uint8_t> bytes[2];
    const int concurrency[2] = {3, 10};
    for (int i = 0; i < 2; ++i) {
      hostsim::Host host;
      SetHardwareConcurrencyOverride(concurrency[i]);
      SceneDesc d = TextScene();
      d.controls.frost = 8;
      d.controls.magnify = 15;
      const hostsim::BuiltScene built = hostsim::BuildScene(host, d);
      hostsim::CommandDriver commands(host, LinkedModule());
      ASSERT_EQ(commands.GlobalSetup(), 0);
      SimWorld input(200, 120, deep), output(200, 120, deep);
      FillBackground(input);
      hostsim::FrameRequest request;
      request.deep = deep;
      EXPECT_EQ(hostsim::RenderFrame(commands, *built.instance, request, input, output).render_err, PF_Err_NONE);
      SetHardwareConcurrencyOverride(-1);
      g_basic_suite = nullptr;
      bytes[i] = output.PixelBytes();
      EXPECT_TRUE(host.Leaks().empty());
    }
    EXPECT_EQ(bytes[0], bytes[1]);
  }
}

TEST_F(TextFrameTest, EveryLaterAllocationFailureStillCompletesTheFrame) {
  Build(TextScene());
  SimWorld input(200, 120, false);
  FillBackground(input);
  SimWorld probe(200, 120, false);
  ResetAllocationSeamCount();
  ASSERT_EQ(Render(input, probe).render_err, PF_Err_NONE);
  const std::int64_t allocations = AllocationSeamCount();
  ASSERT_GE(allocations, 12);
  // The first two are the frame's own pane planes (the frame answers 4).
  for (std::int64_t n = 3; n <= allocations; ++n) {
    SimWorld output(200, 120, false);
    ArmAllocationFailure(n);
    const hostsim::FrameResult r = Render(input, output);
    DisarmAllocationFailure();
    EXPECT_EQ(r.render_err, PF_Err_NONE) << n;
    EXPECT_EQ(r.input_checkins, 1) << n;
    EXPECT_TRUE(output.PaddingIntact()) << n;
  }
}

}  // namespace
