// "AEGP Text Layer Suite" version 1: the glyph outlines of a text layer at
// a layer time, as paths that "PF Path Data Suite" reads. The outlines are
// the caller's to dispose.
#pragma once
#include "host/aegp_types.h"

extern "C" {

struct AEGP_TextLayerSuite1 {
  A_Err (*AEGP_GetNewTextOutlines)(AEGP_LayerH layer, const A_Time* layer_time, AEGP_TextOutlinesH* outlines);
  A_Err (*AEGP_DisposeTextOutlines)(AEGP_TextOutlinesH outlines);
  A_Err (*AEGP_GetNumTextOutlines)(AEGP_TextOutlinesH outlines, A_long* num_outlines);
  A_Err (*AEGP_GetIndexedTextOutline)(AEGP_TextOutlinesH outlines, A_long path_index, PF_PathOutlinePtr* path);
};

}  // extern "C"
