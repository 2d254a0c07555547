// "AEGP Mask Outline Suite" version 5: the vertices of a mask or shape-path
// outline value (AEGP_MaskOutlineValH from a stream value), its segment
// count and whether it is open. For a closed outline vertex number
// segment-count is the first vertex again.
#pragma once
#include "host/aegp_stream_types.h"
#include "host/suite_tables.h"

extern "C" {

struct AEGP_MaskOutlineSuite5 {
  A_Err (*AEGP_IsMaskOutlineOpen)(AEGP_MaskOutlineValH mask_outlineH, A_Boolean* openPB);
  A_Err (*AEGP_SetMaskOutlineOpen)(AEGP_MaskOutlineValH mask_outlineH, A_Boolean openB);
  A_Err (*AEGP_GetMaskOutlineNumSegments)(AEGP_MaskOutlineValH mask_outlineH, A_long* num_segmentsPL);
  A_Err (*AEGP_GetMaskOutlineVertexInfo)(AEGP_MaskOutlineValH mask_outlineH, AEGP_VertexIndex which_pointL,
                                         AEGP_MaskVertex* vertexP);
  A_Err (*AEGP_SetMaskOutlineVertexInfo)(AEGP_MaskOutlineValH mask_outlineH, AEGP_VertexIndex which_pointL,
                                         const AEGP_MaskVertex* vertexP);
  A_Err (*AEGP_CreateVertex)(AEGP_MaskOutlineValH mask_outlineH, AEGP_VertexIndex insert_position);
  A_Err (*AEGP_DeleteVertex)(AEGP_MaskOutlineValH mask_outlineH, AEGP_VertexIndex index);
  A_Err (*AEGP_GetMaskOutlineNumFeathers)(AEGP_MaskOutlineValH mask_outlineH, A_long* num_feathersPL);
  void* AEGP_GetMaskOutlineFeatherInfo;
  void* AEGP_SetMaskOutlineFeatherInfo;
  void* AEGP_CreateMaskOutlineFeather;
  A_Err (*AEGP_DeleteMaskOutlineFeather)(AEGP_MaskOutlineValH mask_outlineH, AEGP_FeatherIndex index);
};

}  // extern "C"
