// The rim light as it stood before its speed work, kept verbatim (but for
// the later rule that a NaN distance leaves the pixel) so tests can hold the
// current pass to the same bytes.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/curve_tables.h"
#include "render/ordered_dither.h"
#include "render/pixel_traits.h"
#include "render/portable_math.h"
#include "render/rim_angle_profile.h"
#include "render/rim_light.h"

namespace rim_light_reference {

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
inline bool ViewCovers(const CroppedPlaneView& view, std::int32_t width, std::int32_t height, std::int32_t reach) {
  if (!view.Exists() || view.offset < reach) return false;
  const std::int64_t need_cols = static_cast<std::int64_t>(width) + view.offset + reach;
  const std::int64_t need_rows = static_cast<std::int64_t>(height) + view.offset + reach;
  return view.row_length >= need_cols && view.rows >= need_rows;
}

inline float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }


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
  const float two_band = 2.0f * rim_band;
  const float full = static_cast<float>(M);

  for (std::int32_t y = 0; y < h; ++y) {
    Pixel* row = reinterpret_cast<Pixel*>(static_cast<char*>(output.data) +
                                          static_cast<std::ptrdiff_t>(y) * output.rowbytes);
    for (std::int32_t x = 0; x < w; ++x) {
      const std::int32_t i = y * w + x;
      if (pane_depth[i] > values.rim_limit + 3.0f) continue;

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
      // Since kept in step with the pass: a NaN distance leaves the pixel.
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
                const float* rx = inputs.gradient_x.data +
                                  static_cast<std::int64_t>(y + dy + inputs.gradient_x.offset) *
                                      inputs.gradient_x.row_length +
                                  (x + inputs.gradient_x.offset);
                const float* ry = inputs.gradient_y.data +
                                  static_cast<std::int64_t>(y + dy + inputs.gradient_y.offset) *
                                      inputs.gradient_y.row_length +
                                  (x + inputs.gradient_y.offset);
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
        float cx = inputs.centre.pane_centre_x;
        float cy = inputs.centre.pane_centre_y;
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

      const float dither = (BAYER_4X4[static_cast<std::size_t>((y & 3) * 4 + (x & 3))] - 0.5f) / 255.0f;
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

}  // namespace rim_light_reference
