// Pixel worlds the simulated host owns and lends to the plug-in: 8-bit or
// 16-bit ARGB, with optional padding bytes at the end of each row (filled
// with a sentinel so tests can see whether anything wrote there).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/pf_effect_world.h"

namespace hostsim {

constexpr std::uint8_t ROW_PADDING_SENTINEL = 0xCD;

// Frees a world's storage: a mapped one (its size kept here) goes back to
// the system, any other to the heap.
struct WorldStorageRelease {
  std::size_t mapped_bytes = 0;
  void operator()(std::uint8_t* p) const noexcept;
};

class SimWorld {
 public:
  SimWorld() = default;
  SimWorld(A_long width, A_long height, bool deep, A_long padding_bytes = 0, A_long origin_x = 0,
           A_long origin_y = 0);
  // A copy owns a copy of the pixels and its world points at them; a moved-to
  // world takes the storage over and the moved-from one is left empty.
  SimWorld(const SimWorld& other);
  SimWorld& operator=(const SimWorld& other);
  SimWorld(SimWorld&& other) noexcept;
  SimWorld& operator=(SimWorld&& other) noexcept;
  ~SimWorld() = default;

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
  // Zeroed storage of `bytes`: a large world is mapped from the system on
  // huge-page boundaries, so that a frame's fresh 4K worlds neither clear
  // their bytes one by one nor fault page by page.
  using Storage = std::unique_ptr<std::uint8_t[], WorldStorageRelease>;
  static Storage AllocateZeroed(std::size_t bytes);
  void Adopt(Storage storage, std::size_t bytes);

  Storage storage_;
  std::size_t storage_bytes_ = 0;
  PF_EffectWorld world_{};
};

}  // namespace hostsim
