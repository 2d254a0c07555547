#include "hostsim/smart_render_call.h"

#include "host/pf_commands.h"
#include "host/pf_errors.h"

namespace hostsim {

namespace {

thread_local SmartRenderCall* t_current_call = nullptr;

// Restores the previous call, so a render sent from inside a callback
// (as a nested host render would) finds its own.
struct CurrentCall {
  SmartRenderCall* previous;
  explicit CurrentCall(SmartRenderCall* call) : previous(t_current_call) { t_current_call = call; }
  ~CurrentCall() { t_current_call = previous; }
};

}  // namespace

SmartRenderCall::SmartRenderCall(const PF_InData& in_data, const ModuleEntryPoints& module, PF_ProgPtr effect_ref)
    : in_data_(in_data), module_(module) {
  in_data_.effect_ref = effect_ref;
  callbacks_.checkout_layer_pixels = &SmartRenderCall::CheckoutLayerPixels;
  callbacks_.checkin_layer_pixels = &SmartRenderCall::CheckinLayerPixels;
  callbacks_.checkout_output = &SmartRenderCall::CheckoutOutput;
}

PF_Err SmartRenderCall::Send() {
  PF_SmartRenderExtra extra{&render_input, &callbacks_};
  return SendWithExtra(&extra);
}

PF_Err SmartRenderCall::SendWithExtra(PF_SmartRenderExtra* extra) {
  CurrentCall current(this);
  return module_.entry_point(PF_Cmd_SMART_RENDER, &in_data_, &out_data_, nullptr, nullptr, extra);
}

PF_Err SmartRenderCall::CheckoutLayerPixels(PF_ProgPtr, A_long checkout_id, PF_EffectWorld** pixels) {
  SmartRenderCall* self = t_current_call;
  if (self == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (pixels == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *pixels = nullptr;
  if (checkout_id != 0) return PF_Err_BAD_CALLBACK_PARAM;
  ++self->input_checkouts;
  if (self->input_checkout_error != 0) return self->input_checkout_error;
  if (self->input_without_pixels) {
    self->empty_input_ = PF_EffectWorld{};
    if (self->input != nullptr) {
      self->empty_input_.width = self->input->width();
      self->empty_input_.height = self->input->height();
      self->empty_input_.world_flags = self->input->world().world_flags;
    }
    *pixels = &self->empty_input_;
  } else if (self->input != nullptr) {
    *pixels = &self->input->world();
  }
  return PF_Err_NONE;
}

PF_Err SmartRenderCall::CheckinLayerPixels(PF_ProgPtr, A_long checkout_id) {
  SmartRenderCall* self = t_current_call;
  if (self == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (checkout_id != 0 || self->input_checkins >= self->input_checkouts) {
    ++self->bad_checkins;
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  ++self->input_checkins;
  return PF_Err_NONE;
}

PF_Err SmartRenderCall::CheckoutOutput(PF_ProgPtr, PF_EffectWorld** output) {
  SmartRenderCall* self = t_current_call;
  if (self == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (output == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *output = nullptr;
  ++self->output_checkouts;
  if (self->output_checkout_error != 0) return self->output_checkout_error;
  if (self->output != nullptr) *output = &self->output->world();
  return PF_Err_NONE;
}

}  // namespace hostsim
