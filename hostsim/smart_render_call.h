// One PF_Cmd_SMART_RENDER as the host sends it: the input layer's pixels
// and the output world lent through the SmartFX callbacks, the pre-render
// record handed back, and switches that make each callback fail or lend a
// world without pixels. The callbacks find their call through the thread
// that sends it, as the plug-in calls them back on its render thread; so
// several calls can run at once on different threads, also for one effect
// instance.
#pragma once
#include "host/pf_in_data.h"
#include "host/pf_smart_fx.h"
#include "hostsim/module_entry_points.h"
#include "hostsim/sim_world.h"

namespace hostsim {

class SmartRenderCall {
 public:
  // effect_ref is the instance's reference as the host hands it in.
  SmartRenderCall(const PF_InData& in_data, const ModuleEntryPoints& module, PF_ProgPtr effect_ref);

  // The worlds lent to the plug-in; null lends none.
  SimWorld* input = nullptr;
  SimWorld* output = nullptr;
  PF_Err input_checkout_error = 0;
  PF_Err output_checkout_error = 0;
  bool input_without_pixels = false;  // lend a world whose data is null

  PF_SmartRenderInput render_input{};  // output_request, bitdepth, pre_render_data

  PF_Err Send();
  PF_Err SendWithExtra(PF_SmartRenderExtra* extra);

  int input_checkouts = 0;
  int input_checkins = 0;
  int output_checkouts = 0;
  int bad_checkins = 0;  // checkins without a checkout, or of another layer

  PF_InData& in_data() { return in_data_; }
  PF_SmartRenderCallbacks& callbacks() { return callbacks_; }

 private:
  static PF_Err CheckoutLayerPixels(PF_ProgPtr effect_ref, A_long checkout_id, PF_EffectWorld** pixels);
  static PF_Err CheckinLayerPixels(PF_ProgPtr effect_ref, A_long checkout_id);
  static PF_Err CheckoutOutput(PF_ProgPtr effect_ref, PF_EffectWorld** output);

  PF_InData in_data_;
  PF_OutData out_data_{};
  ModuleEntryPoints module_;
  PF_SmartRenderCallbacks callbacks_{};
  PF_EffectWorld empty_input_{};
};

}  // namespace hostsim
