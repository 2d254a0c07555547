// The refraction shading pass, written once over the pixel type. Positions
// are output pixels (x right, y down) until they are moved into the input
// world's frame by the request offsets; pane distances are signed, positive
// inside. Arithmetic is in 32-bit floats except where a value is clamped in
// double, exactly as the constants below are used, so both depths and every
// build give the same bytes.
#include "render/refraction_shading.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "render/bilinear_sample.h"
#include "render/channel_lanes.h"
#include "render/curve_tables.h"
#include "render/parallel_for.h"
#include "render/pixel_traits.h"

namespace {

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
std::int32_t SlopeRadius(double scale_factor, PF_Quality quality) {
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

inline bool SamePosition(float ax, float ay, float bx, float by) {
  return std::bit_cast<std::uint32_t>(ax) == std::bit_cast<std::uint32_t>(bx) &&
         std::bit_cast<std::uint32_t>(ay) == std::bit_cast<std::uint32_t>(by);
}

// Bilinear reads that remember the last position: taps that land on exactly
// the same bits (all of them, where the offset or the spread is zero) reuse
// the read instead of repeating it.
template <typename Pixel>
class RepeatingSampler {
 public:
  explicit RepeatingSampler(const BilinearSampler<Pixel>& sampler) : sampler_(sampler) {}
  IntLanes Sample(float x, float y) {
    if (!valid_ || !SamePosition(x, y, last_x_, last_y_)) {
      last_ = sampler_.Sample(x, y);
      last_x_ = x;
      last_y_ = y;
      valid_ = true;
    }
    return last_;
  }

 private:
  const BilinearSampler<Pixel>& sampler_;
  IntLanes last_ = ZeroIntLanes();
  float last_x_ = 0.0f;
  float last_y_ = 0.0f;
  bool valid_ = false;
};

// Output columns [begin, end) of one row far outside every pane: the input
// pixels under them (transparent where the input has none) go out as they
// are, into the output row and, with frost, into the frost row as well.
template <typename Pixel>
void CopyInputRun(const Pixel* in_row, std::int64_t ix_offset, std::int32_t in_lo, std::int32_t in_hi,
                  std::int32_t begin, std::int32_t end, Pixel* out_row, Pixel* frost_row) {
  const std::int32_t copy_begin = std::max(begin, in_lo);
  const std::int32_t copy_end = std::min(end, in_hi);
  auto put = [&](Pixel* row) {
    if (in_row == nullptr || copy_begin >= copy_end) {
      std::fill(row + begin, row + end, Pixel{});
      return;
    }
    std::fill(row + begin, row + copy_begin, Pixel{});
    std::memmove(row + copy_begin, in_row + (copy_begin + ix_offset),
                 static_cast<std::size_t>(copy_end - copy_begin) * sizeof(Pixel));
    std::fill(row + copy_end, row + end, Pixel{});
  };
  put(out_row);
  if (frost_row != nullptr) put(frost_row);
}

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
  // r + r summed in float: the same value as the integer sum converted
  // (doubling is exact), without overflowing at the largest radius.
  const float inv_slope_span = 1.0f / (static_cast<float>(r) + static_cast<float>(r));

  const bool magnify_on = in.magnify != 0.0;
  const float magnify_depth = static_cast<float>(std::max(in.depth_px, 1.0));
  const float magnify_k = static_cast<float>(in.magnify / 100.0);
  const float centre_in_x = static_cast<float>(in.request_offset_x) + in.pane_centre_x;
  const float centre_in_y = static_cast<float>(in.request_offset_y) + in.pane_centre_y;

  const float q = std::max(1.0f, static_cast<float>(in.depth_px) * PROFILE_DEPTH_FRACTION);
  const float sigma = static_cast<float>(in.splay) / 100.0f;
  const bool splay_on = sigma > SPLAY_MIN;
  // Up to full Splay the blend of two unit directions stays finite, so a
  // finite slope keeps a finite normal.
  const bool splay_keeps_normal_finite = !splay_on || sigma <= 1.0f;
  // The constant left part of the offset length, in its evaluation order.
  const float length_base = static_cast<float>(in.refraction) * REFRACTION_GAIN * q / 100.0f;

  const bool dispersion_on = in.dispersion > DISPERSION_MIN;
  const float dispersion_fraction = static_cast<float>(in.dispersion) / 100.0f;
  const bool dispersion_fraction_finite = std::isfinite(dispersion_fraction);
  const DispersionTaps taps;
  // The weighted means divide by the weight sums; a sum that is not above 0
  // gives a mean of 0.
  const FloatLanes weight_sum_red = FloatLanesOf(taps.sum_red, taps.sum_red, taps.sum_red, taps.sum_red);
  const FloatLanes weight_sum_green = FloatLanesOf(taps.sum_green, taps.sum_green, taps.sum_green, taps.sum_green);
  const FloatLanes weight_sum_blue = FloatLanesOf(taps.sum_blue, taps.sum_blue, taps.sum_blue, taps.sum_blue);
  const bool cut_empty = in.shape_count >= 2 && in.merge_mode >= 3;

  const BilinearSampler<Pixel> sampler(input, in_w, in_h);

  // Output columns whose input column lies inside the input world.
  const std::int64_t ix_offset = in.request_offset_x;
  const std::int32_t in_lo = static_cast<std::int32_t>(std::clamp<std::int64_t>(-ix_offset, 0, w));
  const std::int32_t in_hi = static_cast<std::int32_t>(std::clamp<std::int64_t>(in_w - ix_offset, 0, w));

  for (std::int32_t y = row_begin; y < row_end; ++y) {
    const std::int64_t row_index = static_cast<std::int64_t>(y) * w;
    Pixel* out_row = WorldRow<Pixel>(output, y);
    Pixel* frost_row = to_frost ? in.frost_pixels + row_index : nullptr;
    const std::int64_t iy = static_cast<std::int64_t>(y) + in.request_offset_y;
    const Pixel* in_row = input_readable && iy >= 0 && iy < in_h ? WorldRow<Pixel>(input, static_cast<std::int32_t>(iy))
                                                                 : nullptr;
    const std::int32_t y_up = static_cast<std::int32_t>(std::max<std::int64_t>(static_cast<std::int64_t>(y) - r, 0));
    const std::int32_t y_down =
        static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(y) + r, h - 1));
    const float* height_row = height_plane + row_index;
    const float* distance_row = distance_plane + row_index;
    const float* slope_row = slope_plane + row_index;
    const float* slope_up = slope_plane + static_cast<std::int64_t>(y_up) * w;
    const float* slope_down = slope_plane + static_cast<std::int64_t>(y_down) * w;
    const float py_row = static_cast<float>(iy);
    const float rho_y = static_cast<float>(y) - in.pane_centre_y;

