// Rim light over the output world, on the calling thread.
//
// Two terms, both faded in over the pane edge (signed distance e from -2 to
// 0 output pixels): a rim term on the thin band just inside each edge, scaled
// by how the edge's gradient direction faces the light (RIM_ANGLE_PROFILE),
// which lays white light over the pixel; and a glow term across the pane,
// positive on the side of the pane's centre towards the light and negative
// away from it, fading with depth by CURVE_RIM_FALLOFF and dithered with
// BAYER_4X4, which shifts the colour channels. All geometry is 32-bit float;
// the pixel updates are integer arithmetic on the premultiplied channels.
//
// On SSE2 the rows go four columns at a time, each lane doing the plain
// per-pixel steps' float operations in their order, so the bytes are those
// of the plain form (kept for other targets and PRISMORA_SCALAR_LANES):
// runs of pixels that neither term can reach are passed over on one
// comparison per plane, and the angle responses of the raster roads' angle
// planes are worked out once per element rather than once per neighbour.
#include "render/rim_light.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

#include "render/allocation_seam.h"
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

#if !((defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES))
// A pixel that the pass leaves as it is, told from the pane planes alone:
// too deep for either term, or so far outside that its edge alpha is below
// the minimum (clamping first changes nothing there, and a NaN distance is
// never below it).
inline bool LeftAlone(float depth, float distance, float depth_skip, float rim_limit) {
  return (depth > depth_skip) | (depth > rim_limit) | ((distance + 2.0f) * 0.5f < EDGE_ALPHA_MIN);
}

// The first column at or after x that is not left alone.
std::int32_t SkipLeftAlone(const float* depth, const float* distance, std::int32_t x, std::int32_t w,
                           float depth_skip, float rim_limit) {
  while (x < w && LeftAlone(depth[x], distance[x], depth_skip, rim_limit)) ++x;
  return x;
}
#endif

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

namespace {

// Everything about one call that the pixels read, fixed before the rows run.
struct RimPass {
  std::int32_t w = 0;
  std::int32_t h = 0;
  const float* pane_depth = nullptr;
  const float* pane_distance = nullptr;
  GradientSource source;
  std::int32_t source_rows = 0;  // rows of a padded source
  bool values_from_matte = false;
  bool angle_planes = false;
  CroppedPlaneView gradient_x;
  CroppedPlaneView gradient_y;
  const PaneRegions* regions = nullptr;
  bool use_labels = false;
  float whole_centre_x = 0.0f;
  float whole_centre_y = 0.0f;
  float whole_radius = 0.0f;
  RimLightValues values;
  float two_band = 0.0f;
  float depth_skip = 0.0f;
};

// The angular responses of the angle planes, each worked out once: a rim
// pixel averages the responses of its 3 x 3 neighbours, and neighbouring rim
// pixels share most of them. Three rows of the planes are held (a rim pixel
// of row y reads rows y - 1 to y + 1), each over columns -1 to width; a
// slot is filled when first read. A response is never NaN (a non-finite
// angle gives 0), so NaN marks a slot not yet worked out. Without its
// memory the responses are worked out at every read, to the same values.
class AngleResponses {
 public:
  // Memory is taken only when the pass reads the angle planes.
  explicit AngleResponses(const RimPass& pass) : pass_(pass), span_(pass.w + 2) {
    if (pass.angle_planes) slots_ = TryAllocateArray<float>(3u * static_cast<std::uint64_t>(span_));
  }

  float At(std::int32_t x, std::int32_t y) {
    if (slots_ == nullptr) return Work(x, y);
    // Rows run from -1 to height, so y + 1 is never negative.
    const auto which = static_cast<std::size_t>((y + 1) % 3);
    if (held_[which] != y) {
      float* row = slots_.get() + which * static_cast<std::size_t>(span_);
      std::fill(row, row + span_, std::numeric_limits<float>::quiet_NaN());
      held_[which] = y;
    }
    float& slot = slots_[which * static_cast<std::size_t>(span_) + static_cast<std::size_t>(x + 1)];
    if (std::isnan(slot)) slot = Work(x, y);
    return slot;
  }

 private:
  float Work(std::int32_t x, std::int32_t y) const {
    const CroppedPlaneView& gx = pass_.gradient_x;
    const CroppedPlaneView& gy = pass_.gradient_y;
    const float vx = gx.data[static_cast<std::int64_t>(y + gx.offset) * gx.row_length + (x + gx.offset)];
    const float vy = gy.data[static_cast<std::int64_t>(y + gy.offset) * gy.row_length + (x + gy.offset)];
    return RimAngleResponse(portable_math::Atan2(vy, vx), pass_.values.light_phase);
  }

