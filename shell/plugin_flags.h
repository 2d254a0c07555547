// The effect version and the two global flag words. Global setup writes them
// into PF_OutData and the PiPL resource carries the same words, so both read
// them from here.
#pragma once
#include "host/pf_basic_types.h"
#include "host/pf_out_flags.h"

constexpr A_long PLUGIN_MAJOR_VERSION = 1;
constexpr A_long PLUGIN_MINOR_VERSION = 0;
constexpr A_long PLUGIN_BUG_VERSION = 0;
constexpr A_u_long PLUGIN_BUILD = 94;

constexpr A_u_long PLUGIN_VERSION =
    PF_Version(PLUGIN_MAJOR_VERSION, PLUGIN_MINOR_VERSION, PLUGIN_BUG_VERSION, PF_Stage_RELEASE, PLUGIN_BUILD);

// Deep colour, output extent and pixel independence; the host re-sends
// parameter UI updates and renders on non-parameter changes (the layer's
// geometry is not a parameter).
constexpr A_long PLUGIN_OUT_FLAGS = PF_OutFlag_NON_PARAM_VARY | PF_OutFlag_USE_OUTPUT_EXTENT |
                                    PF_OutFlag_PIX_INDEPENDENT | PF_OutFlag_DEEP_COLOR_AWARE |
                                    PF_OutFlag_SEND_UPDATE_PARAMS_UI;

// Smart rendering on any thread, with the geometry mixed into the host's
// cache key; groups may start collapsed.
constexpr A_long PLUGIN_OUT_FLAGS2 = PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG | PF_OutFlag2_REVEALS_ZERO_ALPHA |
                                     PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_I_MIX_GUID_DEPENDENCIES |
                                     PF_OutFlag2_SUPPORTS_THREADED_RENDERING;

// Projects and the PiPL resource depend on these exact words.
static_assert(PLUGIN_VERSION == 0x0008065E);
static_assert(PLUGIN_OUT_FLAGS == 0x06000444);
static_assert(PLUGIN_OUT_FLAGS2 == 0x08200488);
