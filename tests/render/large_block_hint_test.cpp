// The huge-page hint and the padded request size of large blocks: the
// padding keeps every byte asked for, adds less than a huge page, and makes
// the allocator's mapping a whole number of huge pages; the hints never
// change what a block holds, and a padded plane still has its own size.
#include "render/large_block_hint.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>

#include "render/allocation_seam.h"
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

TEST(LargeBlockHintTest, MappedBlocksStartOnAHugePageAndReadZeroUntilWritten) {
  // Below the mapping size the caller is sent to the heap.
  for (const std::size_t bytes : {std::size_t{0}, std::size_t{1}, MAPPED_BLOCK_BYTES - 1}) {
    EXPECT_EQ(MapLargeBlock(bytes), nullptr) << bytes;
  }
  for (const std::size_t bytes :
       {MAPPED_BLOCK_BYTES, std::size_t{1920} * 1080 * 4, std::size_t{33177600}, 64 * HUGE_PAGE_BYTES + 5}) {
    void* block = MapLargeBlock(bytes);
#if defined(__linux__)
    ASSERT_NE(block, nullptr) << bytes;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % HUGE_PAGE_BYTES, 0u) << bytes;
    auto* b = static_cast<std::uint8_t*>(block);
    const std::size_t probes[] = {0, 4095, HUGE_PAGE_BYTES, bytes / 2, bytes - 1};
    for (const std::size_t p : probes) EXPECT_EQ(b[p], 0) << bytes << " at " << p;
    for (const std::size_t p : probes) b[p] = static_cast<std::uint8_t>(p % 251 + 1);
    for (const std::size_t p : probes) EXPECT_EQ(b[p], static_cast<std::uint8_t>(p % 251 + 1)) << bytes;
    UnmapLargeBlock(block, bytes);
#else
    EXPECT_EQ(block, nullptr) << bytes;
#endif
  }
}

TEST(LargeBlockHintTest, ArraysOfEverySizeHoldTheirElementsAndZeroedOnesStartAtZero) {
  std::mt19937 rng(5);
  // Small and large blocks, each through both allocators.
  for (const std::uint64_t count : {std::uint64_t{1}, std::uint64_t{1000}, std::uint64_t{1920} * 1080,
                                     std::uint64_t{3840} * 2160, std::uint64_t{3840} * 2160 * 2 + 3}) {
    ZeroedArray<float> zeroed = TryAllocateLargeZeroedArray<float>(count);
    // The plain zeroed allocator stays on the heap: its blocks may be freed
    // with std::free once released.
    float* released = TryAllocateZeroedArray<float>(count).release();
    ASSERT_NE(released, nullptr);
    EXPECT_EQ(released[count - 1], 0.0f);
    std::free(released);
    RawArray<float> raw = TryAllocateRawArray<float>(count);
    ASSERT_NE(zeroed, nullptr);
    ASSERT_NE(raw, nullptr);
    const bool large = count * sizeof(float) >= MAPPED_BLOCK_BYTES;
#if defined(__linux__)
    EXPECT_EQ(zeroed.get_deleter().mapped_bytes != 0, large) << count;
    EXPECT_EQ(raw.get_deleter().mapped_bytes != 0, large) << count;
#endif
    (void)large;
    for (std::uint64_t i = 0; i < count; i += 1 + count / 97) EXPECT_EQ(zeroed[i], 0.0f) << count << " at " << i;
    EXPECT_EQ(zeroed[count - 1], 0.0f);
    const float value = static_cast<float>(rng() % 1000);
    raw[count - 1] = value + 1;
    raw[0] = value;
    zeroed[count - 1] = value + 2;
    EXPECT_EQ(raw[0], value);
    EXPECT_EQ(raw[count - 1], count == 1 ? value : value + 1);
    EXPECT_EQ(zeroed[count - 1], value + 2);
  }
}

TEST(LargeBlockHintTest, ArmedSeamFailsLargeAndSmallArraysAlike) {
  for (const std::uint64_t count : {std::uint64_t{16}, std::uint64_t{3840} * 2160}) {
    ArmAllocationFailure(1);
    EXPECT_EQ(TryAllocateRawArray<float>(count), nullptr) << count;
    ArmAllocationFailure(1);
    EXPECT_EQ(TryAllocateLargeZeroedArray<float>(count), nullptr) << count;
    ArmAllocationFailure(1);
    EXPECT_EQ(TryAllocateZeroedArray<float>(count), nullptr) << count;
    DisarmAllocationFailure();
    EXPECT_NE(TryAllocateRawArray<float>(count), nullptr) << count;
  }
  FloatPlane plane;
  ArmAllocationFailure(1);
  EXPECT_FALSE(AllocateFloatPlane(plane, 3840, 2160));
  EXPECT_TRUE(plane.Empty());
  DisarmAllocationFailure();
  // Too large a plane fails on its own, seam or not.
  ZeroedFloatPlane huge;
  EXPECT_FALSE(AllocateZeroedFloatPlane(huge, 65536, 32768));
  ASSERT_TRUE(AllocateZeroedFloatPlane(huge, 3840, 2160));
  EXPECT_EQ(huge.data[huge.Size() - 1], 0.0f);
}

}  // namespace
