// "AEGP Comp Suite" 26 over the scene: compositions are SimComposition
// addresses, the item of a composition is its embedded SimItem, and the most
// recently used composition is the scene's `most_recently_used` index.
#include "host/pf_errors.h"
#include "host/suites/aegp_comp_suite26.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

A_Err GetCompFromItem(AEGP_ItemH itemH, AEGP_CompH* compPH) {
  SimItem* item = FindItem(itemH);
  if (const A_Err err = EnterCall("AEGP_GetCompFromItem", item ? &item->failing_calls : nullptr)) return err;
  if (compPH == nullptr) return A_Err_GENERIC;
  *compPH = nullptr;
  if (item == nullptr) return A_Err_GENERIC;
  // A non-composition item has no composition; the host answers with null.
  *compPH = reinterpret_cast<AEGP_CompH>(item->composition);
  return A_Err_NONE;
}

A_Err GetItemFromComp(AEGP_CompH compH, AEGP_ItemH* itemPH) {
  SimComposition* comp = FindComposition(compH);
  if (const A_Err err = EnterCall("AEGP_GetItemFromComp", comp ? &comp->failing_calls : nullptr)) return err;
  if (itemPH == nullptr || comp == nullptr) return A_Err_GENERIC;
  *itemPH = reinterpret_cast<AEGP_ItemH>(&comp->item);
  return A_Err_NONE;
}

A_Err GetMostRecentlyUsedComp(AEGP_CompH* compPH) {
  if (const A_Err err = EnterCall("AEGP_GetMostRecentlyUsedComp")) return err;
  if (compPH == nullptr) return A_Err_GENERIC;
  SimScene& scene = Host::Current()->scene();
  const int index = scene.most_recently_used;
  *compPH = (index >= 0 && index < static_cast<int>(scene.compositions.size()))
                ? reinterpret_cast<AEGP_CompH>(scene.compositions[static_cast<std::size_t>(index)].get())
                : nullptr;
  return A_Err_NONE;
}

AEGP_CompSuite26 MakeCompSuite26() {
  AEGP_CompSuite26 s{};
  s.AEGP_GetCompFromItem = GetCompFromItem;
  s.AEGP_GetItemFromComp = GetItemFromComp;
  s.AEGP_GetMostRecentlyUsedComp = GetMostRecentlyUsedComp;
  return s;
}

const AEGP_CompSuite26 COMP_SUITE_26 = MakeCompSuite26();

}  // namespace

void InstallCompSuites(Host& host) { host.suites().Register("AEGP Comp Suite", 26, &COMP_SUITE_26); }

}  // namespace hostsim
