// Separable box smoothing of pane_height in place: rows into a scratch plane,
// columns back into pane_height, twice; each blur averages only the taps
// inside the plane, so the border is not pulled towards a padding value.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
#include <emmintrin.h>
#endif

#include "render/allocation_seam.h"
#include "render/parallel_for.h"
#include "render/plane_filters.h"
#include "render/shading_height.h"

bool SmoothPaneHeight(FloatPlane& pane_height, std::int32_t radius) {
  FloatPlane scratch;
  if (!AllocateFloatPlane(scratch, pane_height.width, pane_height.height)) return false;
  const std::int32_t width = pane_height.width;
  const std::int32_t height = pane_height.height;
  if (BoxBlurRowsThenColumns::Fits(radius, height)) {
    // Each pass's row and column blur in one go, so the plane is read and
    // written once per pass: the first pass leaves its result in the
    // scratch plane, the second brings it back.
    ParallelFor(height, BoxBlurRowsThenColumns{width, radius, height, pane_height.data.get(), scratch.data.get()});
    ParallelFor(height, BoxBlurRowsThenColumns{width, radius, height, scratch.data.get(), pane_height.data.get()});
    return true;
  }
  for (int pass = 0; pass < 2; ++pass) {
    ParallelFor(height, BoxBlurRows{width, radius, pane_height.data.get(), scratch.data.get()});
    ParallelFor(height, BoxBlurColumns{width, radius, height, scratch.data.get(), pane_height.data.get()});
  }
  return true;
}

// Far outside every pane the smoothed height is held at 0 whatever the
// sums come to, so tiles there skip the sums. The argument for a tile:
// let every input value within 2 * radius of it be <= -1 (so none is NaN or
// +inf). A mean of n <= N = 2 * radius + 1 taps that are all <= M < 0
// starts at the first tap and each further add of a value below 0 gives an
// exact sum below the partial one, which round-to-nearest cannot lift above
// it: the sum is <= M, no NaN arises (there is no +inf to meet a -inf), and
// sum / n <= M / N rounds to at most fl(M / N). The row and the column blur
// of both passes bound the second pass's value by four such steps from
// -1, at most about -1 / 33^4 for radius 16: strictly below 0, never -0,
// so the final value is +0.
namespace {

// Tiles are TILE_X columns by TILE_Y rows; the far test is kept per row
// and per UNIT columns so that a tile's window is bounded to within a few
// pixels of its true extent.
constexpr std::int32_t TILE_X = 32;
constexpr std::int32_t TILE_Y = 8;
constexpr std::int32_t UNIT = 8;
constexpr float FAR_OUTSIDE = -1.0f;

// flags[y * units + u]: 1 when every value of row y in columns
// [u * UNIT, (u + 1) * UNIT) is <= FAR_OUTSIDE.
struct FarOutsideRows {
  const std::int32_t& width;
  const std::int32_t& units;
  const float* plane;
  std::uint8_t* flags;
  void operator()(std::int32_t begin, std::int32_t end) const {
    for (std::int32_t y = begin; y < end; ++y) {
      const float* row = plane + static_cast<std::ptrdiff_t>(y) * width;
      std::uint8_t* f = flags + static_cast<std::ptrdiff_t>(y) * units;
      std::int32_t u = 0;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
      // Whole units, two registers each; a NaN lane compares false and
      // keeps the unit.
      static_assert(UNIT == 8, "a unit is two registers");
      const __m128 bound = _mm_set1_ps(FAR_OUTSIDE);
      for (; u < width / UNIT; ++u) {
        const float* p = row + static_cast<std::ptrdiff_t>(u) * UNIT;
        const __m128 far = _mm_and_ps(_mm_cmple_ps(_mm_loadu_ps(p), bound), _mm_cmple_ps(_mm_loadu_ps(p + 4), bound));
        f[u] = _mm_movemask_ps(far) == 0xF ? 1 : 0;
      }
#endif
      for (; u < units; ++u) {
        const std::int32_t x0 = u * UNIT;
        const std::int32_t x1 = std::min(width - x0, UNIT) + x0;
        bool far = true;
        for (std::int32_t x = x0; x < x1; ++x) far = far && row[x] <= FAR_OUTSIDE;
        f[u] = far ? 1 : 0;
      }
    }
  }
};

// Blurs columns [x0 + lo, x0 + hi) of each tile (none when lo >= hi) and,
// with above_zero, writes +0 over the tiles that have none.
struct BlurTileParts {
  const std::int32_t& width;
  const std::int32_t& height;
  const std::int32_t& radius;
  const std::int32_t& tiles_x;
  const std::uint8_t* lo;
  const std::uint8_t* hi;
  const bool& above_zero;
  const float* src;
  float* dst;
  void operator()(std::int32_t begin, std::int32_t end) const {
    for (std::int32_t tx = 0; tx < tiles_x; ++tx) {
      const std::int32_t x0 = tx * TILE_X;
      const std::int32_t x1 = std::min(width - x0, TILE_X) + x0;
      auto at = [&](std::int32_t y) { return static_cast<std::ptrdiff_t>(y / TILE_Y) * tiles_x + tx; };
      // Runs of rows whose tiles in this column take the same columns.
      for (std::int32_t y = begin; y < end;) {
        const std::ptrdiff_t t = at(y);
        std::int32_t run_end = std::min((y / TILE_Y + 1) * TILE_Y, end);
        while (run_end < end && lo[at(run_end)] == lo[t] && hi[at(run_end)] == hi[t]) {
          run_end = std::min(run_end + TILE_Y, end);
        }
        if (lo[t] < hi[t]) {
          BoxBlurRowsThenColumnsPart(width, radius, height, src, dst, x0 + lo[t], x0 + hi[t], y, run_end,
                                     above_zero);
        } else if (above_zero) {
          for (std::int32_t row = y; row < run_end; ++row) {
            float* d = dst + static_cast<std::ptrdiff_t>(row) * width;
            std::fill(d + x0, d + x1, 0.0f);
          }
        }
        y = run_end;
      }
    }
  }
};

// out[u] &= in[u] for u < n, eight flags a word.
void AndFlags(std::uint8_t* out, const std::uint8_t* in, std::int32_t n) {
  std::int32_t u = 0;
  for (; n - u >= 8; u += 8) {
    std::uint64_t a, b;
    std::memcpy(&a, out + u, 8);
    std::memcpy(&b, in + u, 8);
    a &= b;
    std::memcpy(out + u, &a, 8);
  }
  for (; u < n; ++u) out[u] = static_cast<std::uint8_t>(out[u] & in[u]);
}

}  // namespace

