// The sector remainder without the library call against std::fmod, bit for
// bit: random angles and sector widths of every size, exact multiples and
// their neighbours one unit either side, zeros of both signs, NaN and
// infinities.
#include "render/angle_remainder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

bool SameBits(float a, float b) {
  return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) || (std::isnan(a) && std::isnan(b));
}

int Mismatch(float a, float d) {
  return SameBits(AngleRemainder(a, d, 1.0 / static_cast<double>(d)), std::fmod(a, d)) ? 0 : 1;
}

TEST(AngleRemainderTest, EqualsTheLibraryRemainderBitForBit) {
  std::mt19937 rng(20261210);
  std::uniform_real_distribution<float> angle(0.0f, 6.2831855f);
  std::uniform_int_distribution<int> points(1, 4096);
  int mismatches = 0;
  for (int k = 0; k < 2000000; ++k) {
    // The star's and polygon's sectors: a full turn over a whole count.
    const float d = 6.2831855f / static_cast<float>(points(rng));
    const float a = angle(rng);
    mismatches += Mismatch(a, d);
    // Exact multiples of the sector and a unit either side.
    const float m = static_cast<float>(rng() % 5000) * d;
    for (const float x : {m, std::nextafter(m, 0.0f), std::nextafter(m, 1e9f)}) mismatches += Mismatch(x, d);
    // Any two positive floats, wildly different in size.
    const float x = std::bit_cast<float>(static_cast<std::uint32_t>(rng() & 0x7FFFFFFFu));
    const float y = std::bit_cast<float>(static_cast<std::uint32_t>(rng() & 0x7FFFFFFFu));
    if (!std::isnan(x) && !std::isnan(y) && y > 0.0f) mismatches += Mismatch(x, y);
  }
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const float a : {0.0f, -0.0f, -1.0f, 1e-45f, 6.2831855f, 3e38f, inf, -inf, nan}) {
    for (const float d : {1.2566371f, 1e-45f, 1e-30f, 0.5f, 1e30f, inf}) mismatches += Mismatch(a, d);
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
