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
};

using CopyOutInputs16 = CopyOutInputs<PF_Pixel16>;
using CopyOutInputs8 = CopyOutInputs<PF_Pixel8>;

// Rows split among the workers of ParallelFor. Only the part that both the
// buffer and the world cover is copied.
void CopyOut16(const CopyOutInputs16& in);
void CopyOut8(const CopyOutInputs8& in);
