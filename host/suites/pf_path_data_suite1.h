// "PF Path Data Suite" version 1: vertices of a path outline. Vertex
// positions are in layer pixels; the tangent fields are the absolute
// positions of the segment's control points (tan_out of a vertex starts the
// segment that leaves it, tan_in ends the segment that arrives at it).
#pragma once
#include "host/aegp_types.h"
#include "host/pf_basic_types.h"

extern "C" {

using PF_PathVertexIndex = A_long;
using PF_MaskMode = A_long;

struct PF_PathVertex {
  PF_FpLong x;
  PF_FpLong y;
  PF_FpLong tan_in_x;
  PF_FpLong tan_in_y;
  PF_FpLong tan_out_x;
  PF_FpLong tan_out_y;
};
static_assert(sizeof(PF_PathVertex) == 48);

struct PF_PathDataSuite1 {
  PF_Err (*PF_PathIsOpen)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, PF_Boolean* open);
  PF_Err (*PF_PathNumSegments)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, A_long* num_segments);
  PF_Err (*PF_PathVertexInfo)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, PF_PathVertexIndex which_point,
                              PF_PathVertex* vertex);
  PF_Err (*PF_PathPrepareSegLength)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, A_long which_seg,
                                    A_long frequency, PF_PathSegPrepPtr* length_prep);
  PF_Err (*PF_PathGetSegLength)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, A_long which_seg,
                                PF_PathSegPrepPtr* length_prep, PF_FpLong* length);
  PF_Err (*PF_PathEval)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, PF_PathSegPrepPtr* length_prep,
                        A_long which_seg, PF_FpLong length, PF_FpLong* x, PF_FpLong* y);
  PF_Err (*PF_PathCleanupSegLength)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, A_long which_seg,
                                    PF_PathSegPrepPtr* length_prep);
  PF_Err (*PF_PathIsInverted)(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_Boolean* inverted);
  PF_Err (*PF_PathGetMaskMode)(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_MaskMode* mode);
  PF_Err (*PF_PathGetName)(PF_ProgPtr effect_ref, PF_PathID unique_id, A_char* name);
};

}  // extern "C"
