// The box blurs are direct sums of every in-bounds tap, accumulated in
// 32-bit floats from 0 in increasing order of tap offset and divided by the
// tap count. They are laid out in blocks of neighbouring pixels with the
// taps outer and the pixels of the block inner: each pixel still adds its
// taps one by one in the same order, so the bytes equal those of the
// pixel-by-pixel loop, while the inner loop runs over contiguous memory and
// vectorises without changing any result.
#include "render/plane_filters.h"

#include <algorithm>
#include <cstddef>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#define PRISMORA_FILTER_LANES 1
#else
#define PRISMORA_FILTER_LANES 0
#endif

namespace {

// Pixels summed together per block: accumulators for a block stay in
// registers while the taps are walked, which keeps the inner loop to one
// load and one add per pixel and tap.
constexpr std::int32_t BLOCK = 32;

// One pixel of a row blur, every in-bounds tap in order; for the pixels
// near the ends and those left over after the blocks.
inline float RowPixel(const float* s, std::int32_t width, std::int32_t r, std::int32_t x) {
  const std::int32_t k_begin = std::max(-r, -x);
  const std::int32_t k_end = std::min(r, width - 1 - x);
  float sum = 0.0f;
  for (std::int32_t k = k_begin; k <= k_end; ++k) sum += s[x + k];
  return sum / static_cast<float>(k_end - k_begin + 1);
}

void BlurRowsRange(std::int32_t width, std::int32_t radius, const float* src, float* dst, std::int32_t begin,
                   std::int32_t end) {
  if (width <= 0) return;
  // Taps beyond width - 1 never land inside the row; a negative radius
  // counts as 0 so the centre tap is always there.
  const std::int32_t r = std::clamp(radius, std::int32_t{0}, width - 1);
  // Pixels in [r, width - r) have all 2r + 1 taps inside the row.
  const std::int32_t inner_begin = r;
  const std::int32_t inner_end = std::max(width - r, inner_begin);
  const float inner_taps = static_cast<float>(2 * std::int64_t{r} + 1);
  for (std::int32_t y = begin; y < end; ++y) {
    const float* s = src + static_cast<std::ptrdiff_t>(y) * width;
    float* d = dst + static_cast<std::ptrdiff_t>(y) * width;
    for (std::int32_t x = 0; x < inner_begin; ++x) d[x] = RowPixel(s, width, r, x);
    std::int32_t x0 = inner_begin;
    for (; inner_end - x0 >= BLOCK; x0 += BLOCK) {
      float acc[BLOCK] = {};
      const float* block = s + x0;
      for (std::int32_t k = -r; k <= r; ++k) {
        for (std::int32_t j = 0; j < BLOCK; ++j) acc[j] += block[k + j];
      }
      for (std::int32_t j = 0; j < BLOCK; ++j) d[x0 + j] = acc[j] / inner_taps;
    }
    for (std::int32_t x = x0; x < width; ++x) d[x] = RowPixel(s, width, r, x);
  }
}

void BlurColumnsRange(std::int32_t width, std::int32_t radius, std::int32_t height, const float* src, float* dst,
                      std::int32_t begin, std::int32_t end) {
  if (width <= 0) return;
  const std::int32_t r = std::max(radius, std::int32_t{0});
  for (std::int32_t y = begin; y < end; ++y) {
    float* d = dst + static_cast<std::ptrdiff_t>(y) * width;
    // y + k inside [0, height).
    const std::int32_t k_begin = std::max(-r, -y);
    const std::int32_t k_end = std::min(r, height - 1 - y);
    const float taps = static_cast<float>(k_end - k_begin + 1);
    const float* first = src + static_cast<std::ptrdiff_t>(y + k_begin) * width;
    std::int32_t x0 = 0;
    for (; width - x0 >= BLOCK; x0 += BLOCK) {
      float acc[BLOCK] = {};
      const float* s = first + x0;
      for (std::int32_t k = k_begin; k <= k_end; ++k, s += width) {
        for (std::int32_t j = 0; j < BLOCK; ++j) acc[j] += s[j];
      }
      for (std::int32_t j = 0; j < BLOCK; ++j) d[x0 + j] = acc[j] / taps;
    }
    for (std::int32_t x = x0; x < width; ++x) {
      float sum = 0.0f;
      const float* s = first + x;
      for (std::int32_t k = k_begin; k <= k_end; ++k, s += width) sum += *s;
      d[x] = sum / taps;
    }
  }
}

// Columns [x0, x1) of the row blur of one source row, into out[0 .. x1 - x0):
// the same sums as BlurRowsRange, in the same order.
void BlurRowSpan(const float* s, std::int32_t width, std::int32_t r, std::int32_t x0, std::int32_t x1, float* out) {
  const std::int32_t inner_begin = std::clamp(r, x0, x1);
  const std::int32_t inner_end = std::clamp(width - r, inner_begin, x1);
  const float inner_taps = static_cast<float>(2 * std::int64_t{r} + 1);
  std::int32_t x = x0;
  for (; x < inner_begin; ++x) out[x - x0] = RowPixel(s, width, r, x);
#if PRISMORA_FILTER_LANES
  // Four neighbouring pixels per register, each lane adding its taps in
  // order; eight registers at a time.
  const __m128 taps = _mm_set1_ps(inner_taps);
  for (; inner_end - x >= 32; x += 32) {
    __m128 a[8];
    for (int j = 0; j < 8; ++j) a[j] = _mm_setzero_ps();
    const float* t = s + x - r;
    for (std::int32_t k = -r; k <= r; ++k, ++t) {
      for (int j = 0; j < 8; ++j) a[j] = _mm_add_ps(a[j], _mm_loadu_ps(t + 4 * j));
    }
    float* o = out + (x - x0);
    for (int j = 0; j < 8; ++j) _mm_storeu_ps(o + 4 * j, _mm_div_ps(a[j], taps));
  }
  for (; inner_end - x >= 4; x += 4) {
    __m128 a0 = _mm_setzero_ps();
    const float* t = s + x - r;
    for (std::int32_t k = -r; k <= r; ++k, ++t) a0 = _mm_add_ps(a0, _mm_loadu_ps(t));
    _mm_storeu_ps(out + (x - x0), _mm_div_ps(a0, taps));
  }
#endif
  for (; x < inner_end; ++x) {
    float sum = 0.0f;
    for (std::int32_t k = -r; k <= r; ++k) sum += s[x + k];
    out[x - x0] = sum / inner_taps;
  }
  for (; x < x1; ++x) out[x - x0] = RowPixel(s, width, r, x);
}

// Columns of the output are done in strips this wide, so the row blurs of
// the 2r + 1 rows a column sum needs stay in a buffer of a few kilobytes.
constexpr std::int32_t STRIP = 512;

// Lanes below 0 become +0; -0 and NaN, which are not below 0, keep their
// bits.
inline float AboveZero(float v) { return v < 0.0f ? 0.0f : v; }

// Columns [x0, x1) (at most STRIP of them) of rows [begin, end) of the
// blurs of BlurRowsThenColumnsRange. Every pixel takes the same taps in the
// same order wherever the span starts, so spans tile the plane with the
// bytes of the whole pass.
template <bool kAboveZero>
void BlurRowsThenColumnsSpan(std::int32_t width, std::int32_t radius, std::int32_t height, const float* src,
                             float* dst, std::int32_t x0, std::int32_t x1, std::int32_t begin, std::int32_t end) {
  // The row blur's taps never reach beyond the row, nor the column blur's
  // beyond the plane: the radii are limited to what can land inside.
  const std::int32_t rr = std::clamp(radius, std::int32_t{0}, width - 1);
  const std::int32_t rc = std::clamp(radius, std::int32_t{0}, height - 1);
  const std::int32_t ring_rows = 2 * rc + 1;
  alignas(16) float ring[BoxBlurRowsThenColumns::MAX_RING_ROWS * STRIP];
  const std::int32_t span = x1 - x0;
  // Source row sy's row blur lives in ring slot sy mod ring_rows.
  std::int32_t next_row = std::max(begin - rc, 0);
  for (std::int32_t y = begin; y < end; ++y) {
    const std::int32_t last_needed = std::min(y + rc, height - 1);
    for (; next_row <= last_needed; ++next_row) {
      BlurRowSpan(src + static_cast<std::ptrdiff_t>(next_row) * width, width, rr, x0, x1,
                  ring + static_cast<std::ptrdiff_t>(next_row % ring_rows) * STRIP);
    }
    const std::int32_t k_begin = std::max(-rc, -y);
    const std::int32_t k_end = std::min(rc, height - 1 - y);
    const float taps = static_cast<float>(k_end - k_begin + 1);
    // The ring rows of source rows y + k_begin ... y + k_end, in order.
    const float* rows[BoxBlurRowsThenColumns::MAX_RING_ROWS];
    const std::int32_t n_rows = k_end - k_begin + 1;
    for (std::int32_t i = 0, slot = (y + k_begin) % ring_rows; i < n_rows; ++i) {
      rows[i] = ring + static_cast<std::ptrdiff_t>(slot) * STRIP;
      if (++slot == ring_rows) slot = 0;
    }
    float* d = dst + static_cast<std::ptrdiff_t>(y) * width + x0;
    std::int32_t x = 0;
#if PRISMORA_FILTER_LANES
    const __m128 tap_count = _mm_set1_ps(taps);
    const __m128 zero = _mm_setzero_ps();
    for (; span - x >= 32; x += 32) {
      __m128 a[8];
      for (int j = 0; j < 8; ++j) a[j] = _mm_setzero_ps();
      for (std::int32_t i = 0; i < n_rows; ++i) {
        const float* t = rows[i] + x;
        for (int j = 0; j < 8; ++j) a[j] = _mm_add_ps(a[j], _mm_load_ps(t + 4 * j));
      }
      for (int j = 0; j < 8; ++j) {
        __m128 m = _mm_div_ps(a[j], tap_count);
        if constexpr (kAboveZero) m = _mm_andnot_ps(_mm_cmplt_ps(m, zero), m);
        _mm_storeu_ps(d + x + 4 * j, m);
      }
    }
    for (; span - x >= 4; x += 4) {
      __m128 a0 = _mm_setzero_ps();
      for (std::int32_t i = 0; i < n_rows; ++i) a0 = _mm_add_ps(a0, _mm_load_ps(rows[i] + x));
      __m128 m = _mm_div_ps(a0, tap_count);
      if constexpr (kAboveZero) m = _mm_andnot_ps(_mm_cmplt_ps(m, zero), m);
      _mm_storeu_ps(d + x, m);
    }
#endif
    for (; x < span; ++x) {
      float sum = 0.0f;
      for (std::int32_t i = 0; i < n_rows; ++i) sum += rows[i][x];
      const float m = sum / taps;
      d[x] = kAboveZero ? AboveZero(m) : m;
    }
  }
}

void BlurRowsThenColumnsRange(std::int32_t width, std::int32_t radius, std::int32_t height, const float* src,
                              float* dst, std::int32_t begin, std::int32_t end) {
  if (width <= 0 || height <= 0 || begin >= end) return;
  for (std::int32_t x0 = 0; x0 < width; x0 += STRIP) {
    const std::int32_t x1 = std::min(width - x0, STRIP) + x0;
    BlurRowsThenColumnsSpan<false>(width, radius, height, src, dst, x0, x1, begin, end);
  }
}

}  // namespace

