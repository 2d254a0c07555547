// "AEGP Layer Render Options Suite" 2 over the scene: render options of a
// layer are a SimRenderOptions in the host's render book, holding the
// request that AEGP_RenderAndCheckoutLayerFrame will carry out. Operations
// whose names the item render options suite shares are switched
// (CallFailures) under "LayerRenderOptions::<name>"; AEGP_NewFromLayer under
// its own name.
#include "host/pf_errors.h"
#include "host/suites/aegp_layer_render_options_suite2.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

SimRenderOptions* Options(AEGP_LayerRenderOptionsH optionsH) {
  return Host::Current()->renders().layer_options().Find(optionsH);
}

A_Err NewFromLayer(AEGP_PluginID plugin_id, AEGP_LayerH layerH, AEGP_LayerRenderOptionsH* optionsPH) {
  SimLayer* layer = FindLayer(layerH);
  if (const A_Err err = EnterCall("AEGP_NewFromLayer", layer ? &layer->failing_calls : nullptr)) return err;
  if (layer == nullptr || optionsPH == nullptr) return A_Err_GENERIC;
  SimRenderOptions options;
  options.request.layer = layer;
  options.request.plugin_id = plugin_id;
  *optionsPH =
      reinterpret_cast<AEGP_LayerRenderOptionsH>(Host::Current()->renders().layer_options().New(options));
  return A_Err_NONE;
}

A_Err Dispose(AEGP_LayerRenderOptionsH optionsH) {
  if (const A_Err err = EnterCall("LayerRenderOptions::AEGP_Dispose")) return err;
  return Host::Current()->renders().layer_options().Dispose(optionsH) ? A_Err_NONE : A_Err_GENERIC;
}

A_Err SetTime(AEGP_LayerRenderOptionsH optionsH, A_Time time) {
  if (const A_Err err = EnterCall("LayerRenderOptions::AEGP_SetTime")) return err;
  SimRenderOptions* o = Options(optionsH);
  if (o == nullptr || time.scale == 0) return A_Err_GENERIC;
  o->request.time = time;
  o->request.time_set = true;
  return A_Err_NONE;
}

A_Err GetTime(AEGP_LayerRenderOptionsH optionsH, A_Time* timeP) {
  if (const A_Err err = EnterCall("LayerRenderOptions::AEGP_GetTime")) return err;
  SimRenderOptions* o = Options(optionsH);
  if (o == nullptr || timeP == nullptr) return A_Err_GENERIC;
  *timeP = o->request.time;
  return A_Err_NONE;
}

A_Err SetWorldType(AEGP_LayerRenderOptionsH optionsH, AEGP_WorldType type) {
  if (const A_Err err = EnterCall("LayerRenderOptions::AEGP_SetWorldType")) return err;
  SimRenderOptions* o = Options(optionsH);
  if (o == nullptr || type < AEGP_WorldType_8 || type > AEGP_WorldType_32) return A_Err_GENERIC;
  o->request.world_type = type;
  o->request.world_type_set = true;
  return A_Err_NONE;
}

A_Err GetWorldType(AEGP_LayerRenderOptionsH optionsH, AEGP_WorldType* typeP) {
  if (const A_Err err = EnterCall("LayerRenderOptions::AEGP_GetWorldType")) return err;
  SimRenderOptions* o = Options(optionsH);
  if (o == nullptr || typeP == nullptr) return A_Err_GENERIC;
  *typeP = o->request.world_type;
  return A_Err_NONE;
}

A_Err SetDownsampleFactor(AEGP_LayerRenderOptionsH optionsH, A_short x, A_short y) {
  if (const A_Err err = EnterCall("LayerRenderOptions::AEGP_SetDownsampleFactor")) return err;
  SimRenderOptions* o = Options(optionsH);
  if (o == nullptr || x < 1 || y < 1) return A_Err_GENERIC;
  o->request.downsample_x = x;
  o->request.downsample_y = y;
  o->request.downsample_set = true;
  return A_Err_NONE;
}

A_Err GetDownsampleFactor(AEGP_LayerRenderOptionsH optionsH, A_short* xP, A_short* yP) {
  if (const A_Err err = EnterCall("LayerRenderOptions::AEGP_GetDownsampleFactor")) return err;
  SimRenderOptions* o = Options(optionsH);
  if (o == nullptr || xP == nullptr || yP == nullptr) return A_Err_GENERIC;
  *xP = o->request.downsample_x;
  *yP = o->request.downsample_y;
  return A_Err_NONE;
}

A_Err SetMatteMode(AEGP_LayerRenderOptionsH optionsH, AEGP_MatteMode mode) {
  if (const A_Err err = EnterCall("LayerRenderOptions::AEGP_SetMatteMode")) return err;
  SimRenderOptions* o = Options(optionsH);
  if (o == nullptr || mode < AEGP_MatteMode_STRAIGHT || mode > AEGP_MatteMode_PREMUL_BG_COLOR) return A_Err_GENERIC;
  o->request.matte_mode = mode;
  o->request.matte_mode_set = true;
  return A_Err_NONE;
}

A_Err GetMatteMode(AEGP_LayerRenderOptionsH optionsH, AEGP_MatteMode* modeP) {
  if (const A_Err err = EnterCall("LayerRenderOptions::AEGP_GetMatteMode")) return err;
  SimRenderOptions* o = Options(optionsH);
  if (o == nullptr || modeP == nullptr) return A_Err_GENERIC;
  *modeP = o->request.matte_mode;
  return A_Err_NONE;
}

AEGP_LayerRenderOptionsSuite2 MakeSuite() {
  AEGP_LayerRenderOptionsSuite2 s{};
  s.AEGP_NewFromLayer = NewFromLayer;
  s.AEGP_Dispose = Dispose;
  s.AEGP_SetTime = SetTime;
  s.AEGP_GetTime = GetTime;
  s.AEGP_SetWorldType = SetWorldType;
  s.AEGP_GetWorldType = GetWorldType;
  s.AEGP_SetDownsampleFactor = SetDownsampleFactor;
  s.AEGP_GetDownsampleFactor = GetDownsampleFactor;
  s.AEGP_SetMatteMode = SetMatteMode;
  s.AEGP_GetMatteMode = GetMatteMode;
  return s;
}

const AEGP_LayerRenderOptionsSuite2 LAYER_RENDER_OPTIONS_SUITE_2 = MakeSuite();

}  // namespace

void RegisterSimLayerRenderOptionsSuite(Host& host) {
  host.suites().Register("AEGP Layer Render Options Suite", 2, &LAYER_RENDER_OPTIONS_SUITE_2);
}

}  // namespace hostsim
