// "AEGP Effect Suite" version 4: the effects applied to a layer, looked up
// by index from 0 in the layer's effect stack. Every effect reference that
// AEGP_GetLayerEffectByIndex hands out must be given back through
// AEGP_DisposeEffect.
#pragma once
#include "host/aegp_types.h"
#include "host/pf_commands.h"
#include "host/pf_param_def.h"

extern "C" {

using AEGP_EffectIndex = A_long;

struct AEGP_EffectSuite4 {
  A_Err (*AEGP_GetLayerNumEffects)(AEGP_LayerH layerH, A_long* num_effectsPL);                     // 0
  A_Err (*AEGP_GetLayerEffectByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH,
                                      AEGP_EffectIndex layer_effect_indexL, AEGP_EffectRefH* effectPH);  // 1
  A_Err (*AEGP_GetInstalledKeyFromLayerEffect)(AEGP_EffectRefH effect_refH,
                                               AEGP_InstalledEffectKey* installed_keyP);           // 2
  A_Err (*AEGP_GetEffectParamUnionByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_EffectRefH effect_refH,
                                           PF_ParamIndex param_index, PF_ParamType* param_typeP,
                                           PF_ParamDefUnion* uP0);                                 // 3
  A_Err (*AEGP_GetEffectFlags)(AEGP_EffectRefH effect_refH, AEGP_EffectFlags* effect_flagsP);      // 4
  A_Err (*AEGP_SetEffectFlags)(AEGP_EffectRefH effect_refH, AEGP_EffectFlags effect_flags_set_mask,
                               AEGP_EffectFlags effect_flags);                                     // 5
  A_Err (*AEGP_ReorderEffect)(AEGP_EffectRefH effect_refH, A_long effect_indexL);                 // 6
  A_Err (*AEGP_EffectCallGeneric)(AEGP_PluginID aegp_plugin_id, AEGP_EffectRefH effect_refH,
                                  const A_Time* timePT, PF_Cmd effect_cmd, void* effect_extraPV);  // 7
  A_Err (*AEGP_DisposeEffect)(AEGP_EffectRefH effect_refH);                                        // 8
  A_Err (*AEGP_ApplyEffect)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH,
                            AEGP_InstalledEffectKey installed_key, AEGP_EffectRefH* effect_refPH);  // 9
  A_Err (*AEGP_DeleteLayerEffect)(AEGP_EffectRefH effect_refH);                                    // 10
  A_Err (*AEGP_GetNumInstalledEffects)(A_long* num_installed_effectsPL);                           // 11
  A_Err (*AEGP_GetNextInstalledEffect)(AEGP_InstalledEffectKey key, AEGP_InstalledEffectKey* next_keyPH);  // 12
  // The name buffers hold AEGP_MAX_EFFECT_NAME_SIZE + 1 and
  // AEGP_MAX_EFFECT_MATCH_NAME_SIZE + 1 bytes.
  A_Err (*AEGP_GetEffectName)(AEGP_InstalledEffectKey installed_key, A_char* nameZ);               // 13
  A_Err (*AEGP_GetEffectMatchName)(AEGP_InstalledEffectKey installed_key, A_char* matchNameZ);     // 14
  A_Err (*AEGP_GetEffectCategory)(AEGP_InstalledEffectKey installed_key, A_char* categoryZ);       // 15
  A_Err (*AEGP_DuplicateEffect)(AEGP_EffectRefH orig_effect_refH, AEGP_EffectRefH* dupe_refPH);    // 16
};

}  // extern "C"
