// Global setup: the effect's version and flags, registration with the
// host's plug-in services, the stored plug-in id and basic suite, and the
// idle hook, registered once per process. Inside Premiere Pro only the
// version is declared and caching on load is switched off.
#pragma once
#include "host/pf_in_data.h"

// 'PrMr', the application id of Premiere Pro.
constexpr A_long APPL_ID_PREMIERE_PRO = 0x50724D72;

// 1 once AEGP_RegisterIdleHook has succeeded; never cleared.
extern A_u_char g_idle_hook_registered;

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);

#ifdef PRISMORA_TEST_SEAMS
// Back to the state at load: no plug-in id, no basic suite, no idle hook.
void ResetGlobalSetupStateForTest();
#endif
