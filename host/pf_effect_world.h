// Pixel worlds: the host's images, premultiplied ARGB with alpha first.
#pragma once
#include "host/pf_basic_types.h"

extern "C" {

struct PF_Pixel8 {
  A_u_char alpha, red, green, blue;
};

struct PF_Pixel16 {
  A_u_short alpha, red, green, blue;
};

constexpr A_u_char PF_MAX_CHAN8 = 255;
constexpr A_u_short PF_MAX_CHAN16 = 32768;

using PF_WorldFlags = A_long;
constexpr PF_WorldFlags PF_WorldFlag_DEEP = 1L << 0;
constexpr PF_WorldFlags PF_WorldFlag_WRITEABLE = 1L << 1;

struct PF_LayerDef {
  void* reserved0;
  void* reserved1;
  PF_WorldFlags world_flags;
  void* data;          // first pixel of the top row
  A_long rowbytes;     // bytes from one row to the next, padding included
  A_long width;
  A_long height;
  PF_Rect extent_hint;
  void* platform_ref;
  A_long reserved_long1;
  void* reserved_long4;
  PF_RationalScale pix_aspect_ratio;
  void* reserved_long2;
  A_long origin_x;
  A_long origin_y;
  A_long reserved_long3;
  A_long dephault;
};
using PF_EffectWorld = PF_LayerDef;
using PF_World = PF_LayerDef;

}  // extern "C"