bool SmoothPaneHeightAboveZero(FloatPlane& pane_height, std::int32_t radius) {
  const std::int32_t width = pane_height.width;
  const std::int32_t height = pane_height.height;
  // A second-pass tile reads first-pass values only of its own tile column
  // and its two neighbours while radius <= TILE_X.
  const bool tiled = width > 0 && height > 0 && radius <= TILE_X / 2 && BoxBlurRowsThenColumns::Fits(radius, height);
  const std::int32_t r = std::max(radius, std::int32_t{0});
  const std::int32_t units = tiled ? (width - 1) / UNIT + 1 : 0;
  const std::int32_t tiles_x = tiled ? (width - 1) / TILE_X + 1 : 0;
  const std::int32_t tiles_y = tiled ? (height - 1) / TILE_Y + 1 : 0;
  const std::uint64_t tiles = static_cast<std::uint64_t>(tiles_x) * static_cast<std::uint64_t>(tiles_y);
  const std::uint64_t unit_rows = static_cast<std::uint64_t>(tiles_y) * static_cast<std::uint64_t>(units);
  if (!tiled) {
    if (!SmoothPaneHeight(pane_height, radius)) return false;
    HoldNegativesAtZero(pane_height);
    return true;
  }
  // One block holds the scratch plane and, after it, the row flags, the
  // far units per tile row and over each tile's reach in rows, and each
  // pass's column parts.
  const std::uint64_t plane_size = static_cast<std::uint64_t>(pane_height.Size());
  const std::uint64_t flag_bytes = static_cast<std::uint64_t>(height) * units + 2 * unit_rows + 4 * tiles;
  const std::unique_ptr<float[]> block = TryAllocateArray<float>(plane_size + (flag_bytes + 3) / 4);
  if (block == nullptr) return false;
  float* scratch = block.get();
  std::uint8_t* row_far = reinterpret_cast<std::uint8_t*>(scratch + plane_size);
  std::uint8_t* unit_far = row_far + static_cast<std::ptrdiff_t>(height) * units;
  std::uint8_t* reach_far = unit_far + unit_rows;
  std::uint8_t* second_lo = reach_far + unit_rows;
  std::uint8_t* second_hi = second_lo + tiles;
  std::uint8_t* first_lo = second_hi + tiles;
  std::uint8_t* first_hi = first_lo + tiles;
  ParallelFor(height, FarOutsideRows{width, units, pane_height.data.get(), row_far});
  for (std::int32_t ty = 0; ty < tiles_y; ++ty) {
    std::uint8_t* out = unit_far + static_cast<std::ptrdiff_t>(ty) * units;
    std::fill(out, out + units, std::uint8_t{1});
    for (std::int32_t y = ty * TILE_Y; y < std::min(height, (ty + 1) * TILE_Y); ++y) {
      const std::uint8_t* in = row_far + static_cast<std::ptrdiff_t>(y) * units;
      AndFlags(out, in, units);
    }
  }
  // A second-pass pixel depends on the input within 2r of it each way.
  for (std::int32_t ty = 0; ty < tiles_y; ++ty) {
    const std::int32_t j0 = std::max(ty * TILE_Y - 2 * r, 0) / TILE_Y;
    const std::int32_t j1 = std::min(ty * TILE_Y + TILE_Y - 1 + 2 * r, height - 1) / TILE_Y;
    std::uint8_t* out = reach_far + static_cast<std::ptrdiff_t>(ty) * units;
    std::fill(out, out + units, std::uint8_t{1});
    for (std::int32_t j = j0; j <= j1; ++j) {
      const std::uint8_t* in = unit_far + static_cast<std::ptrdiff_t>(j) * units;
      AndFlags(out, in, units);
    }
  }
  for (std::int32_t ty = 0; ty < tiles_y; ++ty) {
    for (std::int32_t tx = 0; tx < tiles_x; ++tx) {
      const std::int32_t x0 = tx * TILE_X;
      const std::int32_t x1 = std::min(width - x0, TILE_X) + x0;
      const std::int32_t u0 = std::max(x0 - 2 * r, 0) / UNIT;
      const std::int32_t u1 = std::min(x1 - 1 + 2 * r, width - 1) / UNIT;
      bool far = true;
      for (std::int32_t u = u0; u <= u1; ++u) far = far && reach_far[static_cast<std::ptrdiff_t>(ty) * units + u] != 0;
      const std::ptrdiff_t t = static_cast<std::ptrdiff_t>(ty) * tiles_x + tx;
      second_lo[t] = 0;
      second_hi[t] = far ? 0 : static_cast<std::uint8_t>(x1 - x0);
    }
  }
  // The first pass is needed within r of every second-pass tile that takes
  // its sums: all of a tile below or above such a tile, the r columns next
  // to one on the left or the right.
  const std::int32_t reach_rows = (r + TILE_Y - 1) / TILE_Y;
  for (std::int32_t ty = 0; ty < tiles_y; ++ty) {
    for (std::int32_t tx = 0; tx < tiles_x; ++tx) {
      const std::int32_t x0 = tx * TILE_X;
      const std::int32_t x1 = std::min(width - x0, TILE_X) + x0;
      bool same = false, left = false, right = false;
      for (std::int32_t j = std::max(ty - reach_rows, 0); j <= std::min(ty + reach_rows, tiles_y - 1); ++j) {
        const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(j) * tiles_x;
        same = same || second_hi[row + tx] != 0;
        left = left || (tx > 0 && second_hi[row + tx - 1] != 0);
        right = right || (tx + 1 < tiles_x && second_hi[row + tx + 1] != 0);
      }
      std::int32_t lo = x1, hi = x0;
      if (same || left) lo = x0;
      if (same || right) hi = x1;
      if (!same && left) hi = std::max(hi, std::min(x1, x0 + r));
      if (!same && right) lo = std::min(lo, std::max(x0, x1 - r));
      const std::ptrdiff_t t = static_cast<std::ptrdiff_t>(ty) * tiles_x + tx;
      first_lo[t] = static_cast<std::uint8_t>(lo < hi ? lo - x0 : 0);
      first_hi[t] = static_cast<std::uint8_t>(lo < hi ? hi - x0 : 0);
    }
  }
  const bool plain = false;
  const bool above_zero = true;
  ParallelFor(height, BlurTileParts{width, height, radius, tiles_x, first_lo, first_hi, plain, pane_height.data.get(),
                                    scratch});
  ParallelFor(height, BlurTileParts{width, height, radius, tiles_x, second_lo, second_hi, above_zero,
                                    scratch, pane_height.data.get()});
  return true;
}
