// The distance transform and the distance-field builders as they stood
// before the builders ran their passes in the output planes and fused the
// seeding and the combination into the transform's line passes: the
// reference the current code must equal bit for bit. Work planes and
// scratch are plain vectors here, and every body runs over its whole range
// on the calling thread (the results do not depend on the split).
#pragma once
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "render/float_plane.h"

namespace distance_field_reference {

constexpr std::int32_t EDT_COLUMN_BLOCK = 16;

struct EdtColumnPass {
  std::int32_t n;
  float* plane;
  std::int32_t width;
  std::int32_t height;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

struct EdtRowPass {
  std::int32_t n;
  float* plane;
  std::int32_t width;
  std::int32_t height;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

struct DistanceInitCoverage {
  const float* coverage;
  float* to_outside;
  float infinity;
  float* to_inside;
  std::int32_t width;
  std::int32_t height;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

struct DistanceInitMask8 {
  const std::uint8_t* mask;
  float* to_inside;
  float infinity;
  float* to_outside;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

struct DistanceCombineCoverage {
  const float* to_outside;
  const float* to_inside;
  const float* coverage;
  float* out_depth;
  float* out_distance;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

struct DistanceCombineMask8 {
  const std::uint8_t* mask;
  const float* to_outside;
  const float* to_inside;
  float* out_depth;
  float* out_distance;
  void operator()(std::int32_t begin, std::int32_t end) const;
};

struct RefineEdgeDistance {
  float* field;
  const float* coverage;
  std::int32_t width;
  std::int32_t height;
  void operator()(std::int32_t begin, std::int32_t end) const;
};


// The four scratch arrays of one chunk; all of them or none.
struct EdtScratch {
  std::unique_ptr<float[]> f;
  std::unique_ptr<std::int32_t[]> v;
  std::unique_ptr<float[]> z;
  std::unique_ptr<float[]> d;

