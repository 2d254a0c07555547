#include "render/float_plane.h"

#include <cstddef>

#include "render/allocation_seam.h"
#include "render/large_block_hint.h"

bool AllocateFloatPlane(FloatPlane& plane, std::int32_t width, std::int32_t height, const char* file,
                        int line) noexcept {
  plane.data.reset();
  plane.width = 0;
  plane.height = 0;
  if (width < 0 || height < 0) return false;
  const std::int64_t elements = static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height);
  if (elements >= (std::int64_t{1} << 31)) return false;
  // One element at least, so an empty plane still owns storage and reads as
  // allocated; a large plane takes room for its huge-page alignment, and
  // the elements beyond width x height are never touched.
  const std::size_t bytes = LargeBlockRequestBytes(static_cast<std::size_t>(elements > 0 ? elements : 1) * sizeof(float));
  RawArray<float> data = TryAllocateRawArray<float>(bytes / sizeof(float), file, line);
  if (data == nullptr) return false;
  plane.data = std::move(data);
  plane.width = width;
  plane.height = height;
  return true;
}

bool AllocateZeroedFloatPlane(ZeroedFloatPlane& plane, std::int32_t width, std::int32_t height, const char* file,
                              int line) noexcept {
  plane.data.reset();
  plane.width = 0;
  plane.height = 0;
  if (width < 0 || height < 0) return false;
  const std::int64_t elements = static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height);
  if (elements >= (std::int64_t{1} << 31)) return false;
  const std::size_t bytes = LargeBlockRequestBytes(static_cast<std::size_t>(elements > 0 ? elements : 1) * sizeof(float));
  ZeroedArray<float> data = TryAllocateLargeZeroedArray<float>(bytes / sizeof(float), file, line);
  if (data == nullptr) return false;
  plane.data = std::move(data);
  plane.width = width;
  plane.height = height;
  return true;
}
