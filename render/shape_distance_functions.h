// Closed-form signed distances to the analytic pane shapes, each centred on
// the origin of the shape's own frame, in output pixels, positive inside and
// negative outside. Angles are in degrees; a start angle turns the shape so
// that a vertex lies along it. Everything runs in 32-bit floats except the
// general ellipse, which solves its nearest-point cubic in 64 bits.
#pragma once
#include <array>
#include <cmath>
#include <cstdint>

// Axis-aligned ellipse with semi-axes a (along x) and b (along y). Semi-axes
// less than half a pixel apart are treated as a circle of their mean. A
// point on the curve counts as outside and gives +0.
float EllipseDistance(float px, float py, float a, float b);

// Regular polygon of `sides` (at least 3) vertices on a circle of `radius`
// (at least 0.5), a vertex at start_angle_deg. Roundness (percent) bends the
// edges into cubic curves along the circle's tangents; 0 keeps them straight.
float RegularPolygonDistance(float px, float py, float radius, std::int32_t sides, float start_angle_deg,
                             float roundness);

// Star of `points` (at least 3) outer vertices at outer_radius and as many
// inner ones at inner_radius (both at least 0.5), an outer vertex at
// start_angle_deg. An inner radius above the outer one gives the star with
// the radii swapped, turned by half a point.
float StarDistance(float px, float py, float outer_radius, float inner_radius, std::int32_t points,
                   float start_angle_deg, float outer_roundness, float inner_roundness);

// The same two shapes with everything that does not depend on the point
// worked out once: the turn to the vertex frame, the sector, and the edge's
// chord polyline with each chord's direction and squared length, and the
// outline pieces for the sign. Distances from a prepared shape equal those
// of the functions above bit for bit; the field builder prepares each shape
// once per frame.
constexpr int POLYGON_CHORDS = 16;
constexpr int STAR_CHORDS = 64;

template <int CHORDS>
struct ChordPolyline {
  // Chord i runs from (x[i], y[i]) by (ex[i], ey[i]).
  std::array<float, CHORDS + 1> x{};
  std::array<float, CHORDS + 1> y{};
  std::array<float, CHORDS> ex{};
  std::array<float, CHORDS> ey{};
  std::array<float, CHORDS> e2{};          // squared length
  std::array<float, CHORDS> e2_divisor{};  // e2, or 1 where the chord is too short to project on
  std::array<bool, CHORDS> projects{};     // e2 > 1e-8
};

// The closed chord outline of an inward-rounded polygon, for the sign:
// inside is an odd number of outline crossings on the ray from the point
// away from the centre. Piece k of the outline is the sector edge turned by
// k sides, and it ends on piece k + 1's first point, so a ray through a
// point shared by two pieces is counted once. A ray in the sector can meet
// only the sector's own piece and its two neighbours unless the edge
// reaches further round than a side; those three are kept.
constexpr int POLYGON_OUTLINE_PIECES = 3;

struct PolygonOutline {
  // Pieces -1, 0 and 1 back to back; 0: the edge reaches too far round, the
  // whole outline is walked piece by piece.
  std::int32_t piece_count = 0;
  std::array<float, POLYGON_OUTLINE_PIECES * POLYGON_CHORDS + 1> x{};
  std::array<float, POLYGON_OUTLINE_PIECES * POLYGON_CHORDS + 1> y{};
};

struct PreparedPolygon {
  float r = 0.5f;
  std::int32_t sides = 3;
  float turn_cos = 1.0f, turn_sin = 0.0f;
  float seg = 0.0f;
  double seg_reciprocal = 0.0;  // 1 / seg, for the sector remainder
  float roundness = 0.0f;
  // Straight edges.
  float half = 0.0f, cos_half = 1.0f, hh = 0.0f;
  ChordPolyline<POLYGON_CHORDS> curve;  // rounded edges
  PolygonOutline outline;               // inward-rounded edges
};

// The star's chords in blocks, each with what proves, for a given point,
// that none of its chords can matter for the least distance: a bounding
// disc (a block whose disc lies further from the point than the best chord
// so far, by far more than rounding, holds no nearer chord).
constexpr int STAR_BLOCK_CHORDS = 4;
constexpr int STAR_BLOCKS = STAR_CHORDS / STAR_BLOCK_CHORDS;

struct ChordBlocks {
  bool usable = false;  // every bound below is finite and proven
  std::array<float, STAR_BLOCKS> disc_x{};
  std::array<float, STAR_BLOCKS> disc_y{};
  std::array<float, STAR_BLOCKS> disc_reach{};  // disc radius plus the rounding margins, rounded up
};

