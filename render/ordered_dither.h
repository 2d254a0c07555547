// The 4 x 4 ordered-dither (Bayer) matrix divided by 16, indexed by
// (y & 3) x 4 + (x & 3) with x, y output pixel column and row. Values lie in
// [0, 1); the rim light centres them on zero to break up banding in its glow.
#pragma once
#include <array>

constexpr std::array<float, 16> BAYER_4X4 = {
    0.0f,    0.5f,    0.125f,  0.625f,   //
    0.75f,   0.25f,   0.875f,  0.375f,   //
    0.1875f, 0.6875f, 0.0625f, 0.5625f,  //
    0.9375f, 0.4375f, 0.8125f, 0.3125f,
};
