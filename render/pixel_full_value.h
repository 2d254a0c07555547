// The full channel value of each host pixel type: 32768 for 16 bits per
// channel (the host's 15-bit-plus-one range), 255 for 8 bits. Kernels written
// once over the pixel type take their range from here.
#pragma once
#include <cstdint>
#include <type_traits>

#include "host/pf_effect_world.h"

template <typename Pixel>
constexpr std::int32_t PixelFullValue() {
  static_assert(std::is_same_v<Pixel, PF_Pixel8> || std::is_same_v<Pixel, PF_Pixel16>);
  if constexpr (std::is_same_v<Pixel, PF_Pixel16>) {
    return PF_MAX_CHAN16;
  } else {
    return PF_MAX_CHAN8;
  }
}
