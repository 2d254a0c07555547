// Both distance-field builders over random small planes: a float coverage
// plane (values in [0, 1], or any float when the first byte says so) and an
// 8-bit mask. Both outputs are fully written, the depth is max(distance, 0)
// bit for bit, and from a mask with pixels both inside and outside every
// distance is finite, positive inside and negative outside.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "render/parallel_for.h"
#include "render/distance_field_builders.h"

namespace {

constexpr float UNWRITTEN = 12345.5f;

void CheckDepth(const std::vector<float>& depth, const std::vector<float>& distance) {
  for (std::size_t i = 0; i < depth.size(); ++i) {
    FUZZ_CHECK(depth[i] != UNWRITTEN || distance[i] != UNWRITTEN);
    if (std::isnan(distance[i])) continue;
    const float expected = distance[i] > 0.0f ? distance[i] : 0.0f;
    FUZZ_CHECK(depth[i] == expected);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const bool wild = in.Byte() == 0xFF;
  // Inline mostly (threads are dear under the sanitizers); one plane in
  // four on 1 to 8 workers, which moves the chunk boundaries.
  const std::uint8_t threads = in.Byte();
  SetHardwareConcurrencyOverride(threads % 4 == 1 ? 3 + (threads / 4) % 8 : 1);
  // Mostly planes small enough to run inline; now and then one large
  // enough for the worker threads.
  const std::int32_t most = in.Bool() ? 15 : 48;
  const std::int32_t width = in.Range(0, most), height = in.Range(0, most);
  const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);

  std::vector<float> coverage(cells);
  for (float& c : coverage) c = wild && in.Byte() >= 200 ? in.Float(1e30) : static_cast<float>(in.Byte() % 129) / 128.0f;
  std::vector<float> depth(cells, UNWRITTEN), distance(cells, UNWRITTEN);
  DistanceFieldFromCoverage(coverage.data(), width, height, depth.data(), distance.data());
  CheckDepth(depth, distance);
  if (!wild) {
    for (float d : distance) FUZZ_CHECK(std::isfinite(d));
  }

  std::vector<std::uint8_t> mask(cells);
  bool any_inside = false, any_outside = false;
  for (std::uint8_t& m : mask) {
    m = in.Byte();
    (m >= 128 ? any_inside : any_outside) = true;
  }
  std::fill(depth.begin(), depth.end(), UNWRITTEN);
  std::fill(distance.begin(), distance.end(), UNWRITTEN);
  DistanceFieldFromMask8(mask.data(), width, height, depth.data(), distance.data());
  CheckDepth(depth, distance);
  if (any_inside && any_outside) {
    for (std::size_t i = 0; i < cells; ++i) {
      FUZZ_CHECK(std::isfinite(distance[i]));
      FUZZ_CHECK(mask[i] >= 128 ? distance[i] > 0.0f : distance[i] < 0.0f);
    }
  }
  return 0;
}
