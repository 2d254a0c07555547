// The shading, bleed and copy-out kernels as they stood before their speed
// work, kept verbatim (single-threaded drivers around the same per-row and
// per-line code) so tests can hold the current kernels to the same bytes.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "host/pf_effect_world.h"
#include "render/colour_bleed.h"
#include "render/copy_out.h"
#include "render/curve_tables.h"
#include "render/pixel_traits.h"
#include "render/refraction_shading.h"

namespace shading_reference {

// Float channel value back to the channel type: clamped to [0, full] first,
// then truncated toward zero. NaN reads as 0.
template <typename Pixel>
inline typename PixelTraits<Pixel>::Channel ChannelFromFloat(float v) {
  if (!(v > 0.0f)) return 0;
  if (static_cast<double>(v) > PixelTraits<Pixel>::FULL_D) v = PixelTraits<Pixel>::FULL_F;
  return static_cast<typename PixelTraits<Pixel>::Channel>(v);
}

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

constexpr float OUTSIDE_PANE_E = -0.5f;       // e = distance + 2 below this: input kept as is
constexpr float EDGE_BIAS_PX = 2.0f;          // e is the distance pushed 2 px outward
constexpr float PROFILE_DEPTH_FRACTION = 0.275f;
constexpr float REFRACTION_GAIN = 1.48f;
constexpr float DISPERSION_SPREAD = 0.15f;
constexpr double DISPERSION_MIN = 0.1;
constexpr float ANALYTIC_SLOPE_MIN = 0.001f;
constexpr float SPLAY_MIN = 0.001f;
constexpr float SPLAY_RADIAL_MIN = 0.001f;
constexpr float SPLAY_LENGTH_MIN = 1e-6f;
constexpr float FADE_ALPHA_MIN = 0.01f;
constexpr int DISPERSION_SAMPLES = 7;
// A slope radius this large already spans any plane; capping it only keeps
// the integer arithmetic defined for absurd scale factors.
constexpr float SLOPE_RADIUS_CAP = 1073741824.0f;

inline double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

// Slope radius in output pixels: the scale factor at high quality, twice it
// otherwise, never below 1.
inline std::int32_t SlopeRadius(double scale_factor, PF_Quality quality) {
  const float s = static_cast<float>(scale_factor);
  float r = quality == PF_Quality_HI ? std::trunc(s) : std::trunc(2.0f * s);
  if (!(r >= 1.0f)) r = 1.0f;
  if (r > SLOPE_RADIUS_CAP) r = SLOPE_RADIUS_CAP;
  return static_cast<std::int32_t>(r);
}

// The seven dispersion taps: position u from -1 to 1 along the offset, and
// the red, green and blue weights; red leans outward, blue inward.
struct DispersionTaps {
  float u[DISPERSION_SAMPLES];
  float w_red[DISPERSION_SAMPLES];
  float w_green[DISPERSION_SAMPLES];
  float w_blue[DISPERSION_SAMPLES];
  float sum_red = 0.0f;
  float sum_green = 0.0f;
  float sum_blue = 0.0f;

