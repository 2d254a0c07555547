// The portable maths functions against exact values: a reference file that
// portable_math_reference.py writes with mpmath at build time (random and
// hard arguments, exact results to far beyond double precision), and the C
// library for zeros, infinities and NaN.
#include "render/portable_math.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

namespace pm = portable_math;

// Function ids of the reference file.
enum Fn : std::int32_t { SIN_D, COS_D, SIN_F, COS_F, TAN_F, ATAN2_D, ATAN2_F, ACOS_D, POW_THIRD_D, HYPOT_D, LOG_F, FN_COUNT };
constexpr std::array<const char*, FN_COUNT> FN_NAMES = {"Sin(double)", "Cos(double)", "Sin(float)",   "Cos(float)",
                                                        "Tan(float)",  "Atan2(double)", "Atan2(float)", "Acos(double)",
                                                        "PowOneThird", "Hypot(double)", "Log(float)"};

struct Reference {
  double x, y;
  double nearest;  // the representable value nearest the exact one
  double rest;     // exact - nearest, in units of 2^ulp_exponent
  std::int32_t ulp_exponent;
  std::int32_t fn;
};
static_assert(sizeof(Reference) == 40);

double Evaluate(const Reference& r) {
  const auto xf = static_cast<float>(r.x), yf = static_cast<float>(r.y);
  switch (r.fn) {
    case SIN_D: return pm::Sin(r.x);
    case COS_D: return pm::Cos(r.x);
    case SIN_F: return pm::Sin(xf);
    case COS_F: return pm::Cos(xf);
    case TAN_F: return pm::Tan(xf);
    case ATAN2_D: return pm::Atan2(r.y, r.x);
    case ATAN2_F: return pm::Atan2(yf, xf);
    case ACOS_D: return pm::Acos(r.x);
    case POW_THIRD_D: return pm::PowOneThird(r.x);
    case HYPOT_D: return pm::Hypot(r.x, r.y);
    case LOG_F: return pm::Log(xf);
    default: return std::numeric_limits<double>::quiet_NaN();
  }
}

// Distance from the exact value in units in its last place. The difference
// from the nearest value is exact when the two lie within a factor of two.
double UlpError(const Reference& r, double got) {
  if (std::isnan(got) || std::isinf(got)) return std::numeric_limits<double>::infinity();
  return std::fabs(std::ldexp(got - r.nearest, -r.ulp_exponent) - r.rest);
}

std::vector<Reference> LoadReference(std::string& error) {
  std::vector<Reference> refs;
  std::FILE* f = std::fopen(PRISMORA_MATH_REFERENCE_FILE, "rb");
  if (f == nullptr) {
    error = std::string("cannot open ") + PRISMORA_MATH_REFERENCE_FILE;
    return refs;
  }
  char magic[8] = {};
  if (std::fread(magic, 1, 8, f) != 8 || std::memcmp(magic, "PMREF001", 8) != 0) {
    error = "not a reference file";
  } else {
    Reference r;
    while (std::fread(&r, sizeof r, 1, f) == 1) refs.push_back(r);
  }
  std::fclose(f);
  return refs;
}

TEST(PortableMath, EveryFunctionIsWithinOneUnitInTheLastPlaceOfTheExactValue) {
  std::string error;
  const std::vector<Reference> refs = LoadReference(error);
  ASSERT_TRUE(error.empty()) << error;
  std::array<std::size_t, FN_COUNT> count{}, not_nearest{};
  std::array<double, FN_COUNT> worst{};
  std::array<Reference, FN_COUNT> worst_case{};
  std::size_t reported = 0;
  for (const Reference& r : refs) {
    ASSERT_GE(r.fn, 0);
    ASSERT_LT(r.fn, FN_COUNT);
    const double got = Evaluate(r);
    const double err = UlpError(r, got);
    ++count[r.fn];
    if (got != r.nearest) ++not_nearest[r.fn];
    if (!(err <= worst[r.fn])) {
      worst[r.fn] = err;
      worst_case[r.fn] = r;
    }
    if (!(err <= 1.0) && reported++ < 20) {
      ADD_FAILURE() << FN_NAMES[r.fn] << " at x = " << std::hexfloat << r.x << ", y = " << r.y << ": got " << got
                    << ", nearest " << r.nearest << std::defaultfloat << ", " << err << " units off";
    }
  }
  for (int fn = 0; fn < FN_COUNT; ++fn) {
    // A reference file that lost a function would prove nothing about it.
    EXPECT_GE(count[fn], 1000u) << FN_NAMES[fn];
    EXPECT_LE(worst[fn], 1.0) << FN_NAMES[fn];
    std::printf("%-14s %8zu arguments, worst %.3f units (x = %a, y = %a), %zu not the nearest value\n", FN_NAMES[fn],
                count[fn], worst[fn], worst_case[fn].x, worst_case[fn].y, not_nearest[fn]);
  }
}

