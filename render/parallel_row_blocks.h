// Rows of a pass handed to the workers in small blocks from a shared
// counter, for passes whose cost per row varies a lot (panes cover some
// rows and not others): the workers ParallelFor starts each take the next
// free block until none is left, so no worker sits on a band of expensive
// rows while the others idle. Every row is still processed exactly once by
// the same body, so the result does not depend on which worker took it.
// With one worker (or a short pass) the calling thread takes every block in
// order.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "render/parallel_for.h"

constexpr std::int32_t ROW_BLOCK = 8;

// body(begin, end) processes rows [begin, end); it runs on several workers
// at once, each block on one of them. Failures are ParallelFor's.
template <typename Body>
void ParallelRowBlocks(std::int32_t count, const Body& body, std::int32_t block = ROW_BLOCK) {
  if (count <= 0) return;
  const std::int64_t step = std::max<std::int32_t>(block, 1);
  std::atomic<std::int64_t> next{0};
  ParallelFor(count, [&](std::int32_t, std::int32_t) {
    for (;;) {
      const std::int64_t begin = next.fetch_add(step, std::memory_order_relaxed);
      if (begin >= count) return;
      const std::int64_t end = std::min<std::int64_t>(begin + step, count);
      body(static_cast<std::int32_t>(begin), static_cast<std::int32_t>(end));
    }
  });
}
