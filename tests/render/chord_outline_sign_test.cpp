// The rounded star's and rounded polygon's sign against the whole chord
// outline, built here again in double from the same control points and
// tested for containment by a plain even-odd count on a horizontal ray: the
// kernel's side must be the outline's at every pixel that is not on the
// outline itself, for random shapes placed on and between pixel centres and
// turned by 0, 90 and random angles. Also the points where a ray through a
// chord end used to miss the outline and read a point outside as inside.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "render/shape_distance_field.h"
#include "render/shape_distance_functions.h"
#include "render/shape_primitive.h"

namespace {

constexpr double PI = 3.14159265358979323846;

struct Point {
  double x, y;
};

// The star's outline as the kernel defines it: each half-edge a cubic
// along the tangents of its vertices' circles, cut into 64 chords at
// parameters crowded toward the ends; an outer vertex at start_deg.
std::vector<Point> StarChordOutline(double ro, double ri, int points, double start_deg, double r_out, double r_in) {
  ro = std::max(0.5, ro);
  ri = std::max(0.5, ri);
  const int n = std::max(points, 3);
  if (ri > ro) {
    std::swap(ro, ri);
    std::swap(r_out, r_in);
    start_deg += 180.0 / n;
  }
  const double half = PI / n;
  const double ho = 2.0 * (r_out / 100.0) * ro * std::tan(half / 4.0);
  const double hi = 2.0 * (r_in / 100.0) * ri * std::tan(half / 4.0);
  const Point p0{ro, 0.0}, p1{ro, ho};
  const Point p2{ri * std::cos(half) + hi * std::sin(half), ri * std::sin(half) - hi * std::cos(half)};
  const Point p3{ri * std::cos(half), ri * std::sin(half)};
  std::vector<Point> edge;
  for (int i = 0; i <= 64; ++i) {
    const double t = i == 64 ? 1.0 : (1.0 - std::cos(i * PI / 64.0)) / 2.0;
    const double u = 1.0 - t;
    const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
    edge.push_back({b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x, b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y});
  }
  const double theta = start_deg * PI / 180.0;
  std::vector<Point> outline;
  const auto add = [&](Point p, double turn) {
    const double a = theta + turn;
    outline.push_back({std::cos(a) * p.x - std::sin(a) * p.y, std::sin(a) * p.x + std::cos(a) * p.y});
  };
  for (int k = 0; k < n; ++k) {
    for (int i = 0; i < 64; ++i) add(edge[i], 2.0 * k * half);
    for (int i = 64; i > 0; --i) add({edge[i].x, -edge[i].y}, 2.0 * (k + 1) * half);
  }
  return outline;
}

// The polygon's outline likewise: each edge a cubic along the circle's
// tangents at its vertices, cut into 16 chords; a vertex at start_deg.
std::vector<Point> PolygonChordOutline(double radius, int sides, double start_deg, double roundness) {
  const double r = std::max(0.5, radius);
  const int n = std::max(sides, 3);
  const double seg = 2.0 * PI / n;
  const double h = roundness / 100.0 * r * std::tan(seg / 4.0);
  const Point p0{r, 0.0}, p1{r, h};
  const Point p2{r * std::cos(seg) + h * std::sin(seg), r * std::sin(seg) - h * std::cos(seg)};
  const Point p3{r * std::cos(seg), r * std::sin(seg)};
  std::vector<Point> outline;
  for (int k = 0; k < n; ++k) {
    const double a = start_deg * PI / 180.0 + k * seg;
    for (int i = 0; i < 16; ++i) {
      const double t = (1.0 - std::cos(i * PI / 16.0)) / 2.0;
      const double u = 1.0 - t;
      const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
      const Point e{b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x, b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y};
      outline.push_back({std::cos(a) * e.x - std::sin(a) * e.y, std::sin(a) * e.x + std::cos(a) * e.y});
    }
  }
  return outline;
}

bool EvenOddInside(const std::vector<Point>& poly, double x, double y) {
  bool inside = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Point a = poly[i], b = poly[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

double OutlineDistance(const std::vector<Point>& poly, double x, double y) {
  double best = 1e300;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const double ex = poly[i].x - poly[j].x, ey = poly[i].y - poly[j].y;
    const double e2 = ex * ex + ey * ey;
    double s = e2 > 0 ? ((x - poly[j].x) * ex + (y - poly[j].y) * ey) / e2 : 0.0;
    s = std::clamp(s, 0.0, 1.0);
    best = std::min(best, std::hypot(x - (poly[j].x + s * ex), y - (poly[j].y + s * ey)));
  }
  return best;
}

struct Star {
  double outer, inner;
  int points;
  double outer_roundness, inner_roundness;
};

// Pixels of a w x h plane whose sign differs from the outline's, the
// primitive centred at (cx, cy) and turned by its rotation; pixels within a
// thousandth of a pixel of the outline are left out.
int WrongSigns(const ShapePrimitive& prim, const std::vector<Point>& outline, int w, int h) {
  const float cx = prim.center_x, cy = prim.center_y, rot_cos = prim.rot_cos, rot_sin = prim.rot_sin;
  FloatPlane depth, distance;
  EXPECT_TRUE(AllocateFloatPlane(depth, w, h));
  EXPECT_TRUE(AllocateFloatPlane(distance, w, h));
  const ShapeSlot slots[1] = {};
  ShapeDistanceField(0, 1, &prim, 1, slots, depth, distance, nullptr);
  int wrong = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      // The pixel in the star's own frame, as the field turns it.
      const float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - cy;
      const double u = rot_cos * dx + rot_sin * dy;
      const double v = rot_cos * dy - rot_sin * dx;
      if ((distance.At(x, y) > 0.0f) == EvenOddInside(outline, u, v)) continue;
      if (OutlineDistance(outline, u, v) >= 1e-3) ++wrong;
    }
  }
  return wrong;
}