// The C library's answers at zeros, infinities and NaN are the standard's;
// ours must be the same, signs of zeros and infinities included.
template <typename T>
void ExpectSameSpecial(T got, T want, const char* what, T x, T y = 0) {
  if (std::isnan(want)) {
    EXPECT_TRUE(std::isnan(got)) << what << "(" << x << ", " << y << ") = " << got;
    return;
  }
  EXPECT_EQ(got, want) << what << "(" << x << ", " << y << ")";
  EXPECT_EQ(std::signbit(got), std::signbit(want)) << what << "(" << x << ", " << y << ")";
}

TEST(PortableMath, ZerosInfinitiesAndNaNGiveTheCLibraryResults) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double tiny = std::numeric_limits<double>::denorm_min();
  const std::vector<double> values = {0.0, -0.0, inf, -inf, nan, 1.0, -1.0, tiny, -tiny, 2.0, -3.5};
  for (double x : values) {
    if (std::isfinite(x) && x != 0.0) continue;
    ExpectSameSpecial(pm::Sin(x), std::sin(x), "Sin", x);
    ExpectSameSpecial(pm::Cos(x), std::cos(x), "Cos", x);
    const auto xf = static_cast<float>(x);
    ExpectSameSpecial(pm::Sin(xf), std::sin(xf), "Sin", xf);
    ExpectSameSpecial(pm::Cos(xf), std::cos(xf), "Cos", xf);
    ExpectSameSpecial(pm::Tan(xf), std::tan(xf), "Tan", xf);
    ExpectSameSpecial(pm::Log(xf), std::log(xf), "Log", xf);
  }
  for (double x : values) {
    if (!std::isfinite(x) || x == 0.0) {
      ExpectSameSpecial(pm::Acos(x), std::acos(x), "Acos", x);
      ExpectSameSpecial(pm::PowOneThird(x), std::pow(x, 1.0 / 3.0), "PowOneThird", x);
    }
    for (double y : values) {
      const bool special = !std::isfinite(x) || !std::isfinite(y) || x == 0.0 || y == 0.0;
      if (!special) continue;
      ExpectSameSpecial(pm::Atan2(y, x), std::atan2(y, x), "Atan2", y, x);
      ExpectSameSpecial(pm::Hypot(x, y), std::hypot(x, y), "Hypot", x, y);
      const auto xf = static_cast<float>(x), yf = static_cast<float>(y);
      ExpectSameSpecial(pm::Atan2(yf, xf), std::atan2(yf, xf), "Atan2", yf, xf);
    }
  }
  // The ends of acos's domain and beyond, and a negative base under a
  // fractional power.
  for (double x : {1.0, -1.0, 1.0000000000000002, -1.5, 1e300}) ExpectSameSpecial(pm::Acos(x), std::acos(x), "Acos", x);
  for (double x : {-1.0, -tiny, -8.0}) {
    ExpectSameSpecial(pm::PowOneThird(x), std::pow(x, 1.0 / 3.0), "PowOneThird", x);
    ExpectSameSpecial(pm::Log(static_cast<float>(x)), std::log(static_cast<float>(x)), "Log", static_cast<float>(x));
  }
}

}  // namespace
