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

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  // Whether Sample4 gives Sample's bytes: it takes min(W - 1, x) with a
  // float comparison, exact while W - 1 and H - 1 are floats exactly.
  bool FourAtOnce() const { return empty_ || (last_x_ <= (1 << 24) && last_y_ <= (1 << 24)); }

  // Four reads at once, one position per lane, each lane doing Sample's
  // operations in Sample's order; the result is one register per channel,
  // lane k holding read k. The clamped position is finite whatever the
  // input (NaN lands on the last column, and outside), so every index
  // stays inside the world.
  PixelQuad Sample4(__m128 x, __m128 y) const {
    const __m128i zero_i = _mm_setzero_si128();
    if (empty_) return {zero_i, zero_i, zero_i, zero_i};
    const __m128 zero = _mm_setzero_ps();
    const __m128 half_out = _mm_set1_ps(-0.5f);
    const __m128 inside =
        _mm_and_ps(_mm_and_ps(_mm_cmpge_ps(x, half_out), _mm_cmple_ps(x, _mm_set1_ps(limit_x_))),
                   _mm_and_ps(_mm_cmpge_ps(y, half_out), _mm_cmple_ps(y, _mm_set1_ps(limit_y_))));
    if (_mm_movemask_ps(inside) == 0) return {zero_i, zero_i, zero_i, zero_i};
    const __m128 last_x = _mm_set1_ps(last_x_f_);
    const __m128 last_y = _mm_set1_ps(last_y_f_);
    const __m128 xc = LaneSelect(_mm_cmplt_ps(x, zero), zero, LaneSelect(_mm_cmplt_ps(x, last_x), x, last_x));
    const __m128 yc = LaneSelect(_mm_cmplt_ps(y, zero), zero, LaneSelect(_mm_cmplt_ps(y, last_y), y, last_y));
    const __m128i x0 = _mm_cvttps_epi32(xc);
    const __m128i y0 = _mm_cvttps_epi32(yc);
    const __m128 fx = _mm_sub_ps(xc, _mm_cvtepi32_ps(x0));
    const __m128 fy = _mm_sub_ps(yc, _mm_cvtepi32_ps(y0));
    const __m128i x_steps = _mm_cmplt_epi32(x0, _mm_set1_epi32(last_x_));
    const __m128i x1 = _mm_sub_epi32(x0, x_steps);
    const __m128i y1 = _mm_sub_epi32(y0, _mm_cmplt_epi32(y0, _mm_set1_epi32(last_y_)));
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 gx = _mm_sub_ps(one, fx);
    const __m128 gy = _mm_sub_ps(one, fy);
    const __m128 w00 = _mm_mul_ps(gy, gx);
    const __m128 w10 = _mm_mul_ps(gy, fx);
    const __m128 w01 = _mm_mul_ps(fy, gx);
    const __m128 w11 = _mm_mul_ps(fy, fx);

    alignas(16) std::int32_t ix0[4], iy0[4], iy1[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(ix0), x0);
    _mm_store_si128(reinterpret_cast<__m128i*>(iy0), y0);
    _mm_store_si128(reinterpret_cast<__m128i*>(iy1), y1);
    const Pixel* p00[4];
    const Pixel* p01[4];
    for (int k = 0; k < 4; ++k) {
      p00[k] = reinterpret_cast<const Pixel*>(data_ + static_cast<std::int64_t>(iy0[k]) * rowbytes_) + ix0[k];
      p01[k] = reinterpret_cast<const Pixel*>(data_ + static_cast<std::int64_t>(iy1[k]) * rowbytes_) + ix0[k];
    }
    // Summed in the order p10, p00, p01, p11 on every channel, as Sample;
    // one channel at a time keeps the working set in registers.
    auto bilinear = [&](const auto& c10, const auto& c00, const auto& c01, const auto& c11) -> PixelQuad {
      auto blend = [&](int c) {
        __m128 v = _mm_mul_ps(c10.Channel(c), w10);
        v = _mm_add_ps(v, _mm_mul_ps(c00.Channel(c), w00));
        v = _mm_add_ps(v, _mm_mul_ps(c01.Channel(c), w01));
        v = _mm_add_ps(v, _mm_mul_ps(c11.Channel(c), w11));
        return _mm_and_si128(ChannelLanesFromFloat<Pixel>(FloatLanes{v}).v, _mm_castps_si128(inside));
      };
      return {blend(0), blend(1), blend(2), blend(3)};
    };
    if (_mm_movemask_epi8(x_steps) == 0xFFFF) {
      // Every right neighbour is the next pixel of the row: one load a pair.
      const auto top = GatherPairs(p00);
      const auto bottom = GatherPairs(p01);
      return bilinear(top.right, top.left, bottom.left, bottom.right);
    }
    alignas(16) std::int32_t ix1[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(ix1), x1);
    const Pixel* p10[4];
    const Pixel* p11[4];
    for (int k = 0; k < 4; ++k) {
      p10[k] = p00[k] + (ix1[k] - ix0[k]);
      p11[k] = p01[k] + (ix1[k] - ix0[k]);
    }
    return bilinear(GatherWords(p10), GatherWords(p00), GatherWords(p01), GatherWords(p11));
  }
#endif

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
