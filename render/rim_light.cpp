// Rim light over the output world, pixel by pixel on the calling thread.
//
// Two terms, both faded in over the pane edge (signed distance e from -2 to
// 0 output pixels): a rim term on the thin band just inside each edge, scaled
// by how the edge's gradient direction faces the light (RIM_ANGLE_PROFILE),
// which lays white light over the pixel; and a glow term across the pane,
// positive on the side of the pane's centre towards the light and negative
// away from it, fading with depth by CURVE_RIM_FALLOFF and dithered with
// BAYER_4X4, which shifts the colour channels. All geometry is 32-bit float;
// the pixel updates are integer arithmetic on the premultiplied channels.
#include "render/rim_light.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "render/curve_tables.h"
#include "render/ordered_dither.h"
#include "render/pixel_traits.h"
#include "render/portable_math.h"
#include "render/rim_angle_profile.h"

namespace {

constexpr float TWO_PI = 6.2831855f;
constexpr float PROFILE_STEPS_PER_RADIAN = 40.743664f;  // 256 / 2pi

// Gradient of one of the planes the rim may read: a padded raster plane read
// with its margin, or the output-size pane_distance with one-sided borders.
struct GradientSource {
  const float* data = nullptr;
  std::int32_t row_length = 0;
  std::int32_t offset = 0;
  bool cropped = false;
};

// A padded view is used only when it holds its neighbours: `reach` elements
// on every side of the output window.
bool ViewCovers(const CroppedPlaneView& view, std::int32_t width, std::int32_t height, std::int32_t reach) {
  if (!view.Exists() || view.offset < reach) return false;
  const std::int64_t need_cols = static_cast<std::int64_t>(width) + view.offset + reach;
  const std::int64_t need_rows = static_cast<std::int64_t>(height) + view.offset + reach;
  return view.row_length >= need_cols && view.rows >= need_rows;
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

constexpr float EDGE_ALPHA_MIN = 0.001f;

// A pixel that the pass leaves as it is, told from the pane planes alone:
// too deep for either term, or so far outside that its edge alpha is below
// the minimum (clamping first changes nothing there, and a NaN distance is
// never below it).
inline bool LeftAlone(float depth, float distance, float depth_skip, float rim_limit) {
  return (depth > depth_skip) | (depth > rim_limit) | ((distance + 2.0f) * 0.5f < EDGE_ALPHA_MIN);
}

// The first column at or after x that is not left alone, checking four
// columns at a time over long runs outside the panes (the same float sum,
// product and ordered comparisons on every lane).
std::int32_t SkipLeftAlone(const float* depth, const float* distance, std::int32_t x, std::int32_t w,
                           float depth_skip, float rim_limit) {
#if defined(__SSE2__) || defined(_M_X64)
  const __m128 skip4 = _mm_set1_ps(depth_skip);
  const __m128 limit4 = _mm_set1_ps(rim_limit);
  const __m128 two4 = _mm_set1_ps(2.0f);
  const __m128 half4 = _mm_set1_ps(0.5f);
  const __m128 alpha_min4 = _mm_set1_ps(EDGE_ALPHA_MIN);
  for (; x + 4 <= w; x += 4) {
    const __m128 d = _mm_loadu_ps(depth + x);
    const __m128 e = _mm_loadu_ps(distance + x);
    const __m128 alone = _mm_or_ps(_mm_or_ps(_mm_cmpgt_ps(d, skip4), _mm_cmpgt_ps(d, limit4)),
                                   _mm_cmplt_ps(_mm_mul_ps(_mm_add_ps(e, two4), half4), alpha_min4));
    if (_mm_movemask_ps(alone) != 0xF) break;
  }
#endif
  while (x < w && LeftAlone(depth[x], distance[x], depth_skip, rim_limit)) ++x;
  return x;
}

}  // namespace

CroppedPlaneView ViewOfPaddedPlane(const FloatPlane& plane, std::int32_t offset) {
  CroppedPlaneView view;
  if (plane.Empty()) return view;
  view.data = plane.data.get();
  view.row_length = plane.width;
  view.rows = plane.height;
  view.offset = offset;
  return view;
}

RimLightValues ComputeRimLightValues(const RimLightSettings& settings) {
  RimLightValues v;
  const float a = (static_cast<float>(settings.light_angle_deg) + 90.0f) * 3.1415927f / 180.0f;
  const float c = portable_math::Cos(a);
  const float s = portable_math::Sin(a);
  const float cr = static_cast<float>(settings.rotation_cos);
  const float sr = static_cast<float>(settings.rotation_sin);
  v.light_dir_x = sr * s + cr * c;
  v.light_dir_y = cr * s - sr * c;
  v.light_phase = portable_math::Atan2(v.light_dir_y, v.light_dir_x) + 0.3926991f;
  v.rim_intensity = static_cast<float>(settings.light_intensity) / 100.0f;
  v.rim_band = static_cast<float>(settings.rim_scale) * 2.2f * static_cast<float>(settings.scale_factor) *
               static_cast<float>(settings.downsample_y);
  const float depth = static_cast<float>(settings.depth_px);
  v.glow_inner = std::max(1.0f, depth * 0.5f);
  v.glow_reach = std::max(v.glow_inner, depth + v.glow_inner);
  v.rim_limit = std::max(2.0f * v.rim_band, v.glow_reach);
  return v;
}

float RimAngleResponse(float phi, float light_phase) {
  float theta = phi - light_phase;
  theta = theta - std::floor(theta / TWO_PI) * TWO_PI;
  const float v = theta * PROFILE_STEPS_PER_RADIAN;
  // Only a non-finite angle (from a non-finite plane value) lands here.
  if (!(std::fabs(v) < 1.0e6f)) return 0.0f;
  const std::int32_t k = static_cast<std::int32_t>(v);
  const float f = v - static_cast<float>(k);
  return (1.0f - f) * RIM_ANGLE_PROFILE[static_cast<std::size_t>(k & 255)] +
         f * RIM_ANGLE_PROFILE[static_cast<std::size_t>((k + 1) & 255)];
}

template <typename Pixel>
void RimLightPass(PF_EffectWorld& output, const RimLightSettings& settings, const RimLightInputs& inputs) {
  if (!RimLightRuns(settings.light_intensity)) return;
  const std::int32_t w = output.width;
  const std::int32_t h = output.height;
  if (w <= 0 || h <= 0 || output.data == nullptr) return;
  const FloatPlane* depth_plane = inputs.pane_depth;
  const FloatPlane* distance_plane = inputs.pane_distance;
  if (depth_plane == nullptr || distance_plane == nullptr || depth_plane->Empty() || distance_plane->Empty() ||
      depth_plane->width != w || depth_plane->height != h || distance_plane->width != w ||
      distance_plane->height != h) {
    return;
  }
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  const RimLightValues values = ComputeRimLightValues(settings);
  const float* pane_depth = depth_plane->data.get();
  const float* pane_distance = distance_plane->data.get();

  // Gradient source, and whether the values come from the matte's own field.
  GradientSource source{pane_distance, w, 0, false};
  bool values_from_matte = false;
  if (ViewCovers(inputs.smooth_field, w, h, 2)) {
    source = {inputs.smooth_field.data, inputs.smooth_field.row_length, inputs.smooth_field.offset, true};
  } else if (inputs.matte_source && ViewCovers(inputs.matte_smooth_field, w, h, 2)) {
    source = {inputs.matte_smooth_field.data, inputs.matte_smooth_field.row_length,
              inputs.matte_smooth_field.offset, true};
    values_from_matte = true;
  }
  const bool angle_planes = ViewCovers(inputs.gradient_x, w, h, 1) && ViewCovers(inputs.gradient_y, w, h, 1);

  // Glow centre: the whole panes' centre, or each region's own.
  const bool region_centres = inputs.raster_source || inputs.paths_supersampled;
  const float whole_radius = region_centres ? inputs.centre.pane_radius
                                            : static_cast<float>(std::max(w, h)) * 0.5f;
  const PaneRegions* regions = inputs.regions;
  const bool use_labels = region_centres && regions != nullptr && regions->Labelled() && regions->width == w &&
                          regions->height == h;

  const float rim_band = values.rim_band;
  // Kept in locals: the pixel stores below go through byte-sized channels,
  // which the compiler must assume may change anything read through a
  // reference.
  const CroppedPlaneView gradient_x = inputs.gradient_x;
  const CroppedPlaneView gradient_y = inputs.gradient_y;
  const float whole_centre_x = inputs.centre.pane_centre_x;
  const float whole_centre_y = inputs.centre.pane_centre_y;
  const float two_band = 2.0f * rim_band;
  const float full = static_cast<float>(M);
  const float depth_skip = values.rim_limit + 3.0f;
  // The dither offset of each cell of the 4 x 4 matrix, the same division
  // done once per cell instead of once per pixel.
  float dither_cells[16];
  for (std::size_t k = 0; k < 16; ++k) dither_cells[k] = (BAYER_4X4[k] - 0.5f) / 255.0f;

  for (std::int32_t y = 0; y < h; ++y) {
    Pixel* row = reinterpret_cast<Pixel*>(static_cast<char*>(output.data) +
                                          static_cast<std::ptrdiff_t>(y) * output.rowbytes);
    const float* depth_row = pane_depth + static_cast<std::ptrdiff_t>(y) * w;
    const float* distance_row = pane_distance + static_cast<std::ptrdiff_t>(y) * w;
    for (std::int32_t x = 0; x < w; ++x) {
      // Where the values come from the pane planes, runs of pixels the pass
      // leaves alone are passed over in one go.
      if (!values_from_matte && LeftAlone(depth_row[x], distance_row[x], depth_skip, values.rim_limit)) {
        x = SkipLeftAlone(depth_row, distance_row, x + 1, w, depth_skip, values.rim_limit);
        if (x >= w) break;
      }
      const std::int32_t i = y * w + x;
      if (pane_depth[i] > depth_skip) continue;

      const float* S = source.data;
      const std::int32_t L = source.row_length;
      const std::int32_t j = source.cropped ? (y + source.offset) * L + (x + source.offset) : i;
      float d;
      float e;
      if (values_from_matte) {
        d = std::max(S[j], 0.0f);
        e = S[j];
      } else {
        d = pane_depth[i];
        e = pane_distance[i];
      }
      if (d > values.rim_limit) continue;

      const float alpha = Clamp01((e + 2.0f) * 0.5f);
      // Written so that a NaN distance, which has no edge alpha, is left too.
      if (!(alpha >= 0.001f)) continue;

      float rim = 0.0f;
      // rim_band is positive for every valid setting; a zero band would
      // divide zero by zero below.
      if (rim_band > 0.0f && d <= two_band) {
        float gx;
        float gy;
        if (source.cropped) {
          gx = S[j + 1] - S[j - 1];
          gy = S[j + L] - S[j - L];
        } else {
          // Central differences inside, one-sided doubled on the border; a
          // plane one pixel across has no slope along that axis.
          if (w < 2) {
            gx = 0.0f;
          } else if (x == 0) {
            gx = 2.0f * (S[i + 1] - S[i]);
          } else if (x == w - 1) {
            gx = 2.0f * (S[i] - S[i - 1]);
          } else {
            gx = S[i + 1] - S[i - 1];
          }
          if (h < 2) {
            gy = 0.0f;
          } else if (y == 0) {
            gy = 2.0f * (S[i + w] - S[i]);
          } else if (y == h - 1) {
            gy = 2.0f * (S[i] - S[i - w]);
          } else {
            gy = S[i + w] - S[i - w];
          }
        }
        const float g = std::sqrt(gx * gx + gy * gy);
        if (g >= 0.05f) {
          const float t = 2.0f * d / g;
          if (t <= rim_band) {
            float response;
            if (angle_planes) {
              float sum = 0.0f;
              for (std::int32_t dy = -1; dy <= 1; ++dy) {
                const float* rx = gradient_x.data +
                                  static_cast<std::int64_t>(y + dy + gradient_x.offset) * gradient_x.row_length +
                                  (x + gradient_x.offset);
                const float* ry = gradient_y.data +
                                  static_cast<std::int64_t>(y + dy + gradient_y.offset) * gradient_y.row_length +
                                  (x + gradient_y.offset);
                for (std::int32_t dx = -1; dx <= 1; ++dx) {
                  sum += RimAngleResponse(portable_math::Atan2(ry[dx], rx[dx]), values.light_phase);
                }
              }
              response = sum / 9.0f;
            } else {
              float wide_x = gx;
              float wide_y = gy;
              if (source.cropped) {
                wide_x = gx + 0.5f * (S[j + 2] - S[j - 2]);
                wide_y = gy + 0.5f * (S[j + 2 * L] - S[j - 2 * L]);
              } else {
                if (x >= 2 && x < w - 2) wide_x = gx + 0.5f * (S[i + 2] - S[i - 2]);
                if (y >= 2 && y < h - 2) wide_y = gy + 0.5f * (S[i + 2 * w] - S[i - 2 * w]);
              }
              response = RimAngleResponse(portable_math::Atan2(wide_y, wide_x), values.light_phase);
            }
            if (response > 0.003f) {
              const float s = (t / rim_band - 0.4f) * 1.6667f;
              float weight;
              if (s <= 0.0f) {
                weight = 1.0f;
              } else if (s >= 1.0f) {
                weight = 0.0f;
              } else {
                weight = 1.0f - (3.0f - 2.0f * s) * (s * s);
              }
              rim = weight * values.rim_intensity * response;
            }
          }
        }
      }

      float glow = 0.0f;
      if (values.glow_reach > 0.0f && d <= values.glow_reach) {
        float cx = whole_centre_x;
        float cy = whole_centre_y;
        float rho = whole_radius;
        if (use_labels) {
          const std::int32_t label = regions->region_labels[static_cast<std::size_t>(i)];
          if (label >= 0 && label < regions->regions.Count()) {
            const PaneRegion region = regions->regions.At(label);
            cx = region.centre_x;
            cy = region.centre_y;
            rho = region.radius;
          }
        }
        const float q = rho > 0.0f ? ((static_cast<float>(x) - cx) * values.light_dir_x +
                                      (static_cast<float>(y) - cy) * values.light_dir_y) /
                                         rho
                                   : 0.0f;
        glow = CurveLookup(CURVE_RIM_FALLOFF, d / values.glow_reach) * q * values.rim_intensity * 0.07f;
      }

      rim *= alpha;
      glow *= alpha;
      if (std::fabs(rim) < 0.001f && std::fabs(glow) < 0.001f) continue;

      const float dither = dither_cells[static_cast<std::size_t>((y & 3) * 4 + (x & 3))];
      Pixel& p = row[x];
      std::int64_t a = p.alpha;
      std::int64_t r = p.red;
      std::int64_t gr = p.green;
      std::int64_t b = p.blue;

      // White light of coverage light / M over the pixel. The blend yields
      // straight colour, so each channel is then held at the new alpha to keep
      // the pixel premultiplied (a transparent pixel gains white of alpha L,
      // not channels at full value over a partial alpha).
      if (rim > 0.0f) {
        const float lit = rim * full + 0.5f;
        const std::int64_t light = lit >= full ? M : static_cast<std::int64_t>(lit);
        if (light >= 1) {
          const std::int64_t keep = ((M - light) * a) / M;
          const std::int64_t lit_alpha = std::min<std::int64_t>(light + keep, M);
          if (lit_alpha >= 1) {
            auto over = [&](std::int64_t ch) {
              const std::int64_t v = std::min<std::int64_t>((ch * keep + light * M) / lit_alpha, M);
              return std::min(v, lit_alpha);
            };
            r = over(r);
            gr = over(gr);
            b = over(b);
            a = lit_alpha;
          }
        }
      }

      // The glow shifts the colour of covered pixels only, within the
      // pixel's own alpha so it stays premultiplied.
      if (a != 0) {
        const float shifted = std::clamp((dither + glow) * full + 0.5f, -2.0f * full, 2.0f * full);
        const std::int64_t g = static_cast<std::int64_t>(shifted);
        if (g >= 1 || g <= -1) {
          const std::int64_t top = std::min<std::int64_t>(a, M);
          r = std::clamp<std::int64_t>(r + g, 0, top);
          gr = std::clamp<std::int64_t>(gr + g, 0, top);
          b = std::clamp<std::int64_t>(b + g, 0, top);
        }
      }
      using Channel = decltype(p.alpha);
      p.alpha = static_cast<Channel>(a);
      p.red = static_cast<Channel>(r);
      p.green = static_cast<Channel>(gr);
      p.blue = static_cast<Channel>(b);
    }
  }
}

template void RimLightPass<PF_Pixel8>(PF_EffectWorld&, const RimLightSettings&, const RimLightInputs&);
template void RimLightPass<PF_Pixel16>(PF_EffectWorld&, const RimLightSettings&, const RimLightInputs&);
