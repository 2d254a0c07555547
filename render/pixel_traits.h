// What the pixel kernels need to know about the host's two pixel depths:
// the channel type and the full channel value (32768 for 16 bits per
// channel, 255 for 8), and how to reach row y of a world, which starts at
// data + y * rowbytes (rowbytes includes any padding). Pixels are
// premultiplied ARGB, alpha first.
#pragma once
#include <cstdint>

#include "host/pf_effect_world.h"

template <typename Pixel>
struct PixelTraits;

template <>
struct PixelTraits<PF_Pixel16> {
  using Channel = A_u_short;
  static constexpr std::int32_t FULL = PF_MAX_CHAN16;
  static constexpr float FULL_F = 32768.0f;
  static constexpr double FULL_D = 32768.0;
};

template <>
struct PixelTraits<PF_Pixel8> {
  using Channel = A_u_char;
  static constexpr std::int32_t FULL = PF_MAX_CHAN8;
  static constexpr float FULL_F = 255.0f;
  static constexpr double FULL_D = 255.0;
};

template <typename Pixel>
inline const Pixel* WorldRow(const PF_EffectWorld& world, std::int32_t y) {
  return reinterpret_cast<const Pixel*>(static_cast<const char*>(world.data) +
                                        static_cast<std::int64_t>(y) * world.rowbytes);
}

template <typename Pixel>
inline Pixel* WorldRow(PF_EffectWorld& world, std::int32_t y) {
  return reinterpret_cast<Pixel*>(static_cast<char*>(world.data) + static_cast<std::int64_t>(y) * world.rowbytes);
}

// Float channel value back to the channel type: clamped to [0, full] first,
// then truncated toward zero. NaN reads as 0.
template <typename Pixel>
inline typename PixelTraits<Pixel>::Channel ChannelFromFloat(float v) {
  if (!(v > 0.0f)) return 0;
  if (static_cast<double>(v) > PixelTraits<Pixel>::FULL_D) v = PixelTraits<Pixel>::FULL_F;
  return static_cast<typename PixelTraits<Pixel>::Channel>(v);
}
