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
#include <limits>

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

  // Worked out when compiling, with the same float operations as at run
  // time (the magnitude taken by hand, as fabs would).
  constexpr DispersionTaps() : u{}, w_red{}, w_green{}, w_blue{} {
    for (int j = 0; j < DISPERSION_SAMPLES; ++j) {
      u[j] = 2.0f * (static_cast<float>(j) / 6.0f) - 1.0f;
      w_red[j] = std::max(u[j], 0.0f);
      w_green[j] = 1.0f - (u[j] < 0.0f ? -u[j] : u[j]);
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

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#define PRISMORA_SHADE_FOUR 1
#else
#define PRISMORA_SHADE_FOUR 0
#endif

// What stays the same over a whole pass, worked out once by ShadeRows.
template <typename Pixel>
struct ShadePass {
  const BilinearSampler<Pixel>* sampler = nullptr;
  std::int32_t w = 0;
  std::int32_t r = 1;
  std::int64_t ix_offset = 0;
  std::int32_t in_lo = 0;
  std::int32_t in_hi = 0;
  bool analytic = false;
  bool magnify_on = false;
  bool splay_on = false;
  bool splay_keeps_normal_finite = true;
  bool dispersion_on = false;
  bool dispersion_fraction_finite = true;
  bool cut_empty = false;
  float inv_slope_span = 0.0f;
  float magnify_depth = 1.0f;
  float magnify_k = 0.0f;
  float centre_in_x = 0.0f;
  float centre_in_y = 0.0f;
  float q = 1.0f;
  float sigma = 0.0f;
  float length_base = 0.0f;
  float dispersion_fraction = 0.0f;
  float pane_centre_x = 0.0f;
};

// The rows one output row reads.
template <typename Pixel>
struct ShadeRow {
  const Pixel* in_row = nullptr;  // null where the row lies outside the input
  const float* height_row = nullptr;
  const float* distance_row = nullptr;
  const float* slope_row = nullptr;
  const float* slope_up = nullptr;
  const float* slope_down = nullptr;
  float py_row = 0.0f;
  float rho_y = 0.0f;
};

#if PRISMORA_SHADE_FOUR

// Clamp01 of a float held in double and brought back: the same as clamping
// the float itself, since both limits are floats and NaN passes through.
inline __m128 Clamp01Lanes(__m128 v) {
  const __m128 zero = _mm_setzero_ps();
  const __m128 one = _mm_set1_ps(1.0f);
  return LaneSelect(_mm_cmplt_ps(v, zero), zero, LaneSelect(_mm_cmpgt_ps(v, one), one, v));
}

inline __m128d Clamp01Lanes(__m128d v) {
  const __m128d zero = _mm_setzero_pd();
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d upper = _mm_or_pd(_mm_and_pd(_mm_cmpgt_pd(v, one), one), _mm_andnot_pd(_mm_cmpgt_pd(v, one), v));
  const __m128d lower = _mm_cmplt_pd(v, zero);
  return _mm_andnot_pd(lower, upper);
}

// f(e) worked out in double on each lane, then rounded to float, as the
// scalar code's static_cast<float>(f(static_cast<double>(e))).
template <typename F>
inline __m128 InDouble(__m128 e, F f) {
  const __m128 lo = _mm_cvtpd_ps(f(_mm_cvtps_pd(e)));
  const __m128 hi = _mm_cvtpd_ps(f(_mm_cvtps_pd(_mm_movehl_ps(e, e))));
  return _mm_movelh_ps(lo, hi);
}

// CurveLookup on every lane; lanes outside (0, 1) take the end entries
// and read the table at index 0, so no lane converts a NaN.
inline __m128 CurveLookupLanes(const CurveTable& table, __m128 t) {
  const __m128 above_zero = _mm_cmpgt_ps(t, _mm_setzero_ps());
  const __m128 at_end = _mm_cmpge_ps(t, _mm_set1_ps(1.0f));
  // Deep inside a pane every lane is at the far end: no table reads.
  if (_mm_movemask_ps(at_end) == 0xF) return _mm_set1_ps(table[CURVE_TABLE_SIZE - 1]);
  const __m128 between = _mm_andnot_ps(at_end, above_zero);
  const __m128 scaled = _mm_and_ps(between, _mm_mul_ps(t, _mm_set1_ps(255.0f)));
  const __m128i i = _mm_cvttps_epi32(scaled);
  const __m128 f = _mm_sub_ps(scaled, _mm_cvtepi32_ps(i));
  alignas(16) std::int32_t index[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(index), i);
  alignas(16) float lo[4], hi[4];
  for (int k = 0; k < 4; ++k) {
    const int j = std::min(index[k], CURVE_TABLE_SIZE - 2);
    lo[k] = table[j];
    hi[k] = table[j + 1];
  }
  const __m128 v = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_set1_ps(1.0f), f), _mm_load_ps(lo)),
                              _mm_mul_ps(f, _mm_load_ps(hi)));
  return LaneSelect(above_zero, LaneSelect(at_end, _mm_set1_ps(table[CURVE_TABLE_SIZE - 1]), v),
                    _mm_set1_ps(table[0]));
}