bool BoxBlurRowsThenColumns::Fits(std::int32_t radius, std::int32_t height) {
  const std::int64_t rc = std::clamp<std::int64_t>(radius, 0, std::max<std::int64_t>(height - 1, 0));
  return 2 * rc + 1 <= MAX_RING_ROWS;
}

void BoxBlurRowsThenColumns::operator()(std::int32_t begin, std::int32_t end) const {
  BlurRowsThenColumnsRange(width, radius, height, src, dst, begin, end);
}

void BoxBlurRowsThenColumnsPart(std::int32_t width, std::int32_t radius, std::int32_t height, const float* src,
                                 float* dst, std::int32_t x0, std::int32_t x1, std::int32_t begin, std::int32_t end,
                                 bool above_zero) {
  if (width <= 0 || height <= 0 || begin >= end || x0 >= x1) return;
  for (; x0 < x1; x0 += STRIP) {
    const std::int32_t x_end = std::min(x1 - x0, STRIP) + x0;
    if (above_zero) {
      BlurRowsThenColumnsSpan<true>(width, radius, height, src, dst, x0, x_end, begin, end);
    } else {
      BlurRowsThenColumnsSpan<false>(width, radius, height, src, dst, x0, x_end, begin, end);
    }
  }
}

void BoxBlurRows::operator()(std::int32_t begin, std::int32_t end) const {
  BlurRowsRange(width, radius, src, dst, begin, end);
}

