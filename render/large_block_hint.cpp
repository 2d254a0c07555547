#include "render/large_block_hint.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>

void HintLargeBlock(void* block, std::size_t bytes) noexcept {
  if (block == nullptr || bytes < LARGE_BLOCK_BYTES) return;
  constexpr std::uintptr_t HUGE_PAGE = std::uintptr_t{2} << 20;
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t begin = (start + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
  const std::uintptr_t end = (start + bytes) & ~(HUGE_PAGE - 1);
  // Only a hint: a system without huge pages refuses it and nothing changes.
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
#else
void HintLargeBlock(void*, std::size_t) noexcept {}
#endif
