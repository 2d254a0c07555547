// "AEGP Layer Mask Suite" version 7, as far as the pre-render uses it: a
// layer's masks by index, their mode and inversion. Mask references are the
// caller's to dispose.
#pragma once
#include "host/aegp_types.h"

extern "C" {

using AEGP_MaskIndex = A_long;
using PF_MaskMode = A_long;
constexpr PF_MaskMode PF_MaskMode_NONE = 0;
constexpr PF_MaskMode PF_MaskMode_ADD = 1;
constexpr PF_MaskMode PF_MaskMode_SUBTRACT = 2;
constexpr PF_MaskMode PF_MaskMode_INTERSECT = 3;
constexpr PF_MaskMode PF_MaskMode_LIGHTEN = 4;
constexpr PF_MaskMode PF_MaskMode_DARKEN = 5;
constexpr PF_MaskMode PF_MaskMode_DIFFERENCE = 6;
constexpr PF_MaskMode PF_MaskMode_ACCUM = 7;

struct AEGP_LayerMaskSuite7 {
  A_Err (*AEGP_GetLayerNumMasks)(AEGP_LayerH layer, A_long* num_masks);
  A_Err (*AEGP_GetLayerMaskByIndex)(AEGP_LayerH layer, AEGP_MaskIndex mask_index, AEGP_MaskRefH* mask);
  A_Err (*AEGP_DisposeMask)(AEGP_MaskRefH mask);
  A_Err (*AEGP_GetMaskInvert)(AEGP_MaskRefH mask, A_Boolean* invert);
  A_Err (*AEGP_SetMaskInvert)(AEGP_MaskRefH mask, A_Boolean invert);
  A_Err (*AEGP_GetMaskMode)(AEGP_MaskRefH mask, PF_MaskMode* mode);
  A_Err (*AEGP_SetMaskMode)(AEGP_MaskRefH mask, PF_MaskMode mode);
};

}  // extern "C"
