#include "hostsim/sim_world.h"

namespace hostsim {

SimWorld::SimWorld(A_long width, A_long height, bool deep, A_long padding_bytes, A_long origin_x, A_long origin_y) {
  const A_long bpp = deep ? 8 : 4;
  world_.width = width;
  world_.height = height;
  world_.rowbytes = width * bpp + padding_bytes;
  world_.world_flags = (deep ? PF_WorldFlag_DEEP : 0) | PF_WorldFlag_WRITEABLE;
  world_.origin_x = origin_x;
  world_.origin_y = origin_y;
  world_.pix_aspect_ratio = {1, 1};
  const std::size_t total = static_cast<std::size_t>(world_.rowbytes) * static_cast<std::size_t>(height);
  storage_.assign(total > 0 ? total : 1, 0);
  for (A_long y = 0; y < height; ++y) {
    for (A_long b = width * bpp; b < world_.rowbytes; ++b) {
      storage_[static_cast<std::size_t>(y) * world_.rowbytes + b] = ROW_PADDING_SENTINEL;
    }
  }
  world_.data = total > 0 ? storage_.data() : nullptr;
}

PF_Pixel8& SimWorld::Pixel8(A_long x, A_long y) {
  return reinterpret_cast<PF_Pixel8*>(storage_.data() + static_cast<std::size_t>(y) * world_.rowbytes)[x];
}
PF_Pixel16& SimWorld::Pixel16(A_long x, A_long y) {
  return reinterpret_cast<PF_Pixel16*>(storage_.data() + static_cast<std::size_t>(y) * world_.rowbytes)[x];
}
const PF_Pixel8& SimWorld::Pixel8(A_long x, A_long y) const {
  return reinterpret_cast<const PF_Pixel8*>(storage_.data() + static_cast<std::size_t>(y) * world_.rowbytes)[x];
}
const PF_Pixel16& SimWorld::Pixel16(A_long x, A_long y) const {
  return reinterpret_cast<const PF_Pixel16*>(storage_.data() + static_cast<std::size_t>(y) * world_.rowbytes)[x];
}

bool SimWorld::PaddingIntact() const {
  const A_long bpp = deep() ? 8 : 4;
  for (A_long y = 0; y < world_.height; ++y) {
    for (A_long b = world_.width * bpp; b < world_.rowbytes; ++b) {
      if (storage_[static_cast<std::size_t>(y) * world_.rowbytes + b] != ROW_PADDING_SENTINEL) return false;
    }
  }
  return true;
}

std::vector<std::uint8_t> SimWorld::PixelBytes() const {
  const A_long bpp = deep() ? 8 : 4;
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(world_.width) * bpp * world_.height);
  for (A_long y = 0; y < world_.height; ++y) {
    const auto* row = storage_.data() + static_cast<std::size_t>(y) * world_.rowbytes;
    out.insert(out.end(), row, row + static_cast<std::size_t>(world_.width) * bpp);
  }
  return out;
}

}  // namespace hostsim
