// Scalar types of the host's C interface, spelled as the host spells them.
// The plug-in and the simulated host are both compiled against these
// declarations; none of the host's own headers are used.
#pragma once
#include <cstdint>

using A_char = char;
using A_u_char = std::uint8_t;
using A_short = std::int16_t;
using A_u_short = std::uint16_t;
using A_long = std::int32_t;
using A_u_long = std::uint32_t;
using A_Boolean = std::uint8_t;
using A_FpLong = double;
using A_FpShort = float;
using A_Err = std::int32_t;
using A_u_longlong = std::uint64_t;
using A_UTF16Char = std::uint16_t;

using PF_Err = std::int32_t;
using PF_Boolean = std::uint8_t;
using PF_Fixed = std::int32_t;     // 16.16 fixed point
using PF_FpLong = double;
using PF_FpShort = float;
using PF_ParamIndex = A_long;
using PF_ParamType = A_long;
using PF_ParamFlags = A_long;
using PF_ParamUIFlags = A_long;
using PF_ChangeFlags = A_long;
using PF_ParamValue = A_long;
using PF_OutFlags = A_long;
using PF_OutFlags2 = A_long;
using PF_InFlags = A_long;
using PF_Quality = A_long;
constexpr PF_Quality PF_Quality_DRAWING_AUDIO = -1;
constexpr PF_Quality PF_Quality_LO = 0;
constexpr PF_Quality PF_Quality_HI = 1;
using PF_Field = A_long;
using PF_ModeFlags = A_long;
using PF_ChannelMask = A_long;
using PF_RenderOutputFlags = A_short;
using PF_GPU_Framework = A_long;
using PF_PixLong = A_long;

// Opaque host references.
using PF_Handle = void**;
using PF_ProgPtr = struct PF_ProgressInfo*;
using PF_PluginID = A_long;
using SPErr = std::int32_t;

using AEGP_PluginID = A_long;
using AEGP_ItemID = A_long;
using AEGP_LayerIDVal = A_u_long;
using AEGP_MemHandle = struct AEGP_MemHandleOpaque*;
using AEGP_IdleRefcon = void*;

struct PF_RationalScale {
  A_long num;
  A_u_long den;
};

struct PF_Rect {
  A_long left, top, right, bottom;
};
using PF_LRect = PF_Rect;

struct PF_Point {
  A_long h, v;
};

struct PF_SpecVersion {
  A_short major;
  A_short minor;
};

struct A_Time {
  A_long value;
  A_u_long scale;
};

struct A_FloatPoint {
  A_FpLong x, y;
};

struct A_FloatPoint3 {
  A_FpLong x, y, z;
};

struct A_Matrix4 {
  A_FpLong mat[4][4];
};

struct A_FloatRect {
  A_FpLong left, top, right, bottom;
};

// An integer rectangle of the host's plug-in services; right and bottom lie
// one past the last column and row.
struct A_LRect {
  A_long left, top, right, bottom;
};
