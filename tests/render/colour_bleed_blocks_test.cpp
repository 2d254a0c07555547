// The column pass, which walks blocks of neighbouring columns row by row,
// against the row pass (one line at a time) over the transposed buffer:
// equal bytes for widths that leave partial blocks and split across the
// workers, for radii from 0 to beyond the column, and for columns long
// enough that the 16-bit running sums drift.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "render/colour_bleed.h"
#include "render/pixel_traits.h"
#include "test_pixel_world.h"

namespace {

void Rows(const ColourBleedInputs16& in) { BleedColorRows16(in); }
void Rows(const ColourBleedInputs8& in) { BleedColorRows8(in); }
void Columns(const ColourBleedInputs16& in) { BleedColorColumns16(in); }
void Columns(const ColourBleedInputs8& in) { BleedColorColumns8(in); }

template <typename Pixel>
class ColourBleedBlocksTest : public ::testing::Test {};

using PixelTypes = ::testing::Types<PF_Pixel16, PF_Pixel8>;
TYPED_TEST_SUITE(ColourBleedBlocksTest, PixelTypes);

TYPED_TEST(ColourBleedBlocksTest, BlockedColumnsEqualTransposedRows) {
  using Pixel = TypeParam;
  const int full = PixelTraits<Pixel>::FULL;
  struct Case {
    std::int32_t w, h, radius;
  };
  for (const Case c : {Case{37, 60, 0}, Case{37, 60, 5}, Case{300, 41, 3}, Case{300, 41, 60}, Case{17, 700, 40},
                       Case{1, 300, 2}}) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " r" << c.radius);
    std::mt19937 rng(static_cast<unsigned>(c.w * 1000 + c.h + c.radius));
    std::vector<Pixel> src(static_cast<std::size_t>(c.w) * c.h), transposed(src.size());
    for (std::int32_t y = 0; y < c.h; ++y) {
      for (std::int32_t x = 0; x < c.w; ++x) {
        const int a = rng() % 3 == 0 ? 0 : static_cast<int>(rng() % (full + 1));
        const Pixel p = MakePixel<Pixel>(a, static_cast<int>(rng() % (a + 1)), static_cast<int>(rng() % (a + 1)),
                                         static_cast<int>(rng() % (a + 1)));
        src[static_cast<std::size_t>(y) * c.w + x] = p;
        transposed[static_cast<std::size_t>(x) * c.h + y] = p;
      }
    }
    std::vector<Pixel> by_columns(src.size()), by_rows(src.size());
    WithOneAndEightWorkers([&](int) {
      Columns(ColourBleedInputs<Pixel>{src.data(), by_columns.data(), c.w, c.h, c.radius});
      Rows(ColourBleedInputs<Pixel>{transposed.data(), by_rows.data(), c.h, c.w, c.radius});
      int mismatches = 0;
      for (std::int32_t y = 0; y < c.h; ++y) {
        for (std::int32_t x = 0; x < c.w; ++x) {
          if (!SamePixel(by_columns[static_cast<std::size_t>(y) * c.w + x],
                         by_rows[static_cast<std::size_t>(x) * c.h + y])) {
            ++mismatches;
          }
        }
      }
      EXPECT_EQ(mismatches, 0);
    });
  }
}

}  // namespace
