// Seeding, combination and sub-pixel refinement of the pane distance field.
// Frame: pixels of the raster handed in, pixel (x, y) at index y * width + x.
// Sign: distances are positive inside the pane (coverage >= 0.5 or mask
// value >= 128) and negative outside. The transform itself works on squared
// distances: the to-inside plane measures each pixel's squared distance to
// the pane, the to-outside plane its squared distance to the outside.
#include "render/distance_field_builders.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "render/allocation_seam.h"

#include "render/distance_transform.h"
#include "render/float_plane.h"
#include "render/parallel_for.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#define PRISMORA_FIELD_SSE2 1
#endif

namespace {

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
float EdgeOffset(const float* coverage, std::int32_t width, std::int32_t height, std::int32_t x, std::int32_t y,
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
void ForEachPixel(std::int32_t begin, std::int32_t end, std::int32_t width, const Pixel& pixel) {
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


}  // namespace

void DistanceInitCoverage::operator()(std::int32_t begin, std::int32_t end) const {
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

void DistanceInitMask8::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) {
    const bool inside = mask[i] >= MASK_INSIDE;
    to_inside[i] = inside ? 0.0f : infinity;
    to_outside[i] = inside ? infinity : 0.0f;
  }
}

void DistanceCombineCoverage::operator()(std::int32_t begin, std::int32_t end) const {
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

void DistanceCombineMask8::operator()(std::int32_t begin, std::int32_t end) const {
  for (std::int32_t i = begin; i < end; ++i) {
    const float d = mask[i] >= MASK_INSIDE ? std::sqrt(to_outside[i]) : -std::sqrt(to_inside[i]);
    out_distance[i] = d;
    out_depth[i] = std::max(d, 0.0f);
  }
}

void RefineEdgeDistance::operator()(std::int32_t begin, std::int32_t end) const {
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

namespace {

// Seeds of pixel (x, y) from the coverage, exactly as DistanceInitCoverage
// writes them.
struct CoverageSource {
  const float* coverage;
  std::int32_t width;
  std::int32_t height;

  void Seed(std::int32_t x, std::int32_t y, std::int64_t i, float& to_inside, float& to_outside) const {
    const float c = coverage[i];
    bool inside;
    if (c >= COVERAGE_INSIDE) {
      inside = true;
    } else if (c <= COVERAGE_OUTSIDE) {
      inside = false;
    } else {
      const float e = EdgeOffset(coverage, width, height, x, y, c);
      if (e > EDGE_OFFSET_LIMIT) {
        inside = true;
      } else if (e < -EDGE_OFFSET_LIMIT) {
        inside = false;
      } else {
        const float e2 = e * e;
        to_outside = e2 + 2.0f * e;
        to_inside = e2 - 2.0f * e;
        return;
      }
    }
    to_outside = inside ? DISTANCE_INFINITY : 0.0f;
    to_inside = inside ? 0.0f : DISTANCE_INFINITY;
  }
  // Seeds of the pixels [i, i + count) of row y from x, when none of them
  // is an edge pixel; false, with nothing written, otherwise.
  bool SeedPlainRun(std::int64_t i, std::int32_t count, float* to_inside, float* to_outside) const {
    const float* c = coverage + i;
    std::int32_t j = 0;
#ifdef PRISMORA_FIELD_SSE2
    // The same two comparisons per lane (a NaN passes neither, so it goes
    // the way of an edge pixel), and the seeds as bit masks of the infinity:
    // +0.0 where a lane is not selected.
    const __m128 inside_at = _mm_set1_ps(COVERAGE_INSIDE);
    const __m128 outside_at = _mm_set1_ps(COVERAGE_OUTSIDE);
    int decided_bits = 0xF;
    for (; j + 4 <= count; j += 4) {
      const __m128 cj = _mm_loadu_ps(c + j);
      decided_bits &= _mm_movemask_ps(_mm_or_ps(_mm_cmpge_ps(cj, inside_at), _mm_cmple_ps(cj, outside_at)));
    }
    bool decided = decided_bits == 0xF;
    for (std::int32_t k = j; k < count; ++k) decided &= (c[k] >= COVERAGE_INSIDE) | (c[k] <= COVERAGE_OUTSIDE);
    if (!decided) return false;
    const __m128 infinity = _mm_set1_ps(DISTANCE_INFINITY);
    for (j = 0; j + 4 <= count; j += 4) {
      const __m128 inside = _mm_cmpge_ps(_mm_loadu_ps(c + j), inside_at);
      _mm_storeu_ps(to_outside + j, _mm_and_ps(inside, infinity));
      _mm_storeu_ps(to_inside + j, _mm_andnot_ps(inside, infinity));
    }
#else
    bool decided = true;
    for (std::int32_t k = 0; k < count; ++k) decided &= (c[k] >= COVERAGE_INSIDE) | (c[k] <= COVERAGE_OUTSIDE);
    if (!decided) return false;
#endif
    for (; j < count; ++j) {
      const bool inside = c[j] >= COVERAGE_INSIDE;
      to_outside[j] = inside ? DISTANCE_INFINITY : 0.0f;
      to_inside[j] = inside ? 0.0f : DISTANCE_INFINITY;
    }
    return true;
  }
  bool Inside(std::int64_t i) const { return coverage[i] >= 0.5f; }
  // Whether the count pixels from i hold any inside and any outside pixel.
  void Sides(std::int64_t i, std::int32_t count, bool& any_inside, bool& any_outside) const {
    const float* c = coverage + i;
    std::int32_t x = 0;
#ifdef PRISMORA_FIELD_SSE2
    // A lane that is not >= 0.5 (a NaN included) is outside, as Inside says.
    const __m128 half = _mm_set1_ps(0.5f);
    int in_bits = 0, all_bits = 0xF;
    for (; x + 4 <= count; x += 4) {
      const int bits = _mm_movemask_ps(_mm_cmpge_ps(_mm_loadu_ps(c + x), half));
      in_bits |= bits;
      all_bits &= bits;
    }
    any_inside = in_bits != 0;
    any_outside = all_bits != 0xF;
#else
    any_inside = false;
    any_outside = false;
#endif
    for (; x < count; ++x) {
      const bool inside = c[x] >= 0.5f;
      any_inside |= inside;
      any_outside |= !inside;
    }
  }
  // As DistanceCombineCoverage.
  void Combine(const float* row_in, const float* row_out, std::int64_t row_start, std::int32_t count,
               float* depth, float* distance) const {
    const float* c = coverage + row_start;
    std::int32_t x = 0;
#ifdef PRISMORA_FIELD_SSE2
    // The same choice, max, root and negation per lane: max(0, v) in lane
    // form keeps v unless 0 > v, which is std::max(v, 0) even for -0 and NaN,
    // and the negation flips the sign bit as the scalar one does.
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 zero = _mm_setzero_ps();
    const __m128 sign = _mm_set1_ps(-0.0f);
    for (; x + 4 <= count; x += 4) {
      const __m128 inside = _mm_cmpge_ps(_mm_loadu_ps(c + x), half);
      const __m128 square =
          _mm_or_ps(_mm_and_ps(inside, _mm_loadu_ps(row_out + x)), _mm_andnot_ps(inside, _mm_loadu_ps(row_in + x)));
      const __m128 root = _mm_sqrt_ps(_mm_max_ps(zero, square));
      const __m128 d = _mm_xor_ps(root, _mm_andnot_ps(inside, sign));
      _mm_storeu_ps(distance + x, d);
      _mm_storeu_ps(depth + x, _mm_max_ps(zero, d));
    }
#endif
    for (; x < count; ++x) {
      const bool inside = c[x] >= 0.5f;
      const float root = std::sqrt(std::max(inside ? row_out[x] : row_in[x], 0.0f));
      const float d = inside ? root : -root;
      distance[x] = d;
      depth[x] = std::max(d, 0.0f);
    }
  }
};

struct MaskSource {
  const std::uint8_t* mask;

  void Seed(std::int32_t, std::int32_t, std::int64_t i, float& to_inside, float& to_outside) const {
    const bool inside = mask[i] >= MASK_INSIDE;
    to_inside = inside ? 0.0f : DISTANCE_INFINITY;
    to_outside = inside ? DISTANCE_INFINITY : 0.0f;
  }
  bool SeedPlainRun(std::int64_t i, std::int32_t count, float* to_inside, float* to_outside) const {
    const std::uint8_t* m = mask + i;
    for (std::int32_t j = 0; j < count; ++j) {
      const bool inside = m[j] >= MASK_INSIDE;
      to_inside[j] = inside ? 0.0f : DISTANCE_INFINITY;
      to_outside[j] = inside ? DISTANCE_INFINITY : 0.0f;
    }
    return true;
  }
  bool Inside(std::int64_t i) const { return mask[i] >= MASK_INSIDE; }
  void Sides(std::int64_t i, std::int32_t count, bool& any_inside, bool& any_outside) const {
    any_inside = false;
    any_outside = false;
    for (std::int32_t x = 0; x < count; ++x) {
      const bool inside = Inside(i + x);
      any_inside |= inside;
      any_outside |= !inside;
    }
  }
  // As DistanceCombineMask8.
  void Combine(const float* row_in, const float* row_out, std::int64_t row_start, std::int32_t count,
               float* depth, float* distance) const {
    const std::uint8_t* m = mask + row_start;
    for (std::int32_t x = 0; x < count; ++x) {
      const float d = m[x] >= MASK_INSIDE ? std::sqrt(row_out[x]) : -std::sqrt(row_in[x]);
      distance[x] = d;
      depth[x] = std::max(d, 0.0f);
    }
  }
};

// The scratch of one plane's lines in one chunk: all four arrays or none,
// as the transform's own passes allocate them.
struct LineScratch {
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
  bool Ok() const { return d != nullptr; }
};

// Seeding and the column transform of both work planes in one sweep over
// each block of columns: the seeds go straight into the interleaved column
// scratch, and only transformed columns reach the planes. A plane whose
// scratch is missing gets its seeds for those columns, as the separate
// seeding pass would have left them.
template <typename Source>
struct SeededColumnPass {
  const Source& source;
  float* to_inside;
  float* to_outside;
  std::int32_t n;
  std::int32_t width;
  std::int32_t height;

  void operator()(std::int32_t begin, std::int32_t end) const {
    if (begin >= end) return;
    LineScratch in, out;
    in.Allocate(n, EDT_COLUMN_BLOCK);
    out.Allocate(n, EDT_COLUMN_BLOCK);
    const std::int64_t stride = width;
    for (std::int32_t x0 = begin; x0 < end; x0 += EDT_COLUMN_BLOCK) {
      const std::int32_t lanes = std::min(EDT_COLUMN_BLOCK, end - x0);
      for (std::int32_t y = 0; y < height; ++y) {
        const std::int64_t row = y * stride + x0;
        float* fin = in.Ok() ? in.f.get() + static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK : to_inside + row;
        float* fout = out.Ok() ? out.f.get() + static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK : to_outside + row;
        // Away from the outline a whole run seeds without looking at
        // neighbours.
        if (source.SeedPlainRun(row, lanes, fin, fout)) continue;
        for (std::int32_t j = 0; j < lanes; ++j) source.Seed(x0 + j, y, row + j, fin[j], fout[j]);
      }
      Transform(in, to_inside, x0, lanes);
      Transform(out, to_outside, x0, lanes);
    }
  }

  void Transform(const LineScratch& s, float* plane, std::int32_t x0, std::int32_t lanes) const {
    if (!s.Ok()) return;
    DistanceTransformColumnLanes(s.f.get(), height, lanes, s.v.get(), s.z.get(), s.d.get());
    const float* d = s.d.get();
    const std::int64_t stride = width;
    if (lanes == EDT_COLUMN_BLOCK) {
      for (std::int32_t y = 0; y < height; ++y) {
        const float* src = d + static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK;
        float* dst = plane + y * stride + x0;
        for (std::int32_t j = 0; j < EDT_COLUMN_BLOCK; ++j) dst[j] = src[j];
      }
    } else {
      const std::size_t lane_bytes = static_cast<std::size_t>(lanes) * sizeof(float);
      for (std::int32_t y = 0; y < height; ++y) {
        std::memcpy(plane + y * stride + x0, d + static_cast<std::int64_t>(y) * EDT_COLUMN_BLOCK, lane_bytes);
      }
    }
  }
};

// The row transform of both work planes and the combination into the
// outputs in one sweep over each row; the transformed rows stay in the
// scratch. A row with no pixel on one side does not need that side's
// transform, since the combination never reads it there. A plane whose
// scratch is missing is combined as the column pass left it.
template <typename Source>
struct CombinedRowPass {
  const Source& source;
  const float* to_inside;
  const float* to_outside;
  float* out_depth;
  float* out_distance;
  std::int32_t n;
  std::int32_t width;

  void operator()(std::int32_t begin, std::int32_t end) const {
    if (begin >= end) return;
    LineScratch in, out;
    in.Allocate(n, 1);
    out.Allocate(n, 1);
    for (std::int32_t y = begin; y < end; ++y) {
      const std::int64_t row = static_cast<std::int64_t>(y) * width;
      bool any_inside = false, any_outside = false;
      source.Sides(row, width, any_inside, any_outside);
      const float* row_in = to_inside + row;
      const float* row_out = to_outside + row;
      if (any_outside && in.Ok()) {
        DistanceTransform1D(row_in, width, in.v.get(), in.z.get(), in.d.get());
        row_in = in.d.get();
      }
      if (any_inside && out.Ok()) {
        DistanceTransform1D(row_out, width, out.v.get(), out.z.get(), out.d.get());
        row_out = out.d.get();
      }
      source.Combine(row_in, row_out, row, width, out_depth + row, out_distance + row);
    }
  }
};

// Both builders: the seeded column pass, then the combined row pass. The
// two squared-distance planes live in the output planes themselves (the
// to-inside one in out_depth, the to-outside one in out_distance): the row
// pass reads a row of each into its scratch before it writes that row of
// the outputs, and no row reads another, so a frame needs no work planes of
// its own to allocate and fault in.
template <typename Source>
void BuildDistanceField(std::int32_t width, std::int32_t height, float* out_depth, float* out_distance,
                        const Source& source) {
  if (width <= 0 || height <= 0) return;
  float* to_inside = out_depth;
  float* to_outside = out_distance;
  const std::int32_t n = std::max(width, height);
  ParallelFor(width, SeededColumnPass<Source>{source, to_inside, to_outside, n, width, height});
  ParallelFor(height, CombinedRowPass<Source>{source, to_inside, to_outside, out_depth, out_distance, n, width});
}

}  // namespace

void DistanceFieldFromCoverage(const float* coverage, std::int32_t width, std::int32_t height, float* out_depth,
                               float* out_distance) {
  BuildDistanceField(width, height, out_depth, out_distance, CoverageSource{coverage, width, height});
}

void DistanceFieldFromMask8(const std::uint8_t* mask, std::int32_t width, std::int32_t height, float* out_depth,
                            float* out_distance) {
  BuildDistanceField(width, height, out_depth, out_distance, MaskSource{mask});
}
