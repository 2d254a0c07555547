// The rim light and the pane-region labelling as a target without SSE2 runs
// them (their plain scalar forms, the PRISMORA_SCALAR_LANES build), compiled
// into the tests beside the module's own, so both forms can be held to the
// reference kernels in one test binary.
#pragma once
#include "host/pf_effect_world.h"
#include "render/float_plane.h"
#include "render/pane_centre.h"
#include "render/pane_regions.h"
#include "render/rim_light.h"

namespace plain_lanes {

template <typename Pixel>
void RimLightPass(PF_EffectWorld& output, const RimLightSettings& settings, const RimLightInputs& inputs);

PaneRegions LabelPaneRegions(const FloatPlane& pane_depth, const FloatPlane& pane_distance,
                             const PaneCentre& centre);

}  // namespace plain_lanes
