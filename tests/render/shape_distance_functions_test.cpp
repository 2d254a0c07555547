#include "render/shape_distance_functions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "render/distance_reference.h"

namespace {

using distance_reference::Point;
using distance_reference::Polyline;
constexpr double PI = std::numbers::pi;

// Float rounding of the kernels: the point is turned, its angle taken and
// folded, and the sector point rebuilt from float trigonometry, each step
// good to a few ulps of the radius involved (a float ulp is 1.2e-7
// relative). 4e-6 of the larger of the point's radius and the shape's
// radius leaves a margin of about ten over the errors seen.
double FloatSlack(Point p, double shape_radius) { return 4e-6 * std::max({std::hypot(p.x, p.y), shape_radius, 1.0}); }

Point Polar(double r, double angle) { return {r * std::cos(angle), r * std::sin(angle)}; }
Point Tangent(double angle) { return {-std::sin(angle), std::cos(angle)}; }

// Closed outline through vertices at the given radii and angles, each edge a
// cubic whose handles run along the circle tangent at its ends (lengths
// handle[j] at vertex j), or straight when every handle is 0.
Polyline RoundedRing(const std::vector<double>& radius, const std::vector<double>& angle,
                     const std::vector<double>& handle, int samples_per_edge) {
  const std::size_t n = radius.size();
  const bool sharp = std::all_of(handle.begin(), handle.end(), [](double h) { return h == 0; });
  Polyline out;
  for (std::size_t j = 0; j < n; ++j) {
    const std::size_t k = (j + 1) % n;
    const Point p0 = Polar(radius[j], angle[j]);
    const Point p3 = Polar(radius[k], angle[j] + (angle[k] - angle[j] + (k == 0 ? 2 * PI : 0)));
    if (sharp) {
      out.push_back(p0);
      continue;
    }
    const Point t0 = Tangent(angle[j]), t3 = Tangent(angle[k]);
    const Point p1{p0.x + handle[j] * t0.x, p0.y + handle[j] * t0.y};
    const Point p2{p3.x - handle[k] * t3.x, p3.y - handle[k] * t3.y};
    for (int i = 0; i < samples_per_edge; ++i) {
      out.push_back(distance_reference::Bezier(p0, p1, p2, p3, static_cast<double>(i) / samples_per_edge));
    }
  }
  return out;
}

Polyline PolygonOutline(double r, int sides, double start_deg, double roundness, int samples) {
  const double seg = 2 * PI / sides;
  const double h = roundness / 100 * r * std::tan(seg / 4);
  std::vector<double> radius(sides, r), angle, handle(sides, h);
  for (int k = 0; k < sides; ++k) angle.push_back(start_deg * PI / 180 + k * seg);
  return RoundedRing(radius, angle, handle, samples);
}

// Vertices alternate between outer_radius (at the start angle) and
// inner_radius, whichever is larger.
Polyline StarOutline(double ro, double ri, int points, double start_deg, double r_out, double r_in, int samples) {
  const double half = PI / points;
  std::vector<double> radius, angle, handle;
  for (int j = 0; j < 2 * points; ++j) {
    const bool outer = j % 2 == 0;
    const double r = outer ? ro : ri;
    radius.push_back(r);
    angle.push_back(start_deg * PI / 180 + j * half);
    handle.push_back(2 * (outer ? r_out : r_in) / 100 * r * std::tan(half / 4));
  }
  return RoundedRing(radius, angle, handle, samples);
}

// How far the kernel's distance may stray from the true outline's for one
// rounded edge, in the sector frame (the edge from angle 0 to sector_angle):
// - its chord polyline (cut at t_i = (1 - cos(i pi / K)) / 2) against the
//   true curve;
// - plus, for edges pulled inwards, twice the depth by which the curve dips
//   across its sector's bounding rays before it turns back. The kernel folds
//   every point into one sector and sees only that sector's curve; the
//   neighbouring edge's part inside the sector is the mirror image of this
//   edge's dip, each of its points within twice the dip depth of a point of
//   this edge, so it can lie nearer by at most that much.
double EdgeTolerance(Point p0, Point p1, Point p2, Point p3, int chords, double sector_angle) {
  Polyline curve, poly;
  for (int i = 0; i <= 4000; ++i) curve.push_back(distance_reference::Bezier(p0, p1, p2, p3, i / 4000.0));
  for (int i = 0; i <= chords; ++i) {
    poly.push_back(distance_reference::Bezier(p0, p1, p2, p3, (1 - std::cos(i * PI / chords)) / 2));
  }
  double worst = 0;
  double dip = 0;
  for (const Point& c : curve) {
    double best = 1e30;
    for (int i = 0; i < chords; ++i) best = std::min(best, distance_reference::SegmentDistance(c, poly[i], poly[i + 1]));
    worst = std::max(worst, best);
    dip = std::max({dip, -c.y, std::cos(sector_angle) * c.y - std::sin(sector_angle) * c.x});
  }
  return worst + 2 * dip;
}

struct GridStats {
  double worst_error = 0;
  int inside = 0;
  int outside = 0;
};

// Compares a kernel with the signed distance to a reference outline over a
// grid reaching 1.6 times the shape's radius; the sign is checked wherever
// the reference lies beyond the tolerance from the edge.
template <typename Kernel>
GridStats CompareOnGrid(const Kernel& kernel, const Polyline& outline, double extent, double shape_tolerance) {
  GridStats stats;
  const double step = extent / 17.3;
  for (double y = -1.6 * extent + 0.013; y < 1.6 * extent; y += step) {
    for (double x = -1.6 * extent + 0.007; x < 1.6 * extent; x += step) {
      const float fx = static_cast<float>(x), fy = static_cast<float>(y);
      const Point p{fx, fy};
      const double ref = distance_reference::SignedDistance(p, outline);
      const float got = kernel(fx, fy);
      const double tolerance = shape_tolerance + FloatSlack(p, extent);
      stats.worst_error = std::max(stats.worst_error, std::fabs(got - ref));
      EXPECT_NEAR(got, ref, tolerance) << "at " << x << "," << y;
      if (std::fabs(ref) > tolerance) {
        EXPECT_EQ(got > 0, ref > 0) << "at " << x << "," << y;
        ++(ref > 0 ? stats.inside : stats.outside);
      }
    }
  }
  EXPECT_GT(stats.inside, 10);
  EXPECT_GT(stats.outside, 10);
  return stats;
}

// ---------------------------------------------------------------- ellipse

TEST(EllipseDistanceTest, NearCircleUsesTheMeanRadius) {
  EXPECT_FLOAT_EQ(EllipseDistance(3, 4, 10, 10.4f), 5.2f);
  EXPECT_FLOAT_EQ(EllipseDistance(-3, 4, 10.4f, 10), 5.2f);
  EXPECT_FLOAT_EQ(EllipseDistance(0, 0, 10, 10.4f), 10.2f);
  EXPECT_FLOAT_EQ(EllipseDistance(0, 20, 7, 7), -13.0f);
  EXPECT_FLOAT_EQ(EllipseDistance(0, 0, 0, 0), 0.0f);
}

TEST(EllipseDistanceTest, ExactValuesOnTheAxes) {
  // Half a pixel apart is no longer a circle: the centre is min(a, b) deep.
  EXPECT_NEAR(EllipseDistance(0, 0, 10, 10.5f), 10.0, 1e-5);
  EXPECT_NEAR(EllipseDistance(0, 0, 10, 5), 5.0, 1e-5);
  EXPECT_NEAR(EllipseDistance(0, 20, 10, 5), -15.0, 1e-5);
  EXPECT_NEAR(EllipseDistance(-25, 0, 10, 5), -15.0, 1e-5);
  EXPECT_NEAR(EllipseDistance(0, 2, 10, 5), 3.0, 1e-5);
}

TEST(EllipseDistanceTest, PointOnTheCurveIsPositiveZero) {
  const float on_curve[][2] = {{10, 0}, {-10, 0}, {0, 5}, {0, -5}};
  for (const auto& p : on_curve) {
    const float d = EllipseDistance(p[0], p[1], 10, 5);
    EXPECT_EQ(d, 0.0f) << p[0] << "," << p[1];
    EXPECT_FALSE(std::signbit(d)) << p[0] << "," << p[1];
  }
}

TEST(EllipseDistanceTest, MatchesDenseBoundaryOnGrid) {
  const float axes[][2] = {{40, 10}, {10, 40}, {25, 24}, {30, 5}, {3, 12}, {60, 59.5f}};
  for (const auto& ab : axes) {
    const double a = ab[0], b = ab[1];
    constexpr int SAMPLES = 3000;
    Polyline outline;
    for (int i = 0; i < SAMPLES; ++i) {
      const double t = 2 * PI * i / SAMPLES;
      outline.push_back({a * std::cos(t), b * std::sin(t)});
    }
    // The polyline's chords cut inside the curve by at most their sagitta.
    double sagitta = 0;
    for (int i = 0; i < SAMPLES; ++i) {
      const double t = 2 * PI * (i + 0.5) / SAMPLES;
      sagitta = std::max(sagitta, distance_reference::SegmentDistance({a * std::cos(t), b * std::sin(t)}, outline[i],
                                                                      outline[(i + 1) % SAMPLES]));
    }
    const auto kernel = [&](float x, float y) { return EllipseDistance(x, y, ab[0], ab[1]); };
    CompareOnGrid(kernel, outline, std::max(a, b), sagitta);
  }
}

// ---------------------------------------------------------------- polygon

TEST(RegularPolygonDistanceTest, CentreLiesTheApothemDeep) {
  for (int sides = 3; sides <= 9; ++sides) {
    EXPECT_NEAR(RegularPolygonDistance(0, 0, 20, sides, -90, 0), 20 * std::cos(PI / sides), 1e-4) << sides;
  }
}

TEST(RegularPolygonDistanceTest, VertexAtTheStartAngle) {
  // Start angle -90: the first vertex straight up (negative y).
  EXPECT_NEAR(RegularPolygonDistance(0, -20, 20, 5, -90, 0), 0.0, 1e-4);
  EXPECT_NEAR(RegularPolygonDistance(0, -25, 20, 5, -90, 0), -5.0, 1e-4);
  EXPECT_NEAR(RegularPolygonDistance(0, -25, 20, 5, -90, 60), -5.0, 1e-4);
  EXPECT_NEAR(RegularPolygonDistance(30, 0, 20, 4, 0, 0), -10.0, 1e-4);
}

TEST(RegularPolygonDistanceTest, InwardRoundingKeepsPointsBeyondTheSpikesOutside) {
  // Negative roundness bends the edges in and leaves a spike at every
  // vertex. Points out past a spike are nearest to the vertex itself and
  // must stay outside at about their distance from it.
  for (float roundness : {-20.0f, -50.0f, -100.0f}) {
    for (int sides : {3, 6}) {
      for (float beyond : {0.5f, 4.0f, 15.0f}) {
        for (int k = 0; k < sides; ++k) {
          const double angle = -PI / 2 + 2 * PI * k / sides + 0.02;
          const float x = static_cast<float>((12 + beyond) * std::cos(angle));
          const float y = static_cast<float>((12 + beyond) * std::sin(angle));
          const float d = RegularPolygonDistance(x, y, 12, sides, -90, roundness);
          EXPECT_LT(d, 0.0f) << roundness << " " << sides << " " << beyond << " " << k;
          EXPECT_NEAR(d, -beyond, 0.3 + 0.01 * beyond) << roundness << " " << sides << " " << beyond << " " << k;
        }
      }
    }
  }
}

TEST(RegularPolygonDistanceTest, DegenerateSizesAreRaised) {
  for (float x : {-1.3f, 0.0f, 0.2f, 4.0f}) {
    for (float y : {-0.7f, 0.1f, 2.5f}) {
      for (float roundness : {0.0f, 50.0f}) {
        const float triangle = RegularPolygonDistance(x, y, 12, 3, -90, roundness);
        for (int sides : {2, 1, 0, -5}) EXPECT_EQ(RegularPolygonDistance(x, y, 12, sides, -90, roundness), triangle);
        const float smallest = RegularPolygonDistance(x, y, 0.5f, 6, -90, roundness);
        for (float radius : {0.0f, 0.3f, -8.0f}) EXPECT_EQ(RegularPolygonDistance(x, y, radius, 6, -90, roundness), smallest);
        EXPECT_TRUE(std::isfinite(smallest));
      }
    }
  }
}

TEST(RegularPolygonDistanceTest, MatchesReferenceOutlineOnGrid) {
  struct Case {
    float radius;
    int sides;
    float start;
    float roundness;
  };
  const Case cases[] = {{20, 3, -90, 0},  {35, 5, -90, 0},  {12, 6, 17, 0},   {40, 8, -90, 0},   {20, 3, -90, 100},
                        {35, 5, -90, 40}, {12, 6, 17, -50}, {40, 4, -90, 75}, {25, 7, 200, -100}};
  for (const Case& c : cases) {
    const double seg = 2 * PI / c.sides;
    const double h = c.roundness / 100 * c.radius * std::tan(seg / 4);
    const double shape_tolerance =
        c.roundness == 0 ? 0
                         : EdgeTolerance({c.radius, 0}, {c.radius, h},
                                         {c.radius * std::cos(seg) + h * std::sin(seg), c.radius * std::sin(seg) - h * std::cos(seg)},
                                         {c.radius * std::cos(seg), c.radius * std::sin(seg)}, 16, seg);
    const Polyline outline = PolygonOutline(c.radius, c.sides, c.start, c.roundness, 600);
    const auto kernel = [&](float x, float y) { return RegularPolygonDistance(x, y, c.radius, c.sides, c.start, c.roundness); };
    CompareOnGrid(kernel, outline, c.radius, shape_tolerance + 1e-5 * c.radius);
  }
}

// ---------------------------------------------------------------- star

TEST(StarDistanceTest, SharpStarCentreDepth) {
  // A pointed star: the edge's foot from the centre falls beyond the inner
  // vertex, so the centre lies the inner radius deep.
  EXPECT_NEAR(StarDistance(0, 0, 20, 8, 5, -90, 0, 0), 8.0, 1e-4);
  // A blunt one: the foot lies on the edge, at the edge line's distance.
  const double ro = 20, ri = 18, half = PI / 5;
  const Point vi = Polar(ri, half);
  const double expected = std::fabs(ro * vi.y) / std::hypot(vi.x - ro, vi.y);
  ASSERT_LT(expected, ri);
  EXPECT_NEAR(StarDistance(0, 0, 20, 18, 5, -90, 0, 0), expected, 1e-4);
  // The outer vertex straight up, and a point beyond it.
  EXPECT_NEAR(StarDistance(0, -20, 20, 8, 5, -90, 0, 0), 0.0, 1e-4);
  EXPECT_NEAR(StarDistance(0, -26, 20, 8, 5, -90, 0, 0), -6.0, 1e-4);
}

TEST(StarDistanceTest, VerticesMergingIntoACircle) {
  // Both radii raised to 0.5 and so many points that the edge is shorter
  // than the circle test's threshold.
  for (float x : {0.0f, 0.3f, -2.0f, 7.5f}) {
    EXPECT_FLOAT_EQ(StarDistance(x, 1.0f, 0, 0, 64, -90, 0, 0), 0.5f - std::sqrt(x * x + 1.0f));
  }
}

TEST(StarDistanceTest, EqualRadiiMakeARegularPolygonOfTwiceThePoints) {
  for (float y = -30.1f; y < 30; y += 2.3f) {
    for (float x = -30.2f; x < 30; x += 2.3f) {
      const Point p{x, y};
      EXPECT_NEAR(StarDistance(x, y, 20, 20, 5, -90, 0, 0), RegularPolygonDistance(x, y, 20, 10, -90, 0),
                  2 * FloatSlack(p, 20))
          << x << "," << y;
    }
  }
}

TEST(StarDistanceTest, DegenerateSizesAreRaised) {
  for (float x : {-1.3f, 0.0f, 0.2f, 4.0f}) {
    for (float y : {-0.7f, 0.1f, 2.5f}) {
      for (float roundness : {0.0f, 50.0f}) {
        const float three = StarDistance(x, y, 12, 5, 3, -90, roundness, roundness);
        for (int points : {2, 0, -3}) EXPECT_EQ(StarDistance(x, y, 12, 5, points, -90, roundness, roundness), three);
        const float smallest = StarDistance(x, y, 0.5f, 0.5f, 5, -90, roundness, roundness);
        EXPECT_EQ(StarDistance(x, y, 0, -1, 5, -90, roundness, roundness), smallest);
        EXPECT_TRUE(std::isfinite(smallest));
      }
    }
  }
}

TEST(StarDistanceTest, MatchesReferenceOutlineOnGrid) {
  struct Case {
    float outer, inner;
    int points;
    float start, outer_round, inner_round;
  };
  // The reference puts outer_radius at the start angle whichever radius is
  // larger, so the swapped cases check the half-point turn directly.
  const Case cases[] = {{30, 12, 5, -90, 0, 0},   {30, 12, 5, -90, 60, 0},  {30, 12, 5, -90, 0, 80},
                        {25, 20, 7, 33, 100, 100}, {30, 12, 5, -90, -20, 30}, {12, 30, 5, -90, 0, 0},
                        {12, 30, 5, -90, 70, 10},  {18, 18, 6, -90, 50, 50}};
  for (const Case& c : cases) {
    const double big = std::max(c.outer, c.inner), small = std::min(c.outer, c.inner);
    const double big_round = c.outer >= c.inner ? c.outer_round : c.inner_round;
    const double small_round = c.outer >= c.inner ? c.inner_round : c.outer_round;
    const double half = PI / c.points;
    const double ho = 2 * big_round / 100 * big * std::tan(half / 4);
    const double hi = 2 * small_round / 100 * small * std::tan(half / 4);
    const double shape_tolerance =
        c.outer_round == 0 && c.inner_round == 0
            ? 0
            : EdgeTolerance({big, 0}, {big, ho},
                            {small * std::cos(half) + hi * std::sin(half), small * std::sin(half) - hi * std::cos(half)},
                            {small * std::cos(half), small * std::sin(half)}, 64, half);
    const Polyline outline = StarOutline(c.outer, c.inner, c.points, c.start, c.outer_round, c.inner_round, 300);
    const auto kernel = [&](float x, float y) {
      return StarDistance(x, y, c.outer, c.inner, c.points, c.start, c.outer_round, c.inner_round);
    };
    CompareOnGrid(kernel, outline, big, shape_tolerance + 1e-5 * big);
  }
}

}  // namespace
