#!/usr/bin/python3
"""Writes the reference file of the portable maths test: for each function,
arguments (random over the whole range and at the hard places: zero, tiny
and subnormal values, huge values, multiples of pi/2 and their neighbours,
the ends and seams of the kernels' ranges) with the exact value computed by
mpmath at several hundred bits, given as the nearest double (or float), the
rest of the exact value in units in the last place, and that unit's binary
exponent. Needs Debian's python3-mpmath.

usage: portable_math_reference.py CASES_PER_FUNCTION OUT_FILE [SEED]
"""
import math
import multiprocessing
import random
import struct
import sys

import mpmath
from mpmath import mp, mpf

# Function ids, shared with portable_math_test.cpp.
SIN_D, COS_D, SIN_F, COS_F, TAN_F, ATAN2_D, ATAN2_F, ACOS_D, POW_THIRD_D, HYPOT_D, LOG_F = range(11)
FLOAT_RESULT = {SIN_F, COS_F, TAN_F, ATAN2_F, LOG_F}
RECORD = struct.Struct("<ddddii")
DBL_MAX = sys.float_info.max


def to_float32(v):
    """v rounded to single precision; infinity beyond its range."""
    try:
        return struct.unpack("<f", struct.pack("<f", v))[0]
    except OverflowError:
        return math.copysign(math.inf, v)


def exact(fid, x, y):
    ex = max(0, math.frexp(x)[1] if x != 0 else 0, math.frexp(y)[1] if y != 0 else 0)
    mp.prec = 200 + ex
    X, Y = mpf(x), mpf(y)
    if fid in (SIN_D, SIN_F):
        return mpmath.sin(X)
    if fid in (COS_D, COS_F):
        return mpmath.cos(X)
    if fid == TAN_F:
        return mpmath.tan(X)
    if fid in (ATAN2_D, ATAN2_F):
        return mpmath.atan2(Y, X)
    if fid == ACOS_D:
        return mpmath.acos(X)
    if fid == POW_THIRD_D:
        return X ** mpf(1.0 / 3.0)
    if fid == HYPOT_D:
        return mpmath.sqrt(X * X + Y * Y)
    if fid == LOG_F:
        return mpmath.log(X)
    raise ValueError(fid)


def record(case):
    fid, x, y = case
    v = exact(fid, x, y)
    if not mpmath.isfinite(v):
        return None
    mp.prec = 300
    if v == 0:
        return RECORD.pack(x, y, 0.0, 0.0, -1074 if fid not in FLOAT_RESULT else -149, fid)
    _, e = mpmath.frexp(v)  # |v| = m 2^e, m in [0.5, 1)
    if fid in FLOAT_RESULT:
        q = max(e - 1 - 23, -149)
    else:
        q = max(e - 1 - 52, -1074)
    n = mpmath.nint(mpmath.ldexp(v, -q))
    hi = mpmath.ldexp(n, q)
    if abs(hi) > DBL_MAX or (fid in FLOAT_RESULT and abs(hi) > 3.4028234663852886e38):
        return None
    rest = float(mpmath.ldexp(v - hi, -q))
    return RECORD.pack(x, y, float(hi), rest, q, fid)


def any_double(rng):
    while True:
        v = struct.unpack("<d", struct.pack("<Q", rng.getrandbits(64)))[0]
        if math.isfinite(v):
            return v


def any_float(rng):
    while True:
        v = struct.unpack("<f", struct.pack("<I", rng.getrandbits(32)))[0]
        if math.isfinite(v):
            return v


def neighbours(v, count, single=False):
    """v and the `count` representable values on each side of it, of the
    same sign."""
    fmt, ifmt = ("<f", "<I") if single else ("<d", "<Q")
    bits = struct.unpack(ifmt, struct.pack(fmt, abs(v)))[0]
    out = []
    for k in range(-count, count + 1):
        if bits + k >= 0:
            m = struct.unpack(fmt, struct.pack(ifmt, bits + k))[0]
            if math.isfinite(m):
                out.append(math.copysign(m, v))
    return out


EDGES = [0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, 1e-300, 1e-200, 1e-30, 1e-16, 1.4901161193847656e-8,
         1e-5, 0.5, 0.75, 1.0, 2.0, 3.0, 10.0, 1e6, 1.5e6, 2 ** 20, 2 ** 30, 2 ** 52, 2 ** 53, 1e22, 1e100, 1e300,
         DBL_MAX, float.fromhex("0x1.6ac5b262ca1ffp+849"), float.fromhex("0x1.8p+1023")]


def trig_arguments(rng, n, single):
    pick = any_float if single else any_double
    args = []
    hp = math.pi / 2
    for e in EDGES:
        for v in (e, -e):
            if single:
                v = to_float32(v)
                if not math.isfinite(v):
                    continue
            args.extend(neighbours(v, 2, single))
    for k in list(range(1, 64)) + [rng.randrange(1, 10 ** 6) for _ in range(200)] + \
            [rng.randrange(1, 2 ** 60) for _ in range(100)]:
        v = k * hp
        if single:
            v = to_float32(v)
        args.extend(neighbours(v, 3, single))
        args.extend(neighbours(-v, 1, single))
    while len(args) < n:
        r = rng.random()
        if r < 0.35:
            v = pick(rng)
        elif r < 0.7:
            v = rng.uniform(-8, 8)
        elif r < 0.85:
            v = rng.uniform(-2e6, 2e6)
        else:
            v = rng.uniform(-1, 1) * 2.0 ** rng.randrange(-40, 40)
        if single:
            v = to_float32(v)
            if not math.isfinite(v):
                continue
        args.append(v)
    return args[:n]


