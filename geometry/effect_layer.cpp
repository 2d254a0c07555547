#include "geometry/effect_layer.h"

#include "host/pf_errors.h"
#include "host/suites/aegp_layer_suite11.h"
#include "host/suites/aegp_pf_interface_suite1.h"
#include "shell/suite_handler.h"

AEGP_LayerH GetEffectLayer(SuiteHandler& suites, const PF_InData* in_data) {
  const AEGP_PFInterfaceSuite1* pf_interface = suites.PFInterfaceSuiteV1();
  AEGP_LayerH layer = nullptr;
  if (pf_interface->AEGP_GetEffectLayer == nullptr ||
      pf_interface->AEGP_GetEffectLayer(in_data->effect_ref, &layer) != A_Err_NONE) {
    return nullptr;
  }
  return layer;
}

AEGP_ObjectType GetLayerObjectType(SuiteHandler& suites, AEGP_LayerH layer) {
  if (layer == nullptr) return AEGP_ObjectType_NONE;
  const AEGP_LayerSuite11* layers = suites.LayerSuiteV11();
  AEGP_ObjectType type = AEGP_ObjectType_NONE;
  if (layers->AEGP_GetLayerObjectType == nullptr || layers->AEGP_GetLayerObjectType(layer, &type) != A_Err_NONE) {
    return AEGP_ObjectType_NONE;
  }
  return type;
}

AEGP_LayerFlags GetLayerFlags(SuiteHandler& suites, AEGP_LayerH layer) {
  if (layer == nullptr) return 0;
  const AEGP_LayerSuite11* layers = suites.LayerSuiteV11();
  AEGP_LayerFlags flags = 0;
  if (layers->AEGP_GetLayerFlags == nullptr || layers->AEGP_GetLayerFlags(layer, &flags) != A_Err_NONE) return 0;
  return flags;
}
