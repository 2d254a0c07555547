// The registration callback the host passes to the module's registration
// exports, and the signatures of the module's exports.
#pragma once
#include "host/pf_basic_types.h"
#include "host/pf_in_data.h"

extern "C" {

using PF_PluginDataPtr = void*;

// Older hosts pass nine arguments; newer ones a tenth, the support URL.
using PF_PluginDataCB = PF_Err (*)(PF_PluginDataPtr inPtr, const A_u_char* name,
                                   const A_u_char* matchName, const A_u_char* category,
                                   const A_u_char* entryPointName, A_long kind,
                                   A_long apiVersionMajor, A_long apiVersionMinor,
                                   A_long reservedInfo);
using PF_PluginDataCB2 = PF_Err (*)(PF_PluginDataPtr inPtr, const A_u_char* name,
                                    const A_u_char* matchName, const A_u_char* category,
                                    const A_u_char* entryPointName, A_long kind,
                                    A_long apiVersionMajor, A_long apiVersionMinor,
                                    A_long reservedInfo, const A_u_char* supportURL);

using PluginDataEntryFunctionPtr = PF_Err (*)(PF_PluginDataPtr inPtr, PF_PluginDataCB inPluginDataCallBackPtr,
                                              void* inSPBasicSuitePtr, const char* inHostName,
                                              const char* inHostVersion);
using PluginDataEntryFunction2Ptr = PF_Err (*)(PF_PluginDataPtr inPtr, PF_PluginDataCB2 inPluginDataCallBackPtr,
                                               void* inSPBasicSuitePtr, const char* inHostName,
                                               const char* inHostVersion);
using PF_EntryPointPtr = PF_Err (*)(A_long cmd, PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef* output, void* extra);

}  // extern "C"
