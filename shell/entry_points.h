// The module's exports: the two registration functions and the command entry.
#pragma once
#include "host/pf_in_data.h"
#include "host/pf_registration.h"
#include "shell/module_export.h"

extern "C" {

PRISMORA_EXPORT PF_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB inPluginDataCallBackPtr,
                                               void* inSPBasicSuitePtr, const char* inHostName,
                                               const char* inHostVersion);

PRISMORA_EXPORT PF_Err PluginDataEntryFunction2(PF_PluginDataPtr inPtr, PF_PluginDataCB2 inPluginDataCallBackPtr,
                                                void* inSPBasicSuitePtr, const char* inHostName,
                                                const char* inHostVersion);

PRISMORA_EXPORT PF_Err EffectMain(A_long cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                  PF_LayerDef* output, void* extra);

PRISMORA_EXPORT PF_Err EntryPointFunc(A_long cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                      PF_LayerDef* output, void* extra);

}  // extern "C"
