// "AEGP Layer Suite" version 15: a composition's layers and their switches,
// times, transfer modes, parents and track mattes. Times are A_Time in the
// mode the call names (layer or composition time); indices count from 0 at
// the top of the composition's layer stack.
#pragma once
#include "host/aegp_types.h"

extern "C" {

struct AEGP_LayerSuite15 {
  A_Err (*AEGP_GetCompNumLayers)(AEGP_CompH compH, A_long* num_layersPL);                        // 0
  A_Err (*AEGP_GetCompLayerByIndex)(AEGP_CompH compH, A_long layer_indexL, AEGP_LayerH* layerPH);  // 1
  A_Err (*AEGP_GetActiveLayer)(AEGP_LayerH* layerPH);                                            // 2
  A_Err (*AEGP_GetLayerIndex)(AEGP_LayerH layerH, A_long* layer_indexPL);                        // 3
  A_Err (*AEGP_GetLayerSourceItem)(AEGP_LayerH layerH, AEGP_ItemH* source_itemPH);               // 4
  A_Err (*AEGP_GetLayerSourceItemID)(AEGP_LayerH layerH, AEGP_ItemID* source_item_idP);          // 5
  A_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH layerH, AEGP_CompH* compPH);                      // 6
  A_Err (*AEGP_GetLayerName)(AEGP_PluginID pluginID, AEGP_LayerH layerH, AEGP_MemHandle* utf_layer_namePH0,
                             AEGP_MemHandle* utf_source_namePH0);                                // 7
  A_Err (*AEGP_GetLayerQuality)(AEGP_LayerH layerH, AEGP_LayerQuality* qualityP);                // 8
  A_Err (*AEGP_SetLayerQuality)(AEGP_LayerH layerH, AEGP_LayerQuality quality);                  // 9
  A_Err (*AEGP_GetLayerFlags)(AEGP_LayerH layerH, AEGP_LayerFlags* layer_flagsP);                // 10
  A_Err (*AEGP_SetLayerFlag)(AEGP_LayerH layerH, AEGP_LayerFlags single_flag, A_Boolean valueB);  // 11
  A_Err (*AEGP_IsLayerVideoReallyOn)(AEGP_LayerH layerH, A_Boolean* onPB);                       // 12
  A_Err (*AEGP_IsLayerAudioReallyOn)(AEGP_LayerH layerH, A_Boolean* onPB);                       // 13
  A_Err (*AEGP_GetLayerCurrentTime)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* curr_timePT);  // 14
  A_Err (*AEGP_GetLayerInPoint)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* in_pointPT);       // 15
  A_Err (*AEGP_GetLayerDuration)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, A_Time* durationPT);      // 16
  A_Err (*AEGP_SetLayerInPointAndDuration)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode,
                                           const A_Time* in_pointPT, const A_Time* durationPT);         // 17
  A_Err (*AEGP_GetLayerOffset)(AEGP_LayerH layerH, A_Time* offsetPT);                            // 18
  A_Err (*AEGP_SetLayerOffset)(AEGP_LayerH layerH, const A_Time* offsetPT);                      // 19
  void* AEGP_GetLayerStretch;                                                                    // 20
  void* AEGP_SetLayerStretch;                                                                    // 21
  A_Err (*AEGP_GetLayerTransferMode)(AEGP_LayerH layerH, AEGP_LayerTransferMode* transfer_modeP);        // 22
  A_Err (*AEGP_SetLayerTransferMode)(AEGP_LayerH layerH, const AEGP_LayerTransferMode* transfer_modeP);  // 23
  A_Err (*AEGP_IsAddLayerValid)(AEGP_ItemH item_to_addH, AEGP_CompH into_compH, A_Boolean* validPB);     // 24
  A_Err (*AEGP_AddLayer)(AEGP_ItemH item_to_addH, AEGP_CompH into_compH, AEGP_LayerH* added_layerPH0);   // 25
  A_Err (*AEGP_ReorderLayer)(AEGP_LayerH layerH, A_long layer_indexL);                           // 26
  A_Err (*AEGP_GetLayerMaskedBounds)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* timePT,
                                     A_FloatRect* boundsPR);                                     // 27
  A_Err (*AEGP_GetLayerObjectType)(AEGP_LayerH layerH, AEGP_ObjectType* object_type);            // 28
  A_Err (*AEGP_IsLayer3D)(AEGP_LayerH layerH, A_Boolean* is_3DPB);                               // 29
  A_Err (*AEGP_IsLayer2D)(AEGP_LayerH layerH, A_Boolean* is_2DPB);                               // 30
  A_Err (*AEGP_IsVideoActive)(AEGP_LayerH layerH, AEGP_LTimeMode time_mode, const A_Time* comp_timePT,
                              A_Boolean* is_activePB);                                           // 31
  A_Err (*AEGP_IsLayerUsedAsTrackMatte)(AEGP_LayerH layerH, A_Boolean fill_must_be_activeB,
                                        A_Boolean* is_track_mattePB);                            // 32
  A_Err (*AEGP_DoesLayerHaveTrackMatte)(AEGP_LayerH layerH, A_Boolean* has_track_mattePB);       // 33
  A_Err (*AEGP_ConvertCompToLayerTime)(AEGP_LayerH layerH, const A_Time* comp_timeP, A_Time* layer_timeP);  // 34
  A_Err (*AEGP_ConvertLayerToCompTime)(AEGP_LayerH layerH, const A_Time* layer_timeP, A_Time* comp_timePP); // 35
  A_Err (*AEGP_GetLayerDancingRandValue)(AEGP_LayerH layerH, const A_Time* comp_timePT, A_long* rand_valuePL); // 36
  A_Err (*AEGP_GetLayerID)(AEGP_LayerH layerH, AEGP_LayerIDVal* id_valP);                        // 37
  A_Err (*AEGP_GetLayerToWorldXform)(AEGP_LayerH layerH, const A_Time* comp_timeP, A_Matrix4* transform);  // 38
  A_Err (*AEGP_GetLayerToWorldXformFromView)(AEGP_LayerH layerH, const A_Time* view_timeP,
                                             const A_Time* comp_timeP, A_Matrix4* transform);    // 39
  A_Err (*AEGP_SetLayerName)(AEGP_LayerH layerH, const A_UTF16Char* new_nameZ);                  // 40
  A_Err (*AEGP_GetLayerParent)(AEGP_LayerH layerH, AEGP_LayerH* parent_layerPH);                 // 41
  A_Err (*AEGP_SetLayerParent)(AEGP_LayerH layerH, const AEGP_LayerH parent_layerH);             // 42
  A_Err (*AEGP_DeleteLayer)(AEGP_LayerH layerH);                                                 // 43
  A_Err (*AEGP_DuplicateLayer)(AEGP_LayerH orig_layerH, AEGP_LayerH* duplicate_layerPH);         // 44
  A_Err (*AEGP_GetLayerFromLayerID)(AEGP_CompH parent_compH, AEGP_LayerIDVal id, AEGP_LayerH* layerPH);  // 45
  void* AEGP_GetLayerLabel;                                                                      // 46
  void* AEGP_SetLayerLabel;                                                                      // 47
  void* AEGP_GetLayerSamplingQuality;                                                            // 48
  void* AEGP_SetLayerSamplingQuality;                                                            // 49
  A_Err (*AEGP_GetTrackMatteLayer)(AEGP_LayerH layerH, AEGP_LayerH* track_matte_layerPH);        // 50
  A_Err (*AEGP_SetTrackMatte)(AEGP_LayerH layerH, AEGP_LayerH track_matte_layerH, AEGP_TrackMatte track_matte_type);  // 51
  A_Err (*AEGP_RemoveTrackMatte)(AEGP_LayerH layerH);                                            // 52
};

}  // extern "C"
