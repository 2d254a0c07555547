// Brute-force references for the distance functions, in double precision:
// a closed polyline, the least point-to-segment distance over all of its
// edges, and the winding number from the sum of the turned angles (an
// inside test independent of any crossing rule).
#pragma once
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace distance_reference {

struct Point {
  double x;
  double y;
  bool operator==(const Point&) const = default;
};

using Polyline = std::vector<Point>;  // closed: the last point joins the first

inline double SegmentDistance(Point p, Point a, Point b) {
  const double ex = b.x - a.x, ey = b.y - a.y;
  const double e2 = ex * ex + ey * ey;
  double t = e2 > 0 ? ((p.x - a.x) * ex + (p.y - a.y) * ey) / e2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * ex), p.y - (a.y + t * ey));
}

inline double UnsignedDistance(Point p, const Polyline& poly, std::size_t begin, std::size_t end) {
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = begin; i < end; ++i) {
    const Point a = poly[i];
    const Point b = poly[i + 1 < end ? i + 1 : begin];
    best = std::min(best, SegmentDistance(p, a, b));
  }
  return best;
}

inline double UnsignedDistance(Point p, const Polyline& poly) { return UnsignedDistance(p, poly, 0, poly.size()); }

inline int WindingNumber(Point p, const Polyline& poly, std::size_t begin, std::size_t end) {
  if (end <= begin) return 0;
  double turned = 0;
  const double first = std::atan2(poly[begin].y - p.y, poly[begin].x - p.x);
  double previous = first;
  for (std::size_t i = begin; i < end; ++i) {
    const double next = i + 1 < end ? std::atan2(poly[i + 1].y - p.y, poly[i + 1].x - p.x) : first;
    double d = next - previous;
    while (d > std::numbers::pi) d -= 2 * std::numbers::pi;
    while (d < -std::numbers::pi) d += 2 * std::numbers::pi;
    turned += d;
    previous = next;
  }
  return static_cast<int>(std::lround(turned / (2 * std::numbers::pi)));
}

inline int WindingNumber(Point p, const Polyline& poly) { return WindingNumber(p, poly, 0, poly.size()); }

// Signed distance to a closed polyline under the nonzero rule.
inline double SignedDistance(Point p, const Polyline& poly) {
  const double d = UnsignedDistance(p, poly);
  return WindingNumber(p, poly) != 0 ? d : -d;
}

inline Point Rotate(Point p, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return {c * p.x - s * p.y, s * p.x + c * p.y};
}

inline Point Bezier(Point p0, Point p1, Point p2, Point p3, double t) {
  const double u = 1 - t;
  const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
  return {b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x, b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y};
}

}  // namespace distance_reference
