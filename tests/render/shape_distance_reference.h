// The star and regular-polygon distances as first written, a point at a
// time with every per-shape value worked out again for each point: the
// reference the prepared shapes must equal bit for bit.
#pragma once
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "render/portable_math.h"

namespace shape_distance_reference {


constexpr float PI_F = 3.1415927f;
constexpr float TWO_PI_F = 6.2831855f;

constexpr int POLYGON_CHORDS = 16;
constexpr int STAR_CHORDS = 64;

struct Vec2 {
  float x;
  float y;
};


// t_i = (1 - cos(i pi / chords)) / 2 for i = 0 ... chords, the last forced
// to exactly 1 so the final chord ends on the far vertex.
template <int CHORDS>
const std::array<float, CHORDS + 1>& ChordParameters() {
  static const std::array<float, CHORDS + 1> table = [] {
    std::array<float, CHORDS + 1> t{};
    t[0] = 0.0f;
    for (int i = 1; i < CHORDS; ++i) {
      t[i] = (1.0f - portable_math::Cos(static_cast<float>(i) * PI_F / static_cast<float>(CHORDS))) / 2.0f;
    }
    t[CHORDS] = 1.0f;
    return t;
  }();
  return table;
}

inline Vec2 BezierPoint(const Vec2& p0, const Vec2& p1, const Vec2& p2, const Vec2& p3, float t) {
  const float u = 1.0f - t;
  const float b0 = u * u * u;
  const float b1 = 3.0f * u * u * t;
  const float b2 = 3.0f * u * t * t;
  const float b3 = t * t * t;
  return {b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x, b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y};
}

// Samples the curve at the chord parameters into curve[0 ... CHORDS].
template <int CHORDS>
inline void SampleCurve(const Vec2& p0, const Vec2& p1, const Vec2& p2, const Vec2& p3, std::array<Vec2, CHORDS + 1>& curve) {
  const auto& t = ChordParameters<CHORDS>();
  curve[0] = p0;
  for (int i = 1; i <= CHORDS; ++i) curve[i] = BezierPoint(p0, p1, p2, p3, t[i]);
}

struct ChordHit {
  float d2;     // least squared distance to a chord
  float cross;  // side of that chord's line: >= 0 on its left, the inside
};

// The nearest chord of the polyline; on a tie the earlier chord wins.
template <int CHORDS>
ChordHit NearestChord(const Vec2& q, const std::array<Vec2, CHORDS + 1>& curve) {
  ChordHit hit{1e30f, 0.0f};
  for (int i = 0; i < CHORDS; ++i) {
    const Vec2 p = curve[i];
    const float ex = curve[i + 1].x - p.x;
    const float ey = curve[i + 1].y - p.y;
    const float e2 = ex * ex + ey * ey;
    const float wx = q.x - p.x;
    const float wy = q.y - p.y;
    float s = 0.0f;
    if (e2 > 1e-8f) s = std::clamp((wx * ex + wy * ey) / e2, 0.0f, 1.0f);
    const float dx = q.x - (p.x + s * ex);
    const float dy = q.y - (p.y + s * ey);
    const float d2 = dx * dx + dy * dy;
    if (d2 < hit.d2) {
      hit.d2 = d2;
      hit.cross = wy * ex - wx * ey;
    }
  }
  return hit;
}

// The point turned by -start_angle_deg, so a vertex at that angle comes to
// lie on the +x axis.
inline Vec2 TurnToVertexFrame(float px, float py, float start_angle_deg) {
  const float theta = start_angle_deg * PI_F / 180.0f;
  const float c = portable_math::Cos(theta);
  const float s = portable_math::Sin(theta);
  return {c * px + s * py, c * py - s * px};
}

inline float PositiveAngle(const Vec2& p) {
  float a = portable_math::Atan2(p.y, p.x);
  if (a < 0.0f) a += TWO_PI_F;
  return a;
}

inline float RegularPolygonDistance(float px, float py, float radius, std::int32_t sides, float start_angle_deg,
                             float roundness) {
  const float r = std::max(0.5f, radius);
  const Vec2 p = TurnToVertexFrame(px, py, start_angle_deg);
  const float seg = TWO_PI_F / static_cast<float>(std::max(sides, std::int32_t{3}));
  const float a = PositiveAngle(p);
  const float rho = std::sqrt(p.x * p.x + p.y * p.y);
  const float a_sector = std::fmod(a, seg);

  if (roundness == 0.0f) {
    // Straight edge between the vertices at 0 and seg: ex is the distance
    // beyond its line, ey how far along it the point lies past its half
    // length.
    const float half = seg / 2.0f;
    const float ex = portable_math::Cos(a_sector - half) * rho - portable_math::Cos(half) * r;
    const float hh = portable_math::Sin(half) * r;
    const float ey = std::fabs(portable_math::Sin(a_sector - half)) * rho - hh;
    const float q = ey + std::max(0.0f, std::min(-ey, hh));
    const float sign = ex > 0.0f ? 1.0f : -1.0f;
    return -sign * std::sqrt(q * q + ex * ex);
  }

  // The edge as a cubic whose handles follow the circumscribed circle's
  // tangents at the two vertices.
  const float h = (roundness / 100.0f) * r * portable_math::Tan(seg / 4.0f);
  const float cs = portable_math::Cos(seg);
  const float ss = portable_math::Sin(seg);
  const Vec2 p0{r, 0.0f};
  const Vec2 p1{r, h};
  const Vec2 p2{r * cs + h * ss, r * ss - h * cs};
  const Vec2 p3{r * cs, r * ss};
  std::array<Vec2, POLYGON_CHORDS + 1> curve;
  SampleCurve<POLYGON_CHORDS>(p0, p1, p2, p3, curve);
  const Vec2 q{rho * portable_math::Cos(a_sector), rho * portable_math::Sin(a_sector)};
  const ChordHit hit = NearestChord<POLYGON_CHORDS>(q, curve);
  const float d = std::sqrt(hit.d2);
  if (roundness > 0.0f) return hit.cross >= 0.0f ? d : -d;
  // Negative roundness: inside when the ray from the point away from the
  // centre crosses the whole polygon's chord outline an odd number of
  // times. Edge k is the sector edge turned by k sides and ends on edge
  // k + 1's first point.
  const std::int32_t n = std::max(sides, std::int32_t{3});
  const auto outline_point = [&](std::int32_t k, int i) {
    if (i == POLYGON_CHORDS) {
      k = (k + 1) % n;
      i = 0;
    }
    if (k == 0) return curve[static_cast<std::size_t>(i)];
    const float turn = static_cast<float>(k) * seg;
    const float c = portable_math::Cos(turn);
    const float s = portable_math::Sin(turn);
    const Vec2 e = curve[static_cast<std::size_t>(i)];
    return Vec2{c * e.x - s * e.y, s * e.x + c * e.y};
  };
  const float cos_a = portable_math::Cos(a_sector);
  const float sin_a = portable_math::Sin(a_sector);
  std::int32_t crossings = 0;
  for (std::int32_t k = 0; k < n; ++k) {
    for (int i = 0; i < POLYGON_CHORDS; ++i) {
      const Vec2 from = outline_point(k, i);
      const Vec2 to = outline_point(k, i + 1);
      const float sp = cos_a * from.y - sin_a * from.x;
      const float sc = cos_a * to.y - sin_a * to.x;
      if ((sp > 0.0f) == (sc > 0.0f)) continue;
      const float t = sp / (sp - sc);
      const float along_p = from.x * cos_a + from.y * sin_a;
      const float along_c = to.x * cos_a + to.y * sin_a;
      if (along_p + t * (along_c - along_p) > rho) ++crossings;
    }
  }
  return (crossings & 1) != 0 ? d : -d;
}

inline float StarDistance(float px, float py, float outer_radius, float inner_radius, std::int32_t points,
                   float start_angle_deg, float outer_roundness, float inner_roundness) {
  float ro_radius = std::max(0.5f, outer_radius);
  float ri_radius = std::max(0.5f, inner_radius);
  const std::int32_t n = std::max(points, std::int32_t{3});
  float ro = outer_roundness;
  float ri = inner_roundness;
  float start = start_angle_deg;
  if (ri_radius > ro_radius) {
    // The inner vertices reach further out: they become the outer ones,
    // half a point round from the given start.
    std::swap(ro_radius, ri_radius);
    std::swap(ro, ri);
    start += 180.0f / static_cast<float>(n);
  }

  const Vec2 p = TurnToVertexFrame(px, py, start);
  const float half = PI_F / static_cast<float>(n);
  const float a = PositiveAngle(p);
  // Fold into [0, half]: each point is two mirrored half-edges.
  float a_sector = std::fmod(a, 2.0f * half);
  if (a_sector > half) a_sector = 2.0f * half - a_sector;
  const float rho = std::sqrt(p.x * p.x + p.y * p.y);
  const float cos_a = portable_math::Cos(a_sector);
  const float sin_a = portable_math::Sin(a_sector);
  const Vec2 q{rho * cos_a, rho * sin_a};
  const Vec2 vo{ro_radius, 0.0f};
  const Vec2 vi{ri_radius * portable_math::Cos(half), ri_radius * portable_math::Sin(half)};

  if (ro == 0.0f && ri == 0.0f) {
    const float ex = vi.x - vo.x;
    const float ey = vi.y - vo.y;
    const float e2 = ex * ex + ey * ey;
    if (e2 < 0.001f) return ro_radius - rho;  // the vertices merge into a circle
    const float s = std::clamp(((q.x - vo.x) * ex + (q.y - vo.y) * ey) / e2, 0.0f, 1.0f);
    const float dx = q.x - (vo.x + s * ex);
    const float dy = q.y - (vo.y + s * ey);
    const float d = std::sqrt(dx * dx + dy * dy);
    return (q.y - 0.0f) * ex - (q.x - ro_radius) * ey >= 0.0f ? d : -d;
  }

  const float quarter_tan = portable_math::Tan(half / 4.0f);
  const float ho = 2.0f * (ro / 100.0f) * ro_radius * quarter_tan;
  const float hi = 2.0f * (ri / 100.0f) * ri_radius * quarter_tan;
  const float ch = portable_math::Cos(half);
  const float sh = portable_math::Sin(half);
  const Vec2 p1{ro_radius, ho};
  const Vec2 p2{ri_radius * ch + hi * sh, ri_radius * sh - hi * ch};
  std::array<Vec2, STAR_CHORDS + 1> curve;
  SampleCurve<STAR_CHORDS>(vo, p1, p2, vi, curve);
  const ChordHit hit = NearestChord<STAR_CHORDS>(q, curve);
  const float d = std::sqrt(hit.d2);

  // The sign: inside when the ray from the point away from the centre
  // crosses the whole star's chord outline an odd number of times. The
  // outline is 2N half-edges; half-edge 2k is the sector edge turned by k
  // points, 2k + 1 the edge mirrored and turned on to the next outer
  // vertex, and where two meet both take the even one's point.
  const std::int32_t total = 2 * n;
  const float two_half = 2.0f * half;
  std::vector<Vec2> turns(static_cast<std::size_t>(n));
  for (std::int32_t k = 1; k < n; ++k) {
    const float turn = static_cast<float>(k) * two_half;
    turns[static_cast<std::size_t>(k)] = Vec2{portable_math::Cos(turn), portable_math::Sin(turn)};
  }
  const auto outline_point = [&](std::int32_t piece, int i) {
    // Recursion by hand: the ends of a mirrored half-edge.
    std::int32_t j = piece % total;
    if (j < 0) j += total;
    if (j % 2 != 0 && i == 0) {
      j = j - 1;
      i = STAR_CHORDS;
    } else if (j % 2 != 0 && i == STAR_CHORDS) {
      j = (j + 1) % total;
      i = 0;
    }
    const bool mirrored = j % 2 != 0;
    const std::int32_t k = (mirrored ? (j + 1) / 2 : j / 2) % n;
    const float sx = mirrored ? curve[STAR_CHORDS - i].x : curve[i].x;
    const float sy = mirrored ? -curve[STAR_CHORDS - i].y : curve[i].y;
    if (k == 0) return Vec2{sx, sy};
    const float c = turns[static_cast<std::size_t>(k)].x;
    const float s = turns[static_cast<std::size_t>(k)].y;
    return Vec2{c * sx - s * sy, s * sx + c * sy};
  };
  std::int32_t crossings = 0;
  for (std::int32_t j = 0; j < total; ++j) {
    for (int i = 0; i < STAR_CHORDS; ++i) {
      const Vec2 from = outline_point(j, i);
      const Vec2 to = outline_point(j, i + 1);
      // Each point's side of the line along (cos_a, sin_a) is its own.
      const float sp = cos_a * from.y - sin_a * from.x;
      const float sc = cos_a * to.y - sin_a * to.x;
      if ((sp > 0.0f) == (sc > 0.0f)) continue;
      const float t = sp / (sp - sc);
      const float along_p = from.x * cos_a + from.y * sin_a;
      const float along_c = to.x * cos_a + to.y * sin_a;
      if (along_p + t * (along_c - along_p) > rho) ++crossings;
    }
  }
  return (crossings & 1) != 0 ? d : -d;
}

}  // namespace shape_distance_reference
