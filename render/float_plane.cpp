#include "render/float_plane.h"

#include <cstddef>
#include <utility>

#include "render/allocation_seam.h"
#include "render/large_block_hint.h"

namespace {

// The element count a plane of width x height allocates, or 0 when no plane
// of that size can exist: one element at least, so an empty plane still
// owns storage and reads as allocated; a large plane takes room for its
// huge-page alignment, and the elements beyond width x height are never
// touched.
std::size_t PlaneAllocationElements(std::int32_t width, std::int32_t height) noexcept {
  if (width < 0 || height < 0) return 0;
  const std::int64_t elements = static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height);
  if (elements >= (std::int64_t{1} << 31)) return 0;
  const std::size_t bytes = LargeBlockRequestBytes(static_cast<std::size_t>(elements > 0 ? elements : 1) * sizeof(float));
  return bytes / sizeof(float);
}

// Allocates through allocate(count, file, line) and hands the block to the
// plane with its size; the plane is left empty when that fails.
template <typename Plane, typename Allocate>
bool AllocatePlane(Plane& plane, std::int32_t width, std::int32_t height, const char* file, int line,
                   Allocate allocate) noexcept {
  plane.data.reset();
  plane.width = 0;
  plane.height = 0;
  const std::size_t count = PlaneAllocationElements(width, height);
  if (count == 0) return false;
  auto data = allocate(count, file, line);
  if (data == nullptr) return false;
  plane.data = std::move(data);
  plane.width = width;
  plane.height = height;
  return true;
}

}  // namespace

bool AllocateFloatPlane(FloatPlane& plane, std::int32_t width, std::int32_t height, const char* file,
                        int line) noexcept {
  return AllocatePlane(plane, width, height, file, line, [](std::size_t count, const char* f, int l) {
    return TryAllocateRawArray<float>(count, f, l);
  });
}

bool AllocateZeroedFloatPlane(ZeroedFloatPlane& plane, std::int32_t width, std::int32_t height, const char* file,
                              int line) noexcept {
  return AllocatePlane(plane, width, height, file, line, [](std::size_t count, const char* f, int l) {
    return TryAllocateLargeZeroedArray<float>(count, f, l);
  });
}
