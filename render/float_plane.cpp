#include "render/float_plane.h"

#include "render/allocation_seam.h"

bool AllocateFloatPlane(FloatPlane& plane, std::int32_t width, std::int32_t height, const char* file,
                        int line) noexcept {
  plane.data.reset();
  plane.width = 0;
  plane.height = 0;
  if (width < 0 || height < 0) return false;
  const std::int64_t elements = static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height);
  if (elements >= (std::int64_t{1} << 31)) return false;
  // One element at least, so an empty plane still owns storage and reads as
  // allocated.
  auto data = TryAllocateArray<float>(static_cast<std::uint64_t>(elements > 0 ? elements : 1), file, line);
  if (data == nullptr) return false;
  plane.data = std::move(data);
  plane.width = width;
  plane.height = height;
  return true;
}
