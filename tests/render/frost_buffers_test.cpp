#include "render/frost_buffers.h"

#include <gtest/gtest.h>

#include "render/allocation_seam.h"

namespace {

class FrostBuffersTest : public ::testing::Test {
 protected:
  void TearDown() override { DisarmAllocationFailure(); }
};

template <typename Pixel>
void ExpectZeroed(const FrostBuffers<Pixel>& b, std::int32_t n) {
  for (std::int32_t i = 0; i < n; ++i) {
    for (const Pixel* buf : {b.frost_pixels.get(), b.frost_scratch.get()}) {
      ASSERT_EQ(buf[i].alpha, 0);
      ASSERT_EQ(buf[i].red, 0);
      ASSERT_EQ(buf[i].green, 0);
      ASSERT_EQ(buf[i].blue, 0);
    }
  }
}

TEST_F(FrostBuffersTest, HalfAPixelIsOffAndMoreIsOn) {
  EXPECT_FALSE(AllocateFrostBuffers<PF_Pixel16>(4, 3, 0.5).On());
  EXPECT_FALSE(AllocateFrostBuffers<PF_Pixel16>(4, 3, 0.0).On());
  const auto b16 = AllocateFrostBuffers<PF_Pixel16>(5, 3, 0.5000001);
  ASSERT_TRUE(b16.On());
  ExpectZeroed(b16, 15);
  const auto b8 = AllocateFrostBuffers<PF_Pixel8>(7, 2, 12.0);
  ASSERT_TRUE(b8.On());
  ExpectZeroed(b8, 14);
}

TEST_F(FrostBuffersTest, EitherBufferFailingTurnsFrostOffAndKeepsNeither) {
  for (int nth : {1, 2}) {
    ArmAllocationFailure(nth);
    const auto b = AllocateFrostBuffers<PF_Pixel8>(16, 16, 3.0);
    EXPECT_FALSE(b.On()) << nth;
    EXPECT_EQ(b.frost_pixels, nullptr) << nth;
    EXPECT_EQ(b.frost_scratch, nullptr) << nth;
    DisarmAllocationFailure();
  }
  // The third allocation is not one of ours.
  ArmAllocationFailure(3);
  EXPECT_TRUE(AllocateFrostBuffers<PF_Pixel16>(16, 16, 3.0).On());
}

}  // namespace
