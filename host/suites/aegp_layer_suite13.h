// "AEGP Layer Suite" version 13, as far as the pre-render uses it: the
// layer's time offset (operation 18) and its parent (operation 41). The
// operations before them keep the host's positions.
#pragma once
#include <cstddef>

#include "host/aegp_types.h"

extern "C" {

struct AEGP_LayerSuite13 {
  A_Err (*AEGP_GetCompNumLayers)(AEGP_CompH comp, A_long* num_layers);
  A_Err (*AEGP_GetCompLayerByIndex)(AEGP_CompH comp, A_long layer_index, AEGP_LayerH* layer);
  A_Err (*AEGP_GetActiveLayer)(AEGP_LayerH* layer);
  A_Err (*AEGP_GetLayerIndex)(AEGP_LayerH layer, A_long* layer_index);
  A_Err (*AEGP_GetLayerSourceItem)(AEGP_LayerH layer, AEGP_ItemH* source_item);
  A_Err (*AEGP_GetLayerSourceItemID)(AEGP_LayerH layer, AEGP_ItemID* source_item_id);
  A_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH layer, AEGP_CompH* comp);
  A_Err (*AEGP_GetLayerName)(AEGP_PluginID plugin_id, AEGP_LayerH layer, AEGP_MemHandle* layer_name,
                             AEGP_MemHandle* source_name);
  A_Err (*AEGP_GetLayerQuality)(AEGP_LayerH layer, AEGP_LayerQuality* quality);
  A_Err (*AEGP_SetLayerQuality)(AEGP_LayerH layer, AEGP_LayerQuality quality);
  A_Err (*AEGP_GetLayerFlags)(AEGP_LayerH layer, AEGP_LayerFlags* layer_flags);
  A_Err (*AEGP_SetLayerFlag)(AEGP_LayerH layer, AEGP_LayerFlags single_flag, A_Boolean value);
  A_Err (*AEGP_IsLayerVideoReallyOn)(AEGP_LayerH layer, A_Boolean* on);
  A_Err (*AEGP_IsLayerAudioReallyOn)(AEGP_LayerH layer, A_Boolean* on);
  A_Err (*AEGP_GetLayerCurrentTime)(AEGP_LayerH layer, AEGP_LTimeMode time_mode, A_Time* curr_time);
  A_Err (*AEGP_GetLayerInPoint)(AEGP_LayerH layer, AEGP_LTimeMode time_mode, A_Time* in_point);
  A_Err (*AEGP_GetLayerDuration)(AEGP_LayerH layer, AEGP_LTimeMode time_mode, A_Time* duration);
  A_Err (*AEGP_SetLayerInPointAndDuration)(AEGP_LayerH layer, AEGP_LTimeMode time_mode, const A_Time* in_point,
                                           const A_Time* duration);
  A_Err (*AEGP_GetLayerOffset)(AEGP_LayerH layer, A_Time* offset);
  A_Err (*AEGP_SetLayerOffset)(AEGP_LayerH layer, const A_Time* offset);
  void* reserved_20_to_40[21];
  A_Err (*AEGP_GetLayerParent)(AEGP_LayerH layer, AEGP_LayerH* parent_layer);
  A_Err (*AEGP_SetLayerParent)(AEGP_LayerH layer, const AEGP_LayerH parent_layer);
};
static_assert(offsetof(AEGP_LayerSuite13, AEGP_GetLayerOffset) == 18 * sizeof(void*));
static_assert(offsetof(AEGP_LayerSuite13, AEGP_GetLayerParent) == 41 * sizeof(void*));

}  // extern "C"
