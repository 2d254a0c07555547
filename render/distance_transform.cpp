// Squared Euclidean distance transform by the lower envelope of parabolas
// (one sweep per line, linear in the line's length whatever the distances).
// Positions are pixel indices along the line; values are squared distances
// in pixels^2. Intersections of parabolas are computed in double precision
// from the float values; the planes, the envelope boundaries and the output
// stay in float, so every build produces the same bytes.
#include "render/distance_transform.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "render/allocation_seam.h"
#include "render/float_plane.h"
#include "render/parallel_for.h"

namespace {

// The four scratch arrays of one chunk; all of them or none.
struct EdtScratch {
  std::unique_ptr<float[]> f;
  std::unique_ptr<std::int32_t[]> v;
  std::unique_ptr<float[]> z;
  std::unique_ptr<float[]> d;

  bool Allocate(std::int32_t n, std::int32_t lines) {
    const std::uint64_t line_values = static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(lines);
    f = TryAllocateArray<float>(line_values);
    if (f != nullptr) v = TryAllocateArray<std::int32_t>(static_cast<std::uint64_t>(n));
    if (v != nullptr) z = TryAllocateArray<float>(static_cast<std::uint64_t>(n) + 1);
    if (z != nullptr) d = TryAllocateArray<float>(line_values);
    if (d != nullptr) return true;
    f.reset();
    v.reset();
    z.reset();
    return false;
  }
};

// 0.5 / 2^i: the reciprocal of the intersection's denominator 2 * delta when
// delta = 2^i. Multiplying by an exact power of two rounds exactly as the
// division does, and most intersections are between neighbours (delta 1).
constexpr auto EDT_HALF_POW2 = [] {
  struct Table {
    double value[32];
  } t{};
  double h = 0.5;
  for (double& v : t.value) {
    v = h;
    h *= 0.5;
  }
  return t;
}();

// Abscissa where the parabola rooted at q meets the one rooted at p < q,
// num being (f[q] + q^2) - (f[p] + p^2) in double.
inline double IntersectionOf(double num, std::int32_t q, std::int32_t p) {
  const std::uint32_t delta = static_cast<std::uint32_t>(q - p);
  if ((delta & (delta - 1)) == 0) return num * EDT_HALF_POW2.value[std::countr_zero(delta)];
  return num / (2.0 * static_cast<double>(q) - 2.0 * static_cast<double>(p));
}

// Element i of a line laid out at the given stride.
template <std::int32_t STRIDE>
constexpr std::int64_t At(std::int32_t i) {
  return static_cast<std::int64_t>(i) * STRIDE;
}

// Adds the parabola rooted at q to the envelope whose top is k; returns the
// new top.
template <std::int32_t STRIDE>
inline std::int32_t PushParabola(const float* f, std::int32_t q, std::int32_t k, std::int32_t* v, float* z) {
  const double qd = static_cast<double>(q);
  const double fq_q2 = static_cast<double>(f[At<STRIDE>(q)]) + qd * qd;
  auto intersection = [&](std::int32_t p) {
    const double pd = static_cast<double>(p);
    return IntersectionOf(fq_q2 - (static_cast<double>(f[At<STRIDE>(p)]) + pd * pd), q, p);
  };
  double s = intersection(v[k]);
  // The sentinel z[0] = -1e20 ends the pops for every value the seeding
  // produces; k > 0 keeps a stray input far below that from walking off the
  // front of the envelope.
  while (k > 0 && static_cast<double>(z[k]) >= s) {
    --k;
    s = intersection(v[k]);
  }
  ++k;
  v[k] = q;
  z[k] = static_cast<float>(s);
  z[k + 1] = DISTANCE_INFINITY;
  return k;
}

// Reads the envelope out into d: position q takes the first parabola k
// whose right boundary z[k + 1] is not below q.
template <std::int32_t STRIDE>
inline void SampleEnvelope(const float* f, std::int32_t n, const std::int32_t* v, const float* z, float* d) {
  std::int32_t k = 0;
  for (std::int32_t q = 0; q < n; ++q) {
    const float qf = static_cast<float>(q);
    while (z[k + 1] < qf) ++k;
    const double offset = static_cast<double>(q - v[k]);
    d[At<STRIDE>(q)] = static_cast<float>(offset * offset + static_cast<double>(f[At<STRIDE>(v[k])]));
  }
}

template <std::int32_t STRIDE>
void EnvelopeGeneral(const float* f, std::int32_t n, std::int32_t* v, float* z, float* d) {
  if (n < 1) return;
  v[0] = 0;
  z[0] = -DISTANCE_INFINITY;
  z[1] = DISTANCE_INFINITY;
  std::int32_t k = 0;
  for (std::int32_t q = 1; q < n; ++q) k = PushParabola<STRIDE>(f, q, k, v, z);
  SampleEnvelope<STRIDE>(f, n, v, z, d);
}

// The seeds and everything the column pass makes of them are either exactly
// DISTANCE_INFINITY or finite squares in [-1, 2^40]. On such a line (up to
// 2^20 long) an infinite parabola never enters the final envelope and never
// changes a boundary that a finite one stores: it lies above every finite
// parabola by more than 4e13 at every abscissa of the line, and the next
// finite parabola pops it before meeting the finite ones. So the envelope
// of the finite values alone gives the same bytes, and a line that is
// infinite throughout stays exactly DISTANCE_INFINITY (every square added
// is below half a float step of 1e20). Returns false, having written
// nothing to d, at the first value outside those classes.
constexpr std::int32_t EDT_SKIP_MAX_LENGTH = std::int32_t{1} << 20;
constexpr float EDT_FINITE_MIN = -1.0f;
constexpr float EDT_FINITE_MAX = 1099511627776.0f;  // 2^40

// The position that marks a run of inner zeros in the envelope.
constexpr std::int32_t EDT_ZERO_RUN = -1;

inline bool IsSkipFinite(float value) { return value >= EDT_FINITE_MIN && value <= EDT_FINITE_MAX; }

// The first position from q on that does not hold DISTANCE_INFINITY, or n.
// Along a row four values are compared at a time by their bits, which is
// the same test: the infinity has no other encoding and no NaN equals it.
template <std::int32_t STRIDE>
inline std::int32_t SkipInfinity(const float* f, std::int32_t q, std::int32_t n) {
  if constexpr (STRIDE == 1) {
    while (q + 4 <= n) {
      const std::uint32_t differ = (std::bit_cast<std::uint32_t>(f[q]) ^ std::bit_cast<std::uint32_t>(DISTANCE_INFINITY)) |
                                   (std::bit_cast<std::uint32_t>(f[q + 1]) ^ std::bit_cast<std::uint32_t>(DISTANCE_INFINITY)) |
                                   (std::bit_cast<std::uint32_t>(f[q + 2]) ^ std::bit_cast<std::uint32_t>(DISTANCE_INFINITY)) |
                                   (std::bit_cast<std::uint32_t>(f[q + 3]) ^ std::bit_cast<std::uint32_t>(DISTANCE_INFINITY));
      if (differ != 0) break;
      q += 4;
    }
  }
  while (q < n && f[At<STRIDE>(q)] == DISTANCE_INFINITY) ++q;
  return q;
}

template <std::int32_t STRIDE>
bool EnvelopeSkippingInfinity(const float* f, std::int32_t n, std::int32_t* v, float* z, float* d) {
  std::int32_t q = SkipInfinity<STRIDE>(f, 0, n);
  if (q == n) {
    for (std::int32_t i = 0; i < n; ++i) d[At<STRIDE>(i)] = DISTANCE_INFINITY;
    return true;
  }
  if (!IsSkipFinite(f[At<STRIDE>(q)])) return false;
  // The same pushes and pops as PushParabola, with the top of the envelope
  // held in registers; positions stay below 2^20, so they and their squares
  // are exact in double and q is exact in float.
  std::int32_t k = 0;
  std::int32_t top_v = q;
  double top_g = static_cast<double>(f[At<STRIDE>(q)]) + static_cast<double>(q) * static_cast<double>(q);
  float top_z = -DISTANCE_INFINITY;
  v[0] = q;
  z[0] = top_z;
  for (++q; q < n; ++q) {
    const float fq = f[At<STRIDE>(q)];
    if (fq == DISTANCE_INFINITY) {
      q = SkipInfinity<STRIDE>(f, q + 1, n) - 1;
      continue;
    }
    if (!IsSkipFinite(fq)) return false;
    const double qd = static_cast<double>(q);
    const double g = static_cast<double>(fq) + qd * qd;
    double s = IntersectionOf(g - top_g, q, top_v);
    while (k > 0 && static_cast<double>(top_z) >= s) {
      --k;
      top_v = v[k];
      top_z = z[k];
      const double pd = static_cast<double>(top_v);
      top_g = static_cast<double>(f[At<STRIDE>(top_v)]) + pd * pd;
      s = IntersectionOf(g - top_g, q, top_v);
    }
    ++k;
    top_v = q;
    top_g = g;
    top_z = static_cast<float>(s);
    v[k] = q;
    z[k] = top_z;
    if (fq != 0.0f) continue;
    // A run of zeros: the next zero meets this one at exactly q + 1/2
    // ((q+1)^2 - q^2 = 2q + 1 is exact, and so is the halving), so the run
    // is pushed without recomputing it, as long as nothing would be popped.
    if (q + 1 < n && f[At<STRIDE>(q + 1)] == 0.0f &&
        static_cast<double>(top_z) < static_cast<double>(q) + 0.5) {
      // Every zero after the first then meets the one before at its own
      // position - 1/2. The last zero b of the run is never popped: a later
      // value f(r) >= -1 meets it at f(r) / (2 (r - b)) + (r + b) / 2 >= b,
      // above its boundary b - 1/2. So the run's inner zeros keep their
      // boundaries to the end, each serves its own position alone, and 0^2 +
      // (+-0) comes out +0.0 there. They are held as one entry, marked by a
      // negative position, whose boundary is that of the first inner zero;
      // the sweep never reaches it, and the read-out fills its positions.
      const std::int32_t first = q;
      while (q + 1 < n && f[At<STRIDE>(q + 1)] == 0.0f) ++q;
      if (q - first >= 2) {
        ++k;
        v[k] = EDT_ZERO_RUN;
        z[k] = static_cast<float>(static_cast<double>(first) + 0.5);
      } else if (q - first == 1) {
        ++k;
        v[k] = first + 1;
        z[k] = static_cast<float>(static_cast<double>(first) + 0.5);
      }
      if (q - first >= 2) {
        ++k;
        v[k] = q;
        z[k] = static_cast<float>(static_cast<double>(q) - 0.5);
      }
      top_z = z[k];
    }
    top_v = q;
    top_g = static_cast<double>(q) * static_cast<double>(q);
  }
  z[k + 1] = DISTANCE_INFINITY;
  // Parabola j serves the positions q with z[j] < q <= z[j + 1] (the same
  // choice as SampleEnvelope, z being non-decreasing); walk the envelope
  // parabola by parabola rather than testing every position.
  q = 0;
  for (std::int32_t j = 0; j <= k && q < n; ++j) {
    const float limit = z[j + 1];
    if (limit < static_cast<float>(q)) continue;
    const std::int32_t end = limit < static_cast<float>(n) ? static_cast<std::int32_t>(limit) + 1 : n;
    const std::int32_t p = v[j];
    if (p == EDT_ZERO_RUN) {
      for (; q < end; ++q) d[At<STRIDE>(q)] = 0.0f;
      continue;
    }
    const double fp = static_cast<double>(f[At<STRIDE>(p)]);
    for (; q < end; ++q) {
      const double offset = static_cast<double>(q - p);
      d[At<STRIDE>(q)] = static_cast<float>(offset * offset + fp);
    }
  }
  return true;
}

// A line whose transform is provably the line itself, so a pass in place
// need neither sweep nor write it back. All +0.0: each zero meets the next
// at exactly q + 1/2, so position q takes its own parabola and 0^2 + 0 is
// +0.0 (a -0.0 would come out as +0.0, so it is not matched). All
// DISTANCE_INFINITY: the sweep writes DISTANCE_INFINITY throughout. Both
// hold on the sweep that skips infinities, hence the length limit.
constexpr std::uint32_t EDT_ZERO_BITS = 0;
constexpr std::uint32_t EDT_INFINITY_BITS = std::bit_cast<std::uint32_t>(DISTANCE_INFINITY);

inline std::uint32_t BitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }

