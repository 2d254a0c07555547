#include "render/large_block_hint.h"

#include <cstdint>

namespace {

constexpr std::uintptr_t HUGE_PAGE = std::uintptr_t{2} << 20;
// What the allocator keeps in front of and behind a block it maps on its
// own, with room to spare.
constexpr std::size_t ALLOCATOR_OVERHEAD = 32;

}  // namespace

std::size_t LargeBlockRequestBytes(std::size_t bytes) noexcept {
  if (bytes < PADDED_BLOCK_BYTES || bytes > SIZE_MAX - 2 * HUGE_PAGE) return bytes;
  const std::size_t whole = (bytes + ALLOCATOR_OVERHEAD + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
  return whole - ALLOCATOR_OVERHEAD;
}

#if defined(__linux__)
#include <sys/mman.h>

namespace {

// No system page is smaller: the pages that hold a block's first and last
// bytes are mapped whole, whatever the page size.
constexpr std::uintptr_t SMALL_PAGE = 4096;

// The system's synchronous huge-page collapse (Linux 6.1 on), which older C
// libraries do not name yet; an older system refuses the unknown advice.
#if defined(MADV_COLLAPSE)
constexpr int ADVICE_COLLAPSE = MADV_COLLAPSE;
#else
constexpr int ADVICE_COLLAPSE = 25;
#endif

}  // namespace

void HintLargeBlock(void* block, std::size_t bytes) noexcept {
  if (block == nullptr || bytes < LARGE_BLOCK_BYTES) return;
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  std::uintptr_t begin = (start + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
  std::uintptr_t end = (start + bytes) & ~(HUGE_PAGE - 1);
  // A block that starts in the first page of a huge page and ends in the
  // last page before one (a padded block that the system placed on a
  // huge-page boundary) owns its first and last stretches whole: the rest
  // of those pages is the allocator's header and the mapping's end.
  const std::uintptr_t head = start & ~(HUGE_PAGE - 1);
  const std::uintptr_t tail = (start + bytes + SMALL_PAGE - 1) & ~(SMALL_PAGE - 1);
  const bool whole_stretches = start - head < SMALL_PAGE && (tail & (HUGE_PAGE - 1)) == 0;
  if (whole_stretches) {
    begin = head;
    end = tail;
  }
  if (end <= begin) return;
  // Only hints: a system without huge pages refuses them and nothing changes.
  madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  // The allocator has already written its header into the first stretch, so
  // it holds a small page and would fault page by page; asking for it to be
  // collapsed now gives it its huge page at the cost of one fault. The
  // contents are kept; a system that cannot collapse leaves it as it is.
  if (whole_stretches) madvise(reinterpret_cast<void*>(head), HUGE_PAGE, ADVICE_COLLAPSE);
}

namespace {

std::size_t WholeHugePages(std::size_t bytes) noexcept { return (bytes + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1); }

}  // namespace

void* MapLargeBlock(std::size_t bytes) noexcept {
  if (bytes < MAPPED_BLOCK_BYTES || bytes > SIZE_MAX / 2) return nullptr;
  const std::size_t length = WholeHugePages(bytes);
  // One huge page more than the block, so that a huge-page boundary lies
  // within the first; what lies beyond the aligned block is handed back.
  const std::size_t span = length + HUGE_PAGE;
  void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const std::uintptr_t end = aligned + length;
  if (start + span > end) munmap(reinterpret_cast<void*>(end), start + span - end);
  // Only a hint: without huge pages the block faults page by page as before.
  madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void UnmapLargeBlock(void* block, std::size_t bytes) noexcept {
  if (block != nullptr) munmap(block, WholeHugePages(bytes));
}
#else
void HintLargeBlock(void*, std::size_t) noexcept {}
void* MapLargeBlock(std::size_t) noexcept { return nullptr; }
void UnmapLargeBlock(void*, std::size_t) noexcept {}
#endif
