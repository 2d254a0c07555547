// Flag bits of PF_OutData::out_flags and out_flags2.
#pragma once
#include "host/pf_basic_types.h"

constexpr PF_OutFlags PF_OutFlag_NONE = 0;
constexpr PF_OutFlags PF_OutFlag_REFRESH_UI = 1L << 3;
