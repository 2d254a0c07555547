// Elementary functions from plain IEEE double operations.
//
// Intermediate values that need more than 53 bits are carried as unevaluated
// sums of two doubles (head + tail): exact sums and products come from the
// classic error-free transformations (Knuth's two-sum, Dekker's splitting
// product), which need round-to-nearest double arithmetic without fused
// multiply-add or extended precision; the build forbids contraction and
// FLT_EVAL_METHOD pins the evaluation format.
//
// Trigonometric arguments are reduced modulo pi/2: small ones by subtracting
// a multiple of pi/2 held in four pieces (Cody and Waite), huge ones by
// multiplying the argument's integer significand with the bits of 2/pi that
// matter for it, in integer arithmetic (Payne and Hanek).
#include "render/portable_math.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "render/portable_math_constants.h"

static_assert(FLT_EVAL_METHOD == 0, "double expressions must be evaluated in double");
static_assert(std::numeric_limits<double>::is_iec559, "IEEE doubles are required");

namespace portable_math {

namespace {

using namespace constants;

struct DD {
  double hi;
  double lo;
};

DD TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// |a| >= |b| (or a == 0).
DD FastTwoSum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

void Split(double a, double& hi, double& lo) {
  const double c = 134217729.0 * a;  // 2^27 + 1
  hi = c - (c - a);
  lo = a - hi;
}

// Exact while neither the product nor the split overflows or underflows.
DD TwoProd(double a, double b) {
  const double p = a * b;
  double ah, al, bh, bl;
  Split(a, ah, al);
  Split(b, bh, bl);
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

DD Add(DD a, DD b) {
  DD s = TwoSum(a.hi, b.hi);
  const DD t = TwoSum(a.lo, b.lo);
  s.lo += t.hi;
  s = FastTwoSum(s.hi, s.lo);
  s.lo += t.lo;
  return FastTwoSum(s.hi, s.lo);
}

DD Neg(DD a) { return {-a.hi, -a.lo}; }

DD Mul(DD a, DD b) {
  DD p = TwoProd(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return FastTwoSum(p.hi, p.lo);
}

DD Div(DD a, DD b) {
  const double q = a.hi / b.hi;
  const DD p = TwoProd(q, b.hi);
  const double r = (((a.hi - p.hi) - p.lo) + a.lo) - q * b.lo;
  return FastTwoSum(q, r / b.hi);
}

DD Sqrt(DD a) {
  const double s = std::sqrt(a.hi);
  const DD p = TwoProd(s, s);
  return FastTwoSum(s, (((a.hi - p.hi) - p.lo) + a.lo) / (s + s));
}

constexpr DD PI_DD{PI_HI, PI_LO};
constexpr DD HALF_PI_DD{HALF_PI_HI, HALF_PI_LO};

template <int N>
double Horner(const double (&c)[N], double z) {
  double p = c[N - 1];
  for (int i = N - 2; i >= 0; --i) p = c[i] + z * p;
  return p;
}

double QuietNaN() { return std::numeric_limits<double>::quiet_NaN(); }

// ---- reduction modulo pi/2 ---------------------------------------------

// x = quadrant × pi/2 + r (modulo 2 pi), |r| a little over pi/4 at most.
struct Reduced {
  int quadrant;  // 0 to 3
  DD r;
};

// Arguments below this take the four-piece subtraction: k < 2^20 keeps
// every k × HALF_PI_n (33-bit pieces) exact.
constexpr double CODY_WAITE_LIMIT = 1.5e6;

// Bits [from, from + count) of the little-endian 32-bit limbs, count <= 64.
std::uint64_t Bits(const std::uint32_t* limbs, int limb_count, int from, int count) {
  std::uint64_t v = 0;
  for (int i = count - 1; i >= 0; --i) {
    const int bit = from + i;
    std::uint64_t b = 0;
    if (bit >= 0 && bit < limb_count * 32) b = (limbs[bit / 32] >> (bit % 32)) & 1u;
    v = (v << 1) | b;
  }
  return v;
}

Reduced ReduceHuge(double x) {
  int e = 0;
  const double m = std::frexp(std::fabs(x), &e);
  const auto significand = static_cast<std::uint64_t>(std::ldexp(m, 53));
  const int exponent = e - 53;  // |x| = significand × 2^exponent
  // Words of 2/pi before j0 contribute multiples of 4 quadrants; eight words
  // from j0 leave at least 222 bits after the binary point.
  const int j0 = exponent >= 2 ? (exponent - 2) / 32 : 0;
  constexpr int WINDOW = 8;
  std::uint32_t product[WINDOW + 2] = {};
  const std::uint32_t m_limbs[2] = {static_cast<std::uint32_t>(significand & 0xFFFFFFFFu),
                                    static_cast<std::uint32_t>(significand >> 32)};
  for (int a = 0; a < 2; ++a) {
    std::uint64_t carry = 0;
    for (int w = 0; w < WINDOW; ++w) {
      // Limb w of the window, little-endian: word j0 + WINDOW - 1 - w.
      const std::uint64_t word = TWO_OVER_PI_WORDS[j0 + WINDOW - 1 - w];
      const std::uint64_t t = static_cast<std::uint64_t>(m_limbs[a]) * word + product[a + w] + carry;
      product[a + w] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    for (int k = a + WINDOW; carry != 0 && k < WINDOW + 2; ++k) {
      const std::uint64_t t = static_cast<std::uint64_t>(product[k]) + carry;
      product[k] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
  }
  // |x| × 2/pi = product × 2^-s, modulo 4.
  const int s = 32 * (j0 + WINDOW) - exponent;
  int quadrant = static_cast<int>(Bits(product, WINDOW + 2, s, 2));
  std::uint64_t f[3] = {Bits(product, WINDOW + 2, s - 64, 64), Bits(product, WINDOW + 2, s - 128, 64),
                        Bits(product, WINDOW + 2, s - 192, 64)};
  double sign = 1.0;
  if ((f[0] >> 63) != 0) {
    // Fraction at least one half: take the next quadrant and the fraction
    // minus one, negated as a 192-bit number.
    quadrant = (quadrant + 1) & 3;
    sign = -1.0;
    f[0] = ~f[0];
    f[1] = ~f[1];
    f[2] = ~f[2];
    if (++f[2] == 0 && ++f[1] == 0) ++f[0];
  }
  DD frac{0.0, 0.0};
  for (int i = 0; i < 6; ++i) {
    const std::uint64_t word = f[i / 2];
    const std::uint32_t piece = static_cast<std::uint32_t>(i % 2 == 0 ? word >> 32 : word);
    frac = Add(frac, DD{std::ldexp(static_cast<double>(piece), -32 * (i + 1)), 0.0});
  }
  DD r = Mul(frac, HALF_PI_DD);
  r = {sign * r.hi, sign * r.lo};
  if (x < 0.0) {
    r = Neg(r);
    quadrant = (4 - quadrant) & 3;
  }
  return {quadrant, r};
}

// x finite.
Reduced Reduce(double x) {
  const double ax = std::fabs(x);
  if (ax <= QUARTER_PI_HI) return {0, {x, 0.0}};
  if (ax >= CODY_WAITE_LIMIT) return ReduceHuge(x);
  const double k = std::floor(x * TWO_OVER_PI + 0.5);
  const double r1 = x - k * HALF_PI_1;  // exact: k × HALF_PI_1 is, and lies within a factor 2 of x
  const DD t = TwoSum(r1, -(k * HALF_PI_2));
  const DD u = TwoSum(t.hi, -(k * HALF_PI_3));
  const double tail = (t.lo + u.lo) - k * HALF_PI_4;
  const auto quadrant = static_cast<int>(static_cast<std::int64_t>(k) & 3);
  return {quadrant, TwoSum(u.hi, tail)};
}

// sin(r.hi + r.lo), |r| <= about pi/4.
double SinKernel(DD r) {
  const double x = r.hi;
  const double z = x * x;
  const double correction = x * z * Horner(SIN_POLY, z) + r.lo * (1.0 - 0.5 * z);
  return x + correction;
}

// cos(r.hi + r.lo), |r| <= about pi/4. 1 - x^2/2 is formed from the exact
// square, and the rounding of its difference is carried into the tail.
double CosKernel(DD r) {
  const double x = r.hi;
  const DD x2 = TwoProd(x, x);
  const double z = x2.hi;
  const double hz = 0.5 * z;
  const double w = 1.0 - hz;
  const double tail = ((1.0 - w) - hz) + (z * z * Horner(COS_POLY, z) - (0.5 * x2.lo + x * r.lo));
  return w + tail;
}

// The same in plain double for the float functions, whose results need
// far fewer bits than a double carries.
double SinPlain(double x) {
  const double z = x * x;
  return x + x * z * Horner(SIN_POLY, z);
}

double CosPlain(double x) {
  const double z = x * x;
  return 1.0 - (0.5 * z - z * z * Horner(COS_POLY, z));
}

double SinOfReduced(const Reduced& v) {
  switch (v.quadrant) {
    case 0: return SinKernel(v.r);
    case 1: return CosKernel(v.r);
    case 2: return -SinKernel(v.r);
    default: return -CosKernel(v.r);
  }
}

double CosOfReduced(const Reduced& v) {
  switch (v.quadrant) {
    case 0: return CosKernel(v.r);
    case 1: return -SinKernel(v.r);
    case 2: return -CosKernel(v.r);
    default: return SinKernel(v.r);
  }
}

// ---- arctangent ----------------------------------------------------------

// atan(z) for 0 <= z <= 1 (a head and a tail): atan(c) from the table at the
// nearest c = i/16, plus atan((z - c) / (1 + z c)) from its series.
DD AtanUnit(DD z) {
  const int i = static_cast<int>(z.hi * 16.0 + 0.5);
  const double c = static_cast<double>(i) * 0.0625;
  const DD num = TwoSum(z.hi - c, z.lo);  // z.hi - c is exact: z.hi within [c/2, 2c]
  DD zc = TwoProd(z.hi, c);
  zc.lo += z.lo * c;
  const DD t = Div(num, Add(DD{1.0, 0.0}, zc));
  const double t2 = t.hi * t.hi;
  const DD series = FastTwoSum(t.hi, t.lo + t.hi * t2 * Horner(ATAN_POLY, t2));
  return Add(DD{ATAN_TABLE[i][0], ATAN_TABLE[i][1]}, series);
}

// The same in plain double, for the float functions.
double AtanUnitPlain(double z) {
  const int i = static_cast<int>(z * 16.0 + 0.5);
  const double c = static_cast<double>(i) * 0.0625;
  const double t = (z - c) / (1.0 + z * c);
  const double t2 = t * t;
  return ATAN_TABLE[i][0] + (ATAN_TABLE[i][1] + (t + t * t2 * Horner(ATAN_POLY, t2)));
}

// The results of atan2 that involve a zero or an infinity; false when both
// arguments are finite and non-zero (or one is NaN, which the caller takes
// first).
bool Atan2Special(double y, double x, double& out) {
  const bool x_negative = std::signbit(x);
  if (y == 0.0) {
    out = x_negative ? std::copysign(PI_HI, y) : std::copysign(0.0, y);
    return true;
  }
  if (x == 0.0) {
    out = std::copysign(HALF_PI_HI, y);
    return true;
  }
  if (std::isinf(x)) {
    if (std::isinf(y)) {
      out = std::copysign(x_negative ? THREE_QUARTER_PI_HI : QUARTER_PI_HI, y);
    } else {
      out = x_negative ? std::copysign(PI_HI, y) : std::copysign(0.0, y);
    }
    return true;
  }
  if (std::isinf(y)) {
    out = std::copysign(HALF_PI_HI, y);
    return true;
  }
  return false;
}

// ---- logarithm -----------------------------------------------------------

// log(x) for finite x > 0, within a few units of double rounding: enough
// for a float result and for the small exponent correction of PowOneThird.
double LogPlain(double x) {
  int e = 0;
  double m = std::frexp(x, &e);
  if (m < 0.70710678118654752) {
    m *= 2.0;
    e -= 1;
  }
  const double f = m - 1.0;
  const double s = f / (2.0 + f);
  const double z = s * s;
  const double ed = static_cast<double>(e);
  return ed * LN2_1 + (2.0 * s + (s * z * Horner(LOG_POLY, z) + ed * LN2_2));
}

// log(m 2^e) for m in [0.5, 1) within 0.02: three terms of log(1 + f)
// about the nearer of 1/2 and 1. Only PowOneThird's correction takes it,
// where that error moves the result by under a thousandth of a unit.
double LogRough(double m, int e) {
  double base = static_cast<double>(e) * LN2;
  double f = m - 1.0;
  if (m < 0.75) {
    base -= LN2;
    f = 2.0 * m - 1.0;
  }
  return base + f * (1.0 - f * (0.5 - f * (1.0 / 3.0)));
}

// ---- cube root -------------------------------------------------------------

// cbrt(a) for a in [0.5, 4), as a head and a tail.
DD CbrtUnit(double a) {
  // A start within 0.1% from a quadratic fitted on each octave, two steps
  // of Newton's iteration in double (1e-6, then 1e-12), then one step on
  // the exact residual (1e-24).
  double y;
  if (a < 1.0) {
    y = 0.4966 + a * (0.6882 - a * 0.1853);
  } else if (a < 2.0) {
    y = 0.6257 + a * (0.4336 - a * 0.05836);
  } else {
    y = 0.7883 + a * (0.2731 - a * 0.01838);
  }
  for (int i = 0; i < 2; ++i) y = y - (y * y * y - a) / (3.0 * y * y);
  const DD y3 = Mul(TwoProd(y, y), DD{y, 0.0});
  const double residual = ((a - y3.hi) - y3.lo);
  return FastTwoSum(y, residual / (3.0 * y * y));
}

}  // namespace

double Sin(double x) {
  if (!std::isfinite(x)) return x - x;
  if (std::fabs(x) < 0x1p-26) return x;  // x^3/6 is below half a unit of x
  return SinOfReduced(Reduce(x));
}

double Cos(double x) {
  if (!std::isfinite(x)) return x - x;
  return CosOfReduced(Reduce(x));
}

float Sin(float xf) {
  const double x = xf;
  const double ax = std::fabs(x);
  // Within a quarter turn the reduction leaves x as it is (x + 0 is x for
  // any x that is not zero), so the kernel takes it directly.
  if (ax <= QUARTER_PI_HI) return ax < 0x1p-26 ? xf : static_cast<float>(SinPlain(x));
  if (!std::isfinite(x)) return static_cast<float>(x - x);
  const Reduced v = Reduce(x);
  const double r = v.r.hi + v.r.lo;
  switch (v.quadrant) {
    case 0: return static_cast<float>(SinPlain(r));
    case 1: return static_cast<float>(CosPlain(r));
    case 2: return static_cast<float>(-SinPlain(r));
    default: return static_cast<float>(-CosPlain(r));
  }
}

float Cos(float xf) {
  const double x = xf;
  // Within a quarter turn the reduction leaves x as it is (-0 becomes +0,
  // whose square is the same).
  if (std::fabs(x) <= QUARTER_PI_HI) return static_cast<float>(CosPlain(x));
  if (!std::isfinite(x)) return static_cast<float>(x - x);
  const Reduced v = Reduce(x);
  const double r = v.r.hi + v.r.lo;
  switch (v.quadrant) {
    case 0: return static_cast<float>(CosPlain(r));
    case 1: return static_cast<float>(-SinPlain(r));
    case 2: return static_cast<float>(-CosPlain(r));
    default: return static_cast<float>(SinPlain(r));
  }
}

float Tan(float xf) {
  const double x = xf;
  if (!std::isfinite(x)) return static_cast<float>(x - x);
  if (std::fabs(x) < 0x1p-26) return xf;
  const Reduced v = Reduce(x);
  const double r = v.r.hi + v.r.lo;
  const double s = SinPlain(r);
  const double c = CosPlain(r);
  return static_cast<float>((v.quadrant & 1) == 0 ? s / c : -c / s);
}

double Atan2(double y, double x) {
  if (std::isnan(x) || std::isnan(y)) return x + y;
  double special = 0.0;
  if (Atan2Special(y, x, special)) return special;
  const double ax = std::fabs(x), ay = std::fabs(y);
  const bool swap = ay > ax;
  double num = swap ? ax : ay;
  double den = swap ? ay : ax;
  int e_num = 0, e_den = 0;
  std::frexp(num, &e_num);
  std::frexp(den, &e_den);
  DD a;
  if (e_num - e_den < -60) {
    // atan z = z (1 - z^2/3 ...) and z^2 < 2^-118: the rounded quotient.
    a = {num / den, 0.0};
  } else {
    // Bring both near 1 so the exact products inside stay clear of
    // overflow and underflow; the ratio is unchanged.
    num = std::ldexp(num, -e_den);
    den = std::ldexp(den, -e_den);
    a = AtanUnit(Div(DD{num, 0.0}, DD{den, 0.0}));
  }
  if (swap) a = Add(HALF_PI_DD, Neg(a));
  if (std::signbit(x)) a = Add(PI_DD, Neg(a));
  return std::copysign(a.hi + a.lo, y);
}

float Atan2(float yf, float xf) {
  const double y = yf, x = xf;
  const double ax = std::fabs(x), ay = std::fabs(y);
  // Both finite and not zero (false for NaN): none of the special cases.
  if (ax > 0.0 && ay > 0.0 && ax <= static_cast<double>(FLT_MAX) && ay <= static_cast<double>(FLT_MAX)) {
    double a = ay > ax ? HALF_PI_HI - AtanUnitPlain(ax / ay) : AtanUnitPlain(ay / ax);
    if (std::signbit(x)) a = PI_HI - a;
    return static_cast<float>(std::copysign(a, y));
  }
  if (std::isnan(x) || std::isnan(y)) return static_cast<float>(x + y);
  double special = 0.0;
  if (Atan2Special(y, x, special)) return static_cast<float>(special);
  // Float arguments: the quotient of their doubles neither overflows nor
  // underflows, and a double result carries 29 bits beyond the float's.
  double a = ay > ax ? HALF_PI_HI - AtanUnitPlain(ax / ay) : AtanUnitPlain(ay / ax);
  if (std::signbit(x)) a = PI_HI - a;
  return static_cast<float>(std::copysign(a, y));
}

double Acos(double x) {
  if (std::isnan(x)) return x + x;
  const double ax = std::fabs(x);
  if (ax > 1.0) return QuietNaN();
  if (x == 1.0) return 0.0;
  if (x == -1.0) return PI_HI;
  if (ax <= 0.5) {
    // pi/2 - asin x, the difference of the heads carried exactly.
    const double z = x * x;
    const DD head = TwoSum(HALF_PI_HI, -x);
    return head.hi + (head.lo + (HALF_PI_LO - x * z * Horner(ASIN_POLY, z)));
  }
  // acos |x| = 2 asin(s), s = sqrt((1 - |x|) / 2) <= 1/2, where 1 - |x| and
  // the halving are exact and s^2 = w exactly up to s's tail.
  const double w = (1.0 - ax) * 0.5;
  const double s = std::sqrt(w);
  const DD s2 = TwoProd(s, s);
  const double s_lo = ((w - s2.hi) - s2.lo) / (s + s);
  const double tail = s_lo + s * w * Horner(ASIN_POLY, w);
  if (x > 0.0) return 2.0 * s + 2.0 * tail;
  // pi - 2 asin(s) for negative x.
  const DD head = TwoSum(PI_HI, -2.0 * s);
  return head.hi + (head.lo + (PI_LO - 2.0 * tail));
}

double PowOneThird(double x) {
  if (std::isnan(x)) return x + x;
  if (x == 0.0) return 0.0;
  if (std::isinf(x)) return std::numeric_limits<double>::infinity();
  if (x < 0.0) return QuietNaN();
  // x = m 2^e, m in [0.5, 1), read from the bits (subnormals raised first).
  int bias = 0;
  if (x < 0x1p-1022) {
    x *= 0x1p54;
    bias = 54;
  }
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int e = static_cast<int>((bits >> 52) & 0x7FF) - 1022 - bias;
  const std::uint64_t m_bits = (bits & 0x000FFFFFFFFFFFFFu) | (std::uint64_t{1022} << 52);
  double m;
  std::memcpy(&m, &m_bits, sizeof m);
  // x = a 2^(3q), a in [0.5, 4).
  const int q = e >= 0 ? e / 3 : -((-e + 2) / 3);
  const int r = e - 3 * q;
  const double a = r == 0 ? m : r == 1 ? 2.0 * m : 4.0 * m;
  const DD root = CbrtUnit(a);
  // x^(1/3 - d) = cbrt(x) × exp(-d log x), and |d log x| < 2^-45, so
  // exp(-d log x) = 1 - d log x to far below a unit of the result.
  const double shrink = -THIRD_DEFICIT * LogRough(m, e);
  // 2^q is a normal double: |q| <= 359.
  const std::uint64_t scale_bits = static_cast<std::uint64_t>(q + 1023) << 52;
  double scale;
  std::memcpy(&scale, &scale_bits, sizeof scale);
  return (root.hi + (root.lo + root.hi * shrink)) * scale;
}

double Hypot(double x, double y) {
  if (std::isinf(x) || std::isinf(y)) return std::numeric_limits<double>::infinity();
  if (std::isnan(x) || std::isnan(y)) return x + y;
  double big = std::fabs(x), small = std::fabs(y);
  if (small > big) {
    const double t = big;
    big = small;
    small = t;
  }
  if (small == 0.0) return big;
  int e_big = 0, e_small = 0;
  std::frexp(big, &e_big);
  std::frexp(small, &e_small);
  if (e_big - e_small > 60) return big;  // small^2 is below 2^-120 of big^2
  big = std::ldexp(big, -e_big);
  small = std::ldexp(small, -e_big);
  const DD sum = Add(TwoProd(big, big), TwoProd(small, small));
  const DD root = Sqrt(sum);
  return std::ldexp(root.hi + root.lo, e_big);
}

float Log(float xf) {
  const double x = xf;
  if (std::isnan(x)) return xf;
  if (x < 0.0) return std::numeric_limits<float>::quiet_NaN();
  if (x == 0.0) return -std::numeric_limits<float>::infinity();
  if (std::isinf(x)) return xf;
  return static_cast<float>(LogPlain(x));
}

}  // namespace portable_math
