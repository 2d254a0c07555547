#include "hostsim/sim_world.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace hostsim {

namespace {

#if defined(__linux__)
constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;
// Smaller worlds come from the heap, which hands their memory out again.
constexpr std::size_t MAPPED_WORLD_BYTES = std::size_t{16} << 20;

std::size_t WholeHugePages(std::size_t bytes) { return (bytes + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1); }

void* MapWorld(std::size_t bytes) {
  if (bytes < MAPPED_WORLD_BYTES || bytes > SIZE_MAX / 2) return nullptr;
  const std::size_t length = WholeHugePages(bytes);
  const std::size_t span = length + HUGE_PAGE;
  void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + HUGE_PAGE - 1) & ~(std::uintptr_t{HUGE_PAGE} - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const std::uintptr_t end = aligned + length;
  if (start + span > end) munmap(reinterpret_cast<void*>(end), start + span - end);
  madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}
#endif

}  // namespace

void WorldStorageRelease::operator()(std::uint8_t* p) const noexcept {
#if defined(__linux__)
  if (mapped_bytes != 0) {
    munmap(p, WholeHugePages(mapped_bytes));
    return;
  }
#endif
  std::free(p);
}

SimWorld::Storage SimWorld::AllocateZeroed(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
#if defined(__linux__)
  if (void* mapped = MapWorld(bytes)) return Storage(static_cast<std::uint8_t*>(mapped), WorldStorageRelease{bytes});
#endif
  void* block = std::calloc(bytes, 1);
  if (block == nullptr) throw std::bad_alloc();
  return Storage(static_cast<std::uint8_t*>(block), WorldStorageRelease{});
}

void SimWorld::Adopt(Storage storage, std::size_t bytes) {
  storage_ = std::move(storage);
  storage_bytes_ = bytes;
  // A world with no pixels keeps its one byte of storage but shows none.
  const std::size_t total = static_cast<std::size_t>(world_.rowbytes) * static_cast<std::size_t>(world_.height);
  world_.data = total > 0 ? storage_.get() : nullptr;
}

SimWorld::SimWorld(const SimWorld& other) : world_(other.world_) {
  Storage copy = AllocateZeroed(other.storage_bytes_);
  if (other.storage_ != nullptr) std::memcpy(copy.get(), other.storage_.get(), other.storage_bytes_);
  Adopt(std::move(copy), other.storage_bytes_);
}

SimWorld& SimWorld::operator=(const SimWorld& other) {
  if (this != &other) *this = SimWorld(other);
  return *this;
}

SimWorld::SimWorld(SimWorld&& other) noexcept
    : storage_(std::move(other.storage_)), storage_bytes_(other.storage_bytes_), world_(other.world_) {
  other.storage_bytes_ = 0;
  other.world_ = PF_EffectWorld{};
}

SimWorld& SimWorld::operator=(SimWorld&& other) noexcept {
  if (this != &other) {
    storage_ = std::move(other.storage_);
    storage_bytes_ = other.storage_bytes_;
    world_ = other.world_;
    other.storage_bytes_ = 0;
    other.world_ = PF_EffectWorld{};
  }
  return *this;
}

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
  const std::size_t bytes = total > 0 ? total : 1;
  Adopt(AllocateZeroed(bytes), bytes);
  for (A_long y = 0; y < height; ++y) {
    for (A_long b = width * bpp; b < world_.rowbytes; ++b) {
      storage_[static_cast<std::size_t>(y) * world_.rowbytes + b] = ROW_PADDING_SENTINEL;
    }
  }
}

PF_Pixel8& SimWorld::Pixel8(A_long x, A_long y) {
  return reinterpret_cast<PF_Pixel8*>(storage_.get() + static_cast<std::size_t>(y) * world_.rowbytes)[x];
}
PF_Pixel16& SimWorld::Pixel16(A_long x, A_long y) {
  return reinterpret_cast<PF_Pixel16*>(storage_.get() + static_cast<std::size_t>(y) * world_.rowbytes)[x];
}
const PF_Pixel8& SimWorld::Pixel8(A_long x, A_long y) const {
  return reinterpret_cast<const PF_Pixel8*>(storage_.get() + static_cast<std::size_t>(y) * world_.rowbytes)[x];
}
const PF_Pixel16& SimWorld::Pixel16(A_long x, A_long y) const {
  return reinterpret_cast<const PF_Pixel16*>(storage_.get() + static_cast<std::size_t>(y) * world_.rowbytes)[x];
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
    const auto* row = storage_.get() + static_cast<std::size_t>(y) * world_.rowbytes;
    out.insert(out.end(), row, row + static_cast<std::size_t>(world_.width) * bpp);
  }
  return out;
}

}  // namespace hostsim
