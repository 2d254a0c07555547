// The squared Euclidean distance transform over random small planes, against
// the brute-force minimum over every pixel: the seeds the builders use (0,
// the infinity, small anti-aliased values) give that minimum within float
// rounding; any other value (NaN, infinities, huge) must not break it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "render/parallel_for.h"
#include "render/distance_transform.h"
#include "render/float_plane.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const bool wild = in.Byte() == 0xFF;
  // Inline mostly (threads are dear under the sanitizers); one plane in
  // four on 1 to 8 workers, which moves the chunk boundaries.
  const std::uint8_t threads = in.Byte();
  SetHardwareConcurrencyOverride(threads % 4 == 1 ? 3 + (threads / 4) % 8 : 1);
  // Wide or tall planes reach the column blocks' ragged last block.
  const std::int32_t width = in.Range(0, 40), height = in.Range(0, 40);
  const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<float> plane(cells);
  for (float& v : plane) {
    const std::uint8_t kind = in.Byte();
    if (wild && kind >= 200) {
      v = in.Float(1e30);
    } else if (kind < 100) {
      v = DISTANCE_INFINITY;
    } else if (kind < 180) {
      v = 0.0f;
    } else {
      v = static_cast<float>(in.Byte()) / 128.0f - 1.0f;  // edge seeds, some negative
    }
  }
  const std::vector<float> seeds = plane;
  DistanceTransform2D(plane.data(), width, height);
  if (wild) return 0;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      double best = INFINITY;
      for (std::int32_t qy = 0; qy < height; ++qy) {
        for (std::int32_t qx = 0; qx < width; ++qx) {
          const double dx = x - qx, dy = y - qy;
          best = std::min(best, dx * dx + dy * dy + seeds[static_cast<std::size_t>(qy) * width + qx]);
        }
      }
      const double got = plane[static_cast<std::size_t>(y) * width + x];
      FUZZ_CHECK(std::fabs(got - best) <= 1e-4 * std::max(1.0, std::fabs(best)));
    }
  }
  return 0;
}