  bool Allocate(std::int32_t n, std::int32_t lines) {
    const std::uint64_t line_values = static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(lines);
    f = std::make_unique<float[]>(line_values);
    if (f != nullptr) v = std::make_unique<std::int32_t[]>(static_cast<std::uint64_t>(n));
    if (v != nullptr) z = std::make_unique<float[]>(static_cast<std::uint64_t>(n) + 1);
    if (z != nullptr) d = std::make_unique<float[]>(line_values);
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
inline constexpr auto EDT_HALF_POW2 = [] {
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
inline void EnvelopeGeneral(const float* f, std::int32_t n, std::int32_t* v, float* z, float* d) {
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

inline bool IsSkipFinite(float value) { return value >= EDT_FINITE_MIN && value <= EDT_FINITE_MAX; }

template <std::int32_t STRIDE>
inline bool EnvelopeSkippingInfinity(const float* f, std::int32_t n, std::int32_t* v, float* z, float* d) {
  std::int32_t q = 0;
  while (q < n && f[At<STRIDE>(q)] == DISTANCE_INFINITY) ++q;
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
    if (fq == DISTANCE_INFINITY) continue;
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
    while (q + 1 < n && f[At<STRIDE>(q + 1)] == 0.0f) {
      const double meet = static_cast<double>(q) + 0.5;
      if (static_cast<double>(top_z) >= meet) break;
      ++q;
      ++k;
      top_z = static_cast<float>(meet);
      v[k] = q;
      z[k] = top_z;
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
    const std::int32_t end = limit >= static_cast<float>(n) ? n : static_cast<std::int32_t>(limit) + 1;
    const std::int32_t p = v[j];
    const double fp = static_cast<double>(f[At<STRIDE>(p)]);
    for (; q < end; ++q) {
      const double offset = static_cast<double>(q - p);
      d[At<STRIDE>(q)] = static_cast<float>(offset * offset + fp);
    }
  }
  return true;
}

template <std::int32_t STRIDE>
inline void Envelope(const float* f, std::int32_t n, std::int32_t* v, float* z, float* d) {
  if (n < 1) return;
  if (n <= EDT_SKIP_MAX_LENGTH && EnvelopeSkippingInfinity<STRIDE>(f, n, v, z, d)) return;
  EnvelopeGeneral<STRIDE>(f, n, v, z, d);
}


inline void DistanceTransform1D(const float* f, std::int32_t n, std::int32_t* v, float* z, float* d) {
  Envelope<1>(f, n, v, z, d);
}

inline void EdtColumnPass::operator()(std::int32_t begin, std::int32_t end) const {
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
    for (std::int32_t j = 0; j < lanes; ++j) {
      Envelope<EDT_COLUMN_BLOCK>(f + j, height, scratch.v.get(), scratch.z.get(), d + j);
    }
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

inline void EdtRowPass::operator()(std::int32_t begin, std::int32_t end) const {
  if (begin >= end) return;
  EdtScratch scratch;
  if (!scratch.Allocate(n, 1)) return;
  const std::size_t row_bytes = static_cast<std::size_t>(width) * sizeof(float);
  for (std::int32_t y = begin; y < end; ++y) {
    float* row = plane + static_cast<std::int64_t>(y) * width;
    std::memcpy(scratch.f.get(), row, row_bytes);
    DistanceTransform1D(scratch.f.get(), width, scratch.v.get(), scratch.z.get(), scratch.d.get());
    std::memcpy(row, scratch.d.get(), row_bytes);
  }
}

inline void DistanceTransform2D(float* plane, std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return;
  const std::int32_t n = std::max(width, height);
  EdtColumnPass{n, plane, width, height}(0, width);
  EdtRowPass{n, plane, width, height}(0, height);
}


constexpr float COVERAGE_INSIDE = 0.9999f;
constexpr float COVERAGE_OUTSIDE = 0.0001f;
constexpr float EDGE_GRADIENT_MIN = 0.05f;
constexpr float EDGE_GRADIENT_MAX = 1.0f;
constexpr float EDGE_OFFSET_LIMIT = 0.75f;
constexpr float REFINE_BAND = 1.5f;
constexpr float REFINE_COVERAGE_LOW = 0.002f;
constexpr float REFINE_COVERAGE_HIGH = 0.998f;
constexpr std::uint8_t MASK_INSIDE = 128;

// Signed offset in pixels of the centre of pixel (x, y), of coverage c, from
// the 0.5 iso-line, estimated from the steepest one-sided difference along
// each axis. Neighbours beyond the border stand in as the pixel itself.
inline float EdgeOffset(const float* coverage, std::int32_t width, std::int32_t height, std::int32_t x, std::int32_t y,
                 float c) {
  const std::int64_t i = static_cast<std::int64_t>(y) * width + x;
  const float left = x > 0 ? coverage[i - 1] : c;
  const float right = x + 1 < width ? coverage[i + 1] : c;
  const float up = y > 0 ? coverage[i - width] : c;
  const float down = y + 1 < height ? coverage[i + width] : c;
  const float gx = std::max(std::fabs(c - left), std::fabs(right - c));
  const float gy = std::max(std::fabs(c - up), std::fabs(down - c));
  const float g = std::clamp(std::sqrt(gx * gx + gy * gy), EDGE_GRADIENT_MIN, EDGE_GRADIENT_MAX);
  return (c - 0.5f) / g;
}

// Calls pixel(i, x, y) for the pixel indices [begin, end) without a
// division per pixel.
template <typename Pixel>
inline void ForEachPixel(std::int32_t begin, std::int32_t end, std::int32_t width, const Pixel& pixel) {
  if (begin >= end) return;
  std::int32_t y = begin / width;
  std::int32_t x = begin - y * width;
  for (std::int32_t i = begin; i < end; ++i) {
    pixel(i, x, y);
    if (++x == width) {
      x = 0;
      ++y;
    }
  }
}

inline void FillZero(float* plane, std::int64_t count) { std::fill(plane, plane + count, 0.0f); }


inline void DistanceInitCoverage::operator()(std::int32_t begin, std::int32_t end) const {
  ForEachPixel(begin, end, width, [&](std::int32_t i, std::int32_t x, std::int32_t y) {
    const float c = coverage[i];
    if (c >= COVERAGE_INSIDE) {
      to_outside[i] = infinity;
      to_inside[i] = 0.0f;
      return;
    }
    if (c <= COVERAGE_OUTSIDE) {
      to_outside[i] = 0.0f;
      to_inside[i] = infinity;
      return;
    }
    const float e = EdgeOffset(coverage, width, height, x, y, c);
    if (e > EDGE_OFFSET_LIMIT) {
      to_outside[i] = infinity;
      to_inside[i] = 0.0f;
    } else if (e < -EDGE_OFFSET_LIMIT) {
      to_outside[i] = 0.0f;
      to_inside[i] = infinity;
    } else {
      // A neighbour one pixel away along the gradient then receives
      // (1 +- e)^2, the square of its own distance to the iso-line.
      const float e2 = e * e;
      to_outside[i] = e2 + 2.0f * e;
      to_inside[i] = e2 - 2.0f * e;
    }
  });
}

inline void DistanceInitMask8::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) {
    const bool inside = mask[i] >= MASK_INSIDE;
    to_inside[i] = inside ? 0.0f : infinity;
    to_outside[i] = inside ? infinity : 0.0f;
  }
}

inline void DistanceCombineCoverage::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) {
    // Edge seeds can leave small negative squares; they stand for 0. The
    // square is chosen before the root so the loop has no branch.
    const bool inside = coverage[i] >= 0.5f;
    const float root = std::sqrt(std::max(inside ? to_outside[i] : to_inside[i], 0.0f));
    const float d = inside ? root : -root;
    out_distance[i] = d;
    out_depth[i] = std::max(d, 0.0f);
  }
}

inline void DistanceCombineMask8::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) {
    const float d = mask[i] >= MASK_INSIDE ? std::sqrt(to_outside[i]) : -std::sqrt(to_inside[i]);
    out_distance[i] = d;
    out_depth[i] = std::max(d, 0.0f);
  }
}

inline void RefineEdgeDistance::operator()(std::int32_t begin, std::int32_t end) const {
  ForEachPixel(begin, end, width, [&](std::int32_t i, std::int32_t x, std::int32_t y) {
    const float d = field[i];
    const float w = std::clamp(REFINE_BAND - std::fabs(d), 0.0f, 1.0f);
    if (w == 0.0f) return;
    const float c = coverage[i];
    if (!(c > REFINE_COVERAGE_LOW && c < REFINE_COVERAGE_HIGH)) return;
    const float e = EdgeOffset(coverage, width, height, x, y, c);
    if (std::fabs(e) > EDGE_OFFSET_LIMIT) return;
    field[i] = (1.0f - w) * d + w * e;
  });
}


// Both builders: two work planes, seeds, the two transforms, the combine.
// When a work plane is missing the outputs read as "no pane anywhere at
// distance 0" rather than garbage.
template <typename Init, typename Combine>
inline void BuildDistanceField(std::int32_t width, std::int32_t height, float*, float*,
                               const Init& make_init, const Combine& make_combine) {
  if (width <= 0 || height <= 0) return;
  const std::int64_t count64 = static_cast<std::int64_t>(width) * height;
  std::vector<float> to_inside(static_cast<std::size_t>(count64));
  std::vector<float> to_outside(static_cast<std::size_t>(count64));
  const std::int32_t count = static_cast<std::int32_t>(count64);
  make_init(to_inside.data(), to_outside.data())(0, count);
  DistanceTransform2D(to_inside.data(), width, height);
  DistanceTransform2D(to_outside.data(), width, height);
  make_combine(to_inside.data(), to_outside.data())(0, count);
}


inline void DistanceFieldFromCoverage(const float* coverage, std::int32_t width, std::int32_t height, float* out_depth,
                               float* out_distance) {
  BuildDistanceField(
      width, height, out_depth, out_distance,
      [&](float* to_inside, float* to_outside) {
        return DistanceInitCoverage{coverage, to_outside, DISTANCE_INFINITY, to_inside, width, height};
      },
      [&](float* to_inside, float* to_outside) {
        return DistanceCombineCoverage{to_outside, to_inside, coverage, out_depth, out_distance};
      });
}

inline void DistanceFieldFromMask8(const std::uint8_t* mask, std::int32_t width, std::int32_t height, float* out_depth,
                            float* out_distance) {
  BuildDistanceField(
      width, height, out_depth, out_distance,
      [&](float* to_inside, float* to_outside) {
        return DistanceInitMask8{mask, to_inside, DISTANCE_INFINITY, to_outside};
      },
      [&](float* to_inside, float* to_outside) {
        return DistanceCombineMask8{mask, to_outside, to_inside, out_depth, out_distance};
      });
}

}  // namespace distance_field_reference
