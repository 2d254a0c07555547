// A hint to the system that a freshly allocated large block will be written
// through soon: on Linux every 2 MiB-aligned stretch of it may be backed by
// huge pages, so the first writes fault once per 2 MiB rather than once per
// 4 KiB page. Every frame allocates its planes afresh and the allocator
// maps blocks this large straight from the system, so without the hint a
// 4K frame takes hundreds of thousands of page faults. Elsewhere it does
// nothing. The block's contents and lifetime are unchanged.
#pragma once
#include <cstddef>

// Blocks below this size are left to the allocator's own pages.
constexpr std::size_t LARGE_BLOCK_BYTES = std::size_t{4} << 20;

void HintLargeBlock(void* block, std::size_t bytes) noexcept;

// Blocks from this size on are padded (below).
constexpr std::size_t PADDED_BLOCK_BYTES = std::size_t{32} << 20;

// The size to ask for when a block of `bytes` is wanted: large blocks grow
// by less than 2 MiB so that, with the allocator's own small header, the
// mapping the system makes for them is a whole number of huge pages. Such a
// mapping is placed on a huge-page boundary, and then the block's first and
// last stretches can take huge pages too instead of faulting page by page.
// The bytes added are never touched. Smaller blocks keep their size: the
// allocator tends to serve them again from memory it already holds, which
// their padding would upset.
std::size_t LargeBlockRequestBytes(std::size_t bytes) noexcept;
