// The general ellipse's distance at two or four points at once, one in each
// double lane of one or two SSE2 registers, with PowOneThird, Acos, Cos and
// Sin in lane form. Every lane goes through the very operations, in the
// same order, of EllipseDistance and of the portable functions it calls, so
// each result has the bits of the plain call. Branches of the plain code
// become lane selects where both sides are cheap; the rare arguments whose
// plain path takes a special case (a cube root of zero or a subnormal, an
// arccosine beyond +-1) and points whose cubics fall on different sides of
// their discriminant make the lane forms decline, and the caller takes the
// plain function for those points. Two registers side by side give the
// processor two independent chains of the long divisions and roots.
#pragma once

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#define PRISMORA_ELLIPSE_LANES 1
#include <emmintrin.h>

#include <cmath>
#include <cstdint>

#include "render/portable_math_constants.h"

// The helpers below take and return pairs of registers, which the calling
// convention would pass through memory: they are always inlined.
#if defined(_MSC_VER) && !defined(__clang__)
#define PRISMORA_LANES_INLINE __forceinline
#else
#define PRISMORA_LANES_INLINE inline __attribute__((always_inline))
#endif

namespace ellipse_lanes {

// K registers of two double lanes each.
template <int K>
struct Pack {
  __m128d v[K];
};

#define PRISMORA_LANE_BINARY(NAME, INTRINSIC)                       \
  template <int K>                                                  \
  PRISMORA_LANES_INLINE Pack<K> NAME(Pack<K> a, Pack<K> b) {        \
    Pack<K> r;                                                      \
    for (int i = 0; i < K; ++i) r.v[i] = INTRINSIC(a.v[i], b.v[i]); \
    return r;                                                       \
  }
PRISMORA_LANE_BINARY(Add, _mm_add_pd)
PRISMORA_LANE_BINARY(Sub, _mm_sub_pd)
PRISMORA_LANE_BINARY(Mul, _mm_mul_pd)
PRISMORA_LANE_BINARY(Div, _mm_div_pd)
// Max(a, b) = a > b ? a : b and Min(a, b) = a < b ? a : b, lane by lane.
PRISMORA_LANE_BINARY(Max, _mm_max_pd)
PRISMORA_LANE_BINARY(Min, _mm_min_pd)
PRISMORA_LANE_BINARY(And, _mm_and_pd)
PRISMORA_LANE_BINARY(AndNot, _mm_andnot_pd)
PRISMORA_LANE_BINARY(Or, _mm_or_pd)
PRISMORA_LANE_BINARY(Lt, _mm_cmplt_pd)
PRISMORA_LANE_BINARY(Le, _mm_cmple_pd)
PRISMORA_LANE_BINARY(Gt, _mm_cmpgt_pd)
PRISMORA_LANE_BINARY(Ge, _mm_cmpge_pd)
PRISMORA_LANE_BINARY(Eq, _mm_cmpeq_pd)
#undef PRISMORA_LANE_BINARY

template <int K>
PRISMORA_LANES_INLINE Pack<K> Set(double v) {
  Pack<K> r;
  for (int i = 0; i < K; ++i) r.v[i] = _mm_set1_pd(v);
  return r;
}

template <int K>
PRISMORA_LANES_INLINE Pack<K> Sqrt(Pack<K> a) {
  Pack<K> r;
  for (int i = 0; i < K; ++i) r.v[i] = _mm_sqrt_pd(a.v[i]);
  return r;
}

template <int K>
PRISMORA_LANES_INLINE Pack<K> Neg(Pack<K> a) {
  Pack<K> r;
  for (int i = 0; i < K; ++i) r.v[i] = _mm_xor_pd(a.v[i], _mm_set1_pd(-0.0));
  return r;
}

template <int K>
PRISMORA_LANES_INLINE Pack<K> Abs(Pack<K> a) {
  return AndNot(Set<K>(-0.0), a);
}

// mask ? a : b, the mask all ones or all zeros in each lane.
template <int K>
PRISMORA_LANES_INLINE Pack<K> Select(Pack<K> mask, Pack<K> a, Pack<K> b) {
  return Or(And(mask, a), AndNot(mask, b));
}

// True when the mask is set in every lane.
template <int K>
PRISMORA_LANES_INLINE bool All(Pack<K> m) {
  for (int i = 0; i < K; ++i) {
    if (_mm_movemask_pd(m.v[i]) != 3) return false;
  }
  return true;
}

template <int K>
PRISMORA_LANES_INLINE bool None(Pack<K> m) {
  for (int i = 0; i < K; ++i) {
    if (_mm_movemask_pd(m.v[i]) != 0) return false;
  }
  return true;
}

template <int K>
struct DD {
  Pack<K> hi;
  Pack<K> lo;
};

template <int K>
PRISMORA_LANES_INLINE DD<K> TwoSum(Pack<K> a, Pack<K> b) {
  const Pack<K> s = Add(a, b);
  const Pack<K> bb = Sub(s, a);
  return {s, Add(Sub(a, Sub(s, bb)), Sub(b, bb))};
}

template <int K>
PRISMORA_LANES_INLINE DD<K> FastTwoSum(Pack<K> a, Pack<K> b) {
  const Pack<K> s = Add(a, b);
  return {s, Sub(b, Sub(s, a))};
}

template <int K>
PRISMORA_LANES_INLINE void Split(Pack<K> a, Pack<K>& hi, Pack<K>& lo) {
  const Pack<K> c = Mul(Set<K>(134217729.0), a);
  hi = Sub(c, Sub(c, a));
  lo = Sub(a, hi);
}

template <int K>
PRISMORA_LANES_INLINE DD<K> TwoProd(Pack<K> a, Pack<K> b) {
  const Pack<K> p = Mul(a, b);
  Pack<K> ah, al, bh, bl;
  Split(a, ah, al);
  Split(b, bh, bl);
  return {p, Add(Add(Add(Sub(Mul(ah, bh), p), Mul(ah, bl)), Mul(al, bh)), Mul(al, bl))};
}

template <int K>
PRISMORA_LANES_INLINE DD<K> MulDD(DD<K> a, DD<K> b) {
  DD<K> p = TwoProd(a.hi, b.hi);
  p.lo = Add(p.lo, Add(Mul(a.hi, b.lo), Mul(a.lo, b.hi)));
  return FastTwoSum(p.hi, p.lo);
}

template <int K, int N>
PRISMORA_LANES_INLINE Pack<K> Horner(const double (&c)[N], Pack<K> z) {
  Pack<K> p = Set<K>(c[N - 1]);
  for (int i = N - 2; i >= 0; --i) p = Add(Set<K>(c[i]), Mul(z, p));
  return p;
}

// ---- arccosine -------------------------------------------------------------

// Acos for |x| <= 1 in every lane (not NaN): both of the plain function's
// branches share the polynomial, on x^2 or on (1 - |x|) / 2.
template <int K>
PRISMORA_LANES_INLINE Pack<K> Acos(Pack<K> x) {
  using namespace portable_math::constants;
  const Pack<K> zero = Set<K>(0.0);
  const Pack<K> ax = Abs(x);
  const Pack<K> small = Le(ax, Set<K>(0.5));
  const Pack<K> z = Mul(x, x);
  const Pack<K> w = Mul(Sub(Set<K>(1.0), ax), Set<K>(0.5));
  const Pack<K> poly = Horner(ASIN_POLY, Select(small, z, w));
  const DD<K> head = TwoSum(Set<K>(HALF_PI_HI), Neg(x));
  const Pack<K> near_zero = Add(head.hi, Add(head.lo, Sub(Set<K>(HALF_PI_LO), Mul(Mul(x, z), poly))));
  const Pack<K> s = Sqrt(w);
  const DD<K> s2 = TwoProd(s, s);
  const Pack<K> s_lo = Div(Sub(Sub(w, s2.hi), s2.lo), Add(s, s));
  const Pack<K> tail = Add(s_lo, Mul(Mul(s, w), poly));
  const Pack<K> positive = Add(Mul(Set<K>(2.0), s), Mul(Set<K>(2.0), tail));
  const DD<K> head2 = TwoSum(Set<K>(PI_HI), Mul(Set<K>(-2.0), s));
  const Pack<K> negative = Add(head2.hi, Add(head2.lo, Sub(Set<K>(PI_LO), Mul(Set<K>(2.0), tail))));
  const Pack<K> inner = Select(small, near_zero, Select(Gt(x, zero), positive, negative));
  return Select(Eq(x, Set<K>(1.0)), zero, Select(Eq(x, Set<K>(-1.0)), Set<K>(PI_HI), inner));
}

// ---- sine and cosine -------------------------------------------------------

template <int K>
PRISMORA_LANES_INLINE Pack<K> SinKernel(DD<K> r) {
  using namespace portable_math::constants;
  const Pack<K> x = r.hi;
  const Pack<K> z = Mul(x, x);
  const Pack<K> correction = Add(Mul(Mul(x, z), Horner(SIN_POLY, z)), Mul(r.lo, Sub(Set<K>(1.0), Mul(Set<K>(0.5), z))));
  return Add(x, correction);
}

template <int K>
PRISMORA_LANES_INLINE Pack<K> CosKernel(DD<K> r) {
  using namespace portable_math::constants;
  const Pack<K> x = r.hi;
  const DD<K> x2 = TwoProd(x, x);
  const Pack<K> z = x2.hi;
  const Pack<K> hz = Mul(Set<K>(0.5), z);
  const Pack<K> w = Sub(Set<K>(1.0), hz);
  const Pack<K> tail = Add(Sub(Sub(Set<K>(1.0), w), hz),
                           Sub(Mul(Mul(z, z), Horner(COS_POLY, z)), Add(Mul(Set<K>(0.5), x2.lo), Mul(x, r.lo))));
  return Add(w, tail);
}

// Sin and Cos of x for 0 <= x < 2 in every lane: the reduction multiple k
// is 0 or 1, so the quadrant is 0 or 1.
template <int K>
PRISMORA_LANES_INLINE void SinCos(Pack<K> x, Pack<K>& sine, Pack<K>& cosine) {
  using namespace portable_math::constants;
  Pack<K> k;
  const Pack<K> scaled = Add(Mul(x, Set<K>(TWO_OVER_PI)), Set<K>(0.5));
  for (int i = 0; i < K; ++i) k.v[i] = _mm_cvtepi32_pd(_mm_cvttpd_epi32(scaled.v[i]));
  const Pack<K> r1 = Sub(x, Mul(k, Set<K>(HALF_PI_1)));
  const DD<K> t = TwoSum(r1, Neg(Mul(k, Set<K>(HALF_PI_2))));
  const DD<K> u = TwoSum(t.hi, Neg(Mul(k, Set<K>(HALF_PI_3))));
  const Pack<K> tail = Sub(Add(t.lo, u.lo), Mul(k, Set<K>(HALF_PI_4)));
  const DD<K> reduced = TwoSum(u.hi, tail);
  const Pack<K> near = Le(x, Set<K>(QUARTER_PI_HI));
  const DD<K> r{Select(near, x, reduced.hi), Select(near, Set<K>(0.0), reduced.lo)};
  const Pack<K> quadrant1 = AndNot(near, Eq(k, Set<K>(1.0)));
  const Pack<K> s = SinKernel(r);
  const Pack<K> c = CosKernel(r);
  // Below 2^-26 the sine is its argument.
  sine = Select(Lt(x, Set<K>(0x1p-26)), x, Select(quadrant1, c, s));
  cosine = Select(quadrant1, Neg(s), c);
}

// ---- x to the power one third ----------------------------------------------

template <int K>
PRISMORA_LANES_INLINE Pack<K> LogRough(Pack<K> m, Pack<K> e) {
  using namespace portable_math::constants;
  const Pack<K> low = Lt(m, Set<K>(0.75));
  const Pack<K> base0 = Mul(e, Set<K>(LN2));
  const Pack<K> base = Select(low, Sub(base0, Set<K>(LN2)), base0);
  const Pack<K> f = Select(low, Sub(Mul(Set<K>(2.0), m), Set<K>(1.0)), Sub(m, Set<K>(1.0)));
  return Add(base, Mul(f, Sub(Set<K>(1.0), Mul(f, Sub(Set<K>(0.5), Mul(f, Set<K>(1.0 / 3.0)))))));
}

// The start of CbrtUnit's iteration on each octave of a = m 2^r.
constexpr double CBRT_START[3][3] = {{0.4966, 0.6882, 0.1853}, {0.6257, 0.4336, 0.05836}, {0.7883, 0.2731, 0.01838}};

// CbrtUnit(a) from the start coefficients of each lane's octave.
template <int K>
PRISMORA_LANES_INLINE DD<K> CbrtUnit(Pack<K> a, Pack<K> c0, Pack<K> c1, Pack<K> c2) {
  Pack<K> y = Add(c0, Mul(a, Sub(c1, Mul(a, c2))));
  for (int i = 0; i < 2; ++i) y = Sub(y, Div(Sub(Mul(Mul(y, y), y), a), Mul(Mul(Set<K>(3.0), y), y)));
  const DD<K> y3 = MulDD(TwoProd(y, y), DD<K>{y, Set<K>(0.0)});
  const Pack<K> residual = Sub(Sub(a, y3.hi), y3.lo);
  return FastTwoSum(y, Div(residual, Mul(Mul(Set<K>(3.0), y), y)));
}

// PowOneThird for normal finite positive x in every lane.
template <int K>
PRISMORA_LANES_INLINE Pack<K> PowOneThird(Pack<K> x) {
  using namespace portable_math::constants;
  // x = m 2^e with m in [0.5, 1) and e = b - 1022 from the biased exponent
  // b (1 to 2046): e = 3q + r with r in {0, 1, 2}, from b + 1 = 3(q + 341)
  // + r; then a = m 2^r, exactly the plain function's m, 2m or 4m.
  Pack<K> m, a, e, scale, c0, c1, c2;
  for (int i = 0; i < K; ++i) {
    const __m128i bits = _mm_castpd_si128(x.v[i]);
    const __m128i biased = _mm_srli_epi64(bits, 52);
    const auto b0 = static_cast<std::uint32_t>(_mm_cvtsi128_si32(biased));
    const auto b1 = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(biased, biased)));
    const std::uint32_t k0 = (b0 + 1) / 3, k1 = (b1 + 1) / 3;
    const std::uint32_t r0 = b0 + 1 - 3 * k0, r1 = b1 + 1 - 3 * k1;
    const __m128i mantissa = _mm_and_si128(bits, _mm_set1_epi64x(0x000FFFFFFFFFFFFFll));
    m.v[i] = _mm_castsi128_pd(_mm_or_si128(mantissa, _mm_set1_epi64x(static_cast<std::int64_t>(1022) << 52)));
    a.v[i] = _mm_castsi128_pd(_mm_or_si128(mantissa, _mm_set_epi64x(static_cast<std::int64_t>(1022 + r1) << 52,
                                                                    static_cast<std::int64_t>(1022 + r0) << 52)));
    // e as a double: b placed in the low bits of 2^52, less 2^52 and 1022.
    const __m128d two52 = _mm_set1_pd(0x1p52);
    const __m128d b = _mm_sub_pd(_mm_castsi128_pd(_mm_or_si128(biased, _mm_castpd_si128(two52))), two52);
    e.v[i] = _mm_sub_pd(b, _mm_set1_pd(1022.0));
    // 2^q with q = k - 341, biased by 1023.
    scale.v[i] = _mm_castsi128_pd(
        _mm_set_epi64x(static_cast<std::int64_t>(k1 + 682) << 52, static_cast<std::int64_t>(k0 + 682) << 52));
    c0.v[i] = _mm_set_pd(CBRT_START[r1][0], CBRT_START[r0][0]);
    c1.v[i] = _mm_set_pd(CBRT_START[r1][1], CBRT_START[r0][1]);
    c2.v[i] = _mm_set_pd(CBRT_START[r1][2], CBRT_START[r0][2]);
  }
  const DD<K> root = CbrtUnit(a, c0, c1, c2);
  const Pack<K> shrink = Mul(Set<K>(-THIRD_DEFICIT), LogRough(m, e));
  return Mul(Add(root.hi, Add(root.lo, Mul(root.hi, shrink))), scale);
}