// The closed chord outline of the whole rounded star, for the sign: inside
// is an odd number of outline crossings on the ray from the point away from
// the centre. The outline is 2N half-edges ("pieces"): piece 2k is the
// sector edge turned by k whole points, piece 2k + 1 the sector edge
// mirrored and turned on to the next outer vertex. Every vertex where two
// pieces meet belongs to one even piece, so both pieces see the very same
// float point and a ray through it is counted once, never zero or two
// times. Only the pieces that can reach the folded sector are kept (a ray
// in the sector cannot meet the others); shapes whose edges wind about the
// centre keep the whole outline.
constexpr int STAR_OUTLINE_MAX_PIECES = 8;

struct StarOutline {
  // 0: the pieces do not fit; the whole outline is walked piece by piece.
  std::int32_t piece_count = 0;
  std::int32_t first_piece = 0;
  // Every piece of the outline is kept: no piece is passed over.
  bool whole = false;
  // Piece p is passed over for sector angles outside [reach_lo[p],
  // reach_hi[p]], its angular extent widened by far more than rounding.
  std::array<float, STAR_OUTLINE_MAX_PIECES> reach_lo{};
  std::array<float, STAR_OUTLINE_MAX_PIECES> reach_hi{};
  // The kept pieces' points back to back, STAR_CHORDS chords each.
  std::array<float, STAR_OUTLINE_MAX_PIECES * STAR_CHORDS + 1> x{};
  std::array<float, STAR_OUTLINE_MAX_PIECES * STAR_CHORDS + 1> y{};
};

// The rounded star's side known without walking the outline, by sector
// angle: the folded sector [0, half] is cut into STAR_SIGN_BINS equal
// angles, and for the rays of bin j every outline crossing that the ray
// test can count lies between inner[j] and outer[j] from the centre (both
// widened by far more than rounding). A point nearer than inner[j] sees
// every crossing beyond it, an odd number exactly when near_inside; a point
// beyond outer[j] sees none and is outside. Between them the outline is
// walked.
constexpr int STAR_SIGN_BINS = 64;

struct StarSignBins {
  bool usable = false;
  bool near_inside = false;
  float bin_scale = 0.0f;  // bin of a sector angle: angle * bin_scale, the last bin taking the top end
  std::array<float, STAR_SIGN_BINS> inner{};
  std::array<float, STAR_SIGN_BINS> outer{};
};

struct PreparedStar {
  float ro_radius = 0.5f;
  float turn_cos = 1.0f, turn_sin = 0.0f;
  float half = 0.0f, two_half = 0.0f;
  double two_half_reciprocal = 0.0;  // 1 / two_half, for the sector remainder
  bool straight = true;
  // Straight edges.
  float vo_x = 0.0f, vi_x = 0.0f, vi_y = 0.0f, ex = 0.0f, ey = 0.0f, e2 = 0.0f;
  std::int32_t points = 3;
  ChordPolyline<STAR_CHORDS> curve;  // rounded edges
  ChordBlocks blocks;
  StarOutline outline;
  StarSignBins sign;
  // Points beyond far_radius from the centre are outside the rounded star
  // (no outline crossing lies beyond them), at least (r - far_radius) *
  // FAR_DISTANCE_SCALE from its edge for a point r from the centre; 0 when
  // no such radius is known (a chord's line runs too close to the centre).
  float far_radius = 0.0f;
};

constexpr float FAR_DISTANCE_SCALE = 0.999f;
// A point's radius from its frame coordinates, lowered by far more than the
// rounding that separates it from the radius the distance itself computes.
inline float ConservativeRadius(float u, float v) { return std::sqrt(u * u + v * v) * 0.9999f; }

PreparedPolygon PrepareRegularPolygon(float radius, std::int32_t sides, float start_angle_deg, float roundness);
float RegularPolygonDistance(const PreparedPolygon& polygon, float px, float py);

PreparedStar PrepareStar(float outer_radius, float inner_radius, std::int32_t points, float start_angle_deg,
                         float outer_roundness, float inner_roundness);
float StarDistance(const PreparedStar& star, float px, float py);
// StarDistance of the four points (px[k], py[k]), k = 0 to 3, into out[k]:
// the same bits, the four worked side by side where the target allows.
void StarDistance4(const PreparedStar& star, const float* px, const float* py, float* out);
// |StarDistance(star, px, py)| without the inside test: the distance to the
// outline alone.
float StarDistanceMagnitude(const PreparedStar& star, float px, float py);

// Point i (0 to STAR_CHORDS) of piece j (any integer, taken modulo 2N) of
// the star's outline, from the sector edge's chord points.
void StarOutlinePoint(const ChordPolyline<STAR_CHORDS>& edge, std::int32_t points, float two_half, std::int64_t piece,
                      int i, float& x, float& y);
