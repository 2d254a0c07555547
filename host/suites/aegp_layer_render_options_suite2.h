// "AEGP Layer Render Options Suite" version 2: the options of a render of
// one layer on its own (its pixels with its masks and effects, without the
// rest of its composition): the time, the pixel type of the world, the
// downsample factor and the matte mode.
#pragma once
#include "host/aegp_render_types.h"
#include "host/aegp_types.h"

extern "C" {

struct AEGP_LayerRenderOptionsSuite2 {
  A_Err (*AEGP_NewFromLayer)(AEGP_PluginID plugin_id, AEGP_LayerH layerH,
                             AEGP_LayerRenderOptionsH* optionsPH);                                   // 0
  A_Err (*AEGP_NewFromUpstreamOfEffect)(AEGP_PluginID plugin_id, AEGP_EffectRefH effect_refH,
                                        AEGP_LayerRenderOptionsH* optionsPH);                        // 1
  A_Err (*AEGP_NewFromDownstreamOfEffect)(AEGP_PluginID plugin_id, AEGP_EffectRefH effect_refH,
                                          AEGP_LayerRenderOptionsH* optionsPH);                      // 2
  A_Err (*AEGP_Duplicate)(AEGP_PluginID plugin_id, AEGP_LayerRenderOptionsH optionsH,
                          AEGP_LayerRenderOptionsH* copyPH);                                          // 3
  A_Err (*AEGP_Dispose)(AEGP_LayerRenderOptionsH optionsH);                                           // 4
  A_Err (*AEGP_SetTime)(AEGP_LayerRenderOptionsH optionsH, A_Time time);                             // 5
  A_Err (*AEGP_GetTime)(AEGP_LayerRenderOptionsH optionsH, A_Time* timeP);                           // 6
  A_Err (*AEGP_SetTimeStep)(AEGP_LayerRenderOptionsH optionsH, A_Time time_step);                    // 7
  A_Err (*AEGP_GetTimeStep)(AEGP_LayerRenderOptionsH optionsH, A_Time* timePT);                      // 8
  A_Err (*AEGP_SetWorldType)(AEGP_LayerRenderOptionsH optionsH, AEGP_WorldType type);                // 9
  A_Err (*AEGP_GetWorldType)(AEGP_LayerRenderOptionsH optionsH, AEGP_WorldType* typeP);              // 10
  A_Err (*AEGP_SetDownsampleFactor)(AEGP_LayerRenderOptionsH optionsH, A_short x, A_short y);        // 11
  A_Err (*AEGP_GetDownsampleFactor)(AEGP_LayerRenderOptionsH optionsH, A_short* xP, A_short* yP);    // 12
  A_Err (*AEGP_SetMatteMode)(AEGP_LayerRenderOptionsH optionsH, AEGP_MatteMode mode);                // 13
  A_Err (*AEGP_GetMatteMode)(AEGP_LayerRenderOptionsH optionsH, AEGP_MatteMode* modeP);              // 14
};

}  // extern "C"
