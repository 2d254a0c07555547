// The smart render command's own rows: checkouts, the transparent stand-in
// for an input without pixels, and every way rendering cannot happen.
#include "render/smart_render.h"

#include <gtest/gtest.h>

#include "geometry/pre_render_data.h"
#include "host/pf_commands.h"
#include "host/pf_errors.h"
#include "hostsim/smart_render_call.h"
#include "render/allocation_seam.h"
#include "support/frame_fixture.h"

namespace {

using hostsim::SimWorld;

bool AllZero(const SimWorld& w) {
  for (std::uint8_t b : w.PixelBytes()) {
    if (b != 0) return false;
  }
  return true;
}

class SmartRenderTest : public FrameTest {
 protected:
  void SetUp() override {
    hostsim::SceneDesc d;
    d.width = 40;
    d.height = 30;
    Build(d);
  }
  hostsim::SmartRenderCall Call() {
    hostsim::SmartRenderCall call(commands_->in_data(), commands_->module(), built_.instance->effect_ref());
    call.render_input.output_request.rect = {0, 0, 40, 30};
    return call;
  }
  void FillOutput(SimWorld& w) {
    for (A_long y = 0; y < w.height(); ++y)
      for (A_long x = 0; x < w.width(); ++x) w.Pixel8(x, y) = PF_Pixel8{9, 9, 9, 9};
  }
};

TEST_F(SmartRenderTest, MissingExtraPartsReturn516AndCheckNothingOut) {
  hostsim::SmartRenderCall call = Call();
  EXPECT_EQ(call.SendWithExtra(nullptr), PF_Err_BAD_CALLBACK_PARAM);
  PF_SmartRenderExtra no_cb{&call.render_input, nullptr};
  EXPECT_EQ(call.SendWithExtra(&no_cb), PF_Err_BAD_CALLBACK_PARAM);
  PF_SmartRenderExtra no_input{nullptr, &call.callbacks()};
  EXPECT_EQ(call.SendWithExtra(&no_input), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(call.input_checkouts, 0);
  EXPECT_EQ(call.output_checkouts, 0);
}

TEST_F(SmartRenderTest, FailedInputCheckoutClearsTheOutputAndIsNotCheckedIn) {
  SimWorld input(40, 30, false), output(40, 30, false, 12);
  FillOutput(output);
  hostsim::SmartRenderCall call = Call();
  call.input = &input;
  call.output = &output;
  call.input_checkout_error = 33;
  EXPECT_EQ(call.Send(), 33);
  EXPECT_EQ(call.output_checkouts, 1);  // still attempted
  EXPECT_EQ(call.input_checkins, 0);
  EXPECT_TRUE(AllZero(output));
  EXPECT_TRUE(output.PaddingIntact());
}

TEST_F(SmartRenderTest, FailedOutputCheckoutReturnsItsErrorAndChecksTheInputIn) {
  SimWorld input(40, 30, false);
  hostsim::SmartRenderCall call = Call();
  call.input = &input;
  call.output_checkout_error = 44;
  EXPECT_EQ(call.Send(), 44);
  EXPECT_EQ(call.input_checkins, 1);
}

TEST_F(SmartRenderTest, NoOutputWorldOrOneWithoutPixelsReturns516) {
  SimWorld input(40, 30, false), empty(0, 0, false);
  {
    hostsim::SmartRenderCall call = Call();
    call.input = &input;
    EXPECT_EQ(call.Send(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(call.input_checkins, 1);
  }
  {
    hostsim::SmartRenderCall call = Call();
    call.input = &input;
    call.output = &empty;
    EXPECT_EQ(call.Send(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(call.input_checkins, 1);
  }
}

TEST_F(SmartRenderTest, InputWithoutPixelsRendersOverTransparency) {
  SimWorld input(40, 30, false), output(40, 30, false);
  FillOutput(output);
  hostsim::SmartRenderCall call = Call();
  call.input = &input;
  call.output = &output;
  call.input_without_pixels = true;
  EXPECT_EQ(call.Send(), PF_Err_NONE);
  EXPECT_EQ(call.input_checkins, 1);
  // No record: a pass-through of the transparent stand-in.
  EXPECT_TRUE(AllZero(output));
}

TEST_F(SmartRenderTest, SubstituteThatCannotBeAllocatedClearsTheOutput) {
  SimWorld input(40, 30, false), output(40, 30, false, 4);
  FillOutput(output);
  hostsim::SmartRenderCall call = Call();
  call.input = &input;
  call.output = &output;
  call.input_without_pixels = true;
  ArmAllocationFailure(1);
  const PF_Err err = call.Send();
  DisarmAllocationFailure();
  EXPECT_EQ(err, PF_Err_NONE);
  EXPECT_EQ(call.input_checkins, 1);
  EXPECT_TRUE(AllZero(output));
  EXPECT_TRUE(output.PaddingIntact());
}

TEST_F(SmartRenderTest, PipelineThatThrowsReturnsOutOfMemoryAndSettlesTheInput) {
  SimWorld input(40, 30, false), output(40, 30, false);
  // A record whose suite cannot be had: the pipeline throws 516 inside.
  PF_Handle record = host_.handles().New(MATTE_RASTER_OFFSET);
  host_.suites().SetMissing("PF Handle Suite", 2, true);
  hostsim::SmartRenderCall call = Call();
  call.input = &input;
  call.output = &output;
  call.input_without_pixels = true;  // the stand-in must be freed too (ASan sees it)
  call.render_input.pre_render_data = record;
  EXPECT_EQ(call.Send(), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(call.input_checkins, 1);
  EXPECT_EQ(call.bad_checkins, 0);
  host_.handles().Dispose(record);
}

TEST_F(SmartRenderTest, DepthFollowsTheOutputWorld) {
  // A deep output takes the 16-bit pipeline: its pass-through copies whole
  // 8-byte pixels; the 8-bit one would copy half of each row.
  SimWorld input(40, 30, true), output(40, 30, true);
  FillBackground(input);
  hostsim::SmartRenderCall call = Call();
  call.input = &input;
  call.output = &output;
  EXPECT_EQ(call.Send(), PF_Err_NONE);
  EXPECT_EQ(output.PixelBytes(), input.PixelBytes());
}

}  // namespace
