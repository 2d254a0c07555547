// The frost blur: a box average along rows or along columns of a pixel
// buffer (width x height premultiplied ARGB pixels, rows back to back, no
// padding) that takes only non-transparent pixels into account and leaves
// transparent ones as they are. The window of radius r around each position
// is kept as running channel sums and a running count, so a line costs the
// same whatever the radius.
#pragma once
#include <cstdint>

#include "host/pf_effect_world.h"

template <typename Pixel>
struct ColourBleedInputs {
  const Pixel* source = nullptr;
  Pixel* destination = nullptr;  // a buffer other than source, same size
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t radius = 1;  // a negative radius counts as 0
};

using ColourBleedInputs16 = ColourBleedInputs<PF_Pixel16>;
using ColourBleedInputs8 = ColourBleedInputs<PF_Pixel8>;

// Rows split among the workers of ParallelFor.
void BleedColorRows16(const ColourBleedInputs16& in);
void BleedColorRows8(const ColourBleedInputs8& in);
// Columns split among the workers of ParallelFor.
void BleedColorColumns16(const ColourBleedInputs16& in);
void BleedColorColumns8(const ColourBleedInputs8& in);
