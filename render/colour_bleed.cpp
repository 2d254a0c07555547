// The frost blur over one line (a row, or a column read with a stride of the
// buffer width), written once over the pixel type. Pixels with alpha 0 are
// neither averaged nor counted; the four channels of the others are summed
// as they are (premultiplied, not weighted again by alpha) in 32-bit floats
// that are only ever added to and subtracted from as the window slides.
#include "render/colour_bleed.h"

#include <algorithm>
#include <cstdint>

#include "render/parallel_for.h"
#include "render/pixel_traits.h"

namespace {

template <typename Pixel>
void BleedLine(const Pixel* src, Pixel* dst, std::int64_t stride, std::int32_t n, std::int32_t radius) {
  const std::int64_t r = std::max<std::int32_t>(radius, 0);
  float sum_a = 0.0f, sum_r = 0.0f, sum_g = 0.0f, sum_b = 0.0f;
  std::int32_t count = 0;
  auto enter = [&](const Pixel& p) {
    sum_a += static_cast<float>(p.alpha);
    sum_r += static_cast<float>(p.red);
    sum_g += static_cast<float>(p.green);
    sum_b += static_cast<float>(p.blue);
    ++count;
  };
  auto leave = [&](const Pixel& p) {
    sum_a -= static_cast<float>(p.alpha);
    sum_r -= static_cast<float>(p.red);
    sum_g -= static_cast<float>(p.green);
    sum_b -= static_cast<float>(p.blue);
    --count;
  };

  const std::int64_t first_end = std::min<std::int64_t>(r, n - 1);
  for (std::int64_t k = 0; k <= first_end; ++k) {
    if (src[k * stride].alpha != 0) enter(src[k * stride]);
  }
  for (std::int64_t x = 0; x < n; ++x) {
    const Pixel& s = src[x * stride];
    Pixel& o = dst[x * stride];
    if (s.alpha == 0 || count < 1) {
      o = s;
    } else {
      const float k = 1.0f / static_cast<float>(count);
      // Mathematically the means stay in range; the clamp guards against
      // the drift that long add/subtract chains leave in float sums.
      o.alpha = ChannelFromFloat<Pixel>(sum_a * k);
      o.red = ChannelFromFloat<Pixel>(sum_r * k);
      o.green = ChannelFromFloat<Pixel>(sum_g * k);
      o.blue = ChannelFromFloat<Pixel>(sum_b * k);
    }
    const std::int64_t incoming = x + r + 1;
    if (incoming < n && src[incoming * stride].alpha != 0) enter(src[incoming * stride]);
    const std::int64_t outgoing = x - r;
    if (outgoing >= 0 && src[outgoing * stride].alpha != 0) leave(src[outgoing * stride]);
  }
}

template <typename Pixel>
bool Usable(const ColourBleedInputs<Pixel>& in) {
  return in.source != nullptr && in.destination != nullptr && in.width > 0 && in.height > 0;
}

template <typename Pixel>
void BleedRows(const ColourBleedInputs<Pixel>& in) {
  if (!Usable(in)) return;
  const std::int64_t w = in.width;
  ParallelFor(in.height, [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t y = begin; y < end; ++y) {
      BleedLine(in.source + y * w, in.destination + y * w, 1, in.width, in.radius);
    }
  });
}

// The column pass takes COLUMN_BLOCK neighbouring columns at once, row by
// row, each column with its own window sums: every column sees exactly the
// additions, subtractions and divisions BleedLine would do on it, in the
// same order, while the reads walk along rows instead of striding down one
// column at a time.
constexpr std::int32_t COLUMN_BLOCK = 16;

template <typename Pixel>
void BleedColumnBlock(const Pixel* src, Pixel* dst, std::int64_t w, std::int32_t n, std::int32_t radius,
                      std::int32_t columns) {
  const std::int64_t r = std::max<std::int32_t>(radius, 0);
  float sum_a[COLUMN_BLOCK] = {}, sum_r[COLUMN_BLOCK] = {}, sum_g[COLUMN_BLOCK] = {}, sum_b[COLUMN_BLOCK] = {};
  std::int32_t count[COLUMN_BLOCK] = {};
  auto enter_row = [&](std::int64_t k) {
    const Pixel* row = src + k * w;
    for (std::int32_t j = 0; j < columns; ++j) {
      const Pixel& p = row[j];
      if (p.alpha == 0) continue;
      sum_a[j] += static_cast<float>(p.alpha);
      sum_r[j] += static_cast<float>(p.red);
      sum_g[j] += static_cast<float>(p.green);
      sum_b[j] += static_cast<float>(p.blue);
      ++count[j];
    }
  };
  auto leave_row = [&](std::int64_t k) {
    const Pixel* row = src + k * w;
    for (std::int32_t j = 0; j < columns; ++j) {
      const Pixel& p = row[j];
      if (p.alpha == 0) continue;
      sum_a[j] -= static_cast<float>(p.alpha);
      sum_r[j] -= static_cast<float>(p.red);
      sum_g[j] -= static_cast<float>(p.green);
      sum_b[j] -= static_cast<float>(p.blue);
      --count[j];
    }
  };

  const std::int64_t first_end = std::min<std::int64_t>(r, n - 1);
  for (std::int64_t k = 0; k <= first_end; ++k) enter_row(k);
  for (std::int64_t y = 0; y < n; ++y) {
    const Pixel* in_row = src + y * w;
    Pixel* out_row = dst + y * w;
    for (std::int32_t j = 0; j < columns; ++j) {
      const Pixel& s = in_row[j];
      Pixel& o = out_row[j];
      if (s.alpha == 0 || count[j] < 1) {
        o = s;
      } else {
        const float k = 1.0f / static_cast<float>(count[j]);
        o.alpha = ChannelFromFloat<Pixel>(sum_a[j] * k);
        o.red = ChannelFromFloat<Pixel>(sum_r[j] * k);
        o.green = ChannelFromFloat<Pixel>(sum_g[j] * k);
        o.blue = ChannelFromFloat<Pixel>(sum_b[j] * k);
      }
    }
    const std::int64_t incoming = y + r + 1;
    if (incoming < n) enter_row(incoming);
    const std::int64_t outgoing = y - r;
    if (outgoing >= 0) leave_row(outgoing);
  }
}

template <typename Pixel>
void BleedColumns(const ColourBleedInputs<Pixel>& in) {
  if (!Usable(in)) return;
  const std::int64_t w = in.width;
  ParallelFor(in.width, [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t x = begin; x < end; x += COLUMN_BLOCK) {
      const std::int32_t columns = std::min(COLUMN_BLOCK, end - x);
      BleedColumnBlock(in.source + x, in.destination + x, w, in.height, in.radius, columns);
    }
  });
}

}  // namespace

void BleedColorRows16(const ColourBleedInputs16& in) { BleedRows(in); }
void BleedColorRows8(const ColourBleedInputs8& in) { BleedRows(in); }
void BleedColorColumns16(const ColourBleedInputs16& in) { BleedColumns(in); }
void BleedColorColumns8(const ColourBleedInputs8& in) { BleedColumns(in); }
