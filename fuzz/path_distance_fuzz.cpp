// PolygonDistance and CompoundPathDistance over random point lists, ranges
// and sub-path starts. The point and start arrays are exactly as long as the
// functions may read (at most 512 points and 8 starts), on the heap, so a
// read beyond them is caught. Points may be any float, non-finite included.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "render/path_distance.h"

namespace {

constexpr std::int32_t MAX_POINTS = 512;
constexpr std::int32_t MAX_STARTS = 8;
constexpr float MODERATE = 1e6f;

// With every coordinate moderate, a result is either "no outline" or a
// finite distance no longer than the frame's diagonal.
bool Plausible(float d, bool moderate) {
  return !moderate || d == SHAPE_DISTANCE_NONE || (std::isfinite(d) && std::fabs(d) < 4 * MODERATE);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const float px = in.Float(), py = in.Float();
  // Counts near and beyond the limits, negative ones too.
  const std::int32_t count = in.Bool() ? in.Range(-4, MAX_POINTS + 8) : in.Range(0, 12);
  const std::int32_t readable = std::clamp(count, 0, MAX_POINTS);
  std::vector<float> points(static_cast<std::size_t>(readable) * 2);
  for (float& p : points) p = in.Float();
  bool moderate = std::fabs(px) < MODERATE && std::fabs(py) < MODERATE;
  for (float p : points) moderate = moderate && std::fabs(p) < MODERATE;

  const std::int32_t begin = in.Range(-3, readable + 3);
  const std::int32_t end = in.Range(-3, readable + 3);
  // PolygonDistance reads begin .. end - 1 clamped into the slot's 512
  // points; give it exactly the array up to end.
  const float polygon = PolygonDistance(px, py, points.data(), begin, std::min(end, readable));
  FUZZ_CHECK(Plausible(polygon, moderate));

  const std::int32_t subpath_count = in.Range(-2, MAX_STARTS + 2);
  std::vector<std::uint32_t> starts(static_cast<std::size_t>(std::clamp(subpath_count, 0, MAX_STARTS)));
  for (std::uint32_t& s : starts) s = in.Bool() ? in.U32() : static_cast<std::uint32_t>(in.Range(0, readable + 2));
  if (in.Bool()) std::sort(starts.begin(), starts.end());
  const std::int32_t merge_mode = in.Range(-1, 6);
  const float compound =
      CompoundPathDistance(px, py, points.data(), readable, starts.data(), subpath_count, merge_mode);
  FUZZ_CHECK(Plausible(compound, moderate));
  return 0;
}
