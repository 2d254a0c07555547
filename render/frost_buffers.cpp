// Allocation of the frost buffers through the allocation seam, so a failure
// turns frost off instead of failing the frame.
#include "render/frost_buffers.h"

#include "render/allocation_seam.h"

template <typename Pixel>
FrostBuffers<Pixel> AllocateFrostBuffers(std::int32_t width, std::int32_t height, double frost_px) {
  FrostBuffers<Pixel> buffers;
  if (!(frost_px > FROST_MIN_PX) || width <= 0 || height <= 0) return buffers;
  const std::uint64_t count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  buffers.frost_pixels = TryAllocateLargeZeroedArray<Pixel>(count);
  if (buffers.frost_pixels == nullptr) return buffers;
  buffers.frost_scratch = TryAllocateLargeZeroedArray<Pixel>(count);
  if (buffers.frost_scratch == nullptr) {
    buffers.Free();
    return buffers;
  }
  return buffers;
}

template FrostBuffers<PF_Pixel8> AllocateFrostBuffers<PF_Pixel8>(std::int32_t, std::int32_t, double);
template FrostBuffers<PF_Pixel16> AllocateFrostBuffers<PF_Pixel16>(std::int32_t, std::int32_t, double);
