// "AEGP World Suite" version 3: the host's pixel worlds of its plug-in
// services (8, 16 or 32 bits per channel) and their view as an effect
// world (PF_EffectWorld), through which a plug-in reads rendered frames.
#pragma once
#include "host/aegp_render_types.h"
#include "host/aegp_types.h"
#include "host/pf_effect_world.h"

extern "C" {

struct AEGP_WorldSuite3 {
  A_Err (*AEGP_New)(AEGP_PluginID plugin_id, AEGP_WorldType type, A_long widthL, A_long heightL,
                    AEGP_WorldH* worldPH);                                                            // 0
  A_Err (*AEGP_Dispose)(AEGP_WorldH worldH);                                                          // 1
  A_Err (*AEGP_GetType)(AEGP_WorldH worldH, AEGP_WorldType* typeP);                                  // 2
  A_Err (*AEGP_GetSize)(AEGP_WorldH worldH, A_long* widthPL, A_long* heightPL);                      // 3
  A_Err (*AEGP_GetRowBytes)(AEGP_WorldH worldH, A_u_long* row_bytesPL);                              // 4
  A_Err (*AEGP_GetBaseAddr8)(AEGP_WorldH worldH, PF_Pixel8** base_addrP);                            // 5
  A_Err (*AEGP_GetBaseAddr16)(AEGP_WorldH worldH, PF_Pixel16** base_addrP);                          // 6
  void* AEGP_GetBaseAddr32;                                                                           // 7
  A_Err (*AEGP_FillOutPFEffectWorld)(AEGP_WorldH worldH, PF_EffectWorld* pf_worldP);                 // 8
  A_Err (*AEGP_FastBlur)(A_FpLong radiusF, PF_ModeFlags mode, PF_Quality quality, AEGP_WorldH worldH);  // 9
  A_Err (*AEGP_NewPlatformWorld)(AEGP_PluginID plugin_id, AEGP_WorldType type, A_long widthL,
                                 A_long heightL, AEGP_PlatformWorldH* worldPH);                      // 10
  A_Err (*AEGP_DisposePlatformWorld)(AEGP_PlatformWorldH worldH);                                    // 11
  A_Err (*AEGP_NewReferenceFromPlatformWorld)(AEGP_PluginID plugin_id, AEGP_PlatformWorldH plat_worldH,
                                              AEGP_WorldH* worldPH);                                  // 12
};

}  // extern "C"