inline __m128 FiniteLanes(__m128 v) {
  const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
  return _mm_cmplt_ps(magnitude, _mm_set1_ps(std::numeric_limits<float>::infinity()));
}

inline __m128i MaxInts(__m128i a, __m128i b) { return LaneSelect(_mm_cmpgt_epi32(a, b), a, b); }
inline __m128i MinInts(__m128i a, __m128i b) { return LaneSelect(_mm_cmplt_epi32(a, b), a, b); }

// Four neighbouring pane pixels x ... x + 3 of one row, one per lane: each
// lane does the per-pixel shading's float operations in its order, the
// branches of one pixel becoming lane selections. Writes the four pixels.
template <typename Pixel>
void ShadeFour(const ShadePass<Pixel>& pass, const ShadeRow<Pixel>& row, std::int32_t x, Pixel* out) {
  const __m128 zero = _mm_setzero_ps();
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 d = _mm_max_ps(_mm_loadu_ps(row.height_row + x), zero);
  const __m128 e = _mm_add_ps(_mm_loadu_ps(row.distance_row + x), _mm_set1_ps(EDGE_BIAS_PX));

  __m128i covered;
  const Pixel* own_inputs = nullptr;  // the four input pixels, when all lie inside the input
  if (row.in_row != nullptr && x >= pass.in_lo && x + 4 <= pass.in_hi) {
    const Pixel* in_px = row.in_row + (static_cast<std::int64_t>(x) + pass.ix_offset);
    own_inputs = in_px;
    const Pixel* four[4] = {in_px, in_px + 1, in_px + 2, in_px + 3};
    const __m128 alpha_in = GatherWords(four).Channel(0);
    covered = _mm_castps_si128(_mm_cmpneq_ps(alpha_in, _mm_setzero_ps()));
  } else {
    alignas(16) std::int32_t covered_lanes[4];
    for (int k = 0; k < 4; ++k) {
      const std::int32_t xk = x + k;
      covered_lanes[k] = row.in_row != nullptr && xk >= pass.in_lo && xk < pass.in_hi &&
                                 row.in_row[static_cast<std::int64_t>(xk) + pass.ix_offset].alpha != 0
                             ? -1
                             : 0;
    }
    covered = _mm_load_si128(reinterpret_cast<const __m128i*>(covered_lanes));
  }

  const std::int32_t r = pass.r;
  __m128 gx;
  if (static_cast<std::int64_t>(x) - r >= 0 && static_cast<std::int64_t>(x) + 3 + r <= pass.w - 1) {
    gx = _mm_sub_ps(_mm_loadu_ps(row.slope_row + x + r), _mm_loadu_ps(row.slope_row + x - r));
  } else {
    alignas(16) float g[4];
    for (int k = 0; k < 4; ++k) {
      const std::int32_t xk = x + k;
      const std::int32_t x_left = std::max(xk - r, 0);
      const std::int32_t x_right =
          static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(xk) + r, pass.w - 1));
      g[k] = row.slope_row[x_right] - row.slope_row[x_left];
    }
    gx = _mm_load_ps(g);
  }
  const __m128 gy = _mm_sub_ps(_mm_loadu_ps(row.slope_down + x), _mm_loadu_ps(row.slope_up + x));

  const __m128i ix = _mm_add_epi32(_mm_set1_epi32(static_cast<std::int32_t>(static_cast<std::int64_t>(x) + pass.ix_offset)),
                                   _mm_setr_epi32(0, 1, 2, 3));
  __m128 px = _mm_cvtepi32_ps(ix);
  __m128 py = _mm_set1_ps(row.py_row);
  // The input positions of the four pixels themselves; exact floats, as the
  // input is no wider or higher than 2^24 + 1 where four go at once.
  const __m128 own_x = px;
  const __m128 own_y = py;

  if (pass.magnify_on) {
    const __m128 t = Clamp01Lanes(_mm_div_ps(d, _mm_set1_ps(pass.magnify_depth)));
    const __m128 k = _mm_mul_ps(_mm_set1_ps(pass.magnify_k), CurveLookupLanes(CURVE_PROFILE_RISE, t));
    const __m128 moved_x = _mm_add_ps(px, _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(pass.centre_in_x), px), k));
    const __m128 moved_y = _mm_add_ps(py, _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(pass.centre_in_y), py), k));
    const __m128 deep = _mm_cmpgt_ps(d, zero);
    px = LaneSelect(deep, moved_x, px);
    py = LaneSelect(deep, moved_y, py);
  }

  const __m128 u = Clamp01Lanes(_mm_div_ps(d, _mm_set1_ps(pass.q)));
  const __m128 falloff = CurveLookupLanes(CURVE_PROFILE_FALLOFF, u);
  const __m128 edge_ramp = InDouble(e, [](__m128d v) { return Clamp01Lanes(_mm_div_pd(v, _mm_set1_pd(1.5))); });
  const __m128 length = _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(pass.length_base), falloff), edge_ramp);
  const __m128 m = pass.dispersion_on ? zero : InDouble(e, [](__m128d v) {
    return Clamp01Lanes(_mm_sub_pd(_mm_set1_pd(1.0), _mm_div_pd(v, _mm_set1_pd(3.0))));
  });

  __m128 collapse = _mm_and_ps(_mm_cmpeq_ps(length, zero), _mm_and_ps(FiniteLanes(gx), FiniteLanes(gy)));
  if (!pass.dispersion_on) collapse = _mm_and_ps(collapse, _mm_cmpeq_ps(m, zero));
  if (!pass.splay_keeps_normal_finite) collapse = zero;
  const int collapse_bits = _mm_movemask_ps(collapse);

  __m128 nx = zero;
  __m128 ny = zero;
  if (collapse_bits != 0xF) {
    if (pass.analytic) {
      const __m128 g = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(gx, gx), _mm_mul_ps(gy, gy)));
      const __m128 sloped = _mm_cmpgt_ps(g, _mm_set1_ps(ANALYTIC_SLOPE_MIN));
      nx = _mm_and_ps(sloped, _mm_div_ps(gx, g));
      ny = _mm_and_ps(sloped, _mm_div_ps(gy, g));
    } else {
      const __m128 span = _mm_set1_ps(pass.inv_slope_span);
      nx = _mm_mul_ps(gx, span);
      ny = _mm_mul_ps(gy, span);
      const __m128 len = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(nx, nx), _mm_mul_ps(ny, ny)));
      const __m128 long_normal = _mm_cmpgt_ps(len, one);
      nx = LaneSelect(long_normal, _mm_div_ps(nx, len), nx);
      ny = LaneSelect(long_normal, _mm_div_ps(ny, len), ny);
    }
    if (pass.splay_on) {
      const __m128 sigma = _mm_set1_ps(pass.sigma);
      const __m128 keep = _mm_set1_ps(1.0f - pass.sigma);
      const __m128 rho_x = _mm_sub_ps(_mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(x), _mm_setr_epi32(0, 1, 2, 3))),
                                      _mm_set1_ps(pass.pane_centre_x));
      const __m128 rho_y = _mm_set1_ps(row.rho_y);
      const __m128 l_rho = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(rho_x, rho_x), _mm_mul_ps(rho_y, rho_y)));
      const __m128 l_n = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(nx, nx), _mm_mul_ps(ny, ny)));
      const __m128 turnable = _mm_and_ps(_mm_cmpgt_ps(l_rho, _mm_set1_ps(SPLAY_RADIAL_MIN)),
                                         _mm_cmpgt_ps(l_n, _mm_set1_ps(SPLAY_LENGTH_MIN)));
      const __m128 bx = _mm_add_ps(_mm_mul_ps(_mm_div_ps(nx, l_n), keep), _mm_mul_ps(_mm_div_ps(rho_x, l_rho), sigma));
      const __m128 by = _mm_add_ps(_mm_mul_ps(_mm_div_ps(ny, l_n), keep), _mm_mul_ps(_mm_div_ps(rho_y, l_rho), sigma));
      const __m128 l_b = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(bx, bx), _mm_mul_ps(by, by)));
      const __m128 turned = _mm_and_ps(turnable, _mm_cmpgt_ps(l_b, _mm_set1_ps(SPLAY_LENGTH_MIN)));
      nx = LaneSelect(turned, _mm_mul_ps(_mm_div_ps(bx, l_b), l_n), nx);
      ny = LaneSelect(turned, _mm_mul_ps(_mm_div_ps(by, l_b), l_n), ny);
    }
    nx = _mm_andnot_ps(collapse, nx);
    ny = _mm_andnot_ps(collapse, ny);
  }

  const BilinearSampler<Pixel>& sampler = *pass.sampler;
  // A read exactly at a pixel's own input position (Magnify has not moved
  // it) weighs that input pixel 1 and its neighbours 0: it is the input
  // pixel, each channel limited to the full value. Where the four input
  // pixels lie side by side in the input, they are taken as they are.
  auto read_at = [&](__m128 sx, __m128 sy) -> PixelQuad {
    if (own_inputs != nullptr &&
        _mm_movemask_ps(_mm_and_ps(_mm_cmpeq_ps(sx, own_x), _mm_cmpeq_ps(sy, own_y))) == 0xF) {
      const Pixel* four[4] = {own_inputs, own_inputs + 1, own_inputs + 2, own_inputs + 3};
      const auto words = GatherWords(four);
      const __m128i full = _mm_set1_epi32(PixelTraits<Pixel>::FULL);
      return {MinInts(words.IntChannel(0), full), MinInts(words.IntChannel(1), full),
              MinInts(words.IntChannel(2), full), MinInts(words.IntChannel(3), full)};
    }
    return sampler.Sample4(sx, sy);
  };
  __m128i alpha, red, green, blue;
  if (pass.dispersion_on) {
    static constexpr DispersionTaps taps{};
    const double fraction = static_cast<double>(pass.dispersion_fraction);
    const __m128 spread_factor = InDouble(e, [fraction](__m128d v) { return _mm_mul_pd(_mm_set1_pd(fraction), Clamp01Lanes(v)); });
    const __m128 spread = _mm_mul_ps(spread_factor, _mm_mul_ps(length, _mm_set1_ps(DISPERSION_SPREAD)));
    // Alpha weighed like each colour, and each colour with its own weight.
    __m128 a_red = zero, a_green = zero, a_blue = zero, s_red = zero, s_green = zero, s_blue = zero;
    // A read is finite and not negative, so a tap of weight 0 adds +0 or -0
    // to a sum that is +0 or above, which leaves its bits as they are: such
    // taps are not added.
    auto weigh = [&](const PixelQuad& s, int j) {
      const __m128 sa = _mm_cvtepi32_ps(s.a);
      if (taps.w_red[j] != 0.0f) {
        const __m128 wr = _mm_set1_ps(taps.w_red[j]);
        a_red = _mm_add_ps(a_red, _mm_mul_ps(sa, wr));
        s_red = _mm_add_ps(s_red, _mm_mul_ps(_mm_cvtepi32_ps(s.r), wr));
      }
      if (taps.w_green[j] != 0.0f) {
        const __m128 wg = _mm_set1_ps(taps.w_green[j]);
        a_green = _mm_add_ps(a_green, _mm_mul_ps(sa, wg));
        s_green = _mm_add_ps(s_green, _mm_mul_ps(_mm_cvtepi32_ps(s.g), wg));
      }
      if (taps.w_blue[j] != 0.0f) {
        const __m128 wb = _mm_set1_ps(taps.w_blue[j]);
        a_blue = _mm_add_ps(a_blue, _mm_mul_ps(sa, wb));
        s_blue = _mm_add_ps(s_blue, _mm_mul_ps(_mm_cvtepi32_ps(s.b), wb));
      }
    };
    // Collapsed lanes read at p itself when the fraction is finite, as the
    // per-pixel code does.
    const __m128 at_p = pass.dispersion_fraction_finite ? collapse : zero;
    if (_mm_movemask_ps(at_p) == 0xF) {
      const PixelQuad s = read_at(px, py);
      for (int j = 0; j < DISPERSION_SAMPLES; ++j) weigh(s, j);
    } else {
      for (int j = 0; j < DISPERSION_SAMPLES; ++j) {
        const __m128 t = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(taps.u[j]), spread), length);
        const __m128 sx = LaneSelect(at_p, px, _mm_add_ps(px, _mm_mul_ps(nx, t)));
        const __m128 sy = LaneSelect(at_p, py, _mm_add_ps(py, _mm_mul_ps(ny, t)));
        weigh(sampler.Sample4(sx, sy), j);
      }
    }
    auto mean = [](__m128 sum, float weight_sum) {
      if (!(weight_sum > 0.0f)) return _mm_setzero_si128();
      return ChannelLanesFromFloat<Pixel>(FloatLanes{_mm_div_ps(sum, _mm_set1_ps(weight_sum))}).v;
    };
    red = mean(s_red, taps.sum_red);
    green = mean(s_green, taps.sum_green);
    blue = mean(s_blue, taps.sum_blue);
    alpha = MaxInts(mean(a_red, taps.sum_red), MaxInts(mean(a_green, taps.sum_green), mean(a_blue, taps.sum_blue)));
  } else {
    const __m128 cx = _mm_add_ps(px, _mm_mul_ps(nx, length));
    const __m128 cy = _mm_add_ps(py, _mm_mul_ps(ny, length));
    PixelQuad s1, s2, s3, s4;
    if (collapse_bits == 0xF) {
      // Every lane's four taps land on its c (m is 0 and n is (0, 0)).
      s1 = read_at(cx, cy);
      s2 = s3 = s4 = s1;
    } else {
      const __m128 tx = _mm_xor_ps(ny, _mm_set1_ps(-0.0f));
      const __m128 ty = nx;
      const __m128 outer_x = _mm_mul_ps(_mm_mul_ps(tx, _mm_set1_ps(1.5f)), m);
      const __m128 outer_y = _mm_mul_ps(_mm_mul_ps(ty, _mm_set1_ps(1.5f)), m);
      const __m128 inner_x = _mm_mul_ps(_mm_mul_ps(tx, _mm_set1_ps(0.5f)), m);
      const __m128 inner_y = _mm_mul_ps(_mm_mul_ps(ty, _mm_set1_ps(0.5f)), m);
      s1 = sampler.Sample4(_mm_add_ps(cx, outer_x), _mm_add_ps(cy, outer_y));
      s2 = sampler.Sample4(_mm_add_ps(cx, inner_x), _mm_add_ps(cy, inner_y));
      s3 = sampler.Sample4(_mm_sub_ps(cx, inner_x), _mm_sub_ps(cy, inner_y));
      s4 = sampler.Sample4(_mm_sub_ps(cx, outer_x), _mm_sub_ps(cy, outer_y));
    }
    // Outer taps weigh 3, inner 1: an integer mean over 8 parts.
    auto smooth = [](__m128i a1, __m128i a2, __m128i a3, __m128i a4) {
      const __m128i outer = _mm_add_epi32(a1, a4);
      return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(_mm_add_epi32(_mm_add_epi32(outer, outer), outer), a2), a3), 3);
    };
    alpha = smooth(s1.a, s2.a, s3.a, s4.a);
    red = smooth(s1.r, s2.r, s3.r, s4.r);
    green = smooth(s1.g, s2.g, s3.g, s4.g);
    blue = smooth(s1.b, s2.b, s3.b, s4.b);
  }

  const __m128i zero_i = _mm_setzero_si128();
  if (pass.cut_empty) {
    const __m128i emptied = _mm_and_si128(covered, _mm_cmpeq_epi32(alpha, zero_i));
    alpha = _mm_andnot_si128(emptied, alpha);
    red = _mm_andnot_si128(emptied, red);
    green = _mm_andnot_si128(emptied, green);
    blue = _mm_andnot_si128(emptied, blue);
  }
  if (_mm_movemask_epi8(covered) != 0xFFFF) {
    // Over transparent input the pane fades in across its outer 2 px.
    const __m128 a = InDouble(e, [](__m128d v) { return Clamp01Lanes(_mm_mul_pd(v, _mm_set1_pd(0.5))); });
    const __m128i faded_in = _mm_and_si128(_mm_cmpgt_epi32(alpha, zero_i),
                                           _mm_castps_si128(_mm_cmpgt_ps(a, _mm_set1_ps(FADE_ALPHA_MIN))));
    const __m128i scale = _mm_andnot_si128(covered, faded_in);
    const __m128i clear = _mm_andnot_si128(covered, _mm_andnot_si128(faded_in, _mm_set1_epi32(-1)));
    // Only lanes that scale convert the product; the others multiply by 0.
    const __m128 factor = _mm_and_ps(_mm_castsi128_ps(scale), a);
    auto scaled = [&](__m128i c) { return _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(c), factor)); };
    alpha = LaneSelect(scale, scaled(alpha), alpha);
    red = _mm_andnot_si128(clear, LaneSelect(scale, scaled(red), red));
    green = _mm_andnot_si128(clear, LaneSelect(scale, scaled(green), green));
    blue = _mm_andnot_si128(clear, LaneSelect(scale, scaled(blue), blue));
  }
  PixelQuad result;
  result.a = alpha;
  result.r = MinInts(red, alpha);
  result.g = MinInts(green, alpha);
  result.b = MinInts(blue, alpha);
  StoreQuad(result, out);
}

