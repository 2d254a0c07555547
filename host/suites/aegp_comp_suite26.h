// "AEGP Comp Suite" version 26: compositions and the item each one is, and
// the composition the user worked in last. Only the operations the plug-in
// calls are typed; the others keep their positions as reserved slots.
#pragma once
#include "host/aegp_types.h"

extern "C" {

struct AEGP_CompSuite26 {
  A_Err (*AEGP_GetCompFromItem)(AEGP_ItemH itemH, AEGP_CompH* compPH);  // 0
  A_Err (*AEGP_GetItemFromComp)(AEGP_CompH compH, AEGP_ItemH* itemPH);  // 1
  void* reserved_2_to_37[36];                                           // 2 to 37
  A_Err (*AEGP_GetMostRecentlyUsedComp)(AEGP_CompH* compPH);            // 38
};

}  // extern "C"