  const RimPass& pass_;
  std::int32_t span_;
  std::unique_ptr<float[]> slots_;
  std::int32_t held_[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
};

// The rim term of pixel (x, y) at depth d, before the edge alpha; the caller
// has checked rim_band > 0 and d <= 2 x rim_band.
inline float RimTerm(const RimPass& c, AngleResponses& responses, std::int32_t x, std::int32_t y, float d) {
  const std::int32_t w = c.w;
  const std::int32_t h = c.h;
  const std::int32_t i = y * w + x;
  const float* S = c.source.data;
  const std::int32_t L = c.source.row_length;
  const std::int32_t j = c.source.cropped ? (y + c.source.offset) * L + (x + c.source.offset) : i;
  const float rim_band = c.values.rim_band;
  float gx;
  float gy;
  if (c.source.cropped) {
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
  if (!(g >= 0.05f)) return 0.0f;
  const float t = 2.0f * d / g;
  if (!(t <= rim_band)) return 0.0f;
  float response;
  if (c.angle_planes) {
    float sum = 0.0f;
    for (std::int32_t dy = -1; dy <= 1; ++dy) {
      for (std::int32_t dx = -1; dx <= 1; ++dx) sum += responses.At(x + dx, y + dy);
    }
    response = sum / 9.0f;
  } else {
    float wide_x = gx;
    float wide_y = gy;
    if (c.source.cropped) {
      wide_x = gx + 0.5f * (S[j + 2] - S[j - 2]);
      wide_y = gy + 0.5f * (S[j + 2 * L] - S[j - 2 * L]);
    } else {
      if (x >= 2 && x < w - 2) wide_x = gx + 0.5f * (S[i + 2] - S[i - 2]);
      if (y >= 2 && y < h - 2) wide_y = gy + 0.5f * (S[i + 2 * w] - S[i - 2 * w]);
    }
    response = RimAngleResponse(portable_math::Atan2(wide_y, wide_x), c.values.light_phase);
  }
  if (!(response > 0.003f)) return 0.0f;
  const float s = (t / rim_band - 0.4f) * 1.6667f;
  float weight;
  if (s <= 0.0f) {
    weight = 1.0f;
  } else if (s >= 1.0f) {
    weight = 0.0f;
  } else {
    weight = 1.0f - (3.0f - 2.0f * s) * (s * s);
  }
  return weight * c.values.rim_intensity * response;
}

// The glow centre and radius of pixel i: its region's, or the whole panes'.
inline void GlowCentre(const RimPass& c, std::int32_t i, float& cx, float& cy, float& rho) {
  cx = c.whole_centre_x;
  cy = c.whole_centre_y;
  rho = c.whole_radius;
  if (c.use_labels) {
    const std::int32_t label = c.regions->region_labels[static_cast<std::size_t>(i)];
    if (label >= 0 && label < c.regions->regions.Count()) {
      const PaneRegion region = c.regions->regions.At(label);
      cx = region.centre_x;
      cy = region.centre_y;
      rho = region.radius;
    }
  }
}

// The glow term of pixel (x, y) at depth d, before the edge alpha; the
// caller has checked glow_reach > 0 and d <= glow_reach.
inline float GlowTerm(const RimPass& c, std::int32_t x, std::int32_t y, float d) {
  float cx;
  float cy;
  float rho;
  GlowCentre(c, y * c.w + x, cx, cy, rho);
  const float q = rho > 0.0f ? ((static_cast<float>(x) - cx) * c.values.light_dir_x +
                                (static_cast<float>(y) - cy) * c.values.light_dir_y) /
                                   rho
                             : 0.0f;
  return CurveLookup(CURVE_RIM_FALLOFF, d / c.values.glow_reach) * q * c.values.rim_intensity * 0.07f;
}

// Lays the rim's light and then the glow's shift over one pixel; rim and
// glow carry the edge alpha already and at least one of them is not below
// 0.001 in size.
template <typename Pixel>
inline void LightOver(Pixel& p, float rim, float glow, float dither) {
  constexpr std::int32_t M = PixelTraits<Pixel>::FULL;
  constexpr float full = static_cast<float>(M);
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
          const std::int64_t sum = ch * keep + light * M;
          // Every term is at least 0; at 8 bits the sum stays below 2^17,
          // where a 32-bit division gives the same quotient, and quicker.
          std::int64_t v;
          if constexpr (M == 255) {
            v = static_cast<std::int64_t>(static_cast<std::uint32_t>(sum) / static_cast<std::uint32_t>(lit_alpha));
          } else {
            v = sum / lit_alpha;
          }
          v = std::min<std::int64_t>(v, M);
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
    // A NaN glow (a non-finite centre or plane value) shifts nothing.
    const float shifted =
        std::isnan(glow) ? 0.0f : std::clamp((dither + glow) * full + 0.5f, -2.0f * full, 2.0f * full);
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

// One pixel, every step in turn: the plain form of the pass, which also
// takes the columns a block of four does not fill.
template <typename Pixel>
inline void LightPixel(const RimPass& c, AngleResponses& responses, Pixel* row, const float* dither_row,
                       std::int32_t x, std::int32_t y) {
  const std::int32_t i = y * c.w + x;
  if (c.pane_depth[i] > c.depth_skip) return;
  float d;
  float e;
  if (c.values_from_matte) {
    const float* S = c.source.data;
    const std::int32_t j = (y + c.source.offset) * c.source.row_length + (x + c.source.offset);
    d = std::max(S[j], 0.0f);
    e = S[j];
  } else {
    d = c.pane_depth[i];
    e = c.pane_distance[i];
  }
  if (d > c.values.rim_limit) return;
  const float alpha = Clamp01((e + 2.0f) * 0.5f);
  // Written so that a NaN distance, which has no edge alpha, is left too.
  if (!(alpha >= EDGE_ALPHA_MIN)) return;

  // rim_band is positive for every valid setting; a zero band would
  // divide zero by zero in the rim term.
  float rim = 0.0f;
  if (c.values.rim_band > 0.0f && d <= c.two_band) rim = RimTerm(c, responses, x, y, d);
  float glow = 0.0f;
  if (c.values.glow_reach > 0.0f && d <= c.values.glow_reach) glow = GlowTerm(c, x, y, d);
  rim *= alpha;
  glow *= alpha;
  if (std::fabs(rim) < 0.001f && std::fabs(glow) < 0.001f) return;
  LightOver(row[x], rim, glow, dither_row[x & 3]);
}

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)

inline __m128 Select(__m128 mask, __m128 a, __m128 b) {
  return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

// The least float e whose edge alpha, (e + 2) x 0.5 in floats, is not below
// the minimum. That product only grows with e (each rounding keeps order),
// so for every e, NaN included, !(e >= threshold) says exactly what
// !((e + 2) x 0.5 >= minimum) says, in one comparison instead of three
// operations.
inline float EdgeAlphaThreshold() {
  float fails = -3.0f;
  float passes = 0.0f;
  auto enough = [](float e) { return (e + 2.0f) * 0.5f >= EDGE_ALPHA_MIN; };
  while (std::nextafter(fails, passes) != passes) {
    const float mid = fails + (passes - fails) * 0.5f;
    if (mid == fails || mid == passes) break;
    if (enough(mid)) {
      passes = mid;
    } else {
      fails = mid;
    }
  }
  // Bisection in value can stop short of neighbouring floats; step the
  // rest of the way one float at a time.
  while (enough(std::nextafter(passes, fails))) passes = std::nextafter(passes, fails);
  while (!enough(passes)) passes = std::nextafter(passes, 1.0f);
  return passes;
}

// The call's constants in lanes, kept apart from RimPass so that nothing
// the pixel stores could reach holds them: the compiler keeps them in
// registers instead of reloading them after every store.
struct RimLanes {
  __m128 depth_skip, rim_limit, alpha_min, two, half, one, zero, reach, light_x, light_y;
  __m128 intensity, glow_scale, two_band, magnitude, faint, edge_threshold;
  __m128i column_steps;
  // CURVE_RIM_FALLOFF entry k and k + 1 side by side, so a lane reads both
  // in one load.
  alignas(16) float curve_pairs[2 * CURVE_TABLE_SIZE];
};

inline void SetUpLanes(RimLanes& v, const RimPass& c) {
  v.depth_skip = _mm_set1_ps(c.depth_skip);
  v.rim_limit = _mm_set1_ps(c.values.rim_limit);
  v.alpha_min = _mm_set1_ps(EDGE_ALPHA_MIN);
  v.two = _mm_set1_ps(2.0f);
  v.half = _mm_set1_ps(0.5f);
  v.one = _mm_set1_ps(1.0f);
  v.zero = _mm_setzero_ps();
  v.reach = _mm_set1_ps(c.values.glow_reach);
  v.light_x = _mm_set1_ps(c.values.light_dir_x);
  v.light_y = _mm_set1_ps(c.values.light_dir_y);
  v.intensity = _mm_set1_ps(c.values.rim_intensity);
  v.glow_scale = _mm_set1_ps(0.07f);
  v.two_band = _mm_set1_ps(c.two_band);
  v.magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  v.faint = _mm_set1_ps(0.001f);
  v.edge_threshold = _mm_set1_ps(EdgeAlphaThreshold());
  v.column_steps = _mm_setr_epi32(0, 1, 2, 3);
  for (std::size_t k = 0; k < static_cast<std::size_t>(CURVE_TABLE_SIZE); ++k) {
    v.curve_pairs[2 * k] = CURVE_RIM_FALLOFF[k];
    v.curve_pairs[2 * k + 1] = CURVE_RIM_FALLOFF[std::min<std::size_t>(k + 1, CURVE_TABLE_SIZE - 1)];
  }
}

// The first multiple of four at or after x (x a multiple of four) whose
// block of four columns may hold a pixel the pass does not leave alone:
// every block passed over has each pixel deeper than depth_skip or with an
// edge alpha below the minimum (edge distance below edge_threshold);
// sixteen columns at a time over long runs. `values` is the row the edge
// distance comes from (the matte field's, or pane_distance's).
inline std::int32_t SkipQuietBlocks(const float* depth_row, const float* values, std::int32_t x, std::int32_t w,
                                    __m128 depth_skip, __m128 edge_threshold) {
  auto quiet = [&](std::int32_t at) {
    return _mm_or_ps(_mm_cmpnge_ps(_mm_loadu_ps(values + at), edge_threshold),
                     _mm_cmpgt_ps(_mm_loadu_ps(depth_row + at), depth_skip));
  };
  auto outside = [&](std::int32_t at) { return _mm_cmpnge_ps(_mm_loadu_ps(values + at), edge_threshold); };
  for (; x + 16 <= w; x += 16) {
    // Outside the panes the edge distance alone tells; the depth is read
    // only where it does not.
    const __m128 out = _mm_and_ps(_mm_and_ps(outside(x), outside(x + 4)), _mm_and_ps(outside(x + 8), outside(x + 12)));
    if (_mm_movemask_ps(out) == 0xF) continue;
    const __m128 all = _mm_and_ps(_mm_and_ps(quiet(x), quiet(x + 4)), _mm_and_ps(quiet(x + 8), quiet(x + 12)));
    if (_mm_movemask_ps(all) != 0xF) break;
  }
  while (x + 4 <= w && _mm_movemask_ps(quiet(x)) == 0xF) x += 4;
  return x;
}

// CurveLookup on four lanes: the same clamps, products and sums per lane.
// Inside (0, 1) the index is at most 254, so both entries are the table's.
inline __m128 CurveLookup4(const RimLanes& v, __m128 t) {
  const __m128 inside = _mm_and_ps(_mm_cmpgt_ps(t, v.zero), _mm_cmplt_ps(t, v.one));
  const __m128 high = _mm_cmpge_ps(t, v.one);
  const __m128 scaled = _mm_mul_ps(_mm_and_ps(inside, t), _mm_set1_ps(255.0f));
  const __m128i k = _mm_cvttps_epi32(scaled);
  const __m128 f = _mm_sub_ps(scaled, _mm_cvtepi32_ps(k));
  alignas(16) std::int32_t index[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(index), k);
  auto pair = [&](int lane) {
    return _mm_loadl_pi(v.zero, reinterpret_cast<const __m64*>(v.curve_pairs + 2 * index[lane]));
  };
  const __m128 p01 = _mm_unpacklo_ps(pair(0), pair(1));  // lo0 lo1 hi0 hi1
  const __m128 p23 = _mm_unpacklo_ps(pair(2), pair(3));  // lo2 lo3 hi2 hi3
  const __m128 lo = _mm_movelh_ps(p01, p23);
  const __m128 hi = _mm_movehl_ps(p23, p01);
  const __m128 mid = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(v.one, f), lo), _mm_mul_ps(f, hi));
  return Select(inside, mid,
                Select(high, _mm_set1_ps(CURVE_RIM_FALLOFF[CURVE_TABLE_SIZE - 1]), _mm_set1_ps(CURVE_RIM_FALLOFF[0])));
}

// The glow's shift g of four pixels, as LightOver works it out: 0 for a
// NaN glow, else trunc(clamp((dither + glow) x M + 0.5, -2M, 2M)). minps and
// maxps give clamp's value for every number, and NaN lanes are zeroed after.
template <typename Pixel>
inline __m128i GlowSteps(__m128 glow, __m128 dither) {
  constexpr float full = static_cast<float>(PixelTraits<Pixel>::FULL);
  __m128 shifted = _mm_add_ps(_mm_mul_ps(_mm_add_ps(dither, glow), _mm_set1_ps(full)), _mm_set1_ps(0.5f));
  shifted = _mm_min_ps(_mm_max_ps(shifted, _mm_set1_ps(-2.0f * full)), _mm_set1_ps(2.0f * full));
  return _mm_cvttps_epi32(_mm_and_ps(_mm_cmpord_ps(glow, glow), shifted));
}

// The lanes whose bit is set in `lanes`, as all-ones words.
inline __m128i LaneMask(int lanes) {
  const __m128i bits = _mm_setr_epi32(1, 2, 4, 8);
  return _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(lanes), bits), bits);
}