  DispersionTaps() {
    for (int j = 0; j < DISPERSION_SAMPLES; ++j) {
      u[j] = 2.0f * (static_cast<float>(j) / 6.0f) - 1.0f;
      w_red[j] = std::max(u[j], 0.0f);
      w_green[j] = 1.0f - std::fabs(u[j]);
      w_blue[j] = std::max(-u[j], 0.0f);
      sum_red += w_red[j];
      sum_green += w_green[j];
      sum_blue += w_blue[j];
    }
  }
};

inline float WeightedMean(float sum, float weight_sum) { return weight_sum > 0.0f ? sum / weight_sum : 0.0f; }

template <typename Pixel>
void ShadeRows(const RefractionShadingInputs<Pixel>& in, std::int32_t row_begin, std::int32_t row_end) {
  using Channel = typename PixelTraits<Pixel>::Channel;
  const PF_EffectWorld& input = *in.input;
  PF_EffectWorld& output = *in.output;
  const std::int32_t w = output.width;
  const std::int32_t h = output.height;
  const std::int32_t in_w = input.width;
  const std::int32_t in_h = input.height;
  const bool input_readable = input.data != nullptr && in_w > 0 && in_h > 0;
  const bool to_frost = in.frost_on && in.frost_pixels != nullptr;

  const float* height_plane = in.shade_height->data.get();
  const float* distance_plane = in.pane_distance->data.get();
  // With no smoothed height the depth plane is flat inside, so the slope is
  // taken from the signed distance instead.
  const float* slope_plane = in.shade_height == in.pane_depth ? distance_plane : height_plane;
  const bool analytic = !in.raster_source && !in.shapes_supersampled;

  const std::int32_t r = SlopeRadius(in.scale_factor, in.quality);
  const float inv_slope_span = 1.0f / static_cast<float>(r + r);

  const bool magnify_on = in.magnify != 0.0;
  const float magnify_depth = static_cast<float>(std::max(in.depth_px, 1.0));
  const float magnify_k = static_cast<float>(in.magnify / 100.0);
  const float centre_in_x = static_cast<float>(in.request_offset_x) + in.pane_centre_x;
  const float centre_in_y = static_cast<float>(in.request_offset_y) + in.pane_centre_y;

  const float q = std::max(1.0f, static_cast<float>(in.depth_px) * PROFILE_DEPTH_FRACTION);
  const float sigma = static_cast<float>(in.splay) / 100.0f;
  const bool splay_on = sigma > SPLAY_MIN;
  // The constant left part of the offset length, in its evaluation order.
  const float length_base = static_cast<float>(in.refraction) * REFRACTION_GAIN * q / 100.0f;

  const bool dispersion_on = in.dispersion > DISPERSION_MIN;
  const float dispersion_fraction = static_cast<float>(in.dispersion) / 100.0f;
  const DispersionTaps taps;
  const bool cut_empty = in.shape_count >= 2 && in.merge_mode >= 3;

  auto sample = [&](float sx, float sy) { return shading_reference::SampleBilinear<Pixel>(input, sx, sy, in_w, in_h); };

  for (std::int32_t y = row_begin; y < row_end; ++y) {
    const std::int64_t row_index = static_cast<std::int64_t>(y) * w;
    Pixel* out_row = WorldRow<Pixel>(output, y);
    const std::int64_t iy = static_cast<std::int64_t>(y) + in.request_offset_y;
    const Pixel* in_row = input_readable && iy >= 0 && iy < in_h ? WorldRow<Pixel>(input, static_cast<std::int32_t>(iy))
                                                                 : nullptr;
    const std::int32_t y_up = static_cast<std::int32_t>(std::max<std::int64_t>(static_cast<std::int64_t>(y) - r, 0));
    const std::int32_t y_down =
        static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(y) + r, h - 1));

