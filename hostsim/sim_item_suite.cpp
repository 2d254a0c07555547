// "AEGP Item Suite" 14 over the scene: items are SimItem addresses; the item
// of a composition reports the composition's id and size.
#include "host/pf_errors.h"
#include "host/suites/aegp_item_suite14.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

A_Err GetItemType(AEGP_ItemH itemH, AEGP_ItemType* item_typeP) {
  SimItem* item = FindItem(itemH);
  if (const A_Err err = EnterCall("AEGP_GetItemType", item ? &item->failing_calls : nullptr)) return err;
  if (item == nullptr || item_typeP == nullptr) return A_Err_GENERIC;
  *item_typeP = item->type;
  return A_Err_NONE;
}

A_Err GetItemID(AEGP_ItemH itemH, A_long* item_idPL) {
  SimItem* item = FindItem(itemH);
  if (const A_Err err = EnterCall("AEGP_GetItemID", item ? &item->failing_calls : nullptr)) return err;
  if (item == nullptr || item_idPL == nullptr) return A_Err_GENERIC;
  *item_idPL = item->ItemId();
  return A_Err_NONE;
}

A_Err GetItemDimensions(AEGP_ItemH itemH, A_long* widthPL, A_long* heightPL) {
  SimItem* item = FindItem(itemH);
  if (const A_Err err = EnterCall("AEGP_GetItemDimensions", item ? &item->failing_calls : nullptr)) return err;
  if (item == nullptr || widthPL == nullptr || heightPL == nullptr) return A_Err_GENERIC;
  *widthPL = item->Width();
  *heightPL = item->Height();
  return A_Err_NONE;
}

AEGP_ItemSuite14 MakeItemSuite14() {
  AEGP_ItemSuite14 s{};
  s.AEGP_GetItemType = GetItemType;
  s.AEGP_GetItemID = GetItemID;
  s.AEGP_GetItemDimensions = GetItemDimensions;
  return s;
}

const AEGP_ItemSuite14 ITEM_SUITE_14 = MakeItemSuite14();

}  // namespace

void InstallItemSuites(Host& host) { host.suites().Register("AEGP Item Suite", 14, &ITEM_SUITE_14); }

}  // namespace hostsim