void BoxBlurColumns::operator()(std::int32_t begin, std::int32_t end) const {
  BlurColumnsRange(width, radius, height, src, dst, begin, end);
}

void Box3Rows::operator()(std::int32_t begin, std::int32_t end) const { BlurRowsRange(width, 1, src, dst, begin, end); }

void Box3Columns::operator()(std::int32_t begin, std::int32_t end) const {
  BlurColumnsRange(width, 1, height, src, dst, begin, end);
}

void CentralGradient::operator()(std::int32_t begin, std::int32_t end) const {
  if (width <= 0) return;
  for (std::int32_t y = begin; y < end; ++y) {
    const float* s = src + static_cast<std::ptrdiff_t>(y) * width;
    float* gx = gradient_x + static_cast<std::ptrdiff_t>(y) * width;
    float* gy = gradient_y + static_cast<std::ptrdiff_t>(y) * width;
    gx[0] = 0.0f;
    for (std::int32_t x = 1; x < width - 1; ++x) gx[x] = s[x + 1] - s[x - 1];
    gx[width - 1] = 0.0f;
    if (y >= 1 && y <= height - 2) {
      const float* below = s + width;
      const float* above = s - width;
      for (std::int32_t x = 0; x < width; ++x) gy[x] = below[x] - above[x];
    } else {
      for (std::int32_t x = 0; x < width; ++x) gy[x] = 0.0f;
    }
  }
}
