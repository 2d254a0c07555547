// The frost step after shading: three rounds of the colour bleed (rows from
// frost_pixels into frost_scratch, then columns back into frost_pixels) with
// a radius in output pixels that grows with Frost and Effect Scale, then the
// copy of frost_pixels into the output world. Both buffers are width x
// height pixels, rows back to back; the caller owns and frees them.
#pragma once
#include <cstdint>

#include "host/pf_effect_world.h"

constexpr int FROST_BLEED_ITERATIONS = 3;
constexpr float FROST_BLEED_FACTOR = 0.3f;

// trunc(frost_px * 0.3f * (float)scale_factor) formed in doubles, at least 1.
std::int32_t FrostBleedRadius(double frost_px, double scale_factor);

void FrostAndCopyOut16(PF_Pixel16* frost_pixels, PF_Pixel16* frost_scratch, std::int32_t width, std::int32_t height,
                       std::int32_t bleed_radius, PF_EffectWorld& output);
void FrostAndCopyOut8(PF_Pixel8* frost_pixels, PF_Pixel8* frost_scratch, std::int32_t width, std::int32_t height,
                      std::int32_t bleed_radius, PF_EffectWorld& output);
