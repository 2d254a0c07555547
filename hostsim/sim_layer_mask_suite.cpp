// "AEGP Layer Mask Suite" 7 of the simulated host: a layer's masks are its
// SimMask list; mask references are counted by the stream registry, so a
// mask the plug-in does not dispose shows up as a leak.
#include "host/pf_errors.h"
#include "host/suites/aegp_layer_mask_suite7.h"
#include "hostsim/host.h"
#include "hostsim/pre_render_suites.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

A_Err GetLayerNumMasks(AEGP_LayerH layerH, A_long* num_masksPL) {
  SimLayer* layer = FindLayer(layerH);
  if (const A_Err err = EnterCall("AEGP_GetLayerNumMasks", layer ? &layer->failing_calls : nullptr)) return err;
  if (layer == nullptr || num_masksPL == nullptr) return A_Err_GENERIC;
  *num_masksPL = static_cast<A_long>(layer->masks.size());
  return A_Err_NONE;
}

A_Err GetLayerMaskByIndex(AEGP_LayerH layerH, AEGP_MaskIndex mask_index, AEGP_MaskRefH* maskPH) {
  SimLayer* layer = FindLayer(layerH);
  if (const A_Err err = EnterCall("AEGP_GetLayerMaskByIndex", layer ? &layer->failing_calls : nullptr)) return err;
  if (layer == nullptr || maskPH == nullptr) return A_Err_GENERIC;
  if (mask_index < 0 || mask_index >= static_cast<A_long>(layer->masks.size())) return A_Err_GENERIC;
  *maskPH = Host::Current()->streams().NewMaskRef(layer, mask_index);
  return A_Err_NONE;
}

A_Err DisposeMask(AEGP_MaskRefH maskH) {
  if (const A_Err err = EnterCall("AEGP_DisposeMask")) return err;
  return Host::Current()->streams().DisposeMaskRef(maskH) ? A_Err_NONE : A_Err_GENERIC;
}

A_Err GetMaskInvert(AEGP_MaskRefH maskH, A_Boolean* invertPB) {
  SimMask* mask = Host::Current()->streams().ResolveMask(maskH);
  if (const A_Err err = EnterCall("AEGP_GetMaskInvert")) return err;
  if (mask == nullptr || invertPB == nullptr || mask->fail_invert) return A_Err_GENERIC;
  *invertPB = mask->inverted ? 1 : 0;
  return A_Err_NONE;
}

A_Err GetMaskMode(AEGP_MaskRefH maskH, PF_MaskMode* modeP) {
  SimMask* mask = Host::Current()->streams().ResolveMask(maskH);
  if (const A_Err err = EnterCall("AEGP_GetMaskMode")) return err;
  if (mask == nullptr || modeP == nullptr || mask->fail_mode) return A_Err_GENERIC;
  *modeP = mask->mode;
  return A_Err_NONE;
}

AEGP_LayerMaskSuite7 MakeLayerMaskSuite7() {
  AEGP_LayerMaskSuite7 s{};
  s.AEGP_GetLayerNumMasks = GetLayerNumMasks;
  s.AEGP_GetLayerMaskByIndex = GetLayerMaskByIndex;
  s.AEGP_DisposeMask = DisposeMask;
  s.AEGP_GetMaskInvert = GetMaskInvert;
  s.AEGP_GetMaskMode = GetMaskMode;
  return s;
}

const AEGP_LayerMaskSuite7 LAYER_MASK_SUITE7 = MakeLayerMaskSuite7();

}  // namespace

void RegisterSimLayerMaskSuite(Host& host) { host.suites().Register("AEGP Layer Mask Suite", 7, &LAYER_MASK_SUITE7); }

}  // namespace hostsim
