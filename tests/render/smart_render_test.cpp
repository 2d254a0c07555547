// The smart render command's own rows: checkouts, the transparent stand-in
// for an input without pixels, and every way rendering cannot happen.
#include "render/smart_render.h"

#include <gtest/gtest.h>

#include <cstring>

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

// The pipeline goes by the output world's depth alone. Both worlds here
// have 320-byte rows; the input's depth flag says the opposite of the
// output's, so a choice by the input would copy the wrong pixel size.
TEST_F(SmartRenderTest, DepthFollowsTheOutputWorldNotTheInput) {
  for (bool deep_output : {true, false}) {
    SCOPED_TRACE(deep_output);
    SimWorld input(40, 30, !deep_output, deep_output ? 160 : 0);
    SimWorld output(40, 30, deep_output, deep_output ? 0 : 160);
    FillBackground(input);
    hostsim::SmartRenderCall call = Call();
    call.input = &input;
    call.output = &output;
    ASSERT_EQ(call.Send(), PF_Err_NONE);  // no record: a pass-through
    // Each output row holds the first width x output-pixel-size bytes of
    // the input row at its start (for a deep output, the input's padding
    // too); an 8-bit output keeps its padding.
    const std::size_t row_bytes = 40u * (deep_output ? 8u : 4u);
    for (A_long y = 0; y < 30; ++y) {
      const auto* in_row = static_cast<const std::uint8_t*>(input.world().data) + y * input.world().rowbytes;
      const auto* out_row = static_cast<const std::uint8_t*>(output.world().data) + y * output.world().rowbytes;
      ASSERT_EQ(std::memcmp(in_row, out_row, row_bytes), 0) << y;
    }
    EXPECT_TRUE(output.PaddingIntact());
  }
}

// A host that reports an error from checkout_output yet lends a world:
// the world is cleared row by row (padding untouched), the input is
// checked in and the output's error returned.
struct ErringOutputHost {
  static PF_EffectWorld* input;
  static PF_EffectWorld* output;
  static int checkins;
  static PF_Err CheckoutInput(PF_ProgPtr, A_long, PF_EffectWorld** world) {
    *world = input;
    return PF_Err_NONE;
  }
  static PF_Err Checkin(PF_ProgPtr, A_long layer) {
    checkins += layer == 0 ? 1 : 100;
    return PF_Err_NONE;
  }
  static PF_Err CheckoutOutput(PF_ProgPtr, PF_EffectWorld** world) {
    *world = output;
    return 45;
  }
};
PF_EffectWorld* ErringOutputHost::input = nullptr;
PF_EffectWorld* ErringOutputHost::output = nullptr;
int ErringOutputHost::checkins = 0;

TEST_F(SmartRenderTest, FailedOutputCheckoutWithAWorldClearsIt) {
  SimWorld input(40, 30, false), output(40, 30, false, 12);
  FillOutput(output);
  ErringOutputHost::input = &input.world();
  ErringOutputHost::output = &output.world();
  ErringOutputHost::checkins = 0;
  PF_SmartRenderCallbacks cb{};
  cb.checkout_layer_pixels = &ErringOutputHost::CheckoutInput;
  cb.checkin_layer_pixels = &ErringOutputHost::Checkin;
  cb.checkout_output = &ErringOutputHost::CheckoutOutput;
  PF_SmartRenderInput render_input{};
  PF_SmartRenderExtra extra{&render_input, &cb};
  PF_InData in_data = commands_->in_data();
  EXPECT_EQ(SmartRender(&in_data, nullptr, &extra), 45);
  EXPECT_EQ(ErringOutputHost::checkins, 1);
  EXPECT_TRUE(AllZero(output));
  EXPECT_TRUE(output.PaddingIntact());
}

}  // namespace