inline __m128i SelectInt(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// The glow part of LightOver for the four pixels at p whose bit is set in
// `lanes` (pixels the rim does not light): where the pixel's alpha is not 0
// and g is not 0, each colour channel becomes clamp(channel + g, 0,
// min(alpha, M)); alpha and every other pixel keep their bytes.
inline void GlowFour(PF_Pixel8* p, __m128 glow, __m128 dither, int lanes) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i g = GlowSteps<PF_Pixel8>(glow, dither);
  const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i alpha = _mm_and_si128(px, _mm_set1_epi32(0xFF));
  const __m128i apply = _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi32(alpha, zero), _mm_cmpeq_epi32(g, zero)),
                                         LaneMask(lanes));
  if (_mm_movemask_epi8(apply) == 0) return;
  // Eight 16-bit channels per register, two pixels each: |g| <= 510 and
  // every sum stays inside 16 bits.
  const __m128i colour = _mm_setr_epi16(0, -1, -1, -1, 0, -1, -1, -1);
  const __m128i g16 = _mm_packs_epi32(g, g);
  const __m128i g_pairs = _mm_unpacklo_epi16(g16, g16);
  const __m128i m16 = _mm_packs_epi32(apply, apply);
  const __m128i m_pairs = _mm_unpacklo_epi16(m16, m16);
  auto two = [&](__m128i ch, __m128i steps, __m128i mask) {
    const __m128i top = _mm_shufflehi_epi16(_mm_shufflelo_epi16(ch, 0), 0);
    const __m128i v = _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(ch, _mm_and_si128(steps, colour)), zero), top);
    return SelectInt(mask, v, ch);
  };
  const __m128i lo = two(_mm_unpacklo_epi8(px, zero), _mm_unpacklo_epi32(g_pairs, g_pairs),
                         _mm_unpacklo_epi32(m_pairs, m_pairs));
  const __m128i hi = two(_mm_unpackhi_epi8(px, zero), _mm_unpackhi_epi32(g_pairs, g_pairs),
                         _mm_unpackhi_epi32(m_pairs, m_pairs));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(lo, hi));
}

