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

// Blocks from this size on are mapped from the system on their own, starting
// on a huge-page boundary and covering whole huge pages, with the huge-page
// advice given before any page is touched: the first writes then fault once
// per 2 MiB. The allocator would map blocks of this size afresh on every
// call (its reuse of them depends on what the process freed before) and
// fault them in page by page; a 1080p plane is well above it.
constexpr std::size_t MAPPED_BLOCK_BYTES = std::size_t{4} << 20;

// A zeroed block of at least `bytes`, aligned to a huge page, that only
// UnmapLargeBlock (with the same size) releases; null when the block is
// below MAPPED_BLOCK_BYTES, the system has no such mapping, or it refuses
// one: the caller then takes the heap. Nothing is kept after the release.
void* MapLargeBlock(std::size_t bytes) noexcept;
void UnmapLargeBlock(void* block, std::size_t bytes) noexcept;
