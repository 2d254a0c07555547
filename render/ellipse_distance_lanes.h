// The general ellipse's distance at two points at once, one in each double
// lane of an SSE2 register, with PowOneThird, Acos, Cos and Sin in lane
// form. Every lane goes through the very operations, in the same order, of
// EllipseDistance and of the portable functions it calls, so each result
// has the bits of the plain call. Branches of the plain code become lane
// selects where both sides are cheap; the rare arguments whose plain path
// takes a special case (a cube root of zero or a subnormal, an arccosine
// beyond +-1) and a pair
// of points whose cubics fall on different sides of their discriminant make
// EllipseDistancePair decline, and the caller takes the plain function for
// both points.
#pragma once

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#define PRISMORA_ELLIPSE_LANES 1
#include <emmintrin.h>

#include <cmath>
#include <cstdint>

#include "render/portable_math_constants.h"

namespace ellipse_lanes {

using V = __m128d;

inline V Set(double v) { return _mm_set1_pd(v); }
inline V Add(V a, V b) { return _mm_add_pd(a, b); }
inline V Sub(V a, V b) { return _mm_sub_pd(a, b); }
inline V Mul(V a, V b) { return _mm_mul_pd(a, b); }
inline V Div(V a, V b) { return _mm_div_pd(a, b); }
inline V Neg(V a) { return _mm_xor_pd(a, _mm_set1_pd(-0.0)); }
inline V Abs(V a) { return _mm_andnot_pd(_mm_set1_pd(-0.0), a); }
// mask ? a : b, the mask all ones or all zeros in each lane.
inline V Select(V mask, V a, V b) { return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b)); }
inline int Mask(V m) { return _mm_movemask_pd(m); }

struct DD2 {
  V hi;
  V lo;
};

inline DD2 TwoSum(V a, V b) {
  const V s = Add(a, b);
  const V bb = Sub(s, a);
  return {s, Add(Sub(a, Sub(s, bb)), Sub(b, bb))};
}

inline DD2 FastTwoSum(V a, V b) {
  const V s = Add(a, b);
  return {s, Sub(b, Sub(s, a))};
}

inline void Split(V a, V& hi, V& lo) {
  const V c = Mul(Set(134217729.0), a);
  hi = Sub(c, Sub(c, a));
  lo = Sub(a, hi);
}

inline DD2 TwoProd(V a, V b) {
  const V p = Mul(a, b);
  V ah, al, bh, bl;
  Split(a, ah, al);
  Split(b, bh, bl);
  return {p, Add(Add(Add(Sub(Mul(ah, bh), p), Mul(ah, bl)), Mul(al, bh)), Mul(al, bl))};
}

inline DD2 MulDD(DD2 a, DD2 b) {
  DD2 p = TwoProd(a.hi, b.hi);
  p.lo = Add(p.lo, Add(Mul(a.hi, b.lo), Mul(a.lo, b.hi)));
  return FastTwoSum(p.hi, p.lo);
}

template <int N>
inline V Horner(const double (&c)[N], V z) {
  V p = Set(c[N - 1]);
  for (int i = N - 2; i >= 0; --i) p = Add(Set(c[i]), Mul(z, p));
  return p;
}

// ---- arccosine -------------------------------------------------------------

// Acos for |x| <= 1 in both lanes (not NaN): both of the plain function's
// branches share the polynomial, on x^2 or on (1 - |x|) / 2.
inline V Acos(V x) {
  using namespace portable_math::constants;
  const V ax = Abs(x);
  const V small = _mm_cmple_pd(ax, Set(0.5));
  const V z = Mul(x, x);
  const V w = Mul(Sub(Set(1.0), ax), Set(0.5));
  const V poly = Horner(ASIN_POLY, Select(small, z, w));
  const DD2 head = TwoSum(Set(HALF_PI_HI), Neg(x));
  const V near_zero = Add(head.hi, Add(head.lo, Sub(Set(HALF_PI_LO), Mul(Mul(x, z), poly))));
  const V s = _mm_sqrt_pd(w);
  const DD2 s2 = TwoProd(s, s);
  const V s_lo = Div(Sub(Sub(w, s2.hi), s2.lo), Add(s, s));
  const V tail = Add(s_lo, Mul(Mul(s, w), poly));
  const V positive = Add(Mul(Set(2.0), s), Mul(Set(2.0), tail));
  const DD2 head2 = TwoSum(Set(PI_HI), Mul(Set(-2.0), s));
  const V negative = Add(head2.hi, Add(head2.lo, Sub(Set(PI_LO), Mul(Set(2.0), tail))));
  const V inner = Select(small, near_zero, Select(_mm_cmpgt_pd(x, _mm_setzero_pd()), positive, negative));
  return Select(_mm_cmpeq_pd(x, Set(1.0)), _mm_setzero_pd(), Select(_mm_cmpeq_pd(x, Set(-1.0)), Set(PI_HI), inner));
}