inline void GlowFour(PF_Pixel16* p, __m128 glow, __m128 dither, int lanes) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i g = GlowSteps<PF_Pixel16>(glow, dither);
  __m128i* words = reinterpret_cast<__m128i*>(p);
  const __m128i p01 = _mm_loadu_si128(words);
  const __m128i p23 = _mm_loadu_si128(words + 1);
  // The alphas in 32-bit lanes: the low words of the pixels' first halves.
  const __m128i low = _mm_set1_epi32(0xFFFF);
  const __m128i alpha = _mm_unpacklo_epi64(_mm_and_si128(_mm_shuffle_epi32(p01, 0x08), low),
                                           _mm_and_si128(_mm_shuffle_epi32(p23, 0x08), low));
  const __m128i apply = _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi32(alpha, zero), _mm_cmpeq_epi32(g, zero)),
                                         LaneMask(lanes));
  if (_mm_movemask_epi8(apply) == 0) return;
  // clamp(channel + g, 0, top) with top = min(alpha, M) <= 32768 < 65535 is
  // the unsigned saturating channel + max(g, 0) - max(-g, 0), each step
  // limited to 65535 (a step of 65536 saturates the same way), then held
  // at top: the same value for every 16-bit channel, eight channels at once.
  const __m128i limit = _mm_set1_epi32(65535);
  auto up_to_limit = [&](__m128i v) {
    v = _mm_and_si128(_mm_cmpgt_epi32(v, zero), v);
    return SelectInt(_mm_cmpgt_epi32(v, limit), limit, v);
  };
  // Words 0 to 65535 from 32-bit lanes: SSE2 packs with signed saturation
  // only, so the range is shifted down by 32768 around the pack.
  const __m128i bias32 = _mm_set1_epi32(32768);
  const __m128i bias16 = _mm_set1_epi16(static_cast<short>(-32768));
  auto words_of = [&](__m128i v) {
    const __m128i shifted = _mm_sub_epi32(v, bias32);
    return _mm_xor_si128(_mm_packs_epi32(shifted, shifted), bias16);
  };
  const __m128i raise = words_of(up_to_limit(g));
  const __m128i lower = words_of(up_to_limit(_mm_sub_epi32(zero, g)));
  const __m128i mask = _mm_packs_epi32(apply, apply);
  const __m128i colour = _mm_setr_epi16(0, -1, -1, -1, 0, -1, -1, -1);
  const __m128i full = _mm_set1_epi16(static_cast<short>(PixelTraits<PF_Pixel16>::FULL));
  auto two = [&](__m128i ch, __m128i raise2, __m128i lower2, __m128i mask2) {
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(ch, 0), 0);
    // Unsigned min(a, b) is a - (a -sat b); the alpha words are held at
    // 65535, above any value they can have.
    const __m128i top = _mm_or_si128(_mm_and_si128(_mm_sub_epi16(a, _mm_subs_epu16(a, full)), colour),
                                     _mm_andnot_si128(colour, _mm_set1_epi16(-1)));
    const __m128i moved =
        _mm_subs_epu16(_mm_adds_epu16(ch, _mm_and_si128(raise2, colour)), _mm_and_si128(lower2, colour));
    const __m128i held = _mm_sub_epi16(moved, _mm_subs_epu16(moved, top));
    return SelectInt(mask2, held, ch);
  };
  const __m128i raise_pairs = _mm_unpacklo_epi16(raise, raise);
  const __m128i lower_pairs = _mm_unpacklo_epi16(lower, lower);
  const __m128i mask_pairs = _mm_unpacklo_epi16(mask, mask);
  _mm_storeu_si128(words, two(p01, _mm_unpacklo_epi32(raise_pairs, raise_pairs),
                              _mm_unpacklo_epi32(lower_pairs, lower_pairs), _mm_unpacklo_epi32(mask_pairs, mask_pairs)));
  _mm_storeu_si128(words + 1, two(p23, _mm_unpackhi_epi32(raise_pairs, raise_pairs),
                                  _mm_unpackhi_epi32(lower_pairs, lower_pairs),
                                  _mm_unpackhi_epi32(mask_pairs, mask_pairs)));
}

