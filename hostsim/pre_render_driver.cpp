#include "hostsim/pre_render_driver.h"

namespace hostsim {

PreRenderDriver::PreRenderDriver(CommandDriver& commands, SimEffectInstance& instance)
    : commands_(commands), instance_(instance) {
  PF_InData& in = commands_.in_data();
  in.effect_ref = instance_.effect_ref();
  in.inter.checkout_param = SimCheckoutParam;
  in.inter.checkin_param = SimCheckinParam;
  in.width = 320;
  in.height = 240;
  in.current_time = 0;
  in.time_step = 1;
  in.time_scale = 30;
  input_.output_request.rect = {0, 0, in.width, in.height};
  input_.bitdepth = 8;
  callbacks_.checkout_layer = SimCheckoutLayer;
  callbacks_.GuidMixInPtr = SimGuidMixIn;
}

PreRenderOutcome PreRenderDriver::Run(bool dispose_record) {
  PreRenderOutcome outcome;
  PF_PreRenderInput input = input_;
  PF_PreRenderOutput output = output_before_;
  PF_PreRenderCallbacks callbacks = callbacks_;
  PF_PreRenderExtra extra{&input, &output, &callbacks};
  HandleTable& handles = commands_.host().handles();
  if (new_handle_fill_set_) handles.SetNewFill(new_handle_fill_);
  const int locks_before = handles.LockCount() - handles.UnlockCount();
  outcome.err = commands_.Send(PF_Cmd_SMART_PRE_RENDER, &extra);
  handles.ClearNewFill();
  outcome.record_was_locked = handles.LockCount() - handles.UnlockCount() != locks_before;
  outcome.output = output;
  if (output.pre_render_data != nullptr) {
    auto h = static_cast<PF_Handle>(output.pre_render_data);
    outcome.has_record = handles.IsLive(h);
    outcome.record_size = handles.SizeOf(h);
    outcome.record = handles.Bytes(h);
    if (dispose_record && output.delete_pre_render_data_func != nullptr) {
      output.delete_pre_render_data_func(output.pre_render_data);
    }
  }
  return outcome;
}

PF_Err PreRenderDriver::RunWithNullParts(bool null_input, bool null_output, bool null_callbacks) {
  PF_PreRenderInput input = input_;
  PF_PreRenderOutput output = output_before_;
  PF_PreRenderCallbacks callbacks = callbacks_;
  PF_PreRenderExtra extra{null_input ? nullptr : &input, null_output ? nullptr : &output,
                          null_callbacks ? nullptr : &callbacks};
  return commands_.Send(PF_Cmd_SMART_PRE_RENDER, &extra);
}

}  // namespace hostsim