    for (std::int32_t x = 0; x < w; ++x) {
      const std::int64_t i = row_index + x;
      const float d = std::max(0.0f, height_plane[i]);
      const float e = distance_plane[i] + EDGE_BIAS_PX;
      const std::int64_t ix = static_cast<std::int64_t>(x) + in.request_offset_x;
      Pixel p_in{};
      if (in_row != nullptr && ix >= 0 && ix < in_w) p_in = in_row[ix];

      if (e < OUTSIDE_PANE_E) {
        out_row[x] = p_in;
        if (to_frost) in.frost_pixels[i] = p_in;
        continue;
      }

      const std::int32_t x_left = static_cast<std::int32_t>(std::max<std::int64_t>(static_cast<std::int64_t>(x) - r, 0));
      const std::int32_t x_right =
          static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(x) + r, w - 1));
      const float gx = slope_plane[row_index + x_right] - slope_plane[row_index + x_left];
      const float gy = slope_plane[static_cast<std::int64_t>(y_down) * w + x] -
                       slope_plane[static_cast<std::int64_t>(y_up) * w + x];

      float px = static_cast<float>(ix);
      float py = static_cast<float>(iy);

      if (magnify_on && d > 0.0f) {
        const float t = static_cast<float>(Clamp01(static_cast<double>(d / magnify_depth)));
        const float k = magnify_k * CurveLookup(CURVE_PROFILE_RISE, t);
        px += (centre_in_x - px) * k;
        py += (centre_in_y - py) * k;
      }

      float nx = 0.0f;
      float ny = 0.0f;
      if (analytic) {
        const float g = std::sqrt(gx * gx + gy * gy);
        if (g > ANALYTIC_SLOPE_MIN) {
          nx = gx / g;
          ny = gy / g;
        }
      } else {
        nx = gx * inv_slope_span;
        ny = gy * inv_slope_span;
        const float len = std::sqrt(nx * nx + ny * ny);
        if (len > 1.0f) {
          nx /= len;
          ny /= len;
        }
      }

      const float u = static_cast<float>(Clamp01(static_cast<double>(d / q)));
      const float falloff = CurveLookup(CURVE_PROFILE_FALLOFF, u);

      if (splay_on) {
        const float rho_x = static_cast<float>(x) - in.pane_centre_x;
        const float rho_y = static_cast<float>(y) - in.pane_centre_y;
        const float l_rho = std::sqrt(rho_x * rho_x + rho_y * rho_y);
        const float l_n = std::sqrt(nx * nx + ny * ny);
        if (l_rho > SPLAY_RADIAL_MIN && l_n > SPLAY_LENGTH_MIN) {
          const float bx = (nx / l_n) * (1.0f - sigma) + (rho_x / l_rho) * sigma;
          const float by = (ny / l_n) * (1.0f - sigma) + (rho_y / l_rho) * sigma;
          const float l_b = std::sqrt(bx * bx + by * by);
          if (l_b > SPLAY_LENGTH_MIN) {
            nx = (bx / l_b) * l_n;
            ny = (by / l_b) * l_n;
          }
        }
      }

      const float edge_ramp = static_cast<float>(Clamp01(static_cast<double>(e) / 1.5));
      const float length = length_base * falloff * edge_ramp;
      const float cx = px + nx * length;
      const float cy = py + ny * length;

      std::int32_t alpha = 0;
      std::int32_t red = 0;
      std::int32_t green = 0;
      std::int32_t blue = 0;
      if (dispersion_on) {
        const double we = Clamp01(static_cast<double>(e));
        const float spread = static_cast<float>(dispersion_fraction * we) * (length * DISPERSION_SPREAD);
        float sr = 0.0f, sg = 0.0f, sb = 0.0f;
        float ar = 0.0f, ag = 0.0f, ab = 0.0f;
        for (int j = 0; j < DISPERSION_SAMPLES; ++j) {
          const float t = taps.u[j] * spread + length;
          const Pixel s = sample(px + nx * t, py + ny * t);
          sr += static_cast<float>(s.red) * taps.w_red[j];
          sg += static_cast<float>(s.green) * taps.w_green[j];
          sb += static_cast<float>(s.blue) * taps.w_blue[j];
          ar += static_cast<float>(s.alpha) * taps.w_red[j];
          ag += static_cast<float>(s.alpha) * taps.w_green[j];
          ab += static_cast<float>(s.alpha) * taps.w_blue[j];
        }
        red = ChannelFromFloat<Pixel>(WeightedMean(sr, taps.sum_red));
        green = ChannelFromFloat<Pixel>(WeightedMean(sg, taps.sum_green));
        blue = ChannelFromFloat<Pixel>(WeightedMean(sb, taps.sum_blue));
        const std::int32_t a_red = ChannelFromFloat<Pixel>(WeightedMean(ar, taps.sum_red));
        const std::int32_t a_green = ChannelFromFloat<Pixel>(WeightedMean(ag, taps.sum_green));
        const std::int32_t a_blue = ChannelFromFloat<Pixel>(WeightedMean(ab, taps.sum_blue));
        alpha = std::max(a_red, std::max(a_green, a_blue));
      } else {
        const float m = static_cast<float>(Clamp01(1.0 - static_cast<double>(e) / 3.0));
        const float tx = -ny;
        const float ty = nx;
        const Pixel s1 = sample(cx + tx * 1.5f * m, cy + ty * 1.5f * m);
        const Pixel s2 = sample(cx + tx * 0.5f * m, cy + ty * 0.5f * m);
        const Pixel s3 = sample(cx - tx * 0.5f * m, cy - ty * 0.5f * m);
        const Pixel s4 = sample(cx - tx * 1.5f * m, cy - ty * 1.5f * m);
        // Outer taps weigh 3, inner 1: an integer mean over 8 parts.
        auto smooth = [&](Channel Pixel::*c) {
          return static_cast<std::int32_t>((3u * (static_cast<std::uint32_t>(s1.*c) + s4.*c) + s2.*c + s3.*c) >> 3);
        };
        alpha = smooth(&Pixel::alpha);
        red = smooth(&Pixel::red);
        green = smooth(&Pixel::green);
        blue = smooth(&Pixel::blue);
      }

      if (p_in.alpha != 0) {
        if (alpha == 0 && cut_empty) alpha = red = green = blue = 0;
      } else {
        // Over transparent input the pane fades in across its outer 2 px.
        const float a = static_cast<float>(Clamp01(static_cast<double>(e) * 0.5));
        if (alpha > 0 && a > FADE_ALPHA_MIN) {
          alpha = static_cast<std::int32_t>(static_cast<float>(alpha) * a);
          red = static_cast<std::int32_t>(static_cast<float>(red) * a);
          green = static_cast<std::int32_t>(static_cast<float>(green) * a);
          blue = static_cast<std::int32_t>(static_cast<float>(blue) * a);
        } else {
          red = green = blue = 0;
        }
      }

      red = std::min(red, alpha);
      green = std::min(green, alpha);
      blue = std::min(blue, alpha);

      Pixel result;
      result.alpha = static_cast<Channel>(alpha);
      result.red = static_cast<Channel>(red);
      result.green = static_cast<Channel>(green);
      result.blue = static_cast<Channel>(blue);
      if (to_frost) {
        in.frost_pixels[i] = result;
      } else {
        out_row[x] = result;
      }
    }
  }
}

