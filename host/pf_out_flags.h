// Flag bits of PF_OutData::out_flags and out_flags2.
#pragma once
#include "host/pf_basic_types.h"

constexpr PF_OutFlags PF_OutFlag_NONE = 0;
constexpr PF_OutFlags PF_OutFlag_NON_PARAM_VARY = 1L << 2;
constexpr PF_OutFlags PF_OutFlag_USE_OUTPUT_EXTENT = 1L << 6;
constexpr PF_OutFlags PF_OutFlag_PIX_INDEPENDENT = 1L << 10;
constexpr PF_OutFlags PF_OutFlag_REFRESH_UI = 1L << 17;
constexpr PF_OutFlags PF_OutFlag_DEEP_COLOR_AWARE = 1L << 25;
constexpr PF_OutFlags PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1L << 26;

constexpr PF_OutFlags2 PF_OutFlag2_NONE = 0;
constexpr PF_OutFlags2 PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG = 1L << 3;
constexpr PF_OutFlags2 PF_OutFlag2_REVEALS_ZERO_ALPHA = 1L << 7;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_SMART_RENDER = 1L << 10;
constexpr PF_OutFlags2 PF_OutFlag2_I_MIX_GUID_DEPENDENCIES = 1L << 21;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_THREADED_RENDERING = 1L << 27;

// Development stages of the packed effect version.
constexpr A_u_long PF_Stage_DEVELOP = 0;
constexpr A_u_long PF_Stage_ALPHA = 1;
constexpr A_u_long PF_Stage_BETA = 2;
constexpr A_u_long PF_Stage_RELEASE = 3;

// The host's packed effect version: version in bits 19 and up, subversion in
// 15-18, bug-fix version in 11-14, stage in 9-10, build in 0-8.
constexpr A_u_long PF_Version(A_u_long vers, A_u_long subvers, A_u_long bugvers, A_u_long stage, A_u_long build) {
  return ((vers & 0x1FFFu) << 19) | ((subvers & 0xFu) << 15) | ((bugvers & 0xFu) << 11) | ((stage & 0x3u) << 9) |
         (build & 0x1FFu);
}
