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
#include "render/channel_lanes.h"
#include "render/pixel_traits.h"

// The world and its limits, worked out once for a whole pass; Sample gives
// the four channels of one read as integer lanes (alpha, red, green, blue).
template <typename Pixel>
class BilinearSampler {
 public:
  BilinearSampler(const PF_EffectWorld& world, std::int32_t width, std::int32_t height) {
    // Never read past what the world holds, whatever the caller says it holds.
    width = std::min(width, world.width);
    height = std::min(height, world.height);
    empty_ = width <= 0 || height <= 0 || world.data == nullptr;
    if (empty_) return;
    data_ = static_cast<const char*>(world.data);
    rowbytes_ = world.rowbytes;
    last_x_ = width - 1;
    last_y_ = height - 1;
    limit_x_ = static_cast<float>(width - 1) + 0.5f;
    limit_y_ = static_cast<float>(height - 1) + 0.5f;
    last_x_d_ = static_cast<double>(width - 1);
    last_y_d_ = static_cast<double>(height - 1);
    last_x_f_ = static_cast<float>(last_x_d_);
    last_y_f_ = static_cast<float>(last_y_d_);
  }

  IntLanes Sample(float x, float y) const {
    // Written so that NaN, which fails every comparison, lands outside.
    if (empty_ || !(x >= -0.5f && x <= limit_x_ && y >= -0.5f && y <= limit_y_)) return ZeroIntLanes();
    // min(W - 1, x) taken in double, then back to float.
    const float xc = x < 0.0f ? 0.0f : (static_cast<double>(x) < last_x_d_ ? x : last_x_f_);
    const float yc = y < 0.0f ? 0.0f : (static_cast<double>(y) < last_y_d_ ? y : last_y_f_);
    const std::int32_t x0 = static_cast<std::int32_t>(xc);
    const std::int32_t y0 = static_cast<std::int32_t>(yc);
    const float fx = xc - static_cast<float>(x0);
    const float fy = yc - static_cast<float>(y0);
    const std::int32_t x1 = x0 < last_x_ ? x0 + 1 : x0;
    const std::int32_t y1 = y0 < last_y_ ? y0 + 1 : y0;

    const float w00 = (1.0f - fy) * (1.0f - fx);
    const float w10 = (1.0f - fy) * fx;
    const float w01 = fy * (1.0f - fx);
    const float w11 = fy * fx;

    const Pixel* row0 = reinterpret_cast<const Pixel*>(data_ + static_cast<std::int64_t>(y0) * rowbytes_);
    const Pixel* row1 = reinterpret_cast<const Pixel*>(data_ + static_cast<std::int64_t>(y1) * rowbytes_);
    // Summed in the order p10, p00, p01, p11 on every channel.
    FloatLanes v = Mul(ToFloat(LoadLanes(row0[x1])), w10);
    v = Add(v, Mul(ToFloat(LoadLanes(row0[x0])), w00));
    v = Add(v, Mul(ToFloat(LoadLanes(row1[x0])), w01));
    v = Add(v, Mul(ToFloat(LoadLanes(row1[x1])), w11));
    return ChannelLanesFromFloat<Pixel>(v);
  }

 private:
  const char* data_ = nullptr;
  std::int64_t rowbytes_ = 0;
  std::int32_t last_x_ = 0;
  std::int32_t last_y_ = 0;
  float limit_x_ = 0.0f;
  float limit_y_ = 0.0f;
  double last_x_d_ = 0.0;
  double last_y_d_ = 0.0;
  float last_x_f_ = 0.0f;
  float last_y_f_ = 0.0f;
  bool empty_ = true;
};

template <typename Pixel>
inline Pixel SampleBilinear(const PF_EffectWorld& world, float x, float y, std::int32_t width, std::int32_t height) {
  Pixel out;
  StoreLanes(BilinearSampler<Pixel>(world, width, height).Sample(x, y), out);
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
