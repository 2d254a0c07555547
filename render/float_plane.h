// A width x height array of 32-bit floats, row-major with rows back to back:
// element (x, y) is at y * width + x. Distance planes hold signed distances
// in output pixels, positive inside a pane and negative outside.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "render/allocation_seam.h"

constexpr float NO_DISTANCE = -1000.0f;      // a pixel without a pane distance
constexpr float DISTANCE_INFINITY = 1e20f;   // unreached inside the transform

struct FloatPlane {
  std::int32_t width = 0;
  std::int32_t height = 0;
  RawArray<float> data;

  bool Empty() const { return data == nullptr; }
  std::int64_t Size() const { return static_cast<std::int64_t>(width) * height; }
  float* Row(std::int32_t y) { return data.get() + static_cast<std::int64_t>(y) * width; }
  const float* Row(std::int32_t y) const { return data.get() + static_cast<std::int64_t>(y) * width; }
  float& At(std::int32_t x, std::int32_t y) { return Row(y)[x]; }
  float At(std::int32_t x, std::int32_t y) const { return Row(y)[x]; }
};

// Allocates the plane's storage (not zeroed). The byte size is computed in 64
// bits; a negative size, one of 2^31 elements or more, or a failed
// allocation leave the plane empty and return false, so every caller can take
// its own fall-back. Nothing is thrown. The caller is the allocation's site
// for the test seam.
bool AllocateFloatPlane(FloatPlane& plane, std::int32_t width, std::int32_t height,
                        const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept;

// A float plane that starts out all zero, for planes that a pass adds into
// rather than overwrites. Its storage comes zeroed from the system: a large
// block is a fresh mapping whose pages are zero until first written, so the
// zeroing costs the allocating thread nothing and each page is paid for by
// whichever worker touches it first, instead of one thread clearing the
// whole plane before anything else can start.
struct ZeroedFloatPlane {
  std::int32_t width = 0;
  std::int32_t height = 0;
  ZeroedArray<float> data;

  bool Empty() const { return data == nullptr; }
  std::int64_t Size() const { return static_cast<std::int64_t>(width) * height; }
};

// As AllocateFloatPlane, with every element 0.
bool AllocateZeroedFloatPlane(ZeroedFloatPlane& plane, std::int32_t width, std::int32_t height,
                              const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept;
