// "AEGP Comp Suite" version 25, as far as the pre-render uses it: the
// item behind a composition. Later operations of the suite are not used.
#pragma once
#include "host/aegp_types.h"

extern "C" {

struct AEGP_CompSuite25 {
  A_Err (*AEGP_GetCompFromItem)(AEGP_ItemH item, AEGP_CompH* comp);
  A_Err (*AEGP_GetItemFromComp)(AEGP_CompH comp, AEGP_ItemH* item);
};

}  // extern "C"
