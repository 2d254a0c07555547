#include "hostsim/sim_layer_ops.h"

#include <cstdint>

#include "host/pf_errors.h"
#include "host/suites/aegp_layer_suite13.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

// Counts the call and applies the switches; the layer when it may go on.
SimLayer* EnterLayerCall(const char* call, AEGP_LayerH layerH, A_Err* err) {
  SimLayer* layer = FindLayer(layerH);
  *err = EnterCall(call, layer ? &layer->failing_calls : nullptr);
  if (*err == A_Err_NONE && layer == nullptr) *err = A_Err_GENERIC;
  return *err == A_Err_NONE ? layer : nullptr;
}

}  // namespace

A_Err SimGetLayerSourceItem(AEGP_LayerH layerH, AEGP_ItemH* source_itemPH) {
  A_Err err = A_Err_NONE;
  SimLayer* layer = EnterLayerCall("AEGP_GetLayerSourceItem", layerH, &err);
  if (layer == nullptr || source_itemPH == nullptr) return err ? err : A_Err_GENERIC;
  *source_itemPH = reinterpret_cast<AEGP_ItemH>(layer->source);
  return A_Err_NONE;
}

A_Err SimGetLayerParentComp(AEGP_LayerH layerH, AEGP_CompH* compPH) {
  A_Err err = A_Err_NONE;
  SimLayer* layer = EnterLayerCall("AEGP_GetLayerParentComp", layerH, &err);
  if (layer == nullptr || compPH == nullptr) return err ? err : A_Err_GENERIC;
  SimComposition* comp = Host::Current()->scene().CompositionOf(layer);
  if (comp == nullptr) return A_Err_GENERIC;
  *compPH = reinterpret_cast<AEGP_CompH>(comp);
  return A_Err_NONE;
}

A_Err SimGetLayerOffset(AEGP_LayerH layerH, A_Time* offsetPT) {
  A_Err err = A_Err_NONE;
  SimLayer* layer = EnterLayerCall("AEGP_GetLayerOffset", layerH, &err);
  if (layer == nullptr || offsetPT == nullptr) return err ? err : A_Err_GENERIC;
  *offsetPT = layer->offset;
  return A_Err_NONE;
}

A_Err SimGetLayerTransferMode(AEGP_LayerH layerH, AEGP_LayerTransferMode* transfer_modeP) {
  A_Err err = A_Err_NONE;
  SimLayer* layer = EnterLayerCall("AEGP_GetLayerTransferMode", layerH, &err);
  if (layer == nullptr || transfer_modeP == nullptr) return err ? err : A_Err_GENERIC;
  *transfer_modeP = layer->transfer_mode;
  return A_Err_NONE;
}

A_Err SimGetLayerToWorldXform(AEGP_LayerH layerH, const A_Time* comp_timeP, A_Matrix4* transform) {
  A_Err err = A_Err_NONE;
  SimLayer* layer = EnterLayerCall("AEGP_GetLayerToWorldXform", layerH, &err);
  if (layer == nullptr || comp_timeP == nullptr || transform == nullptr) return err ? err : A_Err_GENERIC;
  *transform = layer->layer_to_world;
  return A_Err_NONE;
}

A_Err SimGetLayerParent(AEGP_LayerH layerH, AEGP_LayerH* parent_layerPH) {
  A_Err err = A_Err_NONE;
  SimLayer* layer = EnterLayerCall("AEGP_GetLayerParent", layerH, &err);
  if (layer == nullptr || parent_layerPH == nullptr) return err ? err : A_Err_GENERIC;
  *parent_layerPH = reinterpret_cast<AEGP_LayerH>(layer->parent);
  return A_Err_NONE;
}

A_Err SimGetTrackMatteLayer(AEGP_LayerH layerH, AEGP_LayerH* track_matte_layerPH) {
  A_Err err = A_Err_NONE;
  SimLayer* layer = EnterLayerCall("AEGP_GetTrackMatteLayer", layerH, &err);
  if (layer == nullptr || track_matte_layerPH == nullptr) return err ? err : A_Err_GENERIC;
  *track_matte_layerPH = reinterpret_cast<AEGP_LayerH>(layer->track_matte);
  return A_Err_NONE;
}

A_Err SimConvertCompToLayerTime(AEGP_LayerH layerH, const A_Time* comp_timeP, A_Time* layer_timeP) {
  A_Err err = A_Err_NONE;
  SimLayer* layer = EnterLayerCall("AEGP_ConvertCompToLayerTime", layerH, &err);
  if (layer == nullptr || comp_timeP == nullptr || layer_timeP == nullptr) return err ? err : A_Err_GENERIC;
  if (comp_timeP->scale == 0 || layer->offset.scale == 0) return A_Err_GENERIC;
  const std::int64_t offset = std::int64_t{layer->offset.value} * comp_timeP->scale / layer->offset.scale;
  layer_timeP->value = static_cast<A_long>(comp_timeP->value - offset);
  layer_timeP->scale = comp_timeP->scale;
  return A_Err_NONE;
}

namespace {

AEGP_LayerSuite13 MakeLayerSuite13() {
  AEGP_LayerSuite13 s{};
  s.AEGP_GetLayerSourceItem = SimGetLayerSourceItem;
  s.AEGP_GetLayerParentComp = SimGetLayerParentComp;
  s.AEGP_GetLayerOffset = SimGetLayerOffset;
  s.AEGP_GetLayerParent = SimGetLayerParent;
  return s;
}

const AEGP_LayerSuite13 LAYER_SUITE_13 = MakeLayerSuite13();

}  // namespace

void RegisterSimLayerSuite13(Host& host) { host.suites().Register("AEGP Layer Suite", 13, &LAYER_SUITE_13); }

}  // namespace hostsim