// Lanes where x is a normal finite positive double.
template <int K>
PRISMORA_LANES_INLINE Pack<K> NormalPositive(Pack<K> x) {
  return And(Ge(x, Set<K>(0x1p-1022)), Le(x, Set<K>(1.7976931348623157e308)));
}

template <int K>
PRISMORA_LANES_INLINE Pack<K> SignOf(Pack<K> v) {
  const Pack<K> zero = Set<K>(0.0);
  return Or(And(Gt(v, zero), Set<K>(1.0)), And(Lt(v, zero), Set<K>(-1.0)));
}

// ---- the ellipse -----------------------------------------------------------

// EllipseDistance(px[l], py[l], a, b) for the 2K points l into out, for
// semi-axes at least half a pixel apart; false, with out untouched, when a
// lane needs the plain function.
template <int K>
inline bool EllipseDistanceLanes(const float* px, const float* py, float a, float b, float* out) {
  const Pack<K> zero = Set<K>(0.0);
  const Pack<K> one = Set<K>(1.0);
  Pack<K> p_x, p_y;
  for (int i = 0; i < K; ++i) {
    p_x.v[i] = _mm_set_pd(static_cast<double>(px[2 * i + 1]), static_cast<double>(px[2 * i]));
    p_y.v[i] = _mm_set_pd(static_cast<double>(py[2 * i + 1]), static_cast<double>(py[2 * i]));
  }
  p_x = Abs(p_x);
  p_y = Abs(p_y);
  const Pack<K> a2 = Set<K>(a), b2 = Set<K>(b);
  const Pack<K> swap = Gt(p_x, p_y);
  const Pack<K> ab_x = Select(swap, b2, a2);
  const Pack<K> ab_y = Select(swap, a2, b2);
  {
    const Pack<K> t = Select(swap, p_y, p_x);
    p_y = Select(swap, p_x, p_y);
    p_x = t;
  }
  const Pack<K> l = Sub(Mul(ab_y, ab_y), Mul(ab_x, ab_x));
  const Pack<K> m = Div(Mul(ab_x, p_x), l);
  const Pack<K> n = Div(Mul(ab_y, p_y), l);
  const Pack<K> msq = Mul(m, m);
  const Pack<K> nsq = Mul(n, n);
  const Pack<K> c = Div(Sub(Add(msq, nsq), one), Set<K>(3.0));
  const Pack<K> ccube = Mul(Mul(c, c), c);
  const Pack<K> q = Add(ccube, Mul(Mul(Set<K>(2.0), msq), nsq));
  const Pack<K> dd = Add(ccube, Mul(msq, nsq));
  const Pack<K> g = Add(m, Mul(m, nsq));
  const Pack<K> below = Lt(dd, zero);
  const Pack<K> root3 = Set<K>(std::sqrt(3.0));
  Pack<K> co;
  if (All(below)) {
    const Pack<K> x = Div(q, ccube);
    if (!All(Le(Abs(x), one))) return false;
    const Pack<K> h = Div(Acos(x), Set<K>(3.0));
    if (!All(And(Ge(h, zero), Lt(h, Set<K>(2.0))))) return false;
    Pack<K> sine, cosine;
    SinCos(h, sine, cosine);
    const Pack<K> s = cosine;
    const Pack<K> t = Mul(sine, root3);
    const Pack<K> rx = Sqrt(Sub(msq, Mul(c, Add(Add(s, t), Set<K>(2.0)))));
    const Pack<K> ry = Sqrt(Sub(msq, Mul(c, Add(Sub(s, t), Set<K>(2.0)))));
    const Pack<K> rxy = Mul(rx, ry);
    const Pack<K> cross = And(Gt(rxy, Set<K>(1e-12)), Div(Abs(g), rxy));
    co = Div(Sub(Add(Add(ry, Mul(SignOf(l), rx)), cross), m), Set<K>(2.0));
  } else if (None(below)) {
    const Pack<K> h = Mul(Mul(Mul(Set<K>(2.0), m), n), Sqrt(dd));
    const Pack<K> plus = Add(q, h);
    const Pack<K> minus = Sub(q, h);
    const Pack<K> plus_abs = Abs(plus), minus_abs = Abs(minus);
    if (!All(And(NormalPositive(plus_abs), NormalPositive(minus_abs)))) return false;
    const Pack<K> s = Mul(SignOf(plus), PowOneThird(plus_abs));
    const Pack<K> u = Mul(SignOf(minus), PowOneThird(minus_abs));
    const Pack<K> rx = Add(Sub(Sub(Neg(s), u), Mul(Set<K>(4.0), c)), Mul(Set<K>(2.0), msq));
    const Pack<K> ry = Mul(Sub(s, u), root3);
    const Pack<K> rm = Max(Set<K>(1e-12), Sqrt(Add(Mul(rx, rx), Mul(ry, ry))));
    co = Div(Sub(Add(Div(ry, Sqrt(Max(Set<K>(1e-12), Sub(rm, rx)))), Div(Mul(Set<K>(2.0), g), rm)), m), Set<K>(2.0));
  } else {
    return false;
  }
  // std::clamp(co, 0, 1), NaN kept.
  co = Max(zero, Min(one, co));
  const Pack<K> rx = Mul(co, ab_x);
  const Pack<K> ry = Mul(Sqrt(Max(Sub(one, Mul(co, co)), zero)), ab_y);
  const Pack<K> dx = Sub(rx, p_x);
  const Pack<K> dy = Sub(ry, p_y);
  const Pack<K> dist = Sqrt(Add(Mul(dx, dx), Mul(dy, dy)));
  const Pack<K> inside = Lt(Add(Div(Mul(p_x, p_x), Mul(ab_x, ab_x)), Div(Mul(p_y, p_y), Mul(ab_y, ab_y))), one);
  const Pack<K> signed_dist = Select(inside, dist, Neg(dist));
  for (int i = 0; i < K; ++i) {
    const __m128 result = _mm_cvtpd_ps(signed_dist.v[i]);
    // A point on the curve gives +0, never -0.
    const __m128 r = _mm_and_ps(_mm_cmpneq_ps(result, _mm_setzero_ps()), result);
    out[2 * i] = _mm_cvtss_f32(r);
    out[2 * i + 1] = _mm_cvtss_f32(_mm_shuffle_ps(r, r, 1));
  }
  return true;
}

// Two points in one register.
inline bool EllipseDistancePair(const float* px, const float* py, float a, float b, float* out) {
  return EllipseDistanceLanes<1>(px, py, a, b, out);
}

// Four points in two registers side by side.
inline bool EllipseDistanceQuad(const float* px, const float* py, float a, float b, float* out) {
  return EllipseDistanceLanes<2>(px, py, a, b, out);
}

}  // namespace ellipse_lanes

#endif
