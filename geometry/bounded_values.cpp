#include "geometry/bounded_values.h"

#include <cmath>

double Bounded(double v, double limit, double fallback) {
  if (std::isnan(v)) return fallback;
  return v < -limit ? -limit : (v > limit ? limit : v);
}

double ReducedDegrees(double degrees) {
  if (!std::isfinite(degrees)) return 0.0;
  return std::fabs(degrees) > ANGLE_REDUCTION_DEG ? std::fmod(degrees, 360.0) : degrees;
}

double BoundedControl(double v) { return std::isfinite(v) ? Bounded(v, CONTROL_LIMIT, 0.0) : 0.0; }
