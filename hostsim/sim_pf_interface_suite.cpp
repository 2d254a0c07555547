// "AEGP PF Interface Suite" 1 of the simulated host: the effect reference
// is a SimEffectInstance, whose layer is the effect layer; the effect's
// time is its layer's time, so composition time = effect time + the
// layer's offset.
#include <cstdint>

#include "host/pf_errors.h"
#include "host/suites/aegp_pf_interface_suite1.h"
#include "hostsim/host.h"
#include "hostsim/pre_render_suites.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

SimLayer* EffectLayer(PF_ProgPtr effect_ref) {
  SimEffectInstance* instance = SimEffectInstance::FromRef(effect_ref);
  return instance == nullptr ? nullptr : FindLayer(instance->layer);
}

A_Err GetEffectLayer(PF_ProgPtr effect_ref, AEGP_LayerH* layerPH) {
  SimLayer* layer = EffectLayer(effect_ref);
  if (const A_Err err = EnterCall("AEGP_GetEffectLayer", layer ? &layer->failing_calls : nullptr)) return err;
  if (layer == nullptr || layerPH == nullptr) return A_Err_GENERIC;
  *layerPH = reinterpret_cast<AEGP_LayerH>(layer);
  return A_Err_NONE;
}

A_Err ConvertEffectToCompTime(PF_ProgPtr effect_ref, A_long what_time, A_u_long time_scale, A_Time* comp_timePT) {
  SimLayer* layer = EffectLayer(effect_ref);
  if (const A_Err err = EnterCall("AEGP_ConvertEffectToCompTime", layer ? &layer->failing_calls : nullptr)) {
    return err;
  }
  if (layer == nullptr || comp_timePT == nullptr || time_scale == 0 || layer->offset.scale == 0) {
    return A_Err_GENERIC;
  }
  const std::int64_t offset = std::int64_t{layer->offset.value} * time_scale / layer->offset.scale;
  comp_timePT->value = static_cast<A_long>(what_time + offset);
  comp_timePT->scale = time_scale;
  return A_Err_NONE;
}

const AEGP_PFInterfaceSuite1 PF_INTERFACE_SUITE1 = {GetEffectLayer, nullptr, ConvertEffectToCompTime, nullptr,
                                                     nullptr};

}  // namespace

void RegisterSimPFInterfaceSuite(Host& host) {
  host.suites().Register("AEGP PF Interface Suite", 1, &PF_INTERFACE_SUITE1);
}

}  // namespace hostsim
