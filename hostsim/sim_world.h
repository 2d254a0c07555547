// Pixel worlds the simulated host owns and lends to the plug-in: 8-bit or
// 16-bit ARGB, with optional padding bytes at the end of each row (filled
// with a sentinel so tests can see whether anything wrote there).
#pragma once
#include <cstdint>
#include <vector>

#include "host/pf_effect_world.h"

namespace hostsim {

constexpr std::uint8_t ROW_PADDING_SENTINEL = 0xCD;

class SimWorld {
 public:
  SimWorld() = default;
  SimWorld(A_long width, A_long height, bool deep, A_long padding_bytes = 0, A_long origin_x = 0,
           A_long origin_y = 0);

  PF_EffectWorld& world() { return world_; }
  const PF_EffectWorld& world() const { return world_; }
  bool deep() const { return (world_.world_flags & PF_WorldFlag_DEEP) != 0; }
  A_long width() const { return world_.width; }
  A_long height() const { return world_.height; }

  PF_Pixel8& Pixel8(A_long x, A_long y);
  PF_Pixel16& Pixel16(A_long x, A_long y);
  const PF_Pixel8& Pixel8(A_long x, A_long y) const;
  const PF_Pixel16& Pixel16(A_long x, A_long y) const;

  // True when every padding byte still holds the sentinel.
  bool PaddingIntact() const;
  // The pixel bytes without padding, row after row.
  std::vector<std::uint8_t> PixelBytes() const;

 private:
  std::vector<std::uint8_t> storage_;
  PF_EffectWorld world_{};
};

}  // namespace hostsim