// ---- sine and cosine -------------------------------------------------------

inline V SinKernel(DD2 r) {
  using namespace portable_math::constants;
  const V x = r.hi;
  const V z = Mul(x, x);
  const V correction = Add(Mul(Mul(x, z), Horner(SIN_POLY, z)), Mul(r.lo, Sub(Set(1.0), Mul(Set(0.5), z))));
  return Add(x, correction);
}

inline V CosKernel(DD2 r) {
  using namespace portable_math::constants;
  const V x = r.hi;
  const DD2 x2 = TwoProd(x, x);
  const V z = x2.hi;
  const V hz = Mul(Set(0.5), z);
  const V w = Sub(Set(1.0), hz);
  const V tail = Add(Sub(Sub(Set(1.0), w), hz),
                     Sub(Mul(Mul(z, z), Horner(COS_POLY, z)), Add(Mul(Set(0.5), x2.lo), Mul(x, r.lo))));
  return Add(w, tail);
}

// Sin and Cos of x for 0 <= x < 2 in both lanes: the reduction multiple k
// is 0 or 1, so the quadrant is 0 or 1.
inline void SinCos(V x, V& sine, V& cosine) {
  using namespace portable_math::constants;
  const V k = _mm_cvtepi32_pd(_mm_cvttpd_epi32(Add(Mul(x, Set(TWO_OVER_PI)), Set(0.5))));
  const V r1 = Sub(x, Mul(k, Set(HALF_PI_1)));
  const DD2 t = TwoSum(r1, Neg(Mul(k, Set(HALF_PI_2))));
  const DD2 u = TwoSum(t.hi, Neg(Mul(k, Set(HALF_PI_3))));
  const V tail = Sub(Add(t.lo, u.lo), Mul(k, Set(HALF_PI_4)));
  const DD2 reduced = TwoSum(u.hi, tail);
  const V near = _mm_cmple_pd(x, Set(QUARTER_PI_HI));
  const DD2 r{Select(near, x, reduced.hi), Select(near, _mm_setzero_pd(), reduced.lo)};
  const V quadrant1 = _mm_andnot_pd(near, _mm_cmpeq_pd(k, Set(1.0)));
  const V s = SinKernel(r);
  const V c = CosKernel(r);
  // Below 2^-26 the sine is its argument.
  sine = Select(_mm_cmplt_pd(x, Set(0x1p-26)), x, Select(quadrant1, c, s));
  cosine = Select(quadrant1, Neg(s), c);
}

// ---- x to the power one third ----------------------------------------------

inline V LogRough(V m, V e) {
  using namespace portable_math::constants;
  const V low = _mm_cmplt_pd(m, Set(0.75));
  const V base0 = Mul(e, Set(LN2));
  const V base = Select(low, Sub(base0, Set(LN2)), base0);
  const V f = Select(low, Sub(Mul(Set(2.0), m), Set(1.0)), Sub(m, Set(1.0)));
  return Add(base, Mul(f, Sub(Set(1.0), Mul(f, Sub(Set(0.5), Mul(f, Set(1.0 / 3.0)))))));
}

// The start of CbrtUnit's iteration on each octave of a = m 2^r.
constexpr double CBRT_START[3][3] = {
    {0.4966, 0.6882, 0.1853}, {0.6257, 0.4336, 0.05836}, {0.7883, 0.2731, 0.01838}};

