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

}  // namespace

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
