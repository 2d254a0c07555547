// Parameter definitions as the host receives them at parameter setup and
// hands them back at checkout.
#pragma once
#include "host/pf_basic_types.h"
#include "host/pf_effect_world.h"

extern "C" {

constexpr PF_ParamType PF_Param_LAYER = 0;
constexpr PF_ParamType PF_Param_SLIDER = 1;
constexpr PF_ParamType PF_Param_FIX_SLIDER = 2;
constexpr PF_ParamType PF_Param_ANGLE = 3;
constexpr PF_ParamType PF_Param_CHECKBOX = 4;
constexpr PF_ParamType PF_Param_COLOR = 5;
constexpr PF_ParamType PF_Param_POINT = 6;
constexpr PF_ParamType PF_Param_POPUP = 7;
constexpr PF_ParamType PF_Param_FLOAT_SLIDER = 10;
constexpr PF_ParamType PF_Param_GROUP_START = 13;
constexpr PF_ParamType PF_Param_GROUP_END = 14;

constexpr PF_ParamFlags PF_ParamFlag_START_COLLAPSED = 1L << 5;

constexpr A_long PF_MAX_EFFECT_PARAM_NAME_LEN = 31;

using PF_ValueDisplayFlags = A_short;
using PF_FSliderFlags = A_long;

struct PF_FloatSliderDef {
  PF_FpLong value;
  PF_FpLong phase;
  A_char value_desc[32];
  PF_FpShort valid_min, valid_max;
  PF_FpShort slider_min, slider_max;
  PF_FpShort dephault;
  A_short precision;
  PF_ValueDisplayFlags display_flags;
  PF_FSliderFlags fs_flags;
  PF_FpShort curve_tolerance;
  PF_FpLong useExponent;
  PF_FpShort exponent;
};

struct PF_AngleDef {
  PF_Fixed value;
  PF_Fixed dephault;
  PF_Fixed valid_min, valid_max;
};

struct PF_SliderDef {
  PF_ParamValue value;
  A_char value_str[32];
  A_char value_desc[32];
  PF_ParamValue valid_min, valid_max;
  PF_ParamValue slider_min, slider_max;
  PF_ParamValue dephault;
};

struct PF_CheckBoxDef {
  PF_ParamValue value;
  PF_Boolean dephault;
  char reserved0;
  A_short reserved1;
  const A_char* u_name;
};

union PF_ParamDefUnion {
  PF_LayerDef ld;
  PF_SliderDef sd;
  PF_AngleDef ad;
  PF_CheckBoxDef bd;
  PF_FloatSliderDef fs_d;
};

struct PF_ParamDef {
  union {
    A_long id;
    PF_ChangeFlags change_flags;
  } uu;
  PF_ParamUIFlags ui_flags;
  A_short ui_width;
  A_short ui_height;
  PF_ParamType param_type;
  A_char name[32];
  PF_ParamFlags flags;
  A_long unused;
  PF_ParamDefUnion u;
};
using PF_ParamDefPtr = PF_ParamDef*;
using PF_ParamList = PF_ParamDef**;

}  // extern "C"