ShapePrimitive Placed(std::int32_t kind, float cx, float cy, float rot_cos, float rot_sin) {
  ShapePrimitive prim;
  prim.kind = kind;
  prim.center_x = cx;
  prim.center_y = cy;
  prim.rot_cos = rot_cos;
  prim.rot_sin = rot_sin;
  return prim;
}

int WrongSigns(const Star& s, float cx, float cy, float rot_cos, float rot_sin, int w, int h) {
  ShapePrimitive prim = Placed(SHAPE_STAR, cx, cy, rot_cos, rot_sin);
  prim.outer_radius = static_cast<float>(s.outer);
  prim.inner_radius = static_cast<float>(s.inner);
  prim.points = s.points;
  prim.outer_roundness = static_cast<float>(s.outer_roundness);
  prim.inner_roundness = static_cast<float>(s.inner_roundness);
  return WrongSigns(prim,
                    StarChordOutline(prim.outer_radius, prim.inner_radius, s.points, -90.0, prim.outer_roundness,
                                     prim.inner_roundness),
                    w, h);
}

struct Polygon {
  double radius;
  int sides;
  double roundness;
};

int WrongSigns(const Polygon& p, float cx, float cy, float rot_cos, float rot_sin, int w, int h) {
  ShapePrimitive prim = Placed(SHAPE_POLYGON, cx, cy, rot_cos, rot_sin);
  prim.outer_radius = static_cast<float>(p.radius);
  prim.points = p.sides;
  prim.outer_roundness = static_cast<float>(p.roundness);
  return WrongSigns(prim, PolygonChordOutline(prim.outer_radius, p.sides, -90.0, prim.outer_roundness), w, h);
}

