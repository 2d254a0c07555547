// AllocateFloatPlane: sizes that are accepted, sizes that are refused
// (negative, 2^31 elements or more, products that wrap in 32 bits) and an
// allocation that fails; every refusal is reported, never thrown, and
// leaves the plane empty.
#include "render/float_plane.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <utility>

#include "render/allocation_seam.h"

namespace {

TEST(FloatPlaneTest, AllocatesRowMajorPlane) {
  FloatPlane plane;
  ASSERT_TRUE(AllocateFloatPlane(plane, 3, 2));
  EXPECT_FALSE(plane.Empty());
  EXPECT_EQ(plane.width, 3);
  EXPECT_EQ(plane.height, 2);
  EXPECT_EQ(plane.Size(), 6);
  for (std::int32_t i = 0; i < 6; ++i) plane.data[i] = static_cast<float>(i);
  EXPECT_EQ(plane.At(2, 0), 2.0f);
  EXPECT_EQ(plane.At(0, 1), 3.0f);
  EXPECT_EQ(plane.Row(1), plane.data.get() + 3);
}

TEST(FloatPlaneTest, ZeroSizedPlaneIsAllocated) {
  FloatPlane plane;
  ASSERT_TRUE(AllocateFloatPlane(plane, 0, 5));
  EXPECT_FALSE(plane.Empty());
  EXPECT_EQ(plane.Size(), 0);
}

TEST(FloatPlaneTest, RefusedSizesLeaveThePlaneEmpty) {
  struct Case {
    std::int32_t width;
    std::int32_t height;
  };
  const Case refused[] = {
      {-1, 4},         {4, -1},          {-2, -2},
      {65536, 32768},  // exactly 2^31 elements
      {65536, 65536},  // 2^32: 0 when multiplied in 32 bits
      {46341, 46341},  // just over 2^31
      {2147483647, 2},
  };
  for (const Case c : refused) {
    FloatPlane plane;
    ASSERT_TRUE(AllocateFloatPlane(plane, 2, 2));
    EXPECT_FALSE(AllocateFloatPlane(plane, c.width, c.height)) << c.width << " x " << c.height;
    EXPECT_TRUE(plane.Empty());
    EXPECT_EQ(plane.width, 0);
    EXPECT_EQ(plane.height, 0);
  }
}

TEST(FloatPlaneTest, FailedAllocationIsReported) {
  FloatPlane plane;
  ArmAllocationFailure(1);
  EXPECT_FALSE(AllocateFloatPlane(plane, 16, 16));
  EXPECT_TRUE(plane.Empty());
  EXPECT_EQ(plane.width, 0);
  // Only the armed allocation fails.
  EXPECT_TRUE(AllocateFloatPlane(plane, 16, 16));
  EXPECT_EQ(plane.Size(), 256);
  DisarmAllocationFailure();
}

TEST(FloatPlaneTest, SecondAllocationOfAStageCanBeMadeToFail) {
  FloatPlane first;
  FloatPlane second;
  ArmAllocationFailure(2);
  EXPECT_TRUE(AllocateFloatPlane(first, 8, 8));
  EXPECT_FALSE(AllocateFloatPlane(second, 8, 8));
  EXPECT_FALSE(first.Empty());
  EXPECT_TRUE(second.Empty());
  DisarmAllocationFailure();
}

TEST(FloatPlaneTest, ZeroedPlaneReadsZeroEverywhere) {
  // Small planes come from memory the allocator may hand out again, large
  // ones (a 4K supersampled grid is over 32 MiB) from fresh mappings;
  // before each, a plane of the same size is dirtied and freed so that
  // reused memory would show.
  const std::int32_t sizes[][2] = {{1, 1}, {7, 3}, {300, 200}, {1024, 1024}, {4000, 2200}};
  for (const auto& size : sizes) {
    {
      FloatPlane dirty;
      ASSERT_TRUE(AllocateFloatPlane(dirty, size[0], size[1]));
      for (std::int64_t i = 0; i < dirty.Size(); ++i) dirty.data[i] = -3.5f;
    }
    ZeroedFloatPlane plane;
    ASSERT_TRUE(AllocateZeroedFloatPlane(plane, size[0], size[1]));
    EXPECT_EQ(plane.width, size[0]);
    EXPECT_EQ(plane.height, size[1]);
    std::int64_t nonzero = 0;
    for (std::int64_t i = 0; i < plane.Size(); ++i) nonzero += std::bit_cast<std::uint32_t>(plane.data[i]) != 0;
    EXPECT_EQ(nonzero, 0) << size[0] << " x " << size[1];
  }
}

TEST(FloatPlaneTest, ZeroedPlaneRefusesAndFailsAsThePlainOne) {
  ZeroedFloatPlane plane;
  ASSERT_TRUE(AllocateZeroedFloatPlane(plane, 0, 5));
  EXPECT_FALSE(plane.Empty());
  for (const auto& refused : {std::pair{-1, 4}, std::pair{65536, 32768}, std::pair{46341, 46341}}) {
    ASSERT_TRUE(AllocateZeroedFloatPlane(plane, 2, 2));
    EXPECT_FALSE(AllocateZeroedFloatPlane(plane, refused.first, refused.second));
    EXPECT_TRUE(plane.Empty());
    EXPECT_EQ(plane.width, 0);
    EXPECT_EQ(plane.height, 0);
  }
  ArmAllocationFailure(1);
  EXPECT_FALSE(AllocateZeroedFloatPlane(plane, 16, 16));
  EXPECT_TRUE(plane.Empty());
  EXPECT_TRUE(AllocateZeroedFloatPlane(plane, 16, 16));
  EXPECT_EQ(plane.Size(), 256);
  DisarmAllocationFailure();
}

}  // namespace
