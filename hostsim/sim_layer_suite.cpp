// "AEGP Layer Suite" 11 and 15 over the scene. Both versions share one
// layout, so one set of functions serves both tables. Layers are SimLayer
// addresses; index 0 is the top of the composition's layer stack.
#include "host/pf_errors.h"
#include "host/suites/aegp_layer_suite11.h"
#include "host/suites/aegp_layer_suite15.h"
#include "hostsim/host.h"
#include "hostsim/sim_layer_ops.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

A_Err GetCompNumLayers(AEGP_CompH compH, A_long* num_layersPL) {
  SimComposition* comp = FindComposition(compH);
  if (const A_Err err = EnterCall("AEGP_GetCompNumLayers", comp ? &comp->failing_calls : nullptr)) return err;
  if (comp == nullptr || num_layersPL == nullptr) return A_Err_GENERIC;
  *num_layersPL = static_cast<A_long>(comp->layers.size());
  return A_Err_NONE;
}

A_Err GetCompLayerByIndex(AEGP_CompH compH, A_long layer_indexL, AEGP_LayerH* layerPH) {
  SimComposition* comp = FindComposition(compH);
  if (const A_Err err = EnterCall("AEGP_GetCompLayerByIndex", comp ? &comp->failing_calls : nullptr)) return err;
  if (comp == nullptr || layerPH == nullptr) return A_Err_GENERIC;
  *layerPH = nullptr;
  if (layer_indexL < 0 || layer_indexL >= static_cast<A_long>(comp->layers.size())) return A_Err_GENERIC;
  *layerPH = reinterpret_cast<AEGP_LayerH>(&comp->layers[static_cast<std::size_t>(layer_indexL)]);
  return A_Err_NONE;
}

A_Err GetLayerFlags(AEGP_LayerH layerH, AEGP_LayerFlags* layer_flagsP) {
  SimLayer* layer = FindLayer(layerH);
  if (const A_Err err = EnterCall("AEGP_GetLayerFlags", layer ? &layer->failing_calls : nullptr)) return err;
  if (layer == nullptr || layer_flagsP == nullptr) return A_Err_GENERIC;
  *layer_flagsP = layer->flags;
  return A_Err_NONE;
}

A_Err GetLayerObjectType(AEGP_LayerH layerH, AEGP_ObjectType* object_type) {
  SimLayer* layer = FindLayer(layerH);
  if (const A_Err err = EnterCall("AEGP_GetLayerObjectType", layer ? &layer->failing_calls : nullptr)) return err;
  if (layer == nullptr || object_type == nullptr) return A_Err_GENERIC;
  *object_type = layer->object_type;
  return A_Err_NONE;
}

A_Err GetLayerID(AEGP_LayerH layerH, AEGP_LayerIDVal* id_valP) {
  SimLayer* layer = FindLayer(layerH);
  if (const A_Err err = EnterCall("AEGP_GetLayerID", layer ? &layer->failing_calls : nullptr)) return err;
  if (layer == nullptr || id_valP == nullptr) return A_Err_GENERIC;
  *id_valP = layer->id;
  return A_Err_NONE;
}

template <typename Suite>
Suite MakeLayerSuite() {
  Suite s{};
  s.AEGP_GetCompNumLayers = GetCompNumLayers;
  s.AEGP_GetCompLayerByIndex = GetCompLayerByIndex;
  s.AEGP_GetLayerFlags = GetLayerFlags;
  s.AEGP_GetLayerObjectType = GetLayerObjectType;
  s.AEGP_GetLayerID = GetLayerID;
  // What the smart pre-render reads (hostsim/sim_layer_ops.cpp).
  s.AEGP_GetLayerSourceItem = SimGetLayerSourceItem;
  s.AEGP_GetLayerParentComp = SimGetLayerParentComp;
  s.AEGP_GetLayerOffset = SimGetLayerOffset;
  s.AEGP_GetLayerTransferMode = SimGetLayerTransferMode;
  s.AEGP_GetLayerToWorldXform = SimGetLayerToWorldXform;
  s.AEGP_GetLayerParent = SimGetLayerParent;
  s.AEGP_GetTrackMatteLayer = SimGetTrackMatteLayer;
  s.AEGP_ConvertCompToLayerTime = SimConvertCompToLayerTime;
  return s;
}

const AEGP_LayerSuite11 LAYER_SUITE_11 = MakeLayerSuite<AEGP_LayerSuite11>();
const AEGP_LayerSuite15 LAYER_SUITE_15 = MakeLayerSuite<AEGP_LayerSuite15>();

}  // namespace

void InstallLayerSuites(Host& host) {
  host.suites().Register("AEGP Layer Suite", 11, &LAYER_SUITE_11);
  host.suites().Register("AEGP Layer Suite", 15, &LAYER_SUITE_15);
}

}  // namespace hostsim
