// "AEGP PF Interface Suite" version 1: from an effect instance to the layer
// that carries it, and from the effect's time to its composition's time.
#pragma once
#include "host/aegp_types.h"
#include "host/pf_basic_types.h"

extern "C" {

struct AEGP_PFInterfaceSuite1 {
  A_Err (*AEGP_GetEffectLayer)(PF_ProgPtr effect_ref, AEGP_LayerH* layer);
  A_Err (*AEGP_GetNewEffectForEffect)(AEGP_PluginID aegp_plugin_id, PF_ProgPtr effect_ref, AEGP_EffectRefH* effect);
  A_Err (*AEGP_ConvertEffectToCompTime)(PF_ProgPtr effect_ref, A_long what_time, A_u_long time_scale,
                                        A_Time* comp_time);
  A_Err (*AEGP_GetEffectCamera)(PF_ProgPtr effect_ref, const A_Time* comp_time, AEGP_LayerH* camera_layer);
  A_Err (*AEGP_GetEffectCameraMatrix)(PF_ProgPtr effect_ref, const A_Time* comp_time, A_Matrix4* camera_matrix,
                                      A_FpLong* dist_to_image_plane, A_short* image_plane_width,
                                      A_short* image_plane_height);
};

}  // extern "C"