// CbrtUnit(a) for a in octave r[l] of [0.5, 4) in lane l.
inline DD2 CbrtUnit(V a, const int (&r)[2]) {
  const V c0 = _mm_set_pd(CBRT_START[r[1]][0], CBRT_START[r[0]][0]);
  const V c1 = _mm_set_pd(CBRT_START[r[1]][1], CBRT_START[r[0]][1]);
  const V c2 = _mm_set_pd(CBRT_START[r[1]][2], CBRT_START[r[0]][2]);
  V y = Add(c0, Mul(a, Sub(c1, Mul(a, c2))));
  for (int i = 0; i < 2; ++i) y = Sub(y, Div(Sub(Mul(Mul(y, y), y), a), Mul(Mul(Set(3.0), y), y)));
  const DD2 y3 = MulDD(TwoProd(y, y), DD2{y, _mm_setzero_pd()});
  const V residual = Sub(Sub(a, y3.hi), y3.lo);
  return FastTwoSum(y, Div(residual, Mul(Mul(Set(3.0), y), y)));
}

// PowOneThird for normal finite positive x in both lanes.
inline V PowOneThird(V x) {
  using namespace portable_math::constants;
  // x = m 2^e with m in [0.5, 1) and e = b - 1022 from the biased exponent
  // b (1 to 2046): e = 3q + r with r in {0, 1, 2}, from b + 1 = 3(q + 341)
  // + r; then a = m 2^r, exactly the plain function's m, 2m or 4m.
  const __m128i bits = _mm_castpd_si128(x);
  const __m128i biased = _mm_srli_epi64(bits, 52);
  const auto b0 = static_cast<std::uint32_t>(_mm_cvtsi128_si32(biased));
  const auto b1 = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(biased, biased)));
  const std::uint32_t k0 = (b0 + 1) / 3, k1 = (b1 + 1) / 3;
  const int r[2] = {static_cast<int>(b0 + 1 - 3 * k0), static_cast<int>(b1 + 1 - 3 * k1)};
  const __m128i mantissa = _mm_and_si128(bits, _mm_set1_epi64x(0x000FFFFFFFFFFFFFll));
  const V m = _mm_castsi128_pd(_mm_or_si128(mantissa, _mm_set1_epi64x(static_cast<std::int64_t>(1022) << 52)));
  const V a = _mm_castsi128_pd(_mm_or_si128(
      mantissa, _mm_set_epi64x(static_cast<std::int64_t>(1022 + r[1]) << 52, static_cast<std::int64_t>(1022 + r[0]) << 52)));
  // e as a double: b placed in the low bits of 2^52, less 2^52 and 1022.
  const V two52 = Set(0x1p52);
  const V b = Sub(_mm_castsi128_pd(_mm_or_si128(biased, _mm_castpd_si128(two52))), two52);
  const V e = Sub(b, Set(1022.0));
  const DD2 root = CbrtUnit(a, r);
  const V shrink = Mul(Set(-THIRD_DEFICIT), LogRough(m, e));
  // 2^q with q = k - 341, biased by 1023.
  const V scale = _mm_castsi128_pd(_mm_set_epi64x(static_cast<std::int64_t>(k1 + 682) << 52,
                                                  static_cast<std::int64_t>(k0 + 682) << 52));
  return Mul(Add(root.hi, Add(root.lo, Mul(root.hi, shrink))), scale);
}

// Lanes where x is a normal finite positive double.
inline V NormalPositive(V x) {
  return _mm_and_pd(_mm_cmpge_pd(x, Set(0x1p-1022)), _mm_cmple_pd(x, Set(1.7976931348623157e308)));
}

inline V SignOf(V v) {
  return _mm_or_pd(_mm_and_pd(_mm_cmpgt_pd(v, _mm_setzero_pd()), Set(1.0)),
                   _mm_and_pd(_mm_cmplt_pd(v, _mm_setzero_pd()), Set(-1.0)));
}

// ---- the ellipse -----------------------------------------------------------

