#include "geometry/input_request.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double MIN_SCALE_FACTOR = 0.2;
constexpr std::int32_t MARGIN_PAD = 4;
// Far beyond any layer the host can make, and far enough inside the 32-bit
// range that adding it to a coordinate cannot overflow.
constexpr double MARGIN_LIMIT = 1.0e9;

A_long ClampToLong(std::int64_t v) {
  return static_cast<A_long>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

std::int32_t MarginPx(double refraction, double depth, double effect_scale) {
  const double grown = (std::abs(refraction) + depth) * std::max(MIN_SCALE_FACTOR, 2.0 * effect_scale);
  // Out-of-range or non-finite controls must not turn into an undefined
  // conversion; they are held to a margin no layer can exceed.
  const double bounded = std::isfinite(grown) ? std::clamp(grown, -MARGIN_LIMIT, MARGIN_LIMIT) : 0.0;
  return static_cast<std::int32_t>(std::trunc(bounded)) + MARGIN_PAD;
}

PF_LRect GrowInputRequest(const PF_LRect& request, std::int32_t margin, A_long width, A_long height) {
  PF_LRect r;
  r.left = ClampToLong(std::max<std::int64_t>(std::int64_t{request.left} - margin, 0));
  r.top = ClampToLong(std::max<std::int64_t>(std::int64_t{request.top} - margin, 0));
  r.right = ClampToLong(std::min<std::int64_t>(std::int64_t{request.right} + margin, width));
  r.bottom = ClampToLong(std::min<std::int64_t>(std::int64_t{request.bottom} + margin, height));
  return r;
}

PF_LRect MaxResultRect(const PF_LRect& request, A_long width, A_long height) {
  PF_LRect r;
  r.left = std::min<A_long>(request.left, 0);
  r.top = std::min<A_long>(request.top, 0);
  r.right = std::max<A_long>(request.right, width);
  r.bottom = std::max<A_long>(request.bottom, height);
  return r;
}
