// "AEGP Render Options Suite" version 3: the options of a render of one
// project item (a composition or footage): the time, the pixel type of the
// world, the downsample factor (a whole number of pixels per rendered
// pixel on each axis), the region of interest and the matte mode.
#pragma once
#include "host/aegp_render_types.h"
#include "host/aegp_types.h"

extern "C" {

struct AEGP_RenderOptionsSuite3 {
  A_Err (*AEGP_NewFromItem)(AEGP_PluginID plugin_id, AEGP_ItemH itemH, AEGP_RenderOptionsH* optionsPH);  // 0
  A_Err (*AEGP_Duplicate)(AEGP_PluginID plugin_id, AEGP_RenderOptionsH optionsH,
                          AEGP_RenderOptionsH* copyPH);                                               // 1
  A_Err (*AEGP_Dispose)(AEGP_RenderOptionsH optionsH);                                                // 2
  A_Err (*AEGP_SetTime)(AEGP_RenderOptionsH optionsH, A_Time time);                                  // 3
  A_Err (*AEGP_GetTime)(AEGP_RenderOptionsH optionsH, A_Time* timeP);                                // 4
  A_Err (*AEGP_SetTimeStep)(AEGP_RenderOptionsH optionsH, A_Time time_step);                         // 5
  A_Err (*AEGP_GetTimeStep)(AEGP_RenderOptionsH optionsH, A_Time* timePT);                           // 6
  A_Err (*AEGP_SetFieldRender)(AEGP_RenderOptionsH optionsH, PF_Field field_render);                 // 7
  A_Err (*AEGP_GetFieldRender)(AEGP_RenderOptionsH optionsH, PF_Field* field_renderP);               // 8
  A_Err (*AEGP_SetWorldType)(AEGP_RenderOptionsH optionsH, AEGP_WorldType type);                     // 9
  A_Err (*AEGP_GetWorldType)(AEGP_RenderOptionsH optionsH, AEGP_WorldType* typeP);                   // 10
  A_Err (*AEGP_SetDownsampleFactor)(AEGP_RenderOptionsH optionsH, A_short x, A_short y);             // 11
  A_Err (*AEGP_GetDownsampleFactor)(AEGP_RenderOptionsH optionsH, A_short* xP, A_short* yP);         // 12
  A_Err (*AEGP_SetRegionOfInterest)(AEGP_RenderOptionsH optionsH, const A_LRect* roiP);              // 13
  A_Err (*AEGP_GetRegionOfInterest)(AEGP_RenderOptionsH optionsH, A_LRect* roiP);                    // 14
  A_Err (*AEGP_SetMatteMode)(AEGP_RenderOptionsH optionsH, AEGP_MatteMode mode);                     // 15
  A_Err (*AEGP_GetMatteMode)(AEGP_RenderOptionsH optionsH, AEGP_MatteMode* modeP);                   // 16
  A_Err (*AEGP_SetChannelOrder)(AEGP_RenderOptionsH optionsH, AEGP_ChannelOrder channel_order);      // 17
  A_Err (*AEGP_GetChannelOrder)(AEGP_RenderOptionsH optionsH, AEGP_ChannelOrder* channelP);          // 18
  A_Err (*AEGP_GetRenderGuideLayers)(AEGP_RenderOptionsH optionsH, A_Boolean* will_renderPB);        // 19
  A_Err (*AEGP_SetRenderGuideLayers)(AEGP_RenderOptionsH optionsH, A_Boolean render_themB);          // 20
  A_Err (*AEGP_GetRenderQuality)(AEGP_RenderOptionsH optionsH, AEGP_ItemQuality* qualityP);          // 21
  A_Err (*AEGP_SetRenderQuality)(AEGP_RenderOptionsH optionsH, AEGP_ItemQuality quality);            // 22
};

}  // extern "C"
