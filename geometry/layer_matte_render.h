// The matte of a track-matte layer: the host renders the layer on its own,
// and its alpha (or its luma, for the luma modes) is placed into the
// raster at the rendered region's origin, or, for an ordinary audio-visual
// layer, at the translation of its layer-to-world matrix. The raster is in
// composition pixels at the current downsampling, w x h values, rows top
// first: coverage 0 to 32768 (16 bits) or 0 to 255 (8 bits), inverted for
// the inverted modes.
#pragma once
#include <cstdint>

#include "host/aegp_types.h"
#include "host/pf_in_data.h"

class SuiteHandler;

// The effect layer's track-matte type.
constexpr A_long MATTE_MODE_ALPHA = 1;
constexpr A_long MATTE_MODE_ALPHA_INVERTED = 2;
constexpr A_long MATTE_MODE_LUMA = 3;
constexpr A_long MATTE_MODE_LUMA_INVERTED = 4;

constexpr bool MatteModeInverted(A_long mode) { return mode == MATTE_MODE_ALPHA_INVERTED || mode == MATTE_MODE_LUMA_INVERTED; }
constexpr bool MatteModeLuma(A_long mode) { return mode == MATTE_MODE_LUMA || mode == MATTE_MODE_LUMA_INVERTED; }

// True when the raster was written; false when the host gave nothing to
// place (the raster then holds only its initial fill: full for the
// inverted modes, else 0).
bool RenderLayerMatte16(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH matte_layer, A_long mode,
                        const A_Time& comp_time, std::int32_t w, std::int32_t h, std::uint16_t* raster);
bool RenderLayerMatte8(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH matte_layer, A_long mode,
                       const A_Time& comp_time, std::int32_t w, std::int32_t h, std::uint8_t* raster);
