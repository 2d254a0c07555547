// "AEGP Register Suite" version 6: hooks a plug-in asks the host to call,
// among them the idle hook that runs on the user-interface thread between
// events. Only the idle hook is typed; the other hooks keep their positions
// as reserved slots.
#pragma once
#include "host/aegp_types.h"

extern "C" {

// The host passes the plug-in's global refcon, the refcon given at
// registration, and the longest time it may sleep before the next call.
using AEGP_IdleHook = A_Err (*)(AEGP_GlobalRefcon plugin_refconP, AEGP_IdleRefcon refconP, A_long* max_sleepPL);

struct AEGP_RegisterSuite6 {
  void* AEGP_RegisterCommandHook;     // 0
  void* AEGP_RegisterUpdateMenuHook;  // 1
  void* AEGP_RegisterDeathHook;       // 2
  void* AEGP_RegisterVersionHook;     // 3
  void* AEGP_RegisterAboutStringHook; // 4
  void* AEGP_RegisterAboutHook;       // 5
  void* AEGP_RegisterArtisan;         // 6
  void* AEGP_RegisterIO;              // 7
  A_Err (*AEGP_RegisterIdleHook)(AEGP_PluginID aegp_plugin_id, AEGP_IdleHook idle_hook_func,
                                 AEGP_IdleRefcon refconP);  // 8
};

}  // extern "C"
