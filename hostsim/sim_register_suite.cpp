// "AEGP Register Suite" 6: the idle hook. Registered hooks are recorded and
// run by Host::RunIdleHooks, which stands for the host's idle time.
#include "host/pf_errors.h"
#include "host/suites/aegp_register_suite6.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

A_Err RegisterIdleHook(AEGP_PluginID aegp_plugin_id, AEGP_IdleHook idle_hook_func, AEGP_IdleRefcon refconP) {
  if (const A_Err err = EnterCall("AEGP_RegisterIdleHook")) return err;
  if (idle_hook_func == nullptr) return A_Err_GENERIC;
  Host::Current()->idle_hooks().push_back(SimIdleHook{aegp_plugin_id, idle_hook_func, refconP});
  return A_Err_NONE;
}

AEGP_RegisterSuite6 MakeRegisterSuite6() {
  AEGP_RegisterSuite6 s{};
  s.AEGP_RegisterIdleHook = RegisterIdleHook;
  return s;
}

const AEGP_RegisterSuite6 REGISTER_SUITE_6 = MakeRegisterSuite6();

}  // namespace

void InstallRegisterSuites(Host& host) { host.suites().Register("AEGP Register Suite", 6, &REGISTER_SUITE_6); }

}  // namespace hostsim
