#include "render/colour_bleed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "render/pixel_traits.h"
#include "test_pixel_world.h"

namespace {

void BleedRows(const ColourBleedInputs16& in) { BleedColorRows16(in); }
void BleedRows(const ColourBleedInputs8& in) { BleedColorRows8(in); }
void BleedColumns(const ColourBleedInputs16& in) { BleedColorColumns16(in); }
void BleedColumns(const ColourBleedInputs8& in) { BleedColorColumns8(in); }

template <typename Pixel>
std::vector<Pixel> BleedRow(const std::vector<Pixel>& line, std::int32_t radius) {
  std::vector<Pixel> out(line.size(), MakePixel<Pixel>(1, 1, 1, 1));
  BleedRows(ColourBleedInputs<Pixel>{line.data(), out.data(), static_cast<std::int32_t>(line.size()), 1, radius});
  return out;
}

template <typename Pixel>
class ColourBleedTest : public ::testing::Test {};

using PixelTypes = ::testing::Types<PF_Pixel16, PF_Pixel8>;
TYPED_TEST_SUITE(ColourBleedTest, PixelTypes);

TYPED_TEST(ColourBleedTest, AveragesOnlyNonTransparentPixelsOfTheWindow) {
  using Pixel = TypeParam;
  // A transparent pixel with colour in it: left alone, and not counted.
  const std::vector<Pixel> line = {MakePixel<Pixel>(240, 240, 0, 12), MakePixel<Pixel>(0, 99, 98, 97),
                                   MakePixel<Pixel>(80, 40, 10, 0), MakePixel<Pixel>(160, 160, 30, 3)};
  const std::vector<Pixel> out = BleedRow(line, 1);
  EXPECT_TRUE(SamePixel(out[0], line[0]));  // window {0, 1}: only itself counts
  EXPECT_TRUE(SamePixel(out[1], line[1]));
  EXPECT_TRUE(SamePixel(out[2], MakePixel<Pixel>(120, 100, 20, 1)));  // mean of 2 and 3
  EXPECT_TRUE(SamePixel(out[3], MakePixel<Pixel>(120, 100, 20, 1)));
}

TYPED_TEST(ColourBleedTest, WindowIsCutAtTheLineEnds) {
  using Pixel = TypeParam;
  const std::vector<Pixel> line = {MakePixel<Pixel>(100, 10, 0, 0), MakePixel<Pixel>(200, 20, 0, 0),
                                   MakePixel<Pixel>(240, 30, 0, 0), MakePixel<Pixel>(250, 40, 0, 0)};
  const std::vector<Pixel> out = BleedRow(line, 1);
  EXPECT_EQ(out[0].alpha, 150);  // (100 + 200) / 2
  EXPECT_EQ(out[1].alpha, 180);  // (100 + 200 + 240) / 3
  EXPECT_EQ(out[2].alpha, 230);  // (200 + 240 + 250) / 3
  EXPECT_EQ(out[3].alpha, 245);  // (240 + 250) / 2
  EXPECT_EQ(out[0].red, 15);
  EXPECT_EQ(out[1].red, 20);
  EXPECT_EQ(out[3].red, 35);
}

TYPED_TEST(ColourBleedTest, RadiusZeroAndAllTransparentLinesAreUnchanged) {
  using Pixel = TypeParam;
  std::mt19937 rng(4);
  std::vector<Pixel> line(37);
  for (Pixel& p : line)
    p = MakePixel<Pixel>(static_cast<int>(rng() % 256), static_cast<int>(rng() % 256), static_cast<int>(rng() % 256),
                         static_cast<int>(rng() % 256));
  const std::vector<Pixel> same = BleedRow(line, 0);
  for (std::size_t i = 0; i < line.size(); ++i) EXPECT_TRUE(SamePixel(same[i], line[i])) << i;
  const std::vector<Pixel> negative = BleedRow(line, -3);
  for (std::size_t i = 0; i < line.size(); ++i) EXPECT_TRUE(SamePixel(negative[i], line[i])) << i;

  for (Pixel& p : line) p.alpha = 0;
  const std::vector<Pixel> clear = BleedRow(line, 5);
  for (std::size_t i = 0; i < line.size(); ++i) EXPECT_TRUE(SamePixel(clear[i], line[i])) << i;
}

TYPED_TEST(ColourBleedTest, RadiusBeyondTheLineGivesOneAverage) {
  using Pixel = TypeParam;
  const std::vector<Pixel> line = {MakePixel<Pixel>(90, 30, 60, 3), MakePixel<Pixel>(0, 0, 0, 0),
                                   MakePixel<Pixel>(210, 90, 0, 9), MakePixel<Pixel>(150, 60, 30, 0),
                                   MakePixel<Pixel>(0, 5, 5, 5)};
  for (std::int32_t radius : {4, 5, 1000, 2147483647}) {
    const std::vector<Pixel> out = BleedRow(line, radius);
    const Pixel mean = MakePixel<Pixel>(150, 60, 30, 4);
    EXPECT_TRUE(SamePixel(out[0], mean)) << radius;
    EXPECT_TRUE(SamePixel(out[2], mean)) << radius;
    EXPECT_TRUE(SamePixel(out[3], mean)) << radius;
    EXPECT_TRUE(SamePixel(out[1], line[1]));
    EXPECT_TRUE(SamePixel(out[4], line[4]));
  }
}

TYPED_TEST(ColourBleedTest, UniformOpaqueRegionStaysUniform) {
  using Pixel = TypeParam;
  const int full = PixelTraits<Pixel>::FULL;
  const std::int32_t w = 23, h = 17;
  std::vector<Pixel> a(static_cast<std::size_t>(w) * h, MakePixel<Pixel>(full, full / 3, full / 5, full / 7));
  std::vector<Pixel> b(a.size());
  for (int i = 0; i < 3; ++i) {
    BleedRows(ColourBleedInputs<Pixel>{a.data(), b.data(), w, h, 4});
    BleedColumns(ColourBleedInputs<Pixel>{b.data(), a.data(), w, h, 4});
  }
  for (const Pixel& p : a) ASSERT_TRUE(SamePixel(p, MakePixel<Pixel>(full, full / 3, full / 5, full / 7)));
}

TYPED_TEST(ColourBleedTest, ColumnsBleedLikeRowsOfTheTransposedBuffer) {
  using Pixel = TypeParam;
  const std::int32_t w = 13, h = 29;
  std::mt19937 rng(8);
  std::vector<Pixel> src(static_cast<std::size_t>(w) * h), transposed(src.size());
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const int a = rng() % 3 == 0 ? 0 : static_cast<int>(rng() % 256);
      const Pixel p = MakePixel<Pixel>(a, static_cast<int>(rng() % (a + 1)), static_cast<int>(rng() % (a + 1)),
                                       static_cast<int>(rng() % (a + 1)));
      src[static_cast<std::size_t>(y) * w + x] = p;
      transposed[static_cast<std::size_t>(x) * h + y] = p;
    }
  std::vector<Pixel> by_columns(src.size()), by_rows(src.size());
  BleedColumns(ColourBleedInputs<Pixel>{src.data(), by_columns.data(), w, h, 3});
  BleedRows(ColourBleedInputs<Pixel>{transposed.data(), by_rows.data(), h, w, 3});
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x)
      EXPECT_TRUE(SamePixel(by_columns[static_cast<std::size_t>(y) * w + x], by_rows[static_cast<std::size_t>(x) * h + y]));
}

