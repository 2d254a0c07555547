// A small owned pixel world for kernel tests: width x height pixels with an
// optional run of padding pixels at the end of each row, so rowbytes can be
// larger than width x pixel size. The padding is filled with a sentinel byte
// that tests check is never overwritten.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/pf_effect_world.h"
#include "render/parallel_for.h"

constexpr unsigned char PADDING_SENTINEL = 0xA5;

template <typename Pixel>
struct TestPixelWorld {
  std::vector<unsigned char> bytes;
  PF_EffectWorld world{};
  std::int32_t padding_pixels = 0;

  TestPixelWorld(std::int32_t width, std::int32_t height, std::int32_t padding = 0) : padding_pixels(padding) {
    const std::int32_t rowbytes = (width + padding) * static_cast<std::int32_t>(sizeof(Pixel));
    bytes.assign(static_cast<std::size_t>(rowbytes) * static_cast<std::size_t>(height > 0 ? height : 0),
                 PADDING_SENTINEL);
    world.width = width;
    world.height = height;
    world.rowbytes = rowbytes;
    world.data = bytes.empty() ? nullptr : bytes.data();
    for (std::int32_t y = 0; y < height; ++y) {
      for (std::int32_t x = 0; x < width; ++x) At(x, y) = Pixel{};
    }
  }
  TestPixelWorld(const TestPixelWorld&) = delete;
  TestPixelWorld& operator=(const TestPixelWorld&) = delete;

  Pixel& At(std::int32_t x, std::int32_t y) {
    return reinterpret_cast<Pixel*>(bytes.data() + static_cast<std::size_t>(y) * world.rowbytes)[x];
  }
  const Pixel& At(std::int32_t x, std::int32_t y) const {
    return reinterpret_cast<const Pixel*>(bytes.data() + static_cast<std::size_t>(y) * world.rowbytes)[x];
  }

  bool PaddingIntact() const {
    for (std::int32_t y = 0; y < world.height; ++y) {
      const unsigned char* row = bytes.data() + static_cast<std::size_t>(y) * world.rowbytes;
      for (std::size_t b = static_cast<std::size_t>(world.width) * sizeof(Pixel);
           b < static_cast<std::size_t>(world.rowbytes); ++b) {
        if (row[b] != PADDING_SENTINEL) return false;
      }
    }
    return true;
  }
};

template <typename Pixel>
inline bool SamePixel(const Pixel& a, const Pixel& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

template <typename Pixel>
inline Pixel MakePixel(int a, int r, int g, int b) {
  Pixel p;
  p.alpha = static_cast<decltype(p.alpha)>(a);
  p.red = static_cast<decltype(p.red)>(r);
  p.green = static_cast<decltype(p.green)>(g);
  p.blue = static_cast<decltype(p.blue)>(b);
  return p;
}

// Restores the machine's own concurrency when a test that forces it ends.
struct ConcurrencyOverrideReset {
  ~ConcurrencyOverrideReset() { SetHardwareConcurrencyOverride(-1); }
};

// Runs fn once with one worker (3 cores) and once with eight (10 cores).
template <typename Fn>
inline void WithOneAndEightWorkers(Fn&& fn) {
  ConcurrencyOverrideReset reset;
  SetHardwareConcurrencyOverride(3);
  fn(1);
  SetHardwareConcurrencyOverride(10);
  fn(8);
}
