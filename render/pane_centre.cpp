// Centre of mass and bounding-box radius of the pane pixels, in one
// row-major pass on the calling thread; the sums are kept in double so a
// large frame loses nothing before the final division.
#include "render/pane_centre.h"

#include <algorithm>
#include <cstdint>

#include "render/pane_extent.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#define PRISMORA_PANE_CENTRE_SSE2 1
#endif

namespace {

// One row's pane pixels: how many, the sum of their x, and the first and
// last of them. Every count and sum is an integer, so any grouping of the
// additions gives the same values. ScanRow returns false for a row with none.
struct RowPanes {
  std::int64_t pixels = 0;
  std::int64_t x_sum = 0;
  std::int32_t first = 0;
  std::int32_t last = -1;
};

#ifdef PRISMORA_PANE_CENTRE_SSE2

inline int LowestBit(unsigned bits) { return __builtin_ctz(bits); }
inline int HighestBit(unsigned bits) { return 31 - __builtin_clz(bits); }

inline std::int64_t LaneSum(__m128i v) {
  alignas(16) std::int32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), v);
  return static_cast<std::int64_t>(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
}

// Four pixels at a time: the lanes count the pane pixels and sum their x
// relative to the start of a stretch, short enough that no 32-bit lane can
// overflow (at most 1024 pixels of x below 4096 per lane).
constexpr std::int32_t STRETCH = 4096;

bool ScanRow(const float* row, std::int32_t w, RowPanes& out) {
  bool any = false;
  const std::int32_t w4 = w & ~3;
  const __m128 zero = _mm_setzero_ps();
  const __m128i step = _mm_set1_epi32(4);
  for (std::int64_t stretch = 0; stretch < w4; stretch += STRETCH) {
    const std::int32_t base = static_cast<std::int32_t>(stretch);
    const std::int32_t end = static_cast<std::int32_t>(std::min<std::int64_t>(w4, stretch + STRETCH));
    __m128i counts = _mm_setzero_si128();
    __m128i sums = _mm_setzero_si128();
    __m128i xs = _mm_setr_epi32(0, 1, 2, 3);
    for (std::int32_t x = base; x < end; x += 4) {
      // NaN compares false: it is not a pane pixel.
      const __m128 inside = _mm_cmpgt_ps(_mm_loadu_ps(row + x), zero);
      const int bits = _mm_movemask_ps(inside);
      if (bits != 0) {
        const __m128i mask = _mm_castps_si128(inside);
        counts = _mm_sub_epi32(counts, mask);
        sums = _mm_add_epi32(sums, _mm_and_si128(mask, xs));
        if (!any) {
          out.first = x + LowestBit(static_cast<unsigned>(bits));
          any = true;
        }
        out.last = x + HighestBit(static_cast<unsigned>(bits));
      }
      xs = _mm_add_epi32(xs, step);
    }
    const std::int64_t n = LaneSum(counts);
    out.pixels += n;
    out.x_sum += LaneSum(sums) + n * base;
  }
  for (std::int32_t x = w4; x < w; ++x) {
    if (row[x] > 0.0f) {
      if (!any) out.first = x;
      any = true;
      out.last = x;
      ++out.pixels;
      out.x_sum += x;
    }
  }
  return any;
}

#else

bool ScanRow(const float* row, std::int32_t w, RowPanes& out) {
  std::int32_t first = 0;
  while (first < w && !(row[first] > 0.0f)) ++first;
  if (first == w) return false;
  std::int32_t last = w - 1;
  while (!(row[last] > 0.0f)) --last;
  // Branch-free counts over the row's pane span, which the compiler
  // spreads over vector lanes.
  for (std::int32_t x = first; x <= last; ++x) {
    const std::int32_t inside = row[x] > 0.0f ? 1 : 0;
    out.pixels += inside;
    out.x_sum += static_cast<std::int64_t>(inside * x);
  }
  out.first = first;
  out.last = last;
  return true;
}

#endif

}  // namespace

PaneCentre FindPaneCentre(const FloatPlane& pane_depth) {
  const std::int32_t w = pane_depth.width;
  const std::int32_t h = pane_depth.height;
  PaneCentre centre;
  centre.pane_centre_x = static_cast<float>(w) * 0.5f;
  centre.pane_centre_y = static_cast<float>(h) * 0.5f;
  centre.pane_radius = static_cast<float>(std::max(w, h)) * 0.5f;
  if (pane_depth.Empty()) return centre;

  PaneExtent extent(w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    RowPanes row;
    if (!ScanRow(pane_depth.Row(y), w, row)) continue;
    extent.AddRow(y, row.pixels, row.x_sum, row.first, row.last);
  }
  if (extent.count > 0) {
    centre.pane_centre_x = extent.CentreX();
    centre.pane_centre_y = extent.CentreY();
    centre.pane_radius = extent.Radius();
  }
  return centre;
}