// RimAngleResponse on four lanes: the same wrap, scale and interpolation per
// lane. std::floor of the wrap is trunc stepped down where it overshoots,
// exact for every quotient an angle gives (an angle and the phase both lie
// within a turn and a half, so |q| < 2). A NaN angle leaves a NaN quotient,
// which is zeroed before the trunc (its lane's scaled angle stays NaN), and
// a lane whose scaled angle is not below 1e6 in size gives 0, as the scalar
// form does.
inline __m128 AngleResponse4(__m128 phi, float light_phase) {
  const __m128 two_pi = _mm_set1_ps(TWO_PI);
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  __m128 theta = _mm_sub_ps(phi, _mm_set1_ps(light_phase));
  const __m128 q = _mm_div_ps(theta, two_pi);
  const __m128 q_usable = _mm_and_ps(_mm_cmplt_ps(_mm_and_ps(q, magnitude), _mm_set1_ps(1.0e6f)), q);
  __m128 whole = _mm_cvtepi32_ps(_mm_cvttps_epi32(q_usable));
  whole = _mm_sub_ps(whole, _mm_and_ps(_mm_cmpgt_ps(whole, q), _mm_set1_ps(1.0f)));
  theta = _mm_sub_ps(theta, _mm_mul_ps(whole, two_pi));
  __m128 v = _mm_mul_ps(theta, _mm_set1_ps(PROFILE_STEPS_PER_RADIAN));
  const __m128 usable = _mm_cmplt_ps(_mm_and_ps(v, magnitude), _mm_set1_ps(1.0e6f));
  v = _mm_and_ps(usable, v);
  const __m128i k = _mm_cvttps_epi32(v);
  const __m128 f = _mm_sub_ps(v, _mm_cvtepi32_ps(k));
  alignas(16) std::int32_t index[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(index), k);
  auto entry = [&](std::int32_t n) { return RIM_ANGLE_PROFILE[static_cast<std::size_t>(n & 255)]; };
  const __m128 lo = _mm_setr_ps(entry(index[0]), entry(index[1]), entry(index[2]), entry(index[3]));
  const __m128 hi = _mm_setr_ps(entry(index[0] + 1), entry(index[1] + 1), entry(index[2] + 1), entry(index[3] + 1));
  const __m128 response = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_set1_ps(1.0f), f), lo), _mm_mul_ps(f, hi));
  return _mm_and_ps(usable, response);
}

