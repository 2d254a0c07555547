// A hint to the system that a freshly allocated large block will be written
// through soon: on Linux its whole 2 MiB-aligned interior may be backed by
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
