// The matte render of the pre-render, into the raster of the record it is
// filling: guarded against nested renders on the same thread, at the
// frame's composition time, with the distance range the render pipelines
// decode with. Sets matte_valid (and matte_is_distance for an item matte)
// in the record's header on success; a distance matte that covers 99.5 %
// of the frame or more is dropped.
#pragma once
#include "geometry/matte_choice.h"
#include "host/pf_in_data.h"

class SuiteHandler;

constexpr double MATTE_FULL_COVERAGE = 0.995;

// The range of the item render's distance codes, in output pixels.
double ItemMatteRange(double rim_scale, double effect_scale, double depth, const PF_RationalScale& downsample_y);

// record is the locked record's memory, with its header written and the
// raster's bytes behind it as the choice sized them.
void RenderRecordMatte(SuiteHandler& suites, const PF_InData* in_data, const MatteChoice& choice, bool deep,
                       double rim_scale, double effect_scale, double depth, void* record);
