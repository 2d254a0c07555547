// The frost blur over one line (a row, or a column read with a stride of the
// buffer width), written once over the pixel type. Pixels with alpha 0 are
// neither averaged nor counted; the four channels of the others are summed
// as they are (premultiplied, not weighted again by alpha) in 32-bit floats
// that are only ever added to and subtracted from as the window slides.
#include "render/colour_bleed.h"

#include <algorithm>
#include <cstdint>

#include "render/channel_lanes.h"
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

// Channel values are integers, so while every partial sum of a window stays
// within 2^24 the float running sums above are exact: each one equals the
// integer sum of the same pixels, whatever order they came and went in.
// The window holds at most 2r + 2 pixels (after the incoming one is added
// and before the outgoing one is taken away), and no more than the line.
// Lines that meet this bound keep their sums in integers instead and give
// the same bytes; lines that may not meet it take the float code above.
constexpr std::int64_t FLOAT_EXACT_INTEGER_LIMIT = std::int64_t{1} << 24;

template <typename Pixel>
bool WindowSumsExact(std::int32_t n, std::int32_t radius) {
  constexpr std::int64_t channel_max = sizeof(typename PixelTraits<Pixel>::Channel) == 1 ? 0xFF : 0xFFFF;
  const std::int64_t r = std::max<std::int32_t>(radius, 0);
  const std::int64_t window = std::min<std::int64_t>(n, 2 * r + 2);
  return window * channel_max <= FLOAT_EXACT_INTEGER_LIMIT;
}

// 1 / count in 32-bit floats, the same division the float code does, looked
// up for the counts a window usually holds.
class Reciprocals {
 public:
  Reciprocals() {
    for (std::int32_t c = 1; c < TABLE_SIZE; ++c) table_[c] = 1.0f / static_cast<float>(c);
  }
  float operator()(std::int32_t count) const {
    return count < TABLE_SIZE ? table_[count] : 1.0f / static_cast<float>(count);
  }

 private:
  static constexpr std::int32_t TABLE_SIZE = 1024;
  float table_[TABLE_SIZE] = {};
};

template <typename Pixel>
inline void PutMean(IntLanes sum, std::int32_t count, const Reciprocals& reciprocal, Pixel& out) {
  StoreLanes(ChannelLanesFromFloat<Pixel>(Mul(ToFloat(sum), reciprocal(count))), out);
}

template <typename Pixel>
void BleedRowExact(const Pixel* src, Pixel* dst, std::int32_t n, std::int32_t radius, const Reciprocals& reciprocal) {
  const std::int64_t r = std::max<std::int32_t>(radius, 0);
  IntLanes sum = ZeroIntLanes();
  std::int32_t count = 0;
  const std::int64_t first_end = std::min<std::int64_t>(r, n - 1);
  for (std::int64_t k = 0; k <= first_end; ++k) {
    if (src[k].alpha != 0) {
      sum = Add(sum, LoadLanes(src[k]));
      ++count;
    }
  }
  for (std::int64_t x = 0; x < n; ++x) {
    const Pixel& s = src[x];
    if (s.alpha == 0 || count < 1) {
      dst[x] = s;
    } else {
      PutMean(sum, count, reciprocal, dst[x]);
    }
    const std::int64_t incoming = x + r + 1;
    if (incoming < n && src[incoming].alpha != 0) {
      sum = Add(sum, LoadLanes(src[incoming]));
      ++count;
    }
    const std::int64_t outgoing = x - r;
    if (outgoing >= 0 && src[outgoing].alpha != 0) {
      sum = Sub(sum, LoadLanes(src[outgoing]));
      --count;
    }
  }
}

// Columns in blocks as below, sums in integers; each column's output, entry
// and exit at a row are done together, in that order.
constexpr std::int32_t EXACT_COLUMN_BLOCK = 512;

template <typename Pixel>
void BleedColumnBlockExact(const Pixel* src, Pixel* dst, std::int64_t w, std::int32_t n, std::int32_t radius,
                           std::int32_t columns, const Reciprocals& reciprocal) {
  const std::int64_t r = std::max<std::int32_t>(radius, 0);
  IntLanes sums[EXACT_COLUMN_BLOCK];
  std::int32_t counts[EXACT_COLUMN_BLOCK];
  for (std::int32_t j = 0; j < columns; ++j) {
    sums[j] = ZeroIntLanes();
    counts[j] = 0;
  }
  const std::int64_t first_end = std::min<std::int64_t>(r, n - 1);
  for (std::int64_t k = 0; k <= first_end; ++k) {
    const Pixel* row = src + k * w;
    for (std::int32_t j = 0; j < columns; ++j) {
      if (row[j].alpha != 0) {
        sums[j] = Add(sums[j], LoadLanes(row[j]));
        ++counts[j];
      }
    }
  }
  for (std::int64_t y = 0; y < n; ++y) {
    const Pixel* in_row = src + y * w;
    Pixel* out_row = dst + y * w;
    const std::int64_t incoming = y + r + 1;
    const std::int64_t outgoing = y - r;
    const Pixel* enter_row = incoming < n ? src + incoming * w : nullptr;
    const Pixel* leave_row = outgoing >= 0 ? src + outgoing * w : nullptr;
    for (std::int32_t j = 0; j < columns; ++j) {
      const Pixel& s = in_row[j];
      if (s.alpha == 0 || counts[j] < 1) {
        out_row[j] = s;
      } else {
        PutMean(sums[j], counts[j], reciprocal, out_row[j]);
      }
      if (enter_row != nullptr && enter_row[j].alpha != 0) {
        sums[j] = Add(sums[j], LoadLanes(enter_row[j]));
        ++counts[j];
      }
      if (leave_row != nullptr && leave_row[j].alpha != 0) {
        sums[j] = Sub(sums[j], LoadLanes(leave_row[j]));
        --counts[j];
      }
    }
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
  const bool exact = WindowSumsExact<Pixel>(in.width, in.radius);
  ParallelFor(in.height, [&](std::int32_t begin, std::int32_t end) {
    if (begin >= end) return;
    const Reciprocals reciprocal;
    for (std::int32_t y = begin; y < end; ++y) {
      if (exact) {
        BleedRowExact(in.source + y * w, in.destination + y * w, in.width, in.radius, reciprocal);
      } else {
        BleedLine(in.source + y * w, in.destination + y * w, 1, in.width, in.radius);
      }
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
  if (WindowSumsExact<Pixel>(in.height, in.radius)) {
    ParallelFor(in.width, [&](std::int32_t begin, std::int32_t end) {
      if (begin >= end) return;
      const Reciprocals reciprocal;
      for (std::int32_t x = begin; x < end; x += EXACT_COLUMN_BLOCK) {
        const std::int32_t columns = std::min(EXACT_COLUMN_BLOCK, end - x);
        BleedColumnBlockExact(in.source + x, in.destination + x, w, in.height, in.radius, columns, reciprocal);
      }
    });
    return;
  }
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
