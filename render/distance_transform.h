// Exact squared Euclidean distance transform of a float plane, in pixels of
// that plane: every value f(p) becomes min over all pixels q of
// |p - q|^2 + f(q). It is the lower envelope of parabolas, swept once along
// every column and then once along every row. Values are squared distances,
// so they carry no sign; seeds of 0 mark the set measured to, and
// DISTANCE_INFINITY marks pixels that are not in it.
#pragma once
#include <cstdint>

// Columns are swept in blocks of this many adjacent columns, so that the
// gather from and the scatter back to the plane run along rows.
constexpr std::int32_t EDT_COLUMN_BLOCK = 16;

// The one-dimensional transform of the n values f into d. v (n ints) and z
// (n + 1 floats) are scratch: the envelope's parabola positions and the
// boundaries between them. Intersections are computed in double precision;
// f, z and d stay in float. f and d must not overlap. Nothing is written for
// n < 1.
void DistanceTransform1D(const float* f, std::int32_t n, std::int32_t* v, float* z, float* d);

// The one-dimensional transform of `lanes` (at most EDT_COLUMN_BLOCK)
// columns held interleaved: column j's value at row y is
// f[y * EDT_COLUMN_BLOCK + j], and its transform goes to d in the same
// layout. Each lane gives the same bytes as DistanceTransform1D on that
// column alone. v and z are scratch for height and height + 1 values.
// Returns true when every lane came out exactly as it went in (each was all
// +0.0 or all DISTANCE_INFINITY), so a pass in place may skip writing it.
bool DistanceTransformColumnLanes(const float* f, std::int32_t height, std::int32_t lanes, std::int32_t* v, float* z,
                                  float* d);

// Transforms the width x height plane in place: columns first, then rows,
// each pass split over worker threads. A chunk of lines whose scratch cannot
// be allocated is left as it was.
void DistanceTransform2D(float* plane, std::int32_t width, std::int32_t height);

// The column pass: items are columns. n = max(width, height) sizes the
// chunk's scratch, which serves every line of the chunk.
struct EdtColumnPass {
  std::int32_t n;
  float* plane;
  std::int32_t width;
  std::int32_t height;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

// The row pass: items are rows.
struct EdtRowPass {
  std::int32_t n;
  float* plane;
  std::int32_t width;
  std::int32_t height;
  void operator()(std::int32_t begin, std::int32_t end) const;
};