TYPED_TEST(ColourBleedTest, OneWorkerAndEightWorkersGiveTheSameBytes) {
  using Pixel = TypeParam;
  const std::int32_t w = 300, h = 280;
  std::mt19937 rng(21);
  std::vector<Pixel> src(static_cast<std::size_t>(w) * h);
  for (Pixel& p : src) {
    const int a = rng() % 4 == 0 ? 0 : static_cast<int>(rng() % 256);
    p = MakePixel<Pixel>(a, static_cast<int>(rng() % (a + 1)), 0, static_cast<int>(rng() % (a + 1)));
  }
  std::vector<Pixel> rows[2], columns[2];
  WithOneAndEightWorkers([&](int workers) {
    const int k = workers == 1 ? 0 : 1;
    rows[k].assign(src.size(), Pixel{});
    columns[k].assign(src.size(), Pixel{});
    BleedRows(ColourBleedInputs<Pixel>{src.data(), rows[k].data(), w, h, 7});
    BleedColumns(ColourBleedInputs<Pixel>{rows[k].data(), columns[k].data(), w, h, 7});
  });
  for (std::size_t i = 0; i < src.size(); ++i) {
    ASSERT_TRUE(SamePixel(rows[0][i], rows[1][i])) << i;
    ASSERT_TRUE(SamePixel(columns[0][i], columns[1][i])) << i;
  }
}

// Long 16-bit lines push the float running sums past 2^24, where adding and
// taking away the same values no longer cancels exactly. A lone pixel far
// past a bright stretch must still come out in range, not wrapped around.
TEST(ColourBleed16Test, RunningSumDriftStaysInTheChannelRange) {
  const std::int32_t n = 24000, radius = 4000;
  std::mt19937 rng(1);  // a sequence whose red sum drifts below zero
  std::vector<PF_Pixel16> line(n);
  for (std::int32_t x = 0; x < 12000; ++x) {
    const int v = static_cast<int>(rng() % 32769);
    line[x] = MakePixel<PF_Pixel16>(32768, v, v / 2, 0);
  }
  for (std::int32_t x = 12000; x < n; ++x) line[x] = MakePixel<PF_Pixel16>(0, 0, 0, 0);
  const std::int32_t lone = 20000;
  line[lone] = MakePixel<PF_Pixel16>(32768, 0, 0, 0);
  const std::vector<PF_Pixel16> out = BleedRow(line, radius);
  EXPECT_EQ(out[lone].alpha, 32768);
  // True means are 0; drift may leave a little, never a wrapped value.
  EXPECT_LE(out[lone].red, 256);
  EXPECT_LE(out[lone].green, 256);
  EXPECT_EQ(out[lone].blue, 0);
  for (const PF_Pixel16& p : out) {
    ASSERT_LE(p.alpha, 32768);
    ASSERT_LE(p.red, 32768);
  }
}

TEST(ColourBleedGuardTest, EmptyOrMissingBuffersAreLeftAlone) {
  std::vector<PF_Pixel8> buf(4, MakePixel<PF_Pixel8>(1, 2, 3, 4));
  BleedColorRows8(ColourBleedInputs8{nullptr, buf.data(), 2, 2, 1});
  BleedColorColumns8(ColourBleedInputs8{buf.data(), buf.data() + 0, 0, 2, 1});
  for (const PF_Pixel8& p : buf) EXPECT_TRUE(SamePixel(p, MakePixel<PF_Pixel8>(1, 2, 3, 4)));
}

}  // namespace
