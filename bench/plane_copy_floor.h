// The floor every kernel benchmark is measured against: a multi-threaded
// copy of a float plane of the same size, split the way the kernels split
// their passes.
#pragma once
#include <cstdint>
#include <cstring>

#include "render/float_plane.h"
#include "render/parallel_for.h"

inline void CopyPlaneFloor(const FloatPlane& src, FloatPlane& dst) {
  const std::int32_t w = src.width;
  ParallelFor(src.height, [&](std::int32_t begin, std::int32_t end) {
    for (std::int32_t y = begin; y < end; ++y) {
      std::memcpy(dst.Row(y), src.Row(y), static_cast<std::size_t>(w) * sizeof(float));
    }
  });
}
