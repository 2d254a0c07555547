// One applied instance of the effect as the simulated host sees it: the
// layer that carries it, the control values it serves at checkout, and what
// the plug-in asked of the SmartFX callbacks (layer checkouts, GUID mix-in
// blocks). The effect reference handed to the plug-in points at this
// object, so every callback that gets the reference finds its instance.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/pf_in_data.h"
#include "host/pf_param_def.h"
#include "host/pf_smart_fx.h"

namespace hostsim {

struct SimLayer;

struct ParamCheckoutCall {
  PF_ParamIndex index = 0;
  A_long what_time = 0;
  A_long time_step = 0;
  A_u_long time_scale = 0;
};

struct LayerCheckoutCall {
  PF_ParamIndex index = 0;
  A_long checkout_id = 0;
  PF_RenderRequest request{};
  A_long what_time = 0;
  A_long time_step = 0;
  A_u_long time_scale = 0;
};

class SimEffectInstance {
 public:
  explicit SimEffectInstance(SimLayer* layer);
  ~SimEffectInstance();
  SimEffectInstance(const SimEffectInstance&) = delete;
  SimEffectInstance& operator=(const SimEffectInstance&) = delete;

  // The reference handed to the plug-in, and the way back (null for a
  // reference that is no live instance).
  PF_ProgPtr effect_ref() { return reinterpret_cast<PF_ProgPtr>(this); }
  static SimEffectInstance* FromRef(PF_ProgPtr ref);

  // The layer that carries the effect; null makes AEGP_GetEffectLayer fail.
  SimLayer* layer = nullptr;
  // Parameters the host knows, 0 to count - 1 (index 0 is the input).
  A_long param_count = 15;

  // Control values served at checkout.
  void SetFloatSlider(PF_ParamIndex index, double value);
  void SetAngle(PF_ParamIndex index, PF_Fixed value);
  // Checkout or check-in of this index answers `err`.
  void FailCheckout(PF_ParamIndex index, PF_Err err);
  void FailCheckin(PF_ParamIndex index, PF_Err err);

  // What checkout_layer answers, and what it was asked.
  PF_Err checkout_layer_err = 0;
  std::vector<LayerCheckoutCall> LayerCheckouts() const;
  // Every block fed to GuidMixInPtr, in call order.
  std::vector<std::vector<std::uint8_t>> GuidBlocks() const;
  std::vector<ParamCheckoutCall> ParamCheckouts() const;
  std::vector<PF_ParamIndex> ParamCheckins() const;
  // Parameter records checked out and not checked in.
  int OutstandingParams() const;
  void ClearLog();

  // Called by the C callbacks.
  PF_Err CheckoutParam(PF_ParamIndex index, A_long what_time, A_long time_step, A_u_long time_scale,
                       PF_ParamDef* param);
  PF_Err CheckinParam(PF_ParamDef* param);
  PF_Err CheckoutLayer(PF_ParamIndex index, A_long checkout_id, const PF_RenderRequest* request, A_long what_time,
                       A_long time_step, A_u_long time_scale, PF_CheckoutResult* result);
  PF_Err GuidMixIn(A_u_long size, const void* buf);

 private:
  mutable std::mutex mutex_;
  std::map<PF_ParamIndex, PF_ParamDef> values_;
  std::map<PF_ParamIndex, PF_Err> checkout_failures_;
  std::map<PF_ParamIndex, PF_Err> checkin_failures_;
  std::map<const PF_ParamDef*, PF_ParamIndex> outstanding_;
  std::vector<ParamCheckoutCall> param_checkouts_;
  std::vector<PF_ParamIndex> param_checkins_;
  std::vector<LayerCheckoutCall> layer_checkouts_;
  std::vector<std::vector<std::uint8_t>> guid_blocks_;
};

// The interact and SmartFX callbacks, for a driver to put into its records.
PF_Err SimCheckoutParam(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time, A_long time_step,
                        A_u_long time_scale, PF_ParamDef* param);
PF_Err SimCheckinParam(PF_ProgPtr effect_ref, PF_ParamDef* param);
PF_Err SimCheckoutLayer(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_id, const PF_RenderRequest* req,
                        A_long what_time, A_long time_step, A_u_long time_scale, PF_CheckoutResult* result);
PF_Err SimGuidMixIn(PF_ProgPtr effect_ref, A_u_long size, const void* buf);

}  // namespace hostsim
