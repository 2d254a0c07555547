// The refraction margin and the rectangles of the pre-render. The margin
// is in layer pixels at full resolution: refraction can pull pixels from
// this far outside the requested output, so the input is asked for that
// much more on every side, but never beyond the layer (0, 0, width, height).
#pragma once
#include <cstdint>

#include "host/pf_basic_types.h"

// trunc((|refraction| + depth) x max(0.2, 2 x effect_scale)) + 4.
std::int32_t MarginPx(double refraction, double depth, double effect_scale);

// The output request grown by the margin on every side, with left and top
// not below 0, right not above width and bottom not above height.
PF_LRect GrowInputRequest(const PF_LRect& request, std::int32_t margin, A_long width, A_long height);

// The request united with the whole layer (0, 0, width, height).
PF_LRect MaxResultRect(const PF_LRect& request, A_long width, A_long height);
