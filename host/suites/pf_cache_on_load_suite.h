// "PF Cache On Load Suite" version 1 (Premiere Pro): tells the host whether
// the effect may be cached as available when the application starts.
#pragma once
#include "host/pf_basic_types.h"

extern "C" {

struct PF_CacheOnLoadSuite1 {
  PF_Err (*PF_SetNoCacheOnLoad)(PF_ProgPtr effect_ref, A_long effectAvailable);  // 0
};

}  // extern "C"
