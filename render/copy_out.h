// Copies a width x height pixel buffer (rows back to back) into a world row
// by row: row y goes to data + y * rowbytes, whole pixels unchanged, and the
// bytes past each row's pixels (the world's row padding) are never written.
#pragma once
#include <cstdint>

#include "host/pf_effect_world.h"

template <typename Pixel>
struct CopyOutInputs {
  const Pixel* source = nullptr;
  std::int32_t width = 0;   // of the source buffer
  std::int32_t height = 0;
  PF_EffectWorld* output = nullptr;
  // When given (width x height, the pane field the shading read), only pane
  // pixels are copied: the shading already wrote every pixel outside the
  // panes to the output as the input had it, and frost belongs behind glass.
  const float* pane_distance = nullptr;
};

using CopyOutInputs16 = CopyOutInputs<PF_Pixel16>;
using CopyOutInputs8 = CopyOutInputs<PF_Pixel8>;

// Rows split among the workers of ParallelFor. Only the part that both the
// buffer and the world cover is copied.
void CopyOut16(const CopyOutInputs16& in);
void CopyOut8(const CopyOutInputs8& in);
