// The huge-page hint and the padded request size of large blocks: the
// padding keeps every byte asked for, adds less than a huge page, and makes
// the allocator's mapping a whole number of huge pages; the hints never
// change what a block holds, and a padded plane still has its own size.
#include "render/large_block_hint.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>

#include "render/float_plane.h"

namespace {

constexpr std::size_t HUGE_PAGE_BYTES = std::size_t{2} << 20;

TEST(LargeBlockHintTest, PaddingKeepsSmallBlocksAndRoundsLargeOnesToWholeHugePages) {
  const std::size_t small[] = {0, 1, 4096, LARGE_BLOCK_BYTES, PADDED_BLOCK_BYTES - 1};
  for (const std::size_t bytes : small) EXPECT_EQ(LargeBlockRequestBytes(bytes), bytes) << bytes;
  const std::size_t large[] = {PADDED_BLOCK_BYTES, PADDED_BLOCK_BYTES + 1, 3936u * 2256u * 4u,
                               7680u * 4320u * 4u, 16 * HUGE_PAGE_BYTES + 40, 64 * HUGE_PAGE_BYTES - 32,
                               64 * HUGE_PAGE_BYTES - 31};
  for (const std::size_t bytes : large) {
    const std::size_t padded = LargeBlockRequestBytes(bytes);
    EXPECT_GE(padded, bytes) << bytes;
    EXPECT_LT(padded - bytes, HUGE_PAGE_BYTES) << bytes;
    EXPECT_EQ((padded + 32) % HUGE_PAGE_BYTES, 0u) << bytes;
    EXPECT_EQ(padded % sizeof(float), 0u) << bytes;
  }
}

TEST(LargeBlockHintTest, HintsKeepTheContentsOfPaddedAndPlainBlocks) {
  // The hint runs on a block the allocator has just handed out; whatever it
  // asks of the system, every byte already written stays as it was.
  std::mt19937 rng(2);
  for (const std::size_t wanted : {std::size_t{40} << 20, (std::size_t{5} << 20) + 123, std::size_t{33177600}}) {
    for (const bool padded : {true, false}) {
      const std::size_t bytes = padded ? LargeBlockRequestBytes(wanted) : wanted;
      std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[bytes]);
      const std::size_t probes[] = {0, 1, 4095, 4096, HUGE_PAGE_BYTES - 1, HUGE_PAGE_BYTES, bytes / 2, bytes - 1};
      std::uint8_t values[8];
      for (int i = 0; i < 8; ++i) {
        values[i] = static_cast<std::uint8_t>(rng());
        block[probes[i]] = values[i];
      }
      HintLargeBlock(block.get(), bytes);
      for (int i = 0; i < 8; ++i) EXPECT_EQ(block[probes[i]], values[i]) << wanted << " at " << probes[i];
    }
  }
}

TEST(LargeBlockHintTest, PaddedPlanesKeepTheirSizeAndHoldEveryPixel) {
  for (const auto& size : {std::pair<int, int>{3840, 2160}, {3936, 2256}, {7, 5}}) {
    FloatPlane plane;
    ASSERT_TRUE(AllocateFloatPlane(plane, size.first, size.second));
    EXPECT_EQ(plane.width, size.first);
    EXPECT_EQ(plane.height, size.second);
    for (std::int64_t i = 0; i < plane.Size(); ++i) plane.data[i] = static_cast<float>(i % 1021);
    for (std::int64_t i = 0; i < plane.Size(); i += 4099) EXPECT_EQ(plane.data[i], static_cast<float>(i % 1021));
    EXPECT_EQ(plane.data[plane.Size() - 1], static_cast<float>((plane.Size() - 1) % 1021));
  }
}

}  // namespace
