// Rows dealt out in blocks: every row exactly once, whatever the machine
// size, the pass length or the block size.
#include "render/parallel_row_blocks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

TEST(ParallelRowBlocksTest, EveryRowExactlyOnce) {
  for (int concurrency : {1, 4, 10}) {
    SetHardwareConcurrencyOverride(concurrency);
    for (std::int32_t count : {0, 1, 255, 256, 1081}) {
      for (std::int32_t block : {1, 8, 300}) {
        std::vector<std::atomic<int>> seen(static_cast<std::size_t>(count));
        ParallelRowBlocks(
            count,
            [&](std::int32_t begin, std::int32_t end) {
              ASSERT_LT(begin, end);
              ASSERT_LE(end - begin, block);
              for (std::int32_t y = begin; y < end; ++y) seen[static_cast<std::size_t>(y)].fetch_add(1);
            },
            block);
        int wrong = 0;
        for (const std::atomic<int>& s : seen) wrong += s.load() != 1 ? 1 : 0;
        EXPECT_EQ(wrong, 0) << concurrency << " " << count << " " << block;
      }
    }
  }
  SetHardwareConcurrencyOverride(-1);
}

}  // namespace
