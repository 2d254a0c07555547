#!/usr/bin/python3
"""Derives the constants of render/portable_math.cpp with mpmath and prints
them as C++: the bits of 2/pi for the reduction of huge arguments, pi/2 cut
into pieces whose products with a small integer are exact, arctangents of a
table of points, and near-minimax polynomial coefficients (Chebyshev fits on
the ranges the kernels use). Run with Debian's python3 (python3-mpmath)."""
import mpmath
from mpmath import mp, mpf

mp.prec = 2000


def hexd(v):
    return float(v).hex()


def dd(v):
    hi = mpf(float(v))
    lo = mpf(float(v - hi))
    return hi, lo


def top_bits(v, bits):
    """v rounded toward zero to `bits` significant bits."""
    m, e = mpmath.frexp(v)
    return mpmath.ldexp(mpmath.floor(mpmath.ldexp(m, bits)), e - bits)


def poly_fit(f, a, b, degree):
    mp.prec = 300
    coeffs, err = mpmath.chebyfit(f, [a, b], degree + 1, error=True)
    mp.prec = 2000
    return list(reversed(coeffs)), err


print("// 2/pi, 32 bits a word, the first word holding the bits just after the binary point.")
two_over_pi = 2 / mp.pi
words = []
frac = two_over_pi
for _ in range(48):
    frac *= 2**32
    w = int(mpmath.floor(frac))
    words.append(w)
    frac -= w
print("constexpr std::uint32_t TWO_OVER_PI_WORDS[%d] = {" % len(words))
for i in range(0, len(words), 6):
    print("    " + ", ".join("0x%08X" % w for w in words[i:i + 6]) + ",")
print("};")

half_pi = mp.pi / 2
p1 = top_bits(half_pi, 33)
p2 = top_bits(half_pi - p1, 33)
p3 = top_bits(half_pi - p1 - p2, 33)
p4 = mpf(float(half_pi - p1 - p2 - p3))
print("// pi/2 = P1 + P2 + P3 + P4, the first three of 33 bits each.")
for name, v in (("HALF_PI_1", p1), ("HALF_PI_2", p2), ("HALF_PI_3", p3), ("HALF_PI_4", p4)):
    print("constexpr double %s = %s;" % (name, hexd(v)))
for name, v in (("PI", mp.pi), ("HALF_PI", half_pi), ("QUARTER_PI", mp.pi / 4), ("THREE_QUARTER_PI", 3 * mp.pi / 4)):
    hi, lo = dd(v)
    print("constexpr double %s_HI = %s;  // %s" % (name, hexd(hi), mpmath.nstr(v, 20)))
    print("constexpr double %s_LO = %s;" % (name, hexd(lo)))
hi, lo = dd(2 / mp.pi)
print("constexpr double TWO_OVER_PI = %s;" % hexd(hi))

ln2 = mpmath.log(2)
l1 = top_bits(ln2, 42)
print("constexpr double LN2_1 = %s;  // 42 bits" % hexd(l1))
print("constexpr double LN2_2 = %s;" % hexd(ln2 - l1))
print("constexpr double LN2 = %s;" % hexd(ln2))

print("// atan(i / 16), i = 0 ... 16, as a head and a tail.")
print("constexpr double ATAN_TABLE[17][2] = {")
for i in range(17):
    hi, lo = dd(mpmath.atan(mpf(i) / 16))
    print("    {%s, %s}," % (hexd(hi), hexd(lo)))
print("};")

third = mpf(1.0 / 3.0)
print("// 1/3 - (the double nearest 1/3)")
print("constexpr double THIRD_DEFICIT = %s;" % hexd(mpf(1) / 3 - third))


def show(name, coeffs, err):
    print("// max fit error %s" % mpmath.nstr(err, 5))
    print("constexpr double %s[%d] = {%s};" % (name, len(coeffs), ", ".join(hexd(c) for c in coeffs)))


q = (mp.pi / 4) ** 2
# sin x = x + x^3 S(x^2)
c, e = poly_fit(lambda z: (mpmath.sin(mpmath.sqrt(z)) - mpmath.sqrt(z)) / mpmath.sqrt(z) ** 3
                if z > 0 else mpf(-1) / 6, mpf(0), q, 6)
show("SIN_POLY", c, e)
# cos x = 1 - x^2/2 + x^4 C(x^2)
c, e = poly_fit(lambda z: (mpmath.cos(mpmath.sqrt(z)) - 1 + z / 2) / z**2 if z > 0 else mpf(1) / 24,
                mpf(0), q, 6)
show("COS_POLY", c, e)
# atan t = t + t^3 A(t^2), |t| <= 1/32
c, e = poly_fit(lambda z: (mpmath.atan(mpmath.sqrt(z)) - mpmath.sqrt(z)) / mpmath.sqrt(z) ** 3
                if z > 0 else mpf(-1) / 3, mpf(0), mpf(1) / 1024, 5)
show("ATAN_POLY", c, e)
# log((1+s)/(1-s)) = 2s + s^3 L(s^2), s <= (sqrt2-1)/(sqrt2+1)
smax = (mpmath.sqrt(2) - 1) / (mpmath.sqrt(2) + 1)
c, e = poly_fit(lambda z: (mpmath.log((1 + mpmath.sqrt(z)) / (1 - mpmath.sqrt(z))) - 2 * mpmath.sqrt(z))
                / mpmath.sqrt(z) ** 3 if z > 0 else mpf(2) / 3, mpf(0), smax**2 * mpf(1.0001), 9)
show("LOG_POLY", c, e)
