// The closed-form shape distances over random points and parameters, any
// float included: the ellipse, and the regular polygon and star both
// directly and through their prepared forms, which must agree bit for bit.
#include <cstdint>
#include <cstring>

#include "fuzz_input.h"
#include "render/shape_distance_functions.h"

namespace {

bool SameBits(float a, float b) {
  if (a != a && b != b) return true;  // NaN payloads need not agree
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const float px = in.Float(), py = in.Float();
  switch (in.Byte() % 3) {
    case 0: {
      const float a = in.Float(), b = in.Float();
      (void)EllipseDistance(px, py, a, b);
      break;
    }
    case 1: {
      const float radius = in.Float();
      const std::int32_t sides = in.Bool() ? in.I32() : in.Range(-2, 40);
      const float start = in.Float(360.0), roundness = in.Float();
      const PreparedPolygon prepared = PrepareRegularPolygon(radius, sides, start, roundness);
      const float direct = RegularPolygonDistance(px, py, radius, sides, start, roundness);
      FUZZ_CHECK(SameBits(direct, RegularPolygonDistance(prepared, px, py)));
      break;
    }
    default: {
      const float outer = in.Float(), inner = in.Float();
      const std::int32_t points = in.Bool() ? in.I32() : in.Range(-2, 40);
      const float start = in.Float(360.0), outer_roundness = in.Float(), inner_roundness = in.Float();
      const PreparedStar prepared = PrepareStar(outer, inner, points, start, outer_roundness, inner_roundness);
      const float direct = StarDistance(px, py, outer, inner, points, start, outer_roundness, inner_roundness);
      FUZZ_CHECK(SameBits(direct, StarDistance(prepared, px, py)));
      break;
    }
  }
  return 0;
}
