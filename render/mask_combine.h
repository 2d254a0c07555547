// One mask's coverage m combined into the shared coverage c of the
// supersampled shapes road, by the mask's mode: intersect multiplies (a
// first intersection starts from full coverage), subtract multiplies by
// 1 - m, every other mode adds (c + (1 - c) m). An inverted mask combines
// 1 - m instead.
#pragma once
#include <cstdint>

#include "render/outline_fill.h"

// Over all n pixels; m is inverted in place when the mask is.
void CombineMaskCoverage(float* c, float* m, std::int64_t n, bool inverted, std::uint32_t mode, bool first);

// The same result when m is 0 outside the window: m is read only inside
// it, and outside it each pixel is combined with m = 0 (1 when inverted),
// or left alone where that changes nothing (coverage is never negative, so
// adding 0 x (1 - c) or multiplying by 1 keeps it).
void CombineMaskCoverageInWindow(float* c, const float* m, std::int32_t width, std::int32_t height,
                                 const GridWindow& window, bool inverted, std::uint32_t mode, bool first);
