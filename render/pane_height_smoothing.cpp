// Separable box smoothing of pane_height in place: rows into a scratch plane,
// columns back into pane_height, twice; each blur averages only the taps
// inside the plane, so the border is not pulled towards a padding value.
#include <algorithm>
#include <cstddef>
#include <cstdint>
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

constexpr std::int32_t TILE = 32;
constexpr float FAR_OUTSIDE = -1.0f;

// flags[y * tiles_x + tx]: 1 when every value of row y in tile column tx is
// <= FAR_OUTSIDE.
struct FarOutsideRows {
  const std::int32_t& width;
  const std::int32_t& tiles_x;
  const float* plane;
  std::uint8_t* flags;
  void operator()(std::int32_t begin, std::int32_t end) const {
    for (std::int32_t y = begin; y < end; ++y) {
      const float* row = plane + static_cast<std::ptrdiff_t>(y) * width;
      std::uint8_t* f = flags + static_cast<std::ptrdiff_t>(y) * tiles_x;
      for (std::int32_t tx = 0; tx < tiles_x; ++tx) {
        const std::int32_t x0 = tx * TILE;
        const std::int32_t x1 = std::min(width - x0, TILE) + x0;
        std::int32_t x = x0;
        bool far = true;
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
        // A NaN lane compares false and keeps the tile.
        const __m128 bound = _mm_set1_ps(FAR_OUTSIDE);
        __m128 all = _mm_castsi128_ps(_mm_set1_epi32(-1));
        for (; x1 - x >= 4; x += 4) all = _mm_and_ps(all, _mm_cmple_ps(_mm_loadu_ps(row + x), bound));
        far = _mm_movemask_ps(all) == 0xF;
#endif
        for (; x < x1; ++x) far = far && row[x] <= FAR_OUTSIDE;
        f[tx] = far ? 1 : 0;
      }
    }
  }
};

// Blurs the tiles marked in blur[ty * tiles_x + tx] and, with above_zero,
// writes +0 over the unmarked ones (which are left alone otherwise).
struct BlurMarkedTiles {
  const std::int32_t& width;
  const std::int32_t& height;
  const std::int32_t& radius;
  const std::int32_t& tiles_x;
  const std::uint8_t* blur;
  const bool& above_zero;
  const float* src;
  float* dst;
  void operator()(std::int32_t begin, std::int32_t end) const {
    for (std::int32_t tx = 0; tx < tiles_x; ++tx) {
      const std::int32_t x0 = tx * TILE;
      const std::int32_t x1 = std::min(width - x0, TILE) + x0;
      // Runs of rows whose tiles in this column are all marked or all not.
      for (std::int32_t y = begin; y < end;) {
        const bool marked = blur[static_cast<std::ptrdiff_t>(y / TILE) * tiles_x + tx] != 0;
        std::int32_t run_end = std::min((y / TILE + 1) * TILE, end);
        while (run_end < end && (blur[static_cast<std::ptrdiff_t>(run_end / TILE) * tiles_x + tx] != 0) == marked) {
          run_end = std::min(run_end + TILE, end);
        }
        if (marked) {
          BoxBlurRowsThenColumnsPart(width, radius, height, src, dst, x0, x1, y, run_end, above_zero);
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

}  // namespace

bool SmoothPaneHeightAboveZero(FloatPlane& pane_height, std::int32_t radius) {
  const std::int32_t width = pane_height.width;
  const std::int32_t height = pane_height.height;
  // Tiles reach only their eight neighbours while 2 * radius <= TILE.
  const bool tiled = width > 0 && height > 0 && radius <= TILE / 2 && BoxBlurRowsThenColumns::Fits(radius, height);
  const std::int32_t tiles_x = tiled ? (width - 1) / TILE + 1 : 0;
  const std::int32_t tiles_y = tiled ? (height - 1) / TILE + 1 : 0;
  const std::uint64_t tiles = static_cast<std::uint64_t>(tiles_x) * static_cast<std::uint64_t>(tiles_y);
  // Row flags, then per tile: far, second-pass blur, first-pass blur.
  std::unique_ptr<std::uint8_t[]> flags;
  if (tiled) flags = TryAllocateArray<std::uint8_t>(static_cast<std::uint64_t>(height) * tiles_x + 3 * tiles);
  if (flags == nullptr) {
    if (!SmoothPaneHeight(pane_height, radius)) return false;
    HoldNegativesAtZero(pane_height);
    return true;
  }
  FloatPlane scratch;
  if (!AllocateFloatPlane(scratch, width, height)) return false;
  std::uint8_t* row_far = flags.get();
  std::uint8_t* tile_far = row_far + static_cast<std::ptrdiff_t>(height) * tiles_x;
  std::uint8_t* second = tile_far + tiles;
  std::uint8_t* first = second + tiles;
  ParallelFor(height, FarOutsideRows{width, tiles_x, pane_height.data.get(), row_far});
  for (std::int32_t ty = 0; ty < tiles_y; ++ty) {
    for (std::int32_t tx = 0; tx < tiles_x; ++tx) {
      bool far = true;
      for (std::int32_t y = ty * TILE; y < std::min(height, (ty + 1) * TILE); ++y) {
        far = far && row_far[static_cast<std::ptrdiff_t>(y) * tiles_x + tx] != 0;
      }
      tile_far[static_cast<std::ptrdiff_t>(ty) * tiles_x + tx] = far ? 1 : 0;
    }
  }
  // A second-pass tile needs its sums unless it and its neighbours are far;
  // a first-pass tile is needed wherever such a tile or a neighbour of it
  // reads the first pass.
  auto any_around = [&](const std::uint8_t* map, std::int32_t tx, std::int32_t ty, std::uint8_t value) {
    for (std::int32_t j = std::max(ty - 1, 0); j <= std::min(ty + 1, tiles_y - 1); ++j) {
      for (std::int32_t i = std::max(tx - 1, 0); i <= std::min(tx + 1, tiles_x - 1); ++i) {
        if (map[static_cast<std::ptrdiff_t>(j) * tiles_x + i] == value) return true;
      }
    }
    return false;
  };
  for (std::int32_t ty = 0; ty < tiles_y; ++ty) {
    for (std::int32_t tx = 0; tx < tiles_x; ++tx) {
      second[static_cast<std::ptrdiff_t>(ty) * tiles_x + tx] = any_around(tile_far, tx, ty, 0) ? 1 : 0;
    }
  }
  for (std::int32_t ty = 0; ty < tiles_y; ++ty) {
    for (std::int32_t tx = 0; tx < tiles_x; ++tx) {
      first[static_cast<std::ptrdiff_t>(ty) * tiles_x + tx] = any_around(second, tx, ty, 1) ? 1 : 0;
    }
  }
  const bool plain = false;
  const bool above_zero = true;
  ParallelFor(height, BlurMarkedTiles{width, height, radius, tiles_x, first, plain, pane_height.data.get(),
                                      scratch.data.get()});
  ParallelFor(height, BlurMarkedTiles{width, height, radius, tiles_x, second, above_zero, scratch.data.get(),
                                      pane_height.data.get()});
  return true;
}
