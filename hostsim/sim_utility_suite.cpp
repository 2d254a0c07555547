// "AEGP Utility Suite" 13: registration with the host's plug-in services.
// Each registration is recorded and answered with the next plug-in id.
#include "host/pf_errors.h"
#include "host/suites/aegp_utility_suite13.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

A_Err RegisterWithAEGP(AEGP_GlobalRefcon global_refcon, const A_char* plugin_nameZ, AEGP_PluginID* plugin_id) {
  if (const A_Err err = EnterCall("AEGP_RegisterWithAEGP")) return err;
  if (plugin_nameZ == nullptr || plugin_id == nullptr) return A_Err_GENERIC;
  auto& registrations = Host::Current()->plugin_registrations();
  SimPluginRegistration r;
  r.global_refcon = global_refcon;
  r.name = plugin_nameZ;
  r.plugin_id = Host::FIRST_PLUGIN_ID + static_cast<AEGP_PluginID>(registrations.size());
  registrations.push_back(r);
  *plugin_id = r.plugin_id;
  return A_Err_NONE;
}

AEGP_UtilitySuite13 MakeUtilitySuite13() {
  AEGP_UtilitySuite13 s{};
  s.AEGP_RegisterWithAEGP = RegisterWithAEGP;
  return s;
}

const AEGP_UtilitySuite13 UTILITY_SUITE_13 = MakeUtilitySuite13();

}  // namespace

void InstallUtilitySuites(Host& host) { host.suites().Register("AEGP Utility Suite", 13, &UTILITY_SUITE_13); }

}  // namespace hostsim
