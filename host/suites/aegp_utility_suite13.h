// "AEGP Utility Suite" version 13: the host's plug-in services: error
// reporting, undo groups and registration of a plug-in with the host, which
// hands back the plug-in id other suites take.
#pragma once
#include "host/aegp_types.h"

extern "C" {

struct AEGP_UtilitySuite13 {
  A_Err (*AEGP_ReportInfo)(AEGP_PluginID aegp_plugin_id, const A_char* info_stringZ);               // 0
  A_Err (*AEGP_ReportInfoUnicode)(AEGP_PluginID aegp_plugin_id, const A_UTF16Char* info_stringP);   // 1
  void* AEGP_GetDriverPluginInitFuncVersion;                                                        // 2
  void* AEGP_GetDriverImplementationVersion;                                                        // 3
  void* AEGP_StartQuietErrors;                                                                      // 4
  void* AEGP_EndQuietErrors;                                                                        // 5
  void* AEGP_GetLastErrorMessage;                                                                   // 6
  A_Err (*AEGP_StartUndoGroup)(const A_char* undo_nameZ);                                           // 7
  A_Err (*AEGP_EndUndoGroup)();                                                                     // 8
  A_Err (*AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon global_refcon, const A_char* plugin_nameZ,
                                 AEGP_PluginID* plugin_id);                                         // 9
};

}  // extern "C"