def pair_arguments(rng, n, single):
    pick = any_float if single else any_double
    out = []
    specials = [1.0, 2.0, 0.5, 1e-300, 5e-324, 2.2250738585072014e-308, 1e300, DBL_MAX]
    for a in specials:
        for b in specials:
            out.append((a, b))
    for i in range(17):
        for _ in range(20):
            x = rng.uniform(0.1, 1e3)
            out.append((x * (i / 16 + rng.uniform(-1e-3, 1e-3)), x))
    while len(out) < n:
        r = rng.random()
        if r < 0.3:
            a, b = pick(rng), pick(rng)
        elif r < 0.6:
            a, b = rng.uniform(-100, 100), rng.uniform(-100, 100)
        elif r < 0.8:
            b = rng.uniform(-10, 10)
            a = b * 2.0 ** rng.randrange(-70, 70) * rng.uniform(0.5, 2)
        else:
            s = 2.0 ** rng.randrange(-1070, 1020)
            a, b = rng.uniform(-1, 1) * s, rng.uniform(-1, 1) * s * 2.0 ** rng.randrange(-65, 65)
        if single:
            a, b = to_float32(a), to_float32(b)
        if all(math.isfinite(v) and v != 0 for v in (a, b)):
            out.append((a, b))
    if single:
        out = [(to_float32(a), to_float32(b)) for a, b in out]
    # Signed zeros are the C library test's (mpmath does not sign its zeros).
    out = [(a, b) for a, b in out if math.isfinite(a) and math.isfinite(b) and a != 0 and b != 0]
    return out[:n]


def cases(n, seed):
    rng = random.Random(seed)
    out = []
    for fid, single in ((SIN_D, False), (COS_D, False), (SIN_F, True), (COS_F, True), (TAN_F, True)):
        out += [(fid, x, 0.0) for x in trig_arguments(rng, n, single)]
    for fid, single in ((ATAN2_D, False), (ATAN2_F, True)):
        out += [(fid, x, y) for y, x in pair_arguments(rng, n, single)]
    acos = [1.0, -1.0, 0.0, -0.0, 0.5, -0.5, 1e-300, 5e-324, 2 ** -57, 2 ** -56]
    for k in range(1, 200):
        acos += [1 - k * 2 ** -53, -1 + k * 2 ** -53, 0.5 + k * 2 ** -54, 0.5 - k * 2 ** -54]
    while len(acos) < n:
        r = rng.random()
        acos.append(rng.uniform(-1, 1) if r < 0.6 else
                    math.copysign(1 - rng.random() * 2.0 ** rng.randrange(-53, 0), rng.random() - 0.5) if r < 0.8 else
                    rng.uniform(-1, 1) * 2.0 ** rng.randrange(-60, 0))
    out += [(ACOS_D, x, 0.0) for x in acos[:n]]
    pw = [5e-324, 1e-320, 2.2250738585072014e-308, 1.0, 8.0, 27.0, 0.125, 1e300, DBL_MAX, 0.001]
    for k in range(1, 100):
        pw += [1 + k * 2 ** -52, 1 - k * 2 ** -53, float(k ** 3), float(k ** 3) * 2 ** -30]
    while len(pw) < n:
        r = rng.random()
        v = abs(any_double(rng)) if r < 0.4 else rng.uniform(0, 10) if r < 0.7 else \
            rng.uniform(0, 1) * 2.0 ** rng.randrange(-1074, 1000)
        if v > 0:
            pw.append(v)
    out += [(POW_THIRD_D, x, 0.0) for x in pw[:n]]
    out += [(HYPOT_D, x, y) for x, y in pair_arguments(rng, n, False)]
    logs = []
    for v in (1.0, 2.0, 0.5, 1e-45, 1.1754943508222875e-38, 3.4028234663852886e38, 0.70710677, 1.4142135):
        logs += [w for w in neighbours(to_float32(v), 20, True) if w > 0]
    while len(logs) < n:
        r = rng.random()
        v = abs(any_float(rng)) if r < 0.4 else to_float32(rng.uniform(0, 1)) if r < 0.8 else \
            to_float32(1 + rng.uniform(-1, 1) * 2.0 ** rng.randrange(-24, -1))
        if v > 0:
            logs.append(v)
    out += [(LOG_F, x, 0.0) for x in logs[:n]]
    return out


def main():
    n = int(sys.argv[1])
    path = sys.argv[2]
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 20261210
    work = cases(n, seed)
    with multiprocessing.Pool(min(4, multiprocessing.cpu_count())) as pool:
        records = pool.map(record, work, chunksize=2000)
    with open(path + ".part", "wb") as f:
        f.write(b"PMREF001")
        for r in records:
            if r is not None:
                f.write(r)
    import os
    os.replace(path + ".part", path)


if __name__ == "__main__":
    main()