#endif

// The first column from x on whose pixel is not (outside = true) or is
// (outside = false) far outside every pane, or w; the test is the per-pixel
// one, distance + 2 < -0.5, four columns at a time where there are four.
inline std::int32_t RunEnd(const float* distance_row, std::int32_t x, std::int32_t w, bool outside) {
#if PRISMORA_SHADE_FOUR
  const __m128 bias = _mm_set1_ps(EDGE_BIAS_PX);
  const __m128 limit = _mm_set1_ps(OUTSIDE_PANE_E);
  const int stop_bits = outside ? 0 : 0xF;
  for (; w - x >= 4; x += 4) {
    const int bits = _mm_movemask_ps(_mm_cmplt_ps(_mm_add_ps(_mm_loadu_ps(distance_row + x), bias), limit));
    if (bits != (outside ? 0xF : 0)) return x + __builtin_ctz(static_cast<unsigned>(bits ^ stop_bits ^ 0xF));
  }
#endif
  while (x < w && (distance_row[x] + EDGE_BIAS_PX < OUTSIDE_PANE_E) == outside) ++x;
  return x;
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
  static constexpr DispersionTaps taps{};
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

#if PRISMORA_SHADE_FOUR
  ShadePass<Pixel> pass;
  pass.sampler = &sampler;
  pass.w = w;
  pass.r = r;
  pass.ix_offset = ix_offset;
  pass.in_lo = in_lo;
  pass.in_hi = in_hi;
  pass.analytic = analytic;
  pass.magnify_on = magnify_on;
  pass.splay_on = splay_on;
  pass.splay_keeps_normal_finite = splay_keeps_normal_finite;
  pass.dispersion_on = dispersion_on;
  pass.dispersion_fraction_finite = dispersion_fraction_finite;
  pass.cut_empty = cut_empty;
  pass.inv_slope_span = inv_slope_span;
  pass.magnify_depth = magnify_depth;
  pass.magnify_k = magnify_k;
  pass.centre_in_x = centre_in_x;
  pass.centre_in_y = centre_in_y;
  pass.q = q;
  pass.sigma = sigma;
  pass.length_base = length_base;
  pass.dispersion_fraction = dispersion_fraction;
  pass.pane_centre_x = in.pane_centre_x;
  // Four pixels at once wherever the lanes give the same bytes: input
  // columns that convert exactly from 32-bit lanes, a sampler whose limits
  // are exact floats.
  const bool four_at_once = sampler.FourAtOnce() && ix_offset >= std::numeric_limits<std::int32_t>::min() &&
                            ix_offset + w <= std::numeric_limits<std::int32_t>::max();
#endif

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
#if PRISMORA_SHADE_FOUR
    ShadeRow<Pixel> row;
    row.in_row = in_row;
    row.height_row = height_row;
    row.distance_row = distance_row;
    row.slope_row = slope_row;
    row.slope_up = slope_up;
    row.slope_down = slope_down;
    row.py_row = py_row;
    row.rho_y = rho_y;
#endif

    // The plain per-pixel shading of one pane pixel.
    auto shade_pixel = [&](std::int32_t x) -> Pixel {
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
        return result;
    };
    Pixel* dest_row = to_frost ? frost_row : out_row;

    std::int32_t x = 0;
    while (x < w) {
      // A run far outside every pane is the input as it is.
      const std::int32_t run_begin = x;
      x = RunEnd(distance_row, x, w, true);
      if (x > run_begin) CopyInputRun(in_row, ix_offset, in_lo, in_hi, run_begin, x, out_row, frost_row);
      if (x >= w) break;
      // The pane pixels up to the next pixel outside.
      const std::int32_t run_end = RunEnd(distance_row, x + 1, w, false);
#if PRISMORA_SHADE_FOUR
      if (four_at_once) {
        for (; run_end - x >= 4; x += 4) ShadeFour<Pixel>(pass, row, x, dest_row + x);
      }
#endif
      for (; x < run_end; ++x) dest_row[x] = shade_pixel(x);
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
