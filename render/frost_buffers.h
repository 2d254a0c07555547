// The two pixel buffers of the frost blur: output width x height pixels each
// (rows back to back, no padding, the world's own pixel type), zeroed. The
// shading writes the frame into frost_pixels; the colour bleed ping-pongs
// between the two and the copy-out brings frost_pixels into the output world.
#pragma once
#include <cstdint>
#include <memory>

#include "host/pf_effect_world.h"
#include "render/allocation_seam.h"

// Frost narrower than half an output pixel is off.
constexpr double FROST_MIN_PX = 0.5;

template <typename Pixel>
struct FrostBuffers {
  ZeroedArray<Pixel> frost_pixels;
  ZeroedArray<Pixel> frost_scratch;

  // FROST_ON: frost was asked for and both buffers exist.
  bool On() const { return frost_pixels != nullptr && frost_scratch != nullptr; }
  void Free() {
    frost_pixels.reset();
    frost_scratch.reset();
  }
};

// Allocates frost_pixels, then frost_scratch, when frost_px > 0.5; if either
// cannot be had neither is kept and the frame renders without frost.
template <typename Pixel>
FrostBuffers<Pixel> AllocateFrostBuffers(std::int32_t width, std::int32_t height, double frost_px);

extern template FrostBuffers<PF_Pixel8> AllocateFrostBuffers<PF_Pixel8>(std::int32_t, std::int32_t, double);
extern template FrostBuffers<PF_Pixel16> AllocateFrostBuffers<PF_Pixel16>(std::int32_t, std::int32_t, double);
