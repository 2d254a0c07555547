// "AEGP Footage Suite" 11 of the simulated host: an item's main footage is
// the item itself seen as footage (AEGP_FootageH is the SimItem address),
// and its signature is the item's footage_signature.
#include "host/pf_errors.h"
#include "host/suites/aegp_footage_suite11.h"
#include "hostsim/host.h"
#include "hostsim/pre_render_suites.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

A_Err GetMainFootageFromItem(AEGP_ItemH itemH, AEGP_FootageH* footagePH) {
  SimItem* item = FindItem(itemH);
  if (const A_Err err = EnterCall("AEGP_GetMainFootageFromItem", item ? &item->failing_calls : nullptr)) return err;
  if (item == nullptr || footagePH == nullptr || !item->has_main_footage) return A_Err_GENERIC;
  *footagePH = reinterpret_cast<AEGP_FootageH>(item);
  return A_Err_NONE;
}

A_Err GetFootageSignature(AEGP_FootageH footageH, AEGP_FootageSignature* sigP) {
  SimItem* item = FindItem(footageH);
  if (const A_Err err = EnterCall("AEGP_GetFootageSignature", item ? &item->failing_calls : nullptr)) return err;
  if (item == nullptr || sigP == nullptr || !item->has_main_footage) return A_Err_GENERIC;
  *sigP = item->footage_signature;
  return A_Err_NONE;
}

const AEGP_FootageSuite11 FOOTAGE_SUITE11 = {GetMainFootageFromItem, nullptr, nullptr, nullptr, GetFootageSignature};

}  // namespace

void RegisterSimFootageSuite(Host& host) { host.suites().Register("AEGP Footage Suite", 11, &FOOTAGE_SUITE11); }

}  // namespace hostsim