// EllipseDistance(px[l], py[l], a, b) for both lanes l into out, for semi-
// axes at least half a pixel apart; false, with out untouched, when a lane
// needs the plain function.
inline bool EllipseDistancePair(const float* px, const float* py, float a, float b, float* out) {
  const V zero = _mm_setzero_pd();
  const V one = Set(1.0);
  V p_x = Abs(_mm_set_pd(static_cast<double>(px[1]), static_cast<double>(px[0])));
  V p_y = Abs(_mm_set_pd(static_cast<double>(py[1]), static_cast<double>(py[0])));
  const V a2 = Set(a), b2 = Set(b);
  const V swap = _mm_cmpgt_pd(p_x, p_y);
  const V ab_x = Select(swap, b2, a2);
  const V ab_y = Select(swap, a2, b2);
  {
    const V t = Select(swap, p_y, p_x);
    p_y = Select(swap, p_x, p_y);
    p_x = t;
  }
  const V l = Sub(Mul(ab_y, ab_y), Mul(ab_x, ab_x));
  const V m = Div(Mul(ab_x, p_x), l);
  const V n = Div(Mul(ab_y, p_y), l);
  const V msq = Mul(m, m);
  const V nsq = Mul(n, n);
  const V c = Div(Sub(Add(msq, nsq), one), Set(3.0));
  const V ccube = Mul(Mul(c, c), c);
  const V q = Add(ccube, Mul(Mul(Set(2.0), msq), nsq));
  const V dd = Add(ccube, Mul(msq, nsq));
  const V g = Add(m, Mul(m, nsq));
  const int below = Mask(_mm_cmplt_pd(dd, zero));
  V co;
  if (below == 3) {
    const V x = Div(q, ccube);
    if (Mask(_mm_cmple_pd(Abs(x), one)) != 3) return false;
    const V h = Div(Acos(x), Set(3.0));
    if (Mask(_mm_and_pd(_mm_cmpge_pd(h, zero), _mm_cmplt_pd(h, Set(2.0)))) != 3) return false;
    V sine, cosine;
    SinCos(h, sine, cosine);
    const V s = cosine;
    const V t = Mul(sine, Set(std::sqrt(3.0)));
    const V rx = _mm_sqrt_pd(Sub(msq, Mul(c, Add(Add(s, t), Set(2.0)))));
    const V ry = _mm_sqrt_pd(Sub(msq, Mul(c, Add(Sub(s, t), Set(2.0)))));
    const V rxy = Mul(rx, ry);
    const V cross = _mm_and_pd(_mm_cmpgt_pd(rxy, Set(1e-12)), Div(Abs(g), rxy));
    co = Div(Sub(Add(Add(ry, Mul(SignOf(l), rx)), cross), m), Set(2.0));
  } else if (below == 0) {
    const V h = Mul(Mul(Mul(Set(2.0), m), n), _mm_sqrt_pd(dd));
    const V plus = Add(q, h);
    const V minus = Sub(q, h);
    const V plus_abs = Abs(plus), minus_abs = Abs(minus);
    if (Mask(_mm_and_pd(NormalPositive(plus_abs), NormalPositive(minus_abs))) != 3) return false;
    const V s = Mul(SignOf(plus), PowOneThird(plus_abs));
    const V u = Mul(SignOf(minus), PowOneThird(minus_abs));
    const V rx = Add(Sub(Sub(Neg(s), u), Mul(Set(4.0), c)), Mul(Set(2.0), msq));
    const V ry = Mul(Sub(s, u), Set(std::sqrt(3.0)));
    const V rm = _mm_max_pd(Set(1e-12), _mm_sqrt_pd(Add(Mul(rx, rx), Mul(ry, ry))));
    co = Div(Sub(Add(Div(ry, _mm_sqrt_pd(_mm_max_pd(Set(1e-12), Sub(rm, rx)))), Div(Mul(Set(2.0), g), rm)), m),
             Set(2.0));
  } else {
    return false;
  }
  co = _mm_max_pd(zero, _mm_min_pd(one, co));
  const V rx = Mul(co, ab_x);
  const V ry = Mul(_mm_sqrt_pd(_mm_max_pd(Sub(one, Mul(co, co)), zero)), ab_y);
  const V dx = Sub(rx, p_x);
  const V dy = Sub(ry, p_y);
  const V dist = _mm_sqrt_pd(Add(Mul(dx, dx), Mul(dy, dy)));
  const V inside = _mm_cmplt_pd(Add(Div(Mul(p_x, p_x), Mul(ab_x, ab_x)), Div(Mul(p_y, p_y), Mul(ab_y, ab_y))), one);
  const __m128 result = _mm_cvtpd_ps(Select(inside, dist, Neg(dist)));
  // A point on the curve gives +0, never -0.
  const __m128 nonzero = _mm_cmpneq_ps(result, _mm_setzero_ps());
  const __m128 r = _mm_and_ps(nonzero, result);
  out[0] = _mm_cvtss_f32(r);
  out[1] = _mm_cvtss_f32(_mm_shuffle_ps(r, r, 1));
  return true;
}

}  // namespace ellipse_lanes

#endif