// Whether the row of n values is one of those lines.
inline bool RowIsFixedPoint(const float* row, std::int32_t n) {
  if (n > EDT_SKIP_MAX_LENGTH) return false;
  const std::uint32_t first = BitsOf(row[0]);
  if (first != EDT_ZERO_BITS && first != EDT_INFINITY_BITS) return false;
  // Blocks of 16 compared without a branch, so the test stays cheap beside
  // the sweep it saves; the first block that differs ends it.
  std::int32_t i = 1;
  for (; i + 16 <= n; i += 16) {
    std::uint32_t differ = 0;
    for (std::int32_t j = 0; j < 16; ++j) differ |= BitsOf(row[i + j]) ^ first;
    if (differ != 0) return false;
  }
  for (; i < n; ++i) {
    if (BitsOf(row[i]) != first) return false;
  }
  return true;
}

template <std::int32_t STRIDE>
void Envelope(const float* f, std::int32_t n, std::int32_t* v, float* z, float* d) {
  if (n < 1) return;
  if (n <= EDT_SKIP_MAX_LENGTH && EnvelopeSkippingInfinity<STRIDE>(f, n, v, z, d)) return;
  EnvelopeGeneral<STRIDE>(f, n, v, z, d);
}

}  // namespace

void DistanceTransform1D(const float* f, std::int32_t n, std::int32_t* v, float* z, float* d) {
  Envelope<1>(f, n, v, z, d);
}

