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

// Applies a lane function to the arguments two at a time and compares each
// lane with the plain function.
template <typename Lanes, typename Plain>
void ExpectLanesEqualPlain(const std::vector<double>& args, Lanes lanes, Plain plain, const char* name) {
  for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
    double out[2];
    _mm_storeu_pd(out, lanes(_mm_set_pd(args[i + 1], args[i])));
    for (int l = 0; l < 2; ++l) {
      const double want = plain(args[i + l]);
      ASSERT_EQ(Bits(out[l]), Bits(want)) << name << "(" << args[i + l] << "): " << out[l] << " vs " << want;
    }
  }
}

// The argument and its neighbours a few units away.
void AddWithNeighbours(std::vector<double>& args, double v) {
  for (int k = -3; k <= 3; ++k) args.push_back(FromBits(static_cast<std::uint64_t>(static_cast<std::int64_t>(Bits(v)) + k)));
}

TEST(EllipseDistanceLanesTest, PowOneThirdOfEveryNormalPositiveDoubleMatchesThePlainFunction) {
  std::mt19937_64 rng(31);
  std::vector<double> args;
  // Random bit patterns over every normal exponent, and ones near 1.
  while (args.size() < 3000000) {
    const std::uint64_t exponent = 1 + rng() % 2046;
    args.push_back(FromBits((exponent << 52) | (rng() & 0x000FFFFFFFFFFFFFull)));
    args.push_back(std::ldexp(1.0 + std::uniform_real_distribution<double>(-0.5, 3.0)(rng), static_cast<int>(rng() % 13) - 6));
  }
  for (double v : {0x1p-1022, DBL_MAX, 1.0, 2.0, 4.0, 8.0, 27.0, 0.125, 0.5, 0.75, 3.0, 1e-300, 1e300}) {
    AddWithNeighbours(args, v);
  }
  for (int e = -1022; e <= 1023; ++e) AddWithNeighbours(args, std::ldexp(1.0, e));
  std::vector<double> normal;
  for (double v : args) {
    if (v >= 0x1p-1022 && v <= DBL_MAX) normal.push_back(v);
  }
  ExpectLanesEqualPlain(normal, ellipse_lanes::PowOneThird, portable_math::PowOneThird, "PowOneThird");
}

TEST(EllipseDistanceLanesTest, AcosOverTheClosedUnitIntervalMatchesThePlainFunction) {
  std::mt19937_64 rng(32);
  std::vector<double> args;
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  while (args.size() < 3000000) {
    args.push_back(u(rng));
    const double near_one = 1.0 - std::ldexp(std::uniform_real_distribution<double>(0.5, 1.0)(rng), -static_cast<int>(rng() % 52));
    args.push_back(rng() % 2 ? near_one : -near_one);
  }
  for (double v : {0.5, -0.5, 0.0, -0.0, 1e-300, -1e-300, 0x1p-1074, 1.0, -1.0}) {
    AddWithNeighbours(args, v);
  }
  std::vector<double> inside;
  for (double v : args) {
    if (std::fabs(v) <= 1.0) inside.push_back(v);
  }
  ExpectLanesEqualPlain(inside, ellipse_lanes::Acos, portable_math::Acos, "Acos");
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
  for (double v : {0.0, 0x1p-1074, 0x1p-26, QUARTER_PI_HI, 3.0 * QUARTER_PI_HI, 1.0, 1.0471975511965976, 1.5707963267948966,
                   std::nextafter(2.0, 0.0)}) {
    AddWithNeighbours(args, v);
  }
  std::vector<double> in_range;
  for (double v : args) {
    if (v >= 0.0 && v < 2.0) in_range.push_back(v);
  }
  ExpectLanesEqualPlain(
      in_range,
      [](__m128d x) {
        __m128d s, c;
        ellipse_lanes::SinCos(x, s, c);
        return s;
      },
      [](double x) { return portable_math::Sin(x); }, "Sin");
  ExpectLanesEqualPlain(
      in_range,
      [](__m128d x) {
        __m128d s, c;
        ellipse_lanes::SinCos(x, s, c);
        return c;
      },
      [](double x) { return portable_math::Cos(x); }, "Cos");
}

TEST(EllipseDistanceLanesTest, PairsOfPointsMatchThePlainEllipseDistance) {
  // Ellipses from a pixel to 4096 across, long and thin to nearly round,
  // points near the outline, on the axes and diagonals, inside and far
  // out; both points of a pair from the same neighbourhood (as pixels of a
  // run are) or from anywhere.
  std::mt19937 rng(34);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  long long taken = 0, pairs = 0;  // of neighbouring points
  for (int shape = 0; shape < 4000; ++shape) {
    const float a = 0.5f + unit(rng) * (shape % 3 == 0 ? 4096.0f : shape % 3 == 1 ? 300.0f : 20.0f);
    float b = a * (shape % 5 == 0 ? 0.001f + unit(rng) * 0.01f : unit(rng) * 2.0f);
    if (std::fabs(a - b) < 0.5f) b = a + 0.5f + unit(rng);
    for (int k = 0; k < 300; ++k) {
      float px[2], py[2];
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
      if (k % 2 == 0) {
        px[1] = px[0] + 1.0f;
        py[1] = py[0];
      } else {
        px[1] = (unit(rng) * 2.0f - 1.0f) * reach;
        py[1] = (unit(rng) * 2.0f - 1.0f) * reach;
      }
      float got[2] = {12345.0f, 12345.0f};
      if (k % 2 == 0) ++pairs;
      if (!ellipse_lanes::EllipseDistancePair(px, py, a, b, got)) {
        ASSERT_EQ(got[0], 12345.0f);  // declined pairs leave the output alone
        continue;
      }
      if (k % 2 == 0) ++taken;
      for (int l = 0; l < 2; ++l) {
        const float want = EllipseDistance(px[l], py[l], a, b);
        ASSERT_EQ(Bits(got[l]), Bits(want)) << "a " << a << " b " << b << " at " << px[l] << "," << py[l] << ": "
                                             << got[l] << " vs " << want;
      }
    }
  }
  // The lanes must carry neighbouring pixels, not hand them to the plain
  // path.
  EXPECT_GT(taken, pairs * 9 / 10);
}

}  // namespace

#endif
