#include "render/copy_out.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "test_pixel_world.h"

namespace {

void Copy(const CopyOutInputs16& in) { CopyOut16(in); }
void Copy(const CopyOutInputs8& in) { CopyOut8(in); }

template <typename Pixel>
std::vector<Pixel> RandomBuffer(std::int32_t w, std::int32_t h, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Pixel> buf(static_cast<std::size_t>(w) * h);
  for (Pixel& p : buf)
    p = MakePixel<Pixel>(static_cast<int>(rng() % 256), static_cast<int>(rng() % 256), static_cast<int>(rng() % 256),
                         static_cast<int>(rng() % 256));
  return buf;
}

template <typename Pixel>
class CopyOutTest : public ::testing::Test {};

using PixelTypes = ::testing::Types<PF_Pixel16, PF_Pixel8>;
TYPED_TEST_SUITE(CopyOutTest, PixelTypes);

TYPED_TEST(CopyOutTest, CopiesWholeRowsAndLeavesRowPaddingAlone) {
  using Pixel = TypeParam;
  const std::int32_t w = 7, h = 5;
  const std::vector<Pixel> buf = RandomBuffer<Pixel>(w, h, 1);
  TestPixelWorld<Pixel> out(w, h, 3);
  Copy(CopyOutInputs<Pixel>{buf.data(), w, h, &out.world});
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x)
      EXPECT_TRUE(SamePixel(out.At(x, y), buf[static_cast<std::size_t>(y) * w + x])) << x << "," << y;
  EXPECT_TRUE(out.PaddingIntact());
}

TYPED_TEST(CopyOutTest, OneWorkerAndEightWorkersGiveTheSameBytes) {
  using Pixel = TypeParam;
  const std::int32_t w = 33, h = 301;
  const std::vector<Pixel> buf = RandomBuffer<Pixel>(w, h, 2);
  std::vector<unsigned char> bytes[2];
  WithOneAndEightWorkers([&](int workers) {
    TestPixelWorld<Pixel> out(w, h, 2);
    Copy(CopyOutInputs<Pixel>{buf.data(), w, h, &out.world});
    EXPECT_TRUE(out.PaddingIntact());
    bytes[workers == 1 ? 0 : 1] = out.bytes;
  });
  EXPECT_EQ(bytes[0], bytes[1]);
}

TYPED_TEST(CopyOutTest, CopiesOnlyWhatBothCover) {
  using Pixel = TypeParam;
  const std::vector<Pixel> buf = RandomBuffer<Pixel>(6, 4, 3);
  TestPixelWorld<Pixel> out(4, 3, 1);
  Copy(CopyOutInputs<Pixel>{buf.data(), 6, 4, &out.world});
  for (std::int32_t y = 0; y < 3; ++y)
    for (std::int32_t x = 0; x < 4; ++x) EXPECT_TRUE(SamePixel(out.At(x, y), buf[static_cast<std::size_t>(y) * 6 + x]));
  EXPECT_TRUE(out.PaddingIntact());
}

}  // namespace
