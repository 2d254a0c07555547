// The two-lane ellipse distance and its lane forms of the portable
// functions against the plain functions, bit for bit.
#include "render/ellipse_distance_lanes.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "render/portable_math.h"
#include "render/portable_math_constants.h"
#include "render/shape_distance_functions.h"

#if defined(PRISMORA_ELLIPSE_LANES)

namespace {

std::uint64_t Bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

std::uint32_t Bits(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

double FromBits(std::uint64_t b) {
  double v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}

using ellipse_lanes::Pack;

// Applies a lane function to the arguments 2K at a time, in K registers,
// and compares each lane with the plain function.
template <int K, typename Lanes, typename Plain>
void ExpectLanesEqualPlain(const std::vector<double>& args, Lanes lanes, Plain plain, const char* name) {
  for (std::size_t i = 0; i + 2 * K <= args.size(); i += 2 * K) {
    Pack<K> x;
    for (int k = 0; k < K; ++k) x.v[k] = _mm_loadu_pd(&args[i + 2 * k]);
    const Pack<K> y = lanes(x);
    double out[2 * K];
    for (int k = 0; k < K; ++k) _mm_storeu_pd(out + 2 * k, y.v[k]);
    for (int l = 0; l < 2 * K; ++l) {
      const double want = plain(args[i + l]);
      ASSERT_EQ(Bits(out[l]), Bits(want)) << name << "(" << args[i + l] << "): " << out[l] << " vs " << want;
    }
  }
}

// The same for the one- and two-register forms.
template <typename Lanes, typename Plain>
void ExpectBothFormsEqualPlain(const std::vector<double>& args, Lanes lanes, Plain plain, const char* name) {
  ExpectLanesEqualPlain<1>(
      args, [&](Pack<1> x) { return lanes(x); }, plain, name);
  ExpectLanesEqualPlain<2>(
      args, [&](Pack<2> x) { return lanes(x); }, plain, name);
}

// The argument and its neighbours a few units away.
void AddWithNeighbours(std::vector<double>& args, double v) {
  for (int k = -3; k <= 3; ++k)
    args.push_back(FromBits(Bits(v) + static_cast<std::uint64_t>(static_cast<std::int64_t>(k))));
}

TEST(EllipseDistanceLanesTest, PowOneThirdOfEveryNormalPositiveDoubleMatchesThePlainFunction) {
  std::mt19937_64 rng(31);
  std::vector<double> args;
  // Random bit patterns over every normal exponent, and ones near 1.
  while (args.size() < 3000000) {
    const std::uint64_t exponent = 1 + rng() % 2046;
    args.push_back(FromBits((exponent << 52) | (rng() & 0x000FFFFFFFFFFFFFull)));
    args.push_back(
        std::ldexp(1.0 + std::uniform_real_distribution<double>(-0.5, 3.0)(rng), static_cast<int>(rng() % 13) - 6));
  }
  for (double v : {0x1p-1022, DBL_MAX, 1.0, 2.0, 4.0, 8.0, 27.0, 0.125, 0.5, 0.75, 3.0, 1e-300, 1e300}) {
    AddWithNeighbours(args, v);
  }
  for (int e = -1022; e <= 1023; ++e) AddWithNeighbours(args, std::ldexp(1.0, e));
  std::vector<double> normal;
  for (double v : args) {
    if (v >= 0x1p-1022 && v <= DBL_MAX) normal.push_back(v);
  }
  ExpectBothFormsEqualPlain(
      normal, [](auto x) { return ellipse_lanes::PowOneThird(x); },
      [](double x) { return portable_math::PowOneThird(x); }, "PowOneThird");
}

TEST(EllipseDistanceLanesTest, AcosOverTheClosedUnitIntervalMatchesThePlainFunction) {
  std::mt19937_64 rng(32);
  std::vector<double> args;
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  while (args.size() < 3000000) {
    args.push_back(u(rng));
    const double near_one =
        1.0 - std::ldexp(std::uniform_real_distribution<double>(0.5, 1.0)(rng), -static_cast<int>(rng() % 52));
    args.push_back(rng() % 2 ? near_one : -near_one);
  }
  for (double v : {0.5, -0.5, 0.0, -0.0, 1e-300, -1e-300, 0x1p-1074, 1.0, -1.0}) {
    AddWithNeighbours(args, v);
  }
  std::vector<double> inside;
  for (double v : args) {
    if (std::fabs(v) <= 1.0) inside.push_back(v);
  }
  ExpectBothFormsEqualPlain(
      inside, [](auto x) { return ellipse_lanes::Acos(x); }, [](double x) { return portable_math::Acos(x); }, "Acos");
}

TEST(EllipseDistanceLanesTest, SineAndCosineOfTheCubicsAnglesMatchThePlainFunctions) {
  std::mt19937_64 rng(33);
  std::vector<double> args;
  std::uniform_real_distribution<double> u(0.0, 2.0);
  while (args.size() < 3000000) {
    args.push_back(u(rng));
    args.push_back(std::ldexp(std::uniform_real_distribution<double>(1.0, 2.0)(rng), -static_cast<int>(rng() % 80)));
  }
  using portable_math::constants::QUARTER_PI_HI;
  for (double v : {0.0, 0x1p-1074, 0x1p-26, QUARTER_PI_HI, 3.0 * QUARTER_PI_HI, 1.0, 1.0471975511965976,
                   1.5707963267948966, std::nextafter(2.0, 0.0)}) {
    AddWithNeighbours(args, v);
  }
  std::vector<double> in_range;
  for (double v : args) {
    if (v >= 0.0 && v < 2.0) in_range.push_back(v);
  }
  ExpectBothFormsEqualPlain(
      in_range,
      [](auto x) {
        decltype(x) s, c;
        ellipse_lanes::SinCos(x, s, c);
        return s;
      },
      [](double x) { return portable_math::Sin(x); }, "Sin");
  ExpectBothFormsEqualPlain(
      in_range,
      [](auto x) {
        decltype(x) s, c;
        ellipse_lanes::SinCos(x, s, c);
        return c;
      },
      [](double x) { return portable_math::Cos(x); }, "Cos");
}

TEST(EllipseDistanceLanesTest, PointsTwoAndFourAtATimeMatchThePlainEllipseDistance) {
  // Ellipses from a pixel to 4096 across, long and thin to nearly round,
  // points near the outline, on the axes and diagonals, inside and far
  // out; the points of a group from one row of neighbouring pixels (as a
  // run's are) or from anywhere.
  std::mt19937 rng(34);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  long long taken[2] = {0, 0}, groups[2] = {0, 0};  // of neighbouring points, by form
  for (int shape = 0; shape < 4000; ++shape) {
    const float a = 0.5f + unit(rng) * (shape % 3 == 0 ? 4096.0f : shape % 3 == 1 ? 300.0f : 20.0f);
    float b = a * (shape % 5 == 0 ? 0.001f + unit(rng) * 0.01f : unit(rng) * 2.0f);
    if (std::fabs(a - b) < 0.5f) b = a + 0.5f + unit(rng);
    for (int k = 0; k < 300; ++k) {
      float px[4], py[4];
      const float reach = (k % 4 == 0 ? 4.0f : 1.2f) * std::max(a, b);
      px[0] = (unit(rng) * 2.0f - 1.0f) * reach;
      py[0] = (unit(rng) * 2.0f - 1.0f) * reach;
      if (k % 7 == 0) {  // on the outline's neighbourhood
        const float t = unit(rng) * 6.2831855f;
        px[0] = a * std::cos(t) + unit(rng) - 0.5f;
        py[0] = b * std::sin(t) + unit(rng) - 0.5f;
      }
      if (k % 11 == 0) px[0] = 0.0f;
      if (k % 13 == 0) py[0] = 0.0f;
      if (k % 17 == 0) py[0] = px[0];
      const bool row = k % 2 == 0;
      for (int l = 1; l < 4; ++l) {
        px[l] = row ? px[0] + static_cast<float>(l) : (unit(rng) * 2.0f - 1.0f) * reach;
        py[l] = row ? py[0] : (unit(rng) * 2.0f - 1.0f) * reach;
      }
      for (int form = 0; form < 2; ++form) {
        float got[4] = {12345.0f, 12345.0f, 12345.0f, 12345.0f};
        const int count = form == 0 ? 2 : 4;
        const int first = form == 0 ? 2 * ((k / 2) % 2) : 0;  // pairs from either half of the group
        if (row) ++groups[form];
        const bool done = form == 0 ? ellipse_lanes::EllipseDistancePair(px + first, py + first, a, b, got)
                                    : ellipse_lanes::EllipseDistanceQuad(px, py, a, b, got);
        if (!done) {
          for (int l = 0; l < count; ++l) ASSERT_EQ(got[l], 12345.0f);  // declined: the output is left alone
          continue;
        }
        if (row) ++taken[form];
        for (int l = 0; l < count; ++l) {
          const float want = EllipseDistance(px[first + l], py[first + l], a, b);
          ASSERT_EQ(Bits(got[l]), Bits(want)) << "form " << form << " a " << a << " b " << b << " at " << px[first + l]
                                              << "," << py[first + l] << ": " << got[l] << " vs " << want;
        }
      }
    }
  }
  // The lanes must carry neighbouring pixels, not hand them to the plain
  // path.
  EXPECT_GT(taken[0], groups[0] * 9 / 10);
  EXPECT_GT(taken[1], groups[1] * 8 / 10);
}

}  // namespace

#endif
