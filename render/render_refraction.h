// The two render pipelines, one design over the pixel depth: 16-bit ARGB
// (channels 0 to 32768) and 8-bit ARGB (0 to 255). The pipeline owns the
// substitute input buffer from the call on and frees it, and checks the
// input layer back in, on every return; when it throws, the caller does both.
#pragma once
#include <cstdint>
#include <memory>

#include "host/pf_in_data.h"
#include "host/pf_smart_fx.h"
#include "render/allocation_seam.h"

using SubstitutePixels = ZeroedArray<std::uint8_t>;

PF_Err RenderRefraction16(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra,
                          PF_EffectWorld* input, PF_EffectWorld* output, SubstitutePixels& substitute_pixels);
PF_Err RenderRefraction8(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra,
                         PF_EffectWorld* input, PF_EffectWorld* output, SubstitutePixels& substitute_pixels);
