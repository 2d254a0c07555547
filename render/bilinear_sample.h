// Bilinear read of a premultiplied ARGB world at a fractional position, in
// the world's own pixel coordinates (pixel (i, j) is centred on x = i,
// y = j). Positions up to half a pixel beyond the edge read the edge pixel;
// anything further out, and any position that is not a finite number, reads
// as transparent (all channels 0). Channels are interpolated separately in
// 32-bit floats, then clamped to the channel range and truncated.
#pragma once
#include <algorithm>
#include <cstdint>

#include "host/pf_effect_world.h"
#include "render/pixel_traits.h"

template <typename Pixel>
inline Pixel SampleBilinear(const PF_EffectWorld& world, float x, float y, std::int32_t width, std::int32_t height) {
  // Never read past what the world holds, whatever the caller says it holds.
  width = std::min(width, world.width);
  height = std::min(height, world.height);
  if (width <= 0 || height <= 0 || world.data == nullptr) return Pixel{};
  const float limit_x = static_cast<float>(width - 1) + 0.5f;
  const float limit_y = static_cast<float>(height - 1) + 0.5f;
  // Written so that NaN, which fails every comparison, lands outside.
  if (!(x >= -0.5f && x <= limit_x && y >= -0.5f && y <= limit_y)) return Pixel{};

  const float xc = x < 0.0f ? 0.0f : static_cast<float>(std::min(static_cast<double>(width - 1), static_cast<double>(x)));
  const float yc = y < 0.0f ? 0.0f : static_cast<float>(std::min(static_cast<double>(height - 1), static_cast<double>(y)));
  const std::int32_t x0 = static_cast<std::int32_t>(xc);
  const std::int32_t y0 = static_cast<std::int32_t>(yc);
  const float fx = xc - static_cast<float>(x0);
  const float fy = yc - static_cast<float>(y0);
  const std::int32_t x1 = x0 < width - 1 ? x0 + 1 : x0;
  const std::int32_t y1 = y0 < height - 1 ? y0 + 1 : y0;

  const float w00 = (1.0f - fy) * (1.0f - fx);
  const float w10 = (1.0f - fy) * fx;
  const float w01 = fy * (1.0f - fx);
  const float w11 = fy * fx;

  const Pixel* row0 = WorldRow<Pixel>(world, y0);
  const Pixel* row1 = WorldRow<Pixel>(world, y1);
  const Pixel& p00 = row0[x0];
  const Pixel& p10 = row0[x1];
  const Pixel& p01 = row1[x0];
  const Pixel& p11 = row1[x1];

  using Channel = typename PixelTraits<Pixel>::Channel;
  auto channel = [&](Channel Pixel::*c) {
    const float v = static_cast<float>(p10.*c) * w10 + static_cast<float>(p00.*c) * w00 +
                    static_cast<float>(p01.*c) * w01 + static_cast<float>(p11.*c) * w11;
    return ChannelFromFloat<Pixel>(v);
  };
  Pixel out;
  out.alpha = channel(&Pixel::alpha);
  out.red = channel(&Pixel::red);
  out.green = channel(&Pixel::green);
  out.blue = channel(&Pixel::blue);
  return out;
}

inline PF_Pixel16 SampleBilinear16(const PF_EffectWorld& world, float x, float y, std::int32_t width,
                                   std::int32_t height) {
  return SampleBilinear<PF_Pixel16>(world, x, y, width, height);
}

inline PF_Pixel8 SampleBilinear8(const PF_EffectWorld& world, float x, float y, std::int32_t width,
                                 std::int32_t height) {
  return SampleBilinear<PF_Pixel8>(world, x, y, width, height);
}
