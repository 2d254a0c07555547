// "AEGP Dynamic Stream Suite" version 5: the layer's property tree as
// streams: the root of a layer or mask, groups and their children by index,
// grouping types and match names.
#pragma once
#include "host/aegp_stream_types.h"
#include "host/suite_tables.h"

extern "C" {

struct AEGP_DynamicStreamSuite5 {
  A_Err (*AEGP_GetNewStreamRefForLayer)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH,
                                        AEGP_StreamRefH* stream_refPH);
  A_Err (*AEGP_GetNewStreamRefForMask)(AEGP_PluginID aegp_plugin_id, AEGP_MaskRefH maskH,
                                       AEGP_StreamRefH* stream_refPH);
  A_Err (*AEGP_GetStreamDepth)(AEGP_StreamRefH streamH, A_long* depthPL);
  A_Err (*AEGP_GetStreamGroupingType)(AEGP_StreamRefH streamH, AEGP_StreamGroupingType* group_typeP);
  A_Err (*AEGP_GetNumStreamsInGroup)(AEGP_StreamRefH streamH, A_long* num_streamsPL);
  A_Err (*AEGP_GetDynamicStreamFlags)(AEGP_StreamRefH streamH, AEGP_DynStreamFlags* stream_flagsP);
  A_Err (*AEGP_SetDynamicStreamFlag)(AEGP_StreamRefH streamH, AEGP_DynStreamFlags one_flag, A_Boolean undoableB,
                                     A_Boolean setB);
  A_Err (*AEGP_GetNewStreamRefByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH parent_groupH, A_long indexL,
                                       AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_GetNewStreamRefByMatchname)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH parent_groupH,
                                           const A_char* match_nameZ, AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_DeleteStream)(AEGP_StreamRefH streamH);
  A_Err (*AEGP_ReorderStream)(AEGP_StreamRefH streamH, A_long new_indexL);
  A_Err (*AEGP_DuplicateStream)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, A_long* new_indexPL);
  A_Err (*AEGP_SetStreamName)(AEGP_StreamRefH streamH, const A_UTF16Char* nameZ);
  A_Err (*AEGP_CanAddStream)(AEGP_StreamRefH group_streamH, const A_char* match_nameZ, A_Boolean* can_addPB);
  A_Err (*AEGP_AddStream)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH indexed_group_streamH,
                          const A_char* match_nameZ, AEGP_StreamRefH* streamPH0);
  // Writes at most AEGP_MAX_STREAM_MATCH_NAME_SIZE bytes, terminator included.
  A_Err (*AEGP_GetMatchName)(AEGP_StreamRefH streamH, A_char* nameZ);
  A_Err (*AEGP_GetNewParentStreamRef)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH,
                                      AEGP_StreamRefH* parent_streamPH);
  A_Err (*AEGP_GetStreamIsModified)(AEGP_StreamRefH streamH, A_Boolean* modifiedPB);
  A_Err (*AEGP_GetStreamIndexInParent)(AEGP_StreamRefH streamH, A_long* indexPL);
  A_Err (*AEGP_IsSeparationLeader)(AEGP_StreamRefH streamH, A_Boolean* leaderPB);
  A_Err (*AEGP_AreDimensionsSeparated)(AEGP_StreamRefH leader_streamH, A_Boolean* separatedPB);
  A_Err (*AEGP_SetDimensionsSeparated)(AEGP_StreamRefH leader_streamH, A_Boolean separatedB);
  A_Err (*AEGP_GetSeparationFollower)(AEGP_StreamRefH leader_streamH, A_short dimS,
                                      AEGP_StreamRefH* follower_streamPH);
  A_Err (*AEGP_IsSeparationFollower)(AEGP_StreamRefH streamH, A_Boolean* followerPB);
  A_Err (*AEGP_GetSeparationLeader)(AEGP_StreamRefH follower_streamH, AEGP_StreamRefH* leader_streamPH);
  A_Err (*AEGP_GetSeparationDimension)(AEGP_StreamRefH follower_streamH, A_short* dimPS);
};

}  // extern "C"
