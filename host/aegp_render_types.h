// Types of the host's frame rendering services: the pixel type of a
// rendered world, how its colour relates to its alpha, the cancel callback
// a render may poll, and the other scalars the render suites pass.
#pragma once
#include "host/aegp_types.h"

extern "C" {

using AEGP_WorldType = A_long;
constexpr AEGP_WorldType AEGP_WorldType_NONE = 0;
constexpr AEGP_WorldType AEGP_WorldType_8 = 1;
constexpr AEGP_WorldType AEGP_WorldType_16 = 2;
constexpr AEGP_WorldType AEGP_WorldType_32 = 3;

// How a rendered frame's colour channels relate to its alpha.
using AEGP_MatteMode = A_long;
constexpr AEGP_MatteMode AEGP_MatteMode_STRAIGHT = 0;
constexpr AEGP_MatteMode AEGP_MatteMode_PREMUL_BLACK = 1;
constexpr AEGP_MatteMode AEGP_MatteMode_PREMUL_BG_COLOR = 2;

using AEGP_ChannelOrder = A_char;
using AEGP_ItemQuality = A_long;

using AEGP_CancelRefcon = void*;
// Polled by a render; setting *cancelPB to true abandons it.
using AEGP_RenderSuiteCheckForCancel = A_Err (*)(AEGP_CancelRefcon refcon, A_Boolean* cancelPB);

using AEGP_AsyncRequestId = A_u_longlong;
using AEGP_AsyncFrameRequestRefcon = void*;
using AEGP_AsyncFrameReadyCallback = A_Err (*)(AEGP_AsyncRequestId request_id, A_Boolean was_canceled,
                                               A_Err error, AEGP_FrameReceiptH receiptH,
                                               AEGP_AsyncFrameRequestRefcon refconP0);

struct AEGP_TimeStamp {
  A_u_long a, b, c, d;
};

using AEGP_SoundDataH = struct _AEGP_SoundData*;
using AEGP_PlatformWorldH = struct _AEGP_PlatformWorld*;

}  // extern "C"
