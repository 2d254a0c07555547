// One whole frame the way the host renders it: the smart pre-render (which
// returns the record and its deleter), then the smart render with that
// record over an input world the host made of the layers below, then the
// record handed back to the deleter.
#pragma once
#include "hostsim/command_driver.h"
#include "hostsim/effect_instance.h"
#include "hostsim/pre_render_driver.h"
#include "hostsim/sim_world.h"
#include "hostsim/smart_render_call.h"

namespace hostsim {

struct FrameResult {
  PF_Err pre_render_err = 0;
  PF_Err render_err = 0;
  PF_PreRenderOutput pre_render_output{};
  int input_checkouts = 0;
  int input_checkins = 0;
};

struct FrameRequest {
  PF_LRect rect{0, 0, 0, 0};  // output request; empty: the whole output world
  bool deep = false;
  PF_RationalScale downsample_x{1, 1};
  PF_RationalScale downsample_y{1, 1};
  PF_Quality quality = 1;  // PF_Quality_HI
  A_long layer_width = 0;   // the effect layer's size as PF_InData gives it;
  A_long layer_height = 0;  // 0: the output world's
};

// Renders into `output` from `input` (the layers below, in the same pixel
// frame as the request). The command driver's in_data must already have
// gone through global, parameter and sequence setup.
FrameResult RenderFrame(CommandDriver& commands, SimEffectInstance& instance, const FrameRequest& request,
                        SimWorld& input, SimWorld& output);

}  // namespace hostsim
