#include "shell/global_setup.h"

#include "host/pf_errors.h"
#include "host/suites/aegp_register_suite6.h"
#include "host/suites/aegp_utility_suite13.h"
#include "host/suites/pf_cache_on_load_suite.h"
#include "shell/idle_hook.h"
#include "shell/plugin_flags.h"
#include "shell/plugin_globals.h"
#include "shell/registration_values.h"
#include "shell/suite_handler.h"

A_u_char g_idle_hook_registered = 0;

namespace {

constexpr const char* CACHE_ON_LOAD_SUITE_NAME = "PF Cache On Load Suite";
constexpr A_long CACHE_ON_LOAD_SUITE_VERSION = 1;

// Premiere Pro: the effect must not be cached as available at start-up.
// Taken straight from the basic suite; a host without the suite is not an
// error.
PF_Err PremiereSetup(PF_InData* in_data) {
  const SPBasicSuite* basic = in_data->pica_basicP;
  if (basic == nullptr) return PF_Err_NONE;
  const void* suite = nullptr;
  if (basic->AcquireSuite(CACHE_ON_LOAD_SUITE_NAME, CACHE_ON_LOAD_SUITE_VERSION, &suite) != 0 || suite == nullptr) {
    return PF_Err_NONE;
  }
  static_cast<const PF_CacheOnLoadSuite1*>(suite)->PF_SetNoCacheOnLoad(in_data->effect_ref, 0);
  basic->ReleaseSuite(CACHE_ON_LOAD_SUITE_NAME, CACHE_ON_LOAD_SUITE_VERSION);
  return PF_Err_NONE;
}

}  // namespace

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
  out_data->my_version = PLUGIN_VERSION;
  if (in_data->appl_id == APPL_ID_PREMIERE_PRO) return PremiereSetup(in_data);

  out_data->out_flags = PLUGIN_OUT_FLAGS;
  out_data->out_flags2 = PLUGIN_OUT_FLAGS2;

  SuiteHandler suites(in_data->pica_basicP);
  suites.UtilitySuiteV13()->AEGP_RegisterWithAEGP(nullptr, PLUGIN_DISPLAY_NAME, &g_plugin_id);
  g_basic_suite = in_data->pica_basicP;

  if (g_idle_hook_registered == 0) {
    // Without the idle hook the effect still works, only without the
    // warning; a later global setup tries again.
    try {
      if (suites.RegisterSuiteV6()->AEGP_RegisterIdleHook(g_plugin_id, IdleHook, nullptr) == A_Err_NONE) {
        g_idle_hook_registered = 1;
      }
    } catch (...) {
    }
  }
  return PF_Err_NONE;
}

#ifdef PRISMORA_TEST_SEAMS
void ResetGlobalSetupStateForTest() {
  g_idle_hook_registered = 0;
  g_plugin_id = 0;
  g_basic_suite = nullptr;
}
#endif
