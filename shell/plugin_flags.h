// The effect version and the two global flag words. Global setup writes them
// into PF_OutData and the PiPL resource carries the same words, so both read
// them from here.
#pragma once
#include "host/pf_basic_types.h"

// 1.0.0, release stage, build 94, in the host's packed version layout.
constexpr A_u_long PLUGIN_VERSION = 0x0008065E;
constexpr A_long PLUGIN_OUT_FLAGS = 0x06000444;
constexpr A_long PLUGIN_OUT_FLAGS2 = 0x08200488;
