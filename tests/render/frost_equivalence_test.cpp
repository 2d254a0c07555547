// The bleed passes and the whole frost step against the straightforward
// float running-sum code they replaced (shading_reference.h): equal bytes at
// both depths for random buffers with transparent runs, for radii from 0 to
// beyond the line, for 16-bit windows wide enough that the float sums are no
// longer exact (where the float code itself must run), and for 16-bit
// channels above the full value that a host may hand in.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "render/colour_bleed.h"
#include "render/frost_step.h"
#include "shading_reference.h"
#include "test_pixel_world.h"

namespace {

void Rows(const ColourBleedInputs16& in) { BleedColorRows16(in); }
void Rows(const ColourBleedInputs8& in) { BleedColorRows8(in); }
void Columns(const ColourBleedInputs16& in) { BleedColorColumns16(in); }
void Columns(const ColourBleedInputs8& in) { BleedColorColumns8(in); }
void Frost(PF_Pixel16* p, PF_Pixel16* s, std::int32_t w, std::int32_t h, std::int32_t r, PF_EffectWorld& out) {
  FrostAndCopyOut16(p, s, w, h, r, out);
}
void Frost(PF_Pixel8* p, PF_Pixel8* s, std::int32_t w, std::int32_t h, std::int32_t r, PF_EffectWorld& out) {
  FrostAndCopyOut8(p, s, w, h, r, out);
}

// Premultiplied pixels with runs of transparency; with `wild`, 16-bit
// channels anywhere up to 65535.
template <typename Pixel>
std::vector<Pixel> RandomBuffer(std::int32_t w, std::int32_t h, std::mt19937& rng, bool wild) {
  const int full = PixelTraits<Pixel>::FULL;
  const int top = wild ? (full == 255 ? 255 : 65535) : full;
  std::vector<Pixel> buf(static_cast<std::size_t>(w) * h);
  bool transparent_run = false;
  for (Pixel& p : buf) {
    if (rng() % 23 == 0) transparent_run = !transparent_run;
    if (transparent_run || rng() % 9 == 0) {
      p = MakePixel<Pixel>(0, static_cast<int>(rng() % 50), 0, static_cast<int>(rng() % 3));
      continue;
    }
    const int a = 1 + static_cast<int>(rng() % top);
    const int c = wild ? top : a;
    p = MakePixel<Pixel>(a, static_cast<int>(rng() % (c + 1)), static_cast<int>(rng() % (c + 1)),
                         static_cast<int>(rng() % (c + 1)));
  }
  return buf;
}

template <typename Pixel>
class FrostEquivalenceTest : public ::testing::Test {};

using PixelTypes = ::testing::Types<PF_Pixel16, PF_Pixel8>;
TYPED_TEST_SUITE(FrostEquivalenceTest, PixelTypes);

TYPED_TEST(FrostEquivalenceTest, RowAndColumnPassesGiveTheReferenceBytes) {
  using Pixel = TypeParam;
  struct Case {
    std::int32_t w, h, radius;
    bool wild;
  };
  // 16-bit windows of more than 256 pixels (radius 127 and up over long
  // enough lines) are where the float sums may round.
  const Case cases[] = {{1, 1, 1, false},     {5, 3, 0, false},     {37, 60, 5, false},    {300, 41, 3, true},
                        {300, 41, 60, false}, {17, 700, 40, true},  {1, 300, 2, false},    {260, 270, 127, true},
                        {260, 270, 128, true}, {600, 300, 200, true}, {2000, 3, 900, true}, {3, 2000, 900, true},
                        {70, 65, -3, false},  {129, 257, 1000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " r" << c.radius << (c.wild ? " wild" : ""));
    std::mt19937 rng(static_cast<unsigned>(c.w * 7919 + c.h * 31 + c.radius));
    const std::vector<Pixel> src = RandomBuffer<Pixel>(c.w, c.h, rng, c.wild);
    std::vector<Pixel> got(src.size(), MakePixel<Pixel>(1, 1, 1, 1)), want(src.size(), MakePixel<Pixel>(1, 1, 1, 1));
    const ColourBleedInputs<Pixel> a{src.data(), got.data(), c.w, c.h, c.radius};
    const ColourBleedInputs<Pixel> b{src.data(), want.data(), c.w, c.h, c.radius};
    WithOneAndEightWorkers([&](int) {
      Rows(a);
      shading_reference::BleedRows(b);
      ASSERT_EQ(0, std::memcmp(got.data(), want.data(), got.size() * sizeof(Pixel))) << "rows";
      Columns(a);
      shading_reference::BleedColumns(b);
      ASSERT_EQ(0, std::memcmp(got.data(), want.data(), got.size() * sizeof(Pixel))) << "columns";
    });
  }
}

// Shaded-looking buffers through the three rounds and the copy-out of the
// whole buffer, into padded output worlds.
TYPED_TEST(FrostEquivalenceTest, FrostStepGivesTheReferenceBytes) {
  using Pixel = TypeParam;
  std::mt19937 rng(31);
  for (int trial = 0; trial < 6; ++trial) {
    const std::int32_t w = 200 + trial * 37, h = 260 + trial * 11;
    const std::int32_t radius = trial == 5 ? 150 : 1 + trial * 9;
    const std::vector<Pixel> shaded = RandomBuffer<Pixel>(w, h, rng, trial % 2 == 1);

    std::vector<Pixel> pixels = shaded, scratch(shaded.size());
    TestPixelWorld<Pixel> out(w, h, 2);
    Frost(pixels.data(), scratch.data(), w, h, radius, out.world);

    std::vector<Pixel> ref_pixels = shaded, ref_scratch(shaded.size());
    TestPixelWorld<Pixel> ref_out(w, h, 2);
    const ColourBleedInputs<Pixel> along_rows{ref_pixels.data(), ref_scratch.data(), w, h, radius};
    const ColourBleedInputs<Pixel> along_columns{ref_scratch.data(), ref_pixels.data(), w, h, radius};
    for (int i = 0; i < FROST_BLEED_ITERATIONS; ++i) {
      shading_reference::BleedRows(along_rows);
      shading_reference::BleedColumns(along_columns);
    }
    shading_reference::CopyRows(CopyOutInputs<Pixel>{ref_pixels.data(), w, h, &ref_out.world});
    ASSERT_EQ(out.bytes, ref_out.bytes) << "trial " << trial;
  }
}

}  // namespace
