// "AEGP Stream Suite" version 11: the layer's, an effect's and a mask's
// streams, their names (UTF-16 memory handles) and their values at a time.
#pragma once
#include "host/aegp_stream_types.h"
#include "host/suite_tables.h"

extern "C" {

struct AEGP_StreamSuite11 {
  A_Err (*AEGP_IsStreamLegal)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, A_Boolean* is_legalP);
  A_Err (*AEGP_CanVaryOverTime)(AEGP_StreamRefH streamH, A_Boolean* can_varyPB);
  A_Err (*AEGP_GetValidInterpolations)(AEGP_StreamRefH streamH, AEGP_KeyInterpolationMask* valid_interpP);
  A_Err (*AEGP_GetNewLayerStream)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH,
                                  AEGP_LayerStream which_stream, AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_GetEffectNumParamStreams)(AEGP_EffectRefH effect_refH, A_long* num_paramsPL);
  A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_EffectRefH effect_refH,
                                          PF_ParamIndex param_index, AEGP_StreamRefH* streamPH);
  A_Err (*AEGP_GetNewMaskStream)(AEGP_PluginID aegp_plugin_id, AEGP_MaskRefH mask_refH,
                                 AEGP_MaskStream which_stream, AEGP_StreamRefH* mask_streamPH);
  A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH streamH);
  A_Err (*AEGP_GetStreamName)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, A_Boolean force_englishB,
                              AEGP_MemHandle* utf_stream_namePH);
  A_Err (*AEGP_GetStreamUnitsText)(AEGP_StreamRefH streamH, A_Boolean force_englishB, A_char* unitsZ);
  A_Err (*AEGP_GetStreamProperties)(AEGP_StreamRefH streamH, AEGP_StreamFlags* flagsP, A_FpLong* minP,
                                    A_FpLong* maxP);
  A_Err (*AEGP_IsStreamTimevarying)(AEGP_StreamRefH streamH, A_Boolean* is_timevaryPB);
  A_Err (*AEGP_GetStreamType)(AEGP_StreamRefH streamH, AEGP_StreamType* stream_typeP);
  A_Err (*AEGP_GetNewStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH,
                                  AEGP_LTimeMode time_mode, const A_Time* timePT, A_Boolean pre_expressionB,
                                  AEGP_StreamValue2* valueP);
  A_Err (*AEGP_DisposeStreamValue)(AEGP_StreamValue2* valueP);
  A_Err (*AEGP_SetStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_StreamValue2* valueP);
  A_Err (*AEGP_GetLayerStreamValue)(AEGP_LayerH layerH, AEGP_LayerStream which_stream, AEGP_LTimeMode time_mode,
                                    const A_Time* timePT, A_Boolean pre_expressionB, AEGP_StreamVal2* stream_valP,
                                    AEGP_StreamType* stream_typeP);
  A_Err (*AEGP_GetExpressionState)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, A_Boolean* enabledPB);
  A_Err (*AEGP_SetExpressionState)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, A_Boolean enabledB);
  A_Err (*AEGP_GetExpression)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH, AEGP_MemHandle* unicodeHZ);
  A_Err (*AEGP_SetExpression)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH,
                              const A_UTF16Char* expressionP);
  A_Err (*AEGP_DuplicateStreamRef)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH,
                                   AEGP_StreamRefH* dup_streamPH);
  A_Err (*AEGP_GetUniqueStreamID)(AEGP_StreamRefH streamH, A_long* outUniqueIDP);
};

}  // extern "C"