// Centres on pixel centres and between them, turned by 0, 90 degrees or a
// random angle, by n.
template <typename Shape>
int RandomPlacementWrongSigns(const Shape& shape, int n, std::mt19937& rng) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  float cx = 45.0f, cy = 45.0f;
  if (n % 2 == 1) {
    cx += static_cast<float>(unit(rng));
    cy += static_cast<float>(unit(rng));
  }
  float rot_cos = 1.0f, rot_sin = 0.0f;
  if (n % 3 == 1) {
    rot_cos = 0.0f;
    rot_sin = 1.0f;
  } else if (n % 3 == 2) {
    const double a = unit(rng) * 2.0 * PI;
    rot_cos = static_cast<float>(std::cos(a));
    rot_sin = static_cast<float>(std::sin(a));
  }
  const int wrong = WrongSigns(shape, cx, cy, rot_cos, rot_sin, 91, 91);
  EXPECT_EQ(wrong, 0) << " at " << cx << "," << cy << " turned " << rot_cos << "," << rot_sin;
  return wrong;
}

// A ray through an inner vertex (6 points) and through an outer vertex
// from the other side (4 points, at 45 degrees): both points lie between
// the outline and the outer radius, outside.
TEST(StarOutlineSignTest, RaysThroughChordEndsFindTheOutline) {
  EXPECT_NEAR(StarDistance(40.0f, 0.0f, 50.0f, 20.0f, 6, -90.0f, 0.0f, 40.0f), -15.2381f, 1e-3f);
  EXPECT_NEAR(StarDistance(35.0f, -35.0f, 50.0f, 20.0f, 4, -90.0f, 40.0f, 20.0f), -25.18f, 1e-2f);
  // The same stars centred on pixel (60, 60) of a 121 x 121 plane.
  EXPECT_EQ(WrongSigns({50, 20, 6, 0, 40}, 60.0f, 60.0f, 1.0f, 0.0f, 121, 121), 0);
  EXPECT_EQ(WrongSigns({50, 20, 4, 40, 20}, 60.0f, 60.0f, 1.0f, 0.0f, 121, 121), 0);
}

TEST(StarOutlineSignTest, SignIsTheChordOutlinesContainmentForRandomStars) {
  std::mt19937 rng(9090);
  std::uniform_real_distribution<double> radius(3.0, 40.0);
  std::uniform_real_distribution<double> roundness(-100.0, 100.0);
  int wrong = 0;
  for (int n = 0; n < 90; ++n) {
    Star s{radius(rng), radius(rng), 3 + static_cast<int>(rng() % 10), roundness(rng), roundness(rng)};
    if (n % 9 == 0) s.inner_roundness = 0.0;
    if (n % 11 == 0) s.outer_roundness = 0.0;
    SCOPED_TRACE(testing::Message() << s.outer << " " << s.inner << " " << s.points << " " << s.outer_roundness << " "
                                    << s.inner_roundness);
    wrong += RandomPlacementWrongSigns(s, n, rng);
  }
  EXPECT_EQ(wrong, 0);
}

// A square rounded far inward, whose ray through a chord end slipped
// between the chords and read 78 pixels outside the spikes as inside, and
// random polygons of both roundings.
TEST(PolygonOutlineSignTest, SignIsTheChordOutlinesContainment) {
  EXPECT_EQ(WrongSigns(Polygon{32.4, 4, -92.9}, 50.0f, 50.0f, 1.0f, 0.0f, 101, 101), 0);
  std::mt19937 rng(1313);
  std::uniform_real_distribution<double> radius(3.0, 40.0);
  std::uniform_real_distribution<double> roundness(-100.0, 100.0);
  int wrong = 0;
  for (int n = 0; n < 120; ++n) {
    Polygon p{radius(rng), 3 + static_cast<int>(rng() % 10), roundness(rng)};
    if (n % 4 == 0) p.roundness = -std::fabs(p.roundness);
    SCOPED_TRACE(testing::Message() << p.radius << " " << p.sides << " " << p.roundness);
    wrong += RandomPlacementWrongSigns(p, n, rng);
  }
  EXPECT_EQ(wrong, 0);
}