    std::int32_t x = 0;
    while (x < w) {
      // A run far outside every pane is the input as it is.
      const std::int32_t run_begin = x;
      while (x < w && distance_row[x] + EDGE_BIAS_PX < OUTSIDE_PANE_E) ++x;
      if (x > run_begin) CopyInputRun(in_row, ix_offset, in_lo, in_hi, run_begin, x, out_row, frost_row);
      if (x >= w) break;

      const float d = std::max(0.0f, height_row[x]);
      const float e = distance_row[x] + EDGE_BIAS_PX;
      const std::int64_t ix = static_cast<std::int64_t>(x) + ix_offset;
      const bool input_covered = in_row != nullptr && x >= in_lo && x < in_hi && in_row[ix].alpha != 0;

      const std::int32_t x_left = std::max(x - r, 0);
      const std::int32_t x_right = static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(x) + r, w - 1));
      const float gx = slope_row[x_right] - slope_row[x_left];
      const float gy = slope_down[x] - slope_up[x];

      float px = static_cast<float>(ix);
      float py = py_row;

      if (magnify_on && d > 0.0f) {
        const float t = static_cast<float>(Clamp01(static_cast<double>(d / magnify_depth)));
        const float k = magnify_k * CurveLookup(CURVE_PROFILE_RISE, t);
        px += (centre_in_x - px) * k;
        py += (centre_in_y - py) * k;
      }

      const float u = static_cast<float>(Clamp01(static_cast<double>(d / q)));
      const float falloff = CurveLookup(CURVE_PROFILE_FALLOFF, u);
      const float edge_ramp = static_cast<float>(Clamp01(static_cast<double>(e) / 1.5));
      const float length = length_base * falloff * edge_ramp;
      const float m =
          dispersion_on ? 0.0f : static_cast<float>(Clamp01(1.0 - static_cast<double>(e) / 3.0));

      // Where the offset is zero and the taps do not spread, every tap lands
      // on p itself whatever the (finite) normal: n stays (0, 0) and the
      // normal and splay are not worked out.
      const bool taps_collapse = length == 0.0f && (dispersion_on || m == 0.0f) && std::isfinite(gx) &&
                                 std::isfinite(gy) && splay_keeps_normal_finite;
      float nx = 0.0f;
      float ny = 0.0f;
      if (!taps_collapse) {
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

        if (splay_on) {
          const float rho_x = static_cast<float>(x) - in.pane_centre_x;
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
      }

      RepeatingSampler<Pixel> reads(sampler);
      std::int32_t channels[4];  // alpha, red, green, blue
      if (dispersion_on) {
        const double we = Clamp01(static_cast<double>(e));
        const float spread = static_cast<float>(dispersion_fraction * we) * (length * DISPERSION_SPREAD);
        // Lane 0 of each sum is the alpha weighted like the colour it serves.
        FloatLanes sum_red = ZeroFloatLanes(), sum_green = ZeroFloatLanes(), sum_blue = ZeroFloatLanes();
        if (taps_collapse && dispersion_fraction_finite) {
          // A finite fraction makes the spread zero with the offset, so
          // every tap is the read at p, weighed seven times in tap order.
          const FloatLanes s = ToFloat(reads.Sample(px, py));
          for (int j = 0; j < DISPERSION_SAMPLES; ++j) {
            sum_red = Add(sum_red, Mul(s, taps.w_red[j]));
            sum_green = Add(sum_green, Mul(s, taps.w_green[j]));
            sum_blue = Add(sum_blue, Mul(s, taps.w_blue[j]));
          }
        } else {
          for (int j = 0; j < DISPERSION_SAMPLES; ++j) {
            const float t = taps.u[j] * spread + length;
            const FloatLanes s = ToFloat(reads.Sample(px + nx * t, py + ny * t));
            sum_red = Add(sum_red, Mul(s, taps.w_red[j]));
            sum_green = Add(sum_green, Mul(s, taps.w_green[j]));
            sum_blue = Add(sum_blue, Mul(s, taps.w_blue[j]));
          }
        }
        std::int32_t mean_red[4], mean_green[4], mean_blue[4];
        auto mean = [](FloatLanes sum, FloatLanes weight_sum, float weight_sum_scalar, std::int32_t* out) {
          StoreInts(weight_sum_scalar > 0.0f ? ChannelLanesFromFloat<Pixel>(Div(sum, weight_sum)) : ZeroIntLanes(),
                    out);
        };
        mean(sum_red, weight_sum_red, taps.sum_red, mean_red);
        mean(sum_green, weight_sum_green, taps.sum_green, mean_green);
        mean(sum_blue, weight_sum_blue, taps.sum_blue, mean_blue);
        channels[1] = mean_red[1];
        channels[2] = mean_green[2];
        channels[3] = mean_blue[3];
        channels[0] = std::max(mean_red[0], std::max(mean_green[0], mean_blue[0]));
      } else {
        const float cx = px + nx * length;
        const float cy = py + ny * length;
        const float tx = -ny;
        const float ty = nx;
        const IntLanes s1 = reads.Sample(cx + tx * 1.5f * m, cy + ty * 1.5f * m);
        const IntLanes s2 = reads.Sample(cx + tx * 0.5f * m, cy + ty * 0.5f * m);
        const IntLanes s3 = reads.Sample(cx - tx * 0.5f * m, cy - ty * 0.5f * m);
        const IntLanes s4 = reads.Sample(cx - tx * 1.5f * m, cy - ty * 1.5f * m);
        // Outer taps weigh 3, inner 1: an integer mean over 8 parts.
        const IntLanes outer = Add(s1, s4);
        StoreInts(ShiftRight3(Add(Add(Add(Add(outer, outer), outer), s2), s3)), channels);
      }
      std::int32_t alpha = channels[0];
      std::int32_t red = channels[1];
      std::int32_t green = channels[2];
      std::int32_t blue = channels[3];

      if (input_covered) {
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
        frost_row[x] = result;
      } else {
        out_row[x] = result;
      }
      ++x;
    }
  }
}