bool DistanceTransformColumnLanes(const float* f, std::int32_t height, std::int32_t lanes, std::int32_t* v, float* z,
                                  float* d) {
  // Lanes whose column is its own transform (see RowIsFixedPoint) are not
  // swept but copied through. All lanes are tested together, row by row,
  // until every one of them has differed from its first value.
  std::uint32_t first[EDT_COLUMN_BLOCK] = {};
  std::uint32_t differ[EDT_COLUMN_BLOCK] = {};
  const bool testable = height >= 1 && height <= EDT_SKIP_MAX_LENGTH;
  bool any_candidate = false;
  for (std::int32_t j = 0; j < lanes; ++j) {
    first[j] = testable ? BitsOf(f[j]) : EDT_ZERO_BITS;
    const bool candidate = testable && (first[j] == EDT_ZERO_BITS || first[j] == EDT_INFINITY_BITS);
    differ[j] = candidate ? 0u : 1u;
    any_candidate |= candidate;
  }
  constexpr std::int32_t ROWS_BETWEEN_TESTS = 32;
  for (std::int32_t y0 = 1; any_candidate && y0 < height; y0 += ROWS_BETWEEN_TESTS) {
    const std::int32_t y1 = std::min(height, y0 + ROWS_BETWEEN_TESTS);
    if (lanes == EDT_COLUMN_BLOCK) {
      for (std::int32_t y = y0; y < y1; ++y) {
        const float* row = f + static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK;
        for (std::int32_t j = 0; j < EDT_COLUMN_BLOCK; ++j) differ[j] |= BitsOf(row[j]) ^ first[j];
      }
    } else {
      for (std::int32_t y = y0; y < y1; ++y) {
        const float* row = f + static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK;
        for (std::int32_t j = 0; j < lanes; ++j) differ[j] |= BitsOf(row[j]) ^ first[j];
      }
    }
    any_candidate = false;
    for (std::int32_t j = 0; j < lanes; ++j) any_candidate |= differ[j] == 0;
  }
  bool all_fixed = true;
  for (std::int32_t j = 0; j < lanes; ++j) {
    if (differ[j] == 0) {
      for (std::int32_t y = 0; y < height; ++y) {
        const std::int64_t at = static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK + j;
        d[at] = f[at];
      }
    } else {
      all_fixed = false;
      Envelope<EDT_COLUMN_BLOCK>(f + j, height, v, z, d + j);
    }
  }
  return all_fixed;
}

