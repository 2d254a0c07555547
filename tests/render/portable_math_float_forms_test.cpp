// The float Sin, Cos and Atan2 with their short cuts (a quarter turn needs
// no reduction; finite non-zero arguments need none of atan2's special
// cases) against the forms as first written, bit for bit, over millions of
// random arguments of every size and sign and the edges of the short cuts.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "render/portable_math.h"
#include "render/portable_math_float_reference.h"

namespace {

namespace ref = portable_math_float_reference;

bool SameBits(float a, float b) {
  return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) || (std::isnan(a) && std::isnan(b));
}

// A float of any exponent (both signs, subnormals to huge), below limit in
// size.
float AnyFloat(std::mt19937& rng, float limit) {
  for (;;) {
    const float f = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
    if (std::isfinite(f) && std::fabs(f) < limit) return f;
  }
}

// The quarter turn's edge and the other places where the forms part.
std::vector<float> EdgeArguments() {
  const float quarter = static_cast<float>(0x1.921fb54442d18p-1);
  std::vector<float> v = {0.0f, -0.0f, 0x1p-26f, -0x1p-26f, 0x1p-149f, -0x1p-149f, 1e-30f, 0.5f, 1.0f,
                          1.5707964f, 3.1415927f, 6.2831855f, 1.4e6f, -1.4e6f};
  for (float x : {quarter, 0x1p-26f}) {
    float lo = x, hi = x;
    for (int k = 0; k < 40; ++k) {
      lo = std::nextafter(lo, 0.0f);
      hi = std::nextafter(hi, 10.0f);
      v.insert(v.end(), {lo, hi, -lo, -hi});
    }
    v.insert(v.end(), {x, -x});
  }
  const float inf = std::numeric_limits<float>::infinity();
  v.insert(v.end(), {inf, -inf, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::max(),
                     -std::numeric_limits<float>::max(), std::numeric_limits<float>::min()});
  return v;
}

TEST(PortableMathFloatFormsTest, SinAndCosEqualTheReducedFormsBitForBit) {
  std::mt19937 rng(71);
  std::uniform_real_distribution<float> turn(-7.0f, 7.0f);
  std::vector<float> args = EdgeArguments();
  for (int k = 0; k < 2000000; ++k) args.push_back(k % 2 == 0 ? turn(rng) : AnyFloat(rng, 1.4e6f));
  int mismatches = 0;
  for (const float x : args) {
    if (std::isfinite(x) && std::fabs(x) >= 1.4e6f) continue;  // beyond the reference's reduction
    if (!SameBits(portable_math::Sin(x), ref::Sin(x))) ++mismatches;
    if (!SameBits(portable_math::Cos(x), ref::Cos(x))) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(PortableMathFloatFormsTest, Atan2EqualsTheFormWithEverySpecialCaseFirst) {
  std::mt19937 rng(72);
  std::uniform_real_distribution<float> coordinate(-500.0f, 500.0f);
  const float inf = std::numeric_limits<float>::infinity();
  std::vector<float> edges = EdgeArguments();
  edges.insert(edges.end(), {inf, -inf, 1.0f, -1.0f, 2.0f, 3e38f, -3e38f});
  int mismatches = 0;
  const auto check = [&](float y, float x) {
    if (!SameBits(portable_math::Atan2(y, x), ref::Atan2(y, x))) ++mismatches;
  };
  for (const float y : edges) {
    for (const float x : edges) check(y, x);
  }
  for (int k = 0; k < 1000000; ++k) {
    check(coordinate(rng), coordinate(rng));
    check(AnyFloat(rng, inf), AnyFloat(rng, inf));
    const float x = AnyFloat(rng, inf);
    check(x, x);  // the diagonal, where the quotient is exactly 1
    check(-x, x);
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
