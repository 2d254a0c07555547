// "PF Cache On Load Suite" 1, as Premiere Pro offers it: each call is
// recorded.
#include "host/pf_errors.h"
#include "host/suites/pf_cache_on_load_suite.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

PF_Err SetNoCacheOnLoad(PF_ProgPtr effect_ref, A_long effectAvailable) {
  if (const A_Err err = EnterCall("PF_SetNoCacheOnLoad")) return err;
  Host::Current()->cache_on_load_calls().push_back(SimCacheOnLoadCall{effect_ref, effectAvailable});
  return PF_Err_NONE;
}

const PF_CacheOnLoadSuite1 CACHE_ON_LOAD_SUITE_1 = {SetNoCacheOnLoad};

}  // namespace

void InstallCacheOnLoadSuites(Host& host) {
  host.suites().Register("PF Cache On Load Suite", 1, &CACHE_ON_LOAD_SUITE_1);
}

}  // namespace hostsim