// RimTerm of the lanes whose bit is set in `banded` (each with d <= 2 x
// rim_band), in lanes where every lane reads the same kind of neighbours:
// a padded source, or pane_distance away from its borders (two columns and
// rows in, so both the central and the wide differences stay inside). Each
// lane does RimTerm's float operations in RimTerm's order; the angle of a
// lane that reaches it is taken lane by lane. Blocks near the borders of
// pane_distance go to RimTerm lane by lane.
inline __m128 RimFour(const RimPass& c, const RimLanes& v, AngleResponses& responses, std::int32_t x,
                      std::int32_t y, __m128 d, int banded) {
  const bool inner = c.source.cropped || (x >= 2 && x + 3 < c.w - 2 && y >= 2 && y < c.h - 2);
  if (!inner) {
    alignas(16) float lane_d[4];
    alignas(16) float lane_rim[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    _mm_store_ps(lane_d, d);
    for (int k = 0; k < 4; ++k) {
      if (banded & (1 << k)) lane_rim[k] = RimTerm(c, responses, x + k, y, lane_d[k]);
    }
    return _mm_load_ps(lane_rim);
  }
  const float* S = c.source.data;
  const std::ptrdiff_t L = c.source.row_length;
  const float* at = c.source.cropped
                        ? S + static_cast<std::ptrdiff_t>(y + c.source.offset) * L + (x + c.source.offset)
                        : S + static_cast<std::ptrdiff_t>(y) * c.w + x;
  const __m128 gx = _mm_sub_ps(_mm_loadu_ps(at + 1), _mm_loadu_ps(at - 1));
  const __m128 gy = _mm_sub_ps(_mm_loadu_ps(at + L), _mm_loadu_ps(at - L));
  const __m128 g = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(gx, gx), _mm_mul_ps(gy, gy)));
  const __m128 steep = _mm_cmpge_ps(g, _mm_set1_ps(0.05f));
  const __m128 t = _mm_div_ps(_mm_mul_ps(v.two, d), g);
  const __m128 band = _mm_set1_ps(c.values.rim_band);
  const int near = banded & _mm_movemask_ps(_mm_and_ps(steep, _mm_cmple_ps(t, band)));
  if (near == 0) return v.zero;

  __m128 response;
  if (c.angle_planes) {
    alignas(16) float lane_sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 4; ++k) {
      if (!(near & (1 << k))) continue;
      float sum = 0.0f;
      for (std::int32_t dy = -1; dy <= 1; ++dy) {
        for (std::int32_t dx = -1; dx <= 1; ++dx) sum += responses.At(x + k + dx, y + dy);
      }
      lane_sum[k] = sum;
    }
    response = _mm_div_ps(_mm_load_ps(lane_sum), _mm_set1_ps(9.0f));
  } else {
    const __m128 wide_x = _mm_add_ps(gx, _mm_mul_ps(v.half, _mm_sub_ps(_mm_loadu_ps(at + 2), _mm_loadu_ps(at - 2))));
    const __m128 wide_y =
        _mm_add_ps(gy, _mm_mul_ps(v.half, _mm_sub_ps(_mm_loadu_ps(at + 2 * L), _mm_loadu_ps(at - 2 * L))));
    alignas(16) float lane_x[4];
    alignas(16) float lane_y[4];
    alignas(16) float lane_phi[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    _mm_store_ps(lane_x, wide_x);
    _mm_store_ps(lane_y, wide_y);
    for (int k = 0; k < 4; ++k) {
      if (near & (1 << k)) lane_phi[k] = portable_math::Atan2(lane_y[k], lane_x[k]);
    }
    response = AngleResponse4(_mm_load_ps(lane_phi), c.values.light_phase);
  }
  const __m128 lit = _mm_and_ps(_mm_castsi128_ps(LaneMask(near)), _mm_cmpgt_ps(response, _mm_set1_ps(0.003f)));
  if (_mm_movemask_ps(lit) == 0) return v.zero;
  const __m128 s = _mm_mul_ps(_mm_sub_ps(_mm_div_ps(t, band), _mm_set1_ps(0.4f)), _mm_set1_ps(1.6667f));
  const __m128 smooth = _mm_sub_ps(v.one, _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(3.0f), _mm_mul_ps(v.two, s)),
                                                     _mm_mul_ps(s, s)));
  const __m128 weight = Select(_mm_cmple_ps(s, v.zero), v.one, _mm_andnot_ps(_mm_cmpge_ps(s, v.one), smooth));
  return _mm_and_ps(lit, _mm_mul_ps(_mm_mul_ps(weight, v.intensity), response));
}