template <typename Pixel>
void BleedLine(const Pixel* src, Pixel* dst, std::int64_t stride, std::int32_t n, std::int32_t radius) {
  const std::int64_t r = std::max<std::int32_t>(radius, 0);
  float sum_a = 0.0f, sum_r = 0.0f, sum_g = 0.0f, sum_b = 0.0f;
  std::int32_t count = 0;
  auto enter = [&](const Pixel& p) {
    sum_a += static_cast<float>(p.alpha);
    sum_r += static_cast<float>(p.red);
    sum_g += static_cast<float>(p.green);
    sum_b += static_cast<float>(p.blue);
    ++count;
  };
  auto leave = [&](const Pixel& p) {
    sum_a -= static_cast<float>(p.alpha);
    sum_r -= static_cast<float>(p.red);
    sum_g -= static_cast<float>(p.green);
    sum_b -= static_cast<float>(p.blue);
    --count;
  };

  const std::int64_t first_end = std::min<std::int64_t>(r, n - 1);
  for (std::int64_t k = 0; k <= first_end; ++k) {
    if (src[k * stride].alpha != 0) enter(src[k * stride]);
  }
  for (std::int64_t x = 0; x < n; ++x) {
    const Pixel& s = src[x * stride];
    Pixel& o = dst[x * stride];
    if (s.alpha == 0 || count < 1) {
      o = s;
    } else {
      const float k = 1.0f / static_cast<float>(count);
      // Mathematically the means stay in range; the clamp guards against
      // the drift that long add/subtract chains leave in float sums.
      o.alpha = ChannelFromFloat<Pixel>(sum_a * k);
      o.red = ChannelFromFloat<Pixel>(sum_r * k);
      o.green = ChannelFromFloat<Pixel>(sum_g * k);
      o.blue = ChannelFromFloat<Pixel>(sum_b * k);
    }
    const std::int64_t incoming = x + r + 1;
    if (incoming < n && src[incoming * stride].alpha != 0) enter(src[incoming * stride]);
    const std::int64_t outgoing = x - r;
    if (outgoing >= 0 && src[outgoing * stride].alpha != 0) leave(src[outgoing * stride]);
  }
}


template <typename Pixel>
void BleedRows(const ColourBleedInputs<Pixel>& in) {
  if (in.source == nullptr || in.destination == nullptr || in.width <= 0 || in.height <= 0) return;
  const std::int64_t w = in.width;
  for (std::int32_t y = 0; y < in.height; ++y) {
    BleedLine(in.source + y * w, in.destination + y * w, 1, in.width, in.radius);
  }
}

template <typename Pixel>
void BleedColumns(const ColourBleedInputs<Pixel>& in) {
  if (in.source == nullptr || in.destination == nullptr || in.width <= 0 || in.height <= 0) return;
  for (std::int32_t x = 0; x < in.width; ++x) {
    BleedLine(in.source + x, in.destination + x, in.width, in.height, in.radius);
  }
}

template <typename Pixel>
void Shade(const RefractionShadingInputs<Pixel>& in) {
  if (in.input == nullptr || in.output == nullptr || in.output->data == nullptr) return;
  const std::int32_t w = in.output->width;
  const std::int32_t h = in.output->height;
  if (w <= 0 || h <= 0) return;
  auto fits = [&](const FloatPlane* p) { return p != nullptr && !p->Empty() && p->width == w && p->height == h; };
  if (!fits(in.shade_height) || !fits(in.pane_distance)) return;
  ShadeRows<Pixel>(in, 0, h);
}

template <typename Pixel>
void CopyRows(const CopyOutInputs<Pixel>& in) {
  if (in.source == nullptr || in.output == nullptr || in.output->data == nullptr) return;
  const std::int32_t w = std::min(in.width, in.output->width);
  const std::int32_t h = std::min(in.height, in.output->height);
  if (w <= 0 || h <= 0) return;
  const std::size_t row_bytes = static_cast<std::size_t>(w) * sizeof(Pixel);
  const std::int64_t src_stride = in.width;
  for (std::int32_t y = 0; y < h; ++y) {
    std::memcpy(WorldRow<Pixel>(*in.output, y), in.source + y * src_stride, row_bytes);
  }
}


}  // namespace shading_reference
