// The frame when there is nothing to draw: the input copied pixel for pixel
// into the output, shifted by the request offsets (output pixel (x, y) lies
// over input pixel (x + offset_x, y + offset_y)); where the request reaches
// outside the input the pixel is transparent. Runs on the calling thread.
#pragma once
#include <cstdint>
#include <cstring>

#include "host/pf_effect_world.h"

template <typename Pixel>
void PassThrough(const PF_EffectWorld& input, PF_EffectWorld& output, std::int32_t offset_x, std::int32_t offset_y) {
  const auto* in_base = static_cast<const std::uint8_t*>(input.data);
  auto* out_base = static_cast<std::uint8_t*>(output.data);
  for (A_long y = 0; y < output.height; ++y) {
    auto* out_row = reinterpret_cast<Pixel*>(out_base + static_cast<std::ptrdiff_t>(y) * output.rowbytes);
    const std::int64_t sy = static_cast<std::int64_t>(y) + offset_y;
    const bool row_inside = sy >= 0 && sy < input.height;
    const auto* in_row =
        row_inside ? reinterpret_cast<const Pixel*>(in_base + static_cast<std::ptrdiff_t>(sy) * input.rowbytes)
                   : nullptr;
    for (A_long x = 0; x < output.width; ++x) {
      const std::int64_t sx = static_cast<std::int64_t>(x) + offset_x;
      if (row_inside && sx >= 0 && sx < input.width) {
        out_row[x] = in_row[sx];
      } else {
        out_row[x] = Pixel{};
      }
    }
  }
}