// Polygon edges rounded so far inward that they reach round past a
// neighbouring vertex walk the whole outline; milder ones keep three edges.
TEST(PolygonOutlineSignTest, EdgesReachingPastANeighbourWalkTheWholeOutline) {
  struct Case {
    Polygon polygon;
    int kept;
  };
  const Case cases[] = {{{40, 3, -100}, 3}, {{40, 3, -600}, 0}, {{40, 5, -900}, 0}, {{40, 8, -2500}, 0}};
  for (const Case& c : cases) {
    const Polygon& p = c.polygon;
    SCOPED_TRACE(testing::Message() << p.sides << " sides, roundness " << p.roundness);
    const PreparedPolygon polygon =
        PrepareRegularPolygon(static_cast<float>(p.radius), p.sides, -90.0f, static_cast<float>(p.roundness));
    EXPECT_EQ(polygon.outline.piece_count, c.kept);
    EXPECT_EQ(WrongSigns(p, 45.5f, 44.25f, 1.0f, 0.0f, 91, 91), 0);
    EXPECT_EQ(WrongSigns(p, 45.0f, 45.0f, 0.6f, 0.8f, 91, 91), 0);
  }
}

// Edges rounded so far inward that they swing round the centre keep the
// whole outline (few points) or walk it point by point (more points than
// the kept pieces can hold): the same containment.
TEST(StarOutlineSignTest, StarsWhoseEdgesWindAboutTheCentre) {
  struct Case {
    Star star;
    bool whole;
  };
  const Case cases[] = {{{40, 12, 3, -800, -800}, true}, {{40, 12, 4, -1500, -1500}, true},
                        {{40, 12, 5, -800, -3000}, false}};
  for (const Case& c : cases) {
    const Star& s = c.star;
    SCOPED_TRACE(testing::Message() << s.points << " points, roundness " << s.outer_roundness << " "
                                    << s.inner_roundness);
    const PreparedStar star = PrepareStar(static_cast<float>(s.outer), static_cast<float>(s.inner), s.points, -90.0f,
                                          static_cast<float>(s.outer_roundness), static_cast<float>(s.inner_roundness));
    EXPECT_EQ(star.outline.whole, c.whole);
    EXPECT_EQ(star.outline.piece_count, c.whole ? 2 * s.points : 0);
    EXPECT_EQ(WrongSigns(s, 45.5f, 44.25f, 1.0f, 0.0f, 91, 91), 0);
    EXPECT_EQ(WrongSigns(s, 45.0f, 45.0f, 0.6f, 0.8f, 91, 91), 0);
  }
}

}  // namespace

namespace {

// Point counts from an expression can be anything up to the largest int;
// an outline that winds about its centre then cannot be walked piece by
// piece at every pixel (it took minutes a pixel), nor may its piece
// numbers overflow.
TEST(ChordOutlineSignTest, AbsurdPointCountsCostABoundedTimeAPixel) {
  const std::int32_t counts[] = {65, 1000, 1 << 20, 2147483647};
  for (const std::int32_t n : counts) {
    const PreparedStar star = PrepareStar(40.0f, 15.0f, n, -90.0f, -1000.0f, -800.0f);
    const PreparedPolygon polygon = PrepareRegularPolygon(40.0f, n, -90.0f, -1000.0f);
    for (int k = 0; k < 50; ++k) {
      const float px = -60.0f + 2.4f * static_cast<float>(k), py = 7.0f - 0.3f * static_cast<float>(k);
      const float s = StarDistance(star, px, py);
      const float p = RegularPolygonDistance(polygon, px, py);
      EXPECT_TRUE(std::isfinite(s)) << n << " " << k;
      EXPECT_TRUE(std::isfinite(p)) << n << " " << k;
      EXPECT_EQ(s, StarDistance(px, py, 40.0f, 15.0f, n, -90.0f, -1000.0f, -800.0f));
    }
  }
}

}  // namespace