bool PlaneFits(const FloatPlane* plane, std::int32_t w, std::int32_t h) {
  return plane != nullptr && !plane->Empty() && plane->width == w && plane->height == h;
}

template <typename Pixel>
void ShadeAll(const RefractionShadingInputs<Pixel>& in) {
  if (in.input == nullptr || in.output == nullptr || in.output->data == nullptr) return;
  const std::int32_t w = in.output->width;
  const std::int32_t h = in.output->height;
  if (w <= 0 || h <= 0) return;
  if (!PlaneFits(in.shade_height, w, h) || !PlaneFits(in.pane_distance, w, h)) return;
  ParallelFor(h, [&](std::int32_t begin, std::int32_t end) { ShadeRows<Pixel>(in, begin, end); });
}

}  // namespace

void ShadeRefractionRows16(const RefractionShadingInputs16& in, std::int32_t row_begin, std::int32_t row_end) {
  ShadeRows<PF_Pixel16>(in, row_begin, row_end);
}

void ShadeRefractionRows8(const RefractionShadingInputs8& in, std::int32_t row_begin, std::int32_t row_end) {
  ShadeRows<PF_Pixel8>(in, row_begin, row_end);
}

void ShadeRefraction16(const RefractionShadingInputs16& in) { ShadeAll<PF_Pixel16>(in); }

void ShadeRefraction8(const RefractionShadingInputs8& in) { ShadeAll<PF_Pixel8>(in); }
