// Opaque references and enumerations of the host's plug-in services (AEGP).
// Suite tables under host/suites/ take and return these.
#pragma once
#include "host/pf_basic_types.h"

extern "C" {

using AEGP_CompH = struct _AEGP_Comp*;
using AEGP_ItemH = struct _AEGP_Item*;
using AEGP_LayerH = struct _AEGP_Layer*;
using AEGP_EffectRefH = struct _AEGP_EffectRef*;
using AEGP_StreamRefH = struct _AEGP_StreamRef*;
using AEGP_MaskRefH = struct _AEGP_MaskRef*;
using AEGP_MaskOutlineValH = struct _AEGP_MaskOutlineVal*;
using AEGP_FootageH = struct _AEGP_Footage*;
using AEGP_WorldH = struct _AEGP_World*;
using AEGP_RenderOptionsH = struct _AEGP_RenderOptions*;
using AEGP_LayerRenderOptionsH = struct _AEGP_LayerRenderOptions*;
using AEGP_FrameReceiptH = struct _AEGP_FrameReceipt*;
using AEGP_TextOutlinesH = struct _AEGP_TextOutlines*;
using AEGP_PlatformWindowRef = void*;
using PF_PathOutlinePtr = struct _PF_PathOutline*;
using PF_PathSegPrepPtr = struct _PF_PathSegPrep*;
using PF_PathID = A_long;

using AEGP_InstalledEffectKey = A_long;
using AEGP_ObjectType = A_long;
using AEGP_LayerFlags = A_long;
using AEGP_EffectFlags = A_long;
using AEGP_LTimeMode = A_long;
using AEGP_ItemType = A_long;
using AEGP_ItemFlags = A_long;
using AEGP_MaskMode = A_long;
using AEGP_StreamType = A_long;
using AEGP_StreamGroupingType = A_long;
using AEGP_LayerStream = A_long;
using AEGP_MaskStream = A_long;
using AEGP_TrackMatte = A_long;
using AEGP_TransferFlags = A_long;
using AEGP_LayerQuality = A_long;
using AEGP_GlobalRefcon = void*;
using PF_TransferMode = A_long;

// A layer's blending: its transfer mode, the transfer flags and the kind of
// track matte it uses.
struct AEGP_LayerTransferMode {
  PF_TransferMode mode;
  AEGP_TransferFlags flags;
  AEGP_TrackMatte track_matte;
};

constexpr AEGP_ObjectType AEGP_ObjectType_NONE = -1;
constexpr AEGP_ObjectType AEGP_ObjectType_AV = 0;
constexpr AEGP_ObjectType AEGP_ObjectType_LIGHT = 1;
constexpr AEGP_ObjectType AEGP_ObjectType_CAMERA = 2;
constexpr AEGP_ObjectType AEGP_ObjectType_TEXT = 3;
constexpr AEGP_ObjectType AEGP_ObjectType_VECTOR = 4;

constexpr AEGP_LayerFlags AEGP_LayerFlag_NONE = 0x00000000;
constexpr AEGP_LayerFlags AEGP_LayerFlag_VIDEO_ACTIVE = 0x00000001;
constexpr AEGP_LayerFlags AEGP_LayerFlag_AUDIO_ACTIVE = 0x00000002;
constexpr AEGP_LayerFlags AEGP_LayerFlag_EFFECTS_ACTIVE = 0x00000004;
constexpr AEGP_LayerFlags AEGP_LayerFlag_MOTION_BLUR = 0x00000008;
constexpr AEGP_LayerFlags AEGP_LayerFlag_FRAME_BLENDING = 0x00000010;
constexpr AEGP_LayerFlags AEGP_LayerFlag_LOCKED = 0x00000020;
constexpr AEGP_LayerFlags AEGP_LayerFlag_SHY = 0x00000040;
constexpr AEGP_LayerFlags AEGP_LayerFlag_COLLAPSE = 0x00000080;
constexpr AEGP_LayerFlags AEGP_LayerFlag_AUTO_ORIENT_ROTATION = 0x00000100;
constexpr AEGP_LayerFlags AEGP_LayerFlag_ADJUSTMENT_LAYER = 0x00000200;

constexpr AEGP_ItemType AEGP_ItemType_NONE = 0;
constexpr AEGP_ItemType AEGP_ItemType_FOLDER = 1;
constexpr AEGP_ItemType AEGP_ItemType_COMP = 2;
constexpr AEGP_ItemType AEGP_ItemType_SOLID_defunct = 3;
constexpr AEGP_ItemType AEGP_ItemType_FOOTAGE = 4;

constexpr AEGP_EffectFlags AEGP_EffectFlags_NONE = 0;
constexpr AEGP_EffectFlags AEGP_EffectFlags_ACTIVE = 1L << 0;

constexpr AEGP_LTimeMode AEGP_LTimeMode_LayerTime = 0;
constexpr AEGP_LTimeMode AEGP_LTimeMode_CompTime = 1;

constexpr A_long AEGP_MAX_EFFECT_MATCH_NAME_SIZE = 47;

}  // extern "C"
