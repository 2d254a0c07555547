// "AEGP Comp Suite" 25 of the simulated host, as far as the pre-render
// uses it: the item behind a composition.
#include "host/pf_errors.h"
#include "host/suites/aegp_comp_suite25.h"
#include "hostsim/host.h"
#include "hostsim/pre_render_suites.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

A_Err GetItemFromComp(AEGP_CompH compH, AEGP_ItemH* itemPH) {
  SimComposition* comp = FindComposition(compH);
  if (const A_Err err = EnterCall("AEGP_GetItemFromComp", comp ? &comp->failing_calls : nullptr)) return err;
  if (comp == nullptr || itemPH == nullptr) return A_Err_GENERIC;
  *itemPH = reinterpret_cast<AEGP_ItemH>(&comp->item);
  return A_Err_NONE;
}

const AEGP_CompSuite25 COMP_SUITE25 = {nullptr, GetItemFromComp};

}  // namespace

void RegisterSimCompSuite25(Host& host) { host.suites().Register("AEGP Comp Suite", 25, &COMP_SUITE25); }

}  // namespace hostsim
