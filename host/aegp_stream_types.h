// Values and enumerations of the host's property streams: the layer's own
// transform streams, mask streams, the dynamic property tree of a layer
// (groups and leaves with match names), the value records that stream reads
// fill, and the vertices of a mask or shape-path outline. Positions and
// tangents are in layer pixels, tangents relative to their vertex; times
// are A_Time (value over scale) in the time mode the caller names.
#pragma once
#include "host/aegp_types.h"
#include "host/pf_basic_types.h"

extern "C" {

using AEGP_TextDocumentH = struct _AEGP_TextDocument*;
using AEGP_MarkerValP = struct _AEGP_MarkerVal*;
using AEGP_MaskIDVal = A_u_long;
using AEGP_VertexIndex = A_long;
using AEGP_FeatherIndex = A_long;
using AEGP_StreamFlags = A_long;
using AEGP_DynStreamFlags = A_long;
using AEGP_KeyInterpolationMask = A_long;
using AEGP_MemSize = A_u_longlong;
using AEGP_MemFlag = A_long;

// The layer's own streams (AEGP_GetNewLayerStream).
constexpr AEGP_LayerStream AEGP_LayerStream_NONE = -1;
constexpr AEGP_LayerStream AEGP_LayerStream_ANCHORPOINT = 0;
constexpr AEGP_LayerStream AEGP_LayerStream_POSITION = 1;
constexpr AEGP_LayerStream AEGP_LayerStream_SCALE = 2;
constexpr AEGP_LayerStream AEGP_LayerStream_ROTATION = 3;
constexpr AEGP_LayerStream AEGP_LayerStream_ROTATE_Z = AEGP_LayerStream_ROTATION;
constexpr AEGP_LayerStream AEGP_LayerStream_OPACITY = 4;
constexpr AEGP_LayerStream AEGP_LayerStream_AUDIO = 5;
constexpr AEGP_LayerStream AEGP_LayerStream_MARKER = 6;
constexpr AEGP_LayerStream AEGP_LayerStream_TIME_REMAP = 7;
constexpr AEGP_LayerStream AEGP_LayerStream_ROTATE_X = 8;
constexpr AEGP_LayerStream AEGP_LayerStream_ROTATE_Y = 9;
constexpr AEGP_LayerStream AEGP_LayerStream_ORIENTATION = 10;

// A mask's streams (AEGP_GetNewMaskStream).
constexpr AEGP_MaskStream AEGP_MaskStream_OUTLINE = 400;
constexpr AEGP_MaskStream AEGP_MaskStream_OPACITY = 401;
constexpr AEGP_MaskStream AEGP_MaskStream_FEATHER = 402;
constexpr AEGP_MaskStream AEGP_MaskStream_EXPANSION = 403;

constexpr AEGP_StreamGroupingType AEGP_StreamGroupingType_NONE = -1;
constexpr AEGP_StreamGroupingType AEGP_StreamGroupingType_LEAF = 0;
constexpr AEGP_StreamGroupingType AEGP_StreamGroupingType_NAMED_GROUP = 1;
constexpr AEGP_StreamGroupingType AEGP_StreamGroupingType_INDEXED_GROUP = 2;

constexpr AEGP_StreamType AEGP_StreamType_NO_DATA = 0;
constexpr AEGP_StreamType AEGP_StreamType_ThreeD_SPATIAL = 1;
constexpr AEGP_StreamType AEGP_StreamType_ThreeD = 2;
constexpr AEGP_StreamType AEGP_StreamType_TwoD_SPATIAL = 3;
constexpr AEGP_StreamType AEGP_StreamType_TwoD = 4;
constexpr AEGP_StreamType AEGP_StreamType_OneD = 5;
constexpr AEGP_StreamType AEGP_StreamType_COLOR = 6;
constexpr AEGP_StreamType AEGP_StreamType_ARB = 7;
constexpr AEGP_StreamType AEGP_StreamType_MARKER = 8;
constexpr AEGP_StreamType AEGP_StreamType_LAYER_ID = 9;
constexpr AEGP_StreamType AEGP_StreamType_MASK_ID = 10;
constexpr AEGP_StreamType AEGP_StreamType_MASK = 11;
constexpr AEGP_StreamType AEGP_StreamType_TEXT_DOCUMENT = 12;

// Size of the buffer AEGP_GetMatchName writes, terminator included.
constexpr A_long AEGP_MAX_STREAM_MATCH_NAME_SIZE = 40;

constexpr AEGP_MemFlag AEGP_MemFlag_NONE = 0;
constexpr AEGP_MemFlag AEGP_MemFlag_CLEAR = 1;
constexpr AEGP_MemFlag AEGP_MemFlag_QUIET = 2;

using AEGP_OneDVal = A_FpLong;

struct AEGP_TwoDVal {
  A_FpLong x, y;
};

struct AEGP_ThreeDVal {
  A_FpLong x, y, z;
};

struct AEGP_FourDVal {
  A_FpLong v[4];
};

struct AEGP_ColorVal {
  A_FpLong alpha, red, green, blue;
};

using AEGP_ArbBlockVal = PF_Handle;

union AEGP_StreamVal2 {
  AEGP_FourDVal four_d;
  AEGP_ThreeDVal three_d;
  AEGP_TwoDVal two_d;
  AEGP_OneDVal one_d;
  AEGP_ColorVal color;
  AEGP_ArbBlockVal arbH;
  AEGP_MarkerValP markerP;
  AEGP_LayerIDVal layer_id;
  AEGP_MaskIDVal mask_id;
  AEGP_MaskOutlineValH mask;
  AEGP_TextDocumentH text_documentH;
};

// What AEGP_GetNewStreamValue fills; released with AEGP_DisposeStreamValue.
struct AEGP_StreamValue2 {
  AEGP_StreamRefH streamH;
  AEGP_StreamVal2 val;
};

// One vertex of a mask or path outline.
struct AEGP_MaskVertex {
  A_FpLong x, y;
  A_FpLong tan_in_x, tan_in_y;
  A_FpLong tan_out_x, tan_out_y;
};

}  // extern "C"