// Columns x to x + 3 of row y, each lane taking the plain form's steps
// with the same float operations in the same order; the rim term (a thin
// band at the edges) and the update of the pixels the rim lights run lane
// by lane.
template <typename Pixel>
inline bool LightFour(const RimPass& c, const RimLanes& v, AngleResponses& responses, Pixel* row,
                      const float* dither_row, std::int32_t x, std::int32_t y, const float* depth_row,
                      const float* distance_row, const float* matte_row) {
  const __m128 depth = _mm_loadu_ps(depth_row + x);
  __m128 d;
  __m128 e;
  if (matte_row != nullptr) {
    e = _mm_loadu_ps(matte_row + x);
    // std::max(v, 0): v unless v < 0 (NaN stays NaN).
    d = _mm_andnot_ps(_mm_cmplt_ps(e, v.zero), e);
  } else {
    d = depth;
    e = _mm_loadu_ps(distance_row + x);
  }
  const __m128 edge = _mm_mul_ps(_mm_add_ps(e, v.two), v.half);
  // Clamping the edge alpha to [0, 1] does not change which side of the
  // minimum it falls, and a NaN is below it either way.
  const __m128 left = _mm_or_ps(_mm_or_ps(_mm_cmpgt_ps(depth, v.depth_skip), _mm_cmpgt_ps(d, v.rim_limit)),
                                _mm_cmpnge_ps(edge, v.alpha_min));
  const int taken = ~_mm_movemask_ps(left) & 0xF;
  if (taken == 0) return false;
  const __m128 alpha =
      Select(_mm_cmpgt_ps(edge, v.one), v.one, _mm_andnot_ps(_mm_cmplt_ps(edge, v.zero), edge));

  __m128 glow = v.zero;
  if (c.values.glow_reach > 0.0f) {
    const __m128 within = _mm_cmple_ps(d, v.reach);
    if (_mm_movemask_ps(within) & taken) {
      __m128 cx;
      __m128 cy;
      __m128 rho;
      if (c.use_labels) {
        alignas(16) float lane_cx[4];
        alignas(16) float lane_cy[4];
        alignas(16) float lane_rho[4];
        const std::int32_t i = y * c.w + x;
        for (int k = 0; k < 4; ++k) GlowCentre(c, i + k, lane_cx[k], lane_cy[k], lane_rho[k]);
        cx = _mm_load_ps(lane_cx);
        cy = _mm_load_ps(lane_cy);
        rho = _mm_load_ps(lane_rho);
      } else {
        cx = _mm_set1_ps(c.whole_centre_x);
        cy = _mm_set1_ps(c.whole_centre_y);
        rho = _mm_set1_ps(c.whole_radius);
      }
      const __m128 xf = _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(x), v.column_steps));
      const __m128 yf = _mm_set1_ps(static_cast<float>(y));
      const __m128 along = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(xf, cx), v.light_x),
                                      _mm_mul_ps(_mm_sub_ps(yf, cy), v.light_y));
      const __m128 q = _mm_and_ps(_mm_cmpgt_ps(rho, v.zero), _mm_div_ps(along, rho));
      const __m128 curve = CurveLookup4(v, _mm_div_ps(d, v.reach));
      glow = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(curve, q), v.intensity), v.glow_scale);
      glow = _mm_and_ps(within, glow);
    }
  }

  __m128 rim = v.zero;
  if (c.values.rim_band > 0.0f) {
    const int banded = _mm_movemask_ps(_mm_cmple_ps(d, v.two_band)) & taken;
    if (banded != 0) rim = RimFour(c, v, responses, x, y, d, banded);
  }

  rim = _mm_mul_ps(rim, alpha);
  glow = _mm_mul_ps(glow, alpha);
  const __m128 faint = _mm_and_ps(_mm_cmplt_ps(_mm_and_ps(rim, v.magnitude), v.faint),
                                  _mm_cmplt_ps(_mm_and_ps(glow, v.magnitude), v.faint));
  const int lit = taken & ~_mm_movemask_ps(faint);
  if (lit == 0) return true;
  // Pixels that the rim lights take the whole update lane by lane; the
  // others only shift by the glow, all four at once.
  const int rim_lit = lit & _mm_movemask_ps(_mm_cmpgt_ps(rim, v.zero));
  const int glow_only = lit & ~rim_lit;
  if (glow_only != 0) GlowFour(row + x, glow, _mm_loadu_ps(dither_row + (x & 3)), glow_only);
  if (rim_lit != 0) {
    alignas(16) float lane_rim[4];
    alignas(16) float lane_glow[4];
    _mm_store_ps(lane_rim, rim);
    _mm_store_ps(lane_glow, glow);
    for (int k = 0; k < 4; ++k) {
      if (rim_lit & (1 << k)) LightOver(row[x + k], lane_rim[k], lane_glow[k], dither_row[(x + k) & 3]);
    }
  }
  return true;
}

// Asks for the cache lines of elements first to last of a row ahead of their
// use. The pass reads a pane's rows sparsely (its edge band two rows down,
// the output pixels it lights), where the processor's own prefetching does
// not follow; the next rows' spans are much like this row's.
// The addresses are worked out as integers, not pointers: a span may reach a
// column or two beyond the row's ends, and a prefetch never faults.
inline void PrefetchSpan(const void* row, std::size_t element_size, std::int32_t first, std::int32_t last) {
  const std::intptr_t base = reinterpret_cast<std::intptr_t>(row);
  const std::intptr_t size = static_cast<std::intptr_t>(element_size);
  const std::intptr_t begin = base + static_cast<std::intptr_t>(first) * size;
  const std::intptr_t end = base + (static_cast<std::intptr_t>(last) + 1) * size;
  for (std::intptr_t p = begin; p < end; p += 64) _mm_prefetch(reinterpret_cast<const char*>(p), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(end - 1), _MM_HINT_T0);
}