void EdtColumnPass::operator()(std::int32_t begin, std::int32_t end) const {
  if (begin >= end) return;
  EdtScratch scratch;
  if (!scratch.Allocate(n, EDT_COLUMN_BLOCK)) return;
  const std::int64_t stride = width;
  float* f = scratch.f.get();
  float* d = scratch.d.get();
  for (std::int32_t x0 = begin; x0 < end; x0 += EDT_COLUMN_BLOCK) {
    const std::int32_t lanes = std::min(EDT_COLUMN_BLOCK, end - x0);
    const std::size_t lane_bytes = static_cast<std::size_t>(lanes) * sizeof(float);
    // The block's columns stay interleaved as they lie in the plane: the
    // gather and the scatter are row-contiguous copies, and line j is read
    // at stride EDT_COLUMN_BLOCK.
    // A fixed-size copy keeps many rows' loads in flight; the rows lie a
    // page or more apart, so nothing prefetches them.
    if (lanes == EDT_COLUMN_BLOCK) {
      for (std::int32_t y = 0; y < height; ++y) {
        const float* src = plane + y * stride + x0;
        float* dst = f + static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK;
        for (std::int32_t j = 0; j < EDT_COLUMN_BLOCK; ++j) dst[j] = src[j];
      }
    } else {
      for (std::int32_t y = 0; y < height; ++y) {
        std::memcpy(f + static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK, plane + y * stride + x0, lane_bytes);
      }
    }
    // A block whose columns are all their own transforms stays in the plane
    // as it is.
    if (DistanceTransformColumnLanes(f, height, lanes, scratch.v.get(), scratch.z.get(), d)) continue;
    if (lanes == EDT_COLUMN_BLOCK) {
      for (std::int32_t y = 0; y < height; ++y) {
        const float* src = d + static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK;
        float* dst = plane + y * stride + x0;
        for (std::int32_t j = 0; j < EDT_COLUMN_BLOCK; ++j) dst[j] = src[j];
      }
    } else {
      for (std::int32_t y = 0; y < height; ++y) {
        std::memcpy(plane + y * stride + x0, d + static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK, lane_bytes);
      }
    }
  }
}

void EdtRowPass::operator()(std::int32_t begin, std::int32_t end) const {
  if (begin >= end) return;
  EdtScratch scratch;
  if (!scratch.Allocate(n, 1)) return;
  const std::size_t row_bytes = static_cast<std::size_t>(width) * sizeof(float);
  for (std::int32_t y = begin; y < end; ++y) {
    // The row itself is the input; only the result goes through scratch.
    float* row = plane + static_cast<std::int64_t>(y) * width;
    if (RowIsFixedPoint(row, width)) continue;
    DistanceTransform1D(row, width, scratch.v.get(), scratch.z.get(), scratch.d.get());
    std::memcpy(row, scratch.d.get(), row_bytes);
  }
}

void DistanceTransform2D(float* plane, std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return;
  const std::int32_t n = std::max(width, height);
  ParallelFor(width, EdtColumnPass{n, plane, width, height});
  ParallelFor(height, EdtRowPass{n, plane, width, height});
}