#endif

}  // namespace

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
  RimPass c;
  c.w = w;
  c.h = h;
  c.values = ::ComputeRimLightValues(settings);
  c.pane_depth = depth_plane->data.get();
  c.pane_distance = distance_plane->data.get();

  // Gradient source, and whether the values come from the matte's own field.
  c.source = {c.pane_distance, w, 0, false};
  if (ViewCovers(inputs.smooth_field, w, h, 2)) {
    c.source = {inputs.smooth_field.data, inputs.smooth_field.row_length, inputs.smooth_field.offset, true};
  } else if (inputs.matte_source && ViewCovers(inputs.matte_smooth_field, w, h, 2)) {
    c.source = {inputs.matte_smooth_field.data, inputs.matte_smooth_field.row_length,
                inputs.matte_smooth_field.offset, true};
    c.values_from_matte = true;
  }
  c.source_rows = c.values_from_matte ? inputs.matte_smooth_field.rows : inputs.smooth_field.rows;
  c.angle_planes = ViewCovers(inputs.gradient_x, w, h, 1) && ViewCovers(inputs.gradient_y, w, h, 1);
  c.gradient_x = inputs.gradient_x;
  c.gradient_y = inputs.gradient_y;

  // Glow centre: the whole panes' centre, or each region's own.
  const bool region_centres = inputs.raster_source || inputs.paths_supersampled;
  c.whole_radius = region_centres ? inputs.centre.pane_radius : static_cast<float>(std::max(w, h)) * 0.5f;
  c.regions = inputs.regions;
  c.use_labels = region_centres && c.regions != nullptr && c.regions->Labelled() && c.regions->width == w &&
                 c.regions->height == h;
  c.whole_centre_x = inputs.centre.pane_centre_x;
  c.whole_centre_y = inputs.centre.pane_centre_y;
  c.two_band = 2.0f * c.values.rim_band;
  c.depth_skip = c.values.rim_limit + 3.0f;

  AngleResponses responses(c);

  // The dither offset of each cell of the 4 x 4 matrix, the same division
  // done once per cell instead of once per pixel.
  // Each row of cells is held twice over, so four columns from any x read
  // on in one load.
  float dither_cells[32];
  for (std::size_t k = 0; k < 16; ++k) {
    const float cell = (BAYER_4X4[k] - 0.5f) / 255.0f;
    dither_cells[(k / 4) * 8 + k % 4] = cell;
    dither_cells[(k / 4) * 8 + k % 4 + 4] = cell;
  }

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
  RimLanes lanes;
  SetUpLanes(lanes, c);
  // The columns of the last row's blocks that the pass did not leave alone.
  std::int32_t span_first = w;
  std::int32_t span_last = -1;
#endif

  for (std::int32_t y = 0; y < h; ++y) {
    Pixel* row = reinterpret_cast<Pixel*>(static_cast<char*>(output.data) +
                                          static_cast<std::ptrdiff_t>(y) * output.rowbytes);
    const float* dither_row = dither_cells + static_cast<std::size_t>(y & 3) * 8;
    const float* depth_row = c.pane_depth + static_cast<std::ptrdiff_t>(y) * w;
    const float* distance_row = c.pane_distance + static_cast<std::ptrdiff_t>(y) * w;
    std::int32_t x = 0;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
    const float* matte_row =
        c.values_from_matte
            ? c.source.data + static_cast<std::ptrdiff_t>(y + c.source.offset) * c.source.row_length + c.source.offset
            : nullptr;
    const float* values_row = matte_row != nullptr ? matte_row : distance_row;
    if (span_last >= 0) {
      // Columns a little beyond the last row's span, for the neighbours the
      // rim term reads.
      const std::int32_t first = std::max(0, span_first - 8);
      const std::int32_t last = std::min(w - 1, span_last + 11);
      if (y + 1 < h) {
        if (c.use_labels) {
          PrefetchSpan(c.regions->region_labels.get() + static_cast<std::ptrdiff_t>(y + 1) * w, sizeof(std::int32_t),
                       first, last);
        }
      }
      if (c.source.cropped) {
        const std::int64_t ahead = static_cast<std::int64_t>(y) + 3 + c.source.offset;
        if (ahead < c.source_rows) {
          PrefetchSpan(c.source.data + ahead * c.source.row_length + c.source.offset, sizeof(float), first - 2,
                       last + 2);
        }
      } else if (y + 3 < h) {
        PrefetchSpan(c.pane_distance + static_cast<std::ptrdiff_t>(y + 3) * w, sizeof(float), first, last);
      }
      if (c.angle_planes) {
        for (const CroppedPlaneView* plane : {&c.gradient_x, &c.gradient_y}) {
          const std::int64_t ahead = static_cast<std::int64_t>(y) + 2 + plane->offset;
          if (ahead < plane->rows) {
            PrefetchSpan(plane->data + ahead * plane->row_length + plane->offset, sizeof(float), first - 1,
                         last + 1);
          }
        }
      }
    }
    span_first = w;
    span_last = -1;
    while (x + 4 <= w) {
      x = SkipQuietBlocks(depth_row, values_row, x, w, lanes.depth_skip, lanes.edge_threshold);
      if (x + 4 > w) break;
      if (LightFour(c, lanes, responses, row, dither_row, x, y, depth_row, distance_row, matte_row)) {
        span_first = std::min(span_first, x);
        span_last = x + 3;
      }
      x += 4;
    }
#else
    while (x < w) {
      // Where the values come from the pane planes, runs of pixels the pass
      // leaves alone are passed over in one go.
      if (!c.values_from_matte && LeftAlone(depth_row[x], distance_row[x], c.depth_skip, c.values.rim_limit)) {
        x = SkipLeftAlone(depth_row, distance_row, x + 1, w, c.depth_skip, c.values.rim_limit);
        if (x >= w) break;
      }
      LightPixel(c, responses, row, dither_row, x, y);
      ++x;
    }
#endif
    for (; x < w; ++x) LightPixel(c, responses, row, dither_row, x, y);
  }
}

template void RimLightPass<PF_Pixel8>(PF_EffectWorld&, const RimLightSettings&, const RimLightInputs&);
template void RimLightPass<PF_Pixel16>(PF_EffectWorld&, const RimLightSettings&, const RimLightInputs&);
