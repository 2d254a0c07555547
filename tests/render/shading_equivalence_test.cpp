// The shading kernel and the bilinear sampler against the straightforward
// per-pixel code they replaced (shading_reference.h): the same bytes in the
// output world and in the frost buffer, at both depths, for random fields
// and settings and for structured scenes (discs with deep interiors, runs
// outside the panes, offsets beyond the input, non-finite plane values).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/bilinear_sample.h"
#include "render/refraction_shading.h"
#include "shading_reference.h"
#include "test_pixel_world.h"

namespace {

template <typename Pixel>
void FillRandom(TestPixelWorld<Pixel>& world, std::mt19937& rng, int transparent_one_in) {
  const int full = PixelTraits<Pixel>::FULL;
  for (std::int32_t y = 0; y < world.world.height; ++y) {
    for (std::int32_t x = 0; x < world.world.width; ++x) {
      int a = static_cast<int>(rng() % (full + 1));
      if (transparent_one_in > 0 && rng() % transparent_one_in == 0) a = 0;
      if (rng() % 7 == 0) a = full;
      world.At(x, y) = MakePixel<Pixel>(a, static_cast<int>(rng() % (a + 1)), static_cast<int>(rng() % (a + 1)),
                                        static_cast<int>(rng() % (a + 1)));
    }
  }
}

// One scene shaded twice, by the kernel and by the reference, into output
// worlds and frost buffers that start with the same garbage.
template <typename Pixel>
struct Pair {
  std::int32_t w, h;
  TestPixelWorld<Pixel> input;
  TestPixelWorld<Pixel> out_new, out_ref;
  FloatPlane depth, distance, height;
  std::vector<Pixel> frost_new, frost_ref;
  RefractionShadingInputs<Pixel> in;

  Pair(std::int32_t w_, std::int32_t h_, std::int32_t in_w, std::int32_t in_h, std::int32_t padding)
      : w(w_), h(h_), input(in_w, in_h, padding), out_new(w_, h_, padding), out_ref(w_, h_, padding) {
    EXPECT_TRUE(AllocateFloatPlane(depth, w, h));
    EXPECT_TRUE(AllocateFloatPlane(distance, w, h));
    EXPECT_TRUE(AllocateFloatPlane(height, w, h));
    frost_new.assign(static_cast<std::size_t>(w) * h, MakePixel<Pixel>(7, 6, 5, 4));
    frost_ref = frost_new;
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) out_new.At(x, y) = out_ref.At(x, y) = MakePixel<Pixel>(3, 2, 1, 9);
    in.input = &input.world;
    in.shade_height = &depth;
    in.pane_distance = &distance;
    in.pane_depth = &depth;
  }

  void Compare(const char* what) {
    RefractionShadingInputs<Pixel> a = in;
    a.output = &out_new.world;
    a.frost_pixels = frost_new.data();
    RefractionShadingInputs<Pixel> b = in;
    b.output = &out_ref.world;
    b.frost_pixels = frost_ref.data();
    if constexpr (sizeof(Pixel) == 8) {
      ShadeRefraction16(a);
    } else {
      ShadeRefraction8(a);
    }
    shading_reference::Shade<Pixel>(b);
    ASSERT_EQ(out_new.bytes, out_ref.bytes) << what;
    ASSERT_EQ(0, std::memcmp(frost_new.data(), frost_ref.data(), frost_new.size() * sizeof(Pixel))) << what;
  }
};

template <typename Pixel>
class ShadingEquivalenceTest : public ::testing::Test {};

using PixelTypes = ::testing::Types<PF_Pixel16, PF_Pixel8>;
TYPED_TEST_SUITE(ShadingEquivalenceTest, PixelTypes);

TYPED_TEST(ShadingEquivalenceTest, RandomFieldsAndSettingsGiveTheReferenceBytes) {
  using Pixel = TypeParam;
  std::mt19937 rng(20261210);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  for (int trial = 0; trial < 300; ++trial) {
    const std::int32_t w = 9 + static_cast<std::int32_t>(rng() % 40);
    const std::int32_t h = 5 + static_cast<std::int32_t>(rng() % 30);
    const std::int32_t in_w = std::max<std::int32_t>(1, w + static_cast<std::int32_t>(rng() % 9) - 4);
    const std::int32_t in_h = std::max<std::int32_t>(1, h + static_cast<std::int32_t>(rng() % 9) - 4);
    Pair<Pixel> s(w, h, in_w, in_h, static_cast<std::int32_t>(rng() % 3));
    FillRandom(s.input, rng, trial % 3 == 0 ? 0 : 4);
    const int discs = 1 + static_cast<int>(rng() % 3);
    float cx[3], cy[3], rad[3];
    for (int k = 0; k < discs; ++k) {
      cx[k] = static_cast<float>(uniform(0, w));
      cy[k] = static_cast<float>(uniform(0, h));
      rad[k] = static_cast<float>(uniform(1, 14));
    }
    const double jitter = trial % 4 == 0 ? 0.0 : 0.6;
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        float d = -1e9f;
        for (int k = 0; k < discs; ++k)
          d = std::max(d, rad[k] - std::hypot(static_cast<float>(x) - cx[k], static_cast<float>(y) - cy[k]));
        s.distance.At(x, y) = d + static_cast<float>(uniform(-jitter, jitter));
        s.depth.At(x, y) = std::max(0.0f, d);
        s.height.At(x, y) = d * static_cast<float>(uniform(0.3, 1.2));
      }
    if (trial % 2) s.in.shade_height = &s.height;
    s.in.raster_source = trial % 3 == 0;
    s.in.shapes_supersampled = trial % 5 == 1;
    s.in.request_offset_x = static_cast<std::int32_t>(rng() % 11) - 5;
    s.in.request_offset_y = static_cast<std::int32_t>(rng() % 7) - 3;
    if (trial % 37 == 0) s.in.request_offset_x += 2 * w;  // entirely beside the input
    s.in.quality = trial % 4 ? PF_Quality_HI : PF_Quality_LO;
    s.in.scale_factor = uniform(0.2, 8);
    s.in.depth_px = trial % 9 == 0 ? 0.0 : uniform(0, 120);
    s.in.refraction = trial % 6 == 0 ? 0.0 : uniform(-100, 100);
    s.in.magnify = trial % 3 == 0 ? 0.0 : uniform(-100, 100);
    s.in.splay = uniform(-10, 100);
    const double dispersions[] = {0.0, 0.1, 0.1000001, uniform(0, 100)};
    s.in.dispersion = dispersions[trial % 4];
    s.in.pane_centre_x = cx[0];
    s.in.pane_centre_y = cy[0];
    s.in.shape_count = static_cast<std::uint32_t>(rng() % 4);
    s.in.merge_mode = static_cast<std::uint32_t>(rng() % 6);
    s.in.frost_on = trial % 5 == 0;
    s.Compare(("trial " + std::to_string(trial)).c_str());
  }
}

// Large discs with deep interiors (where every tap of a pixel lands on the
// same position), a busy opaque input and the demo's controls, at sizes that
// run on several workers.
TYPED_TEST(ShadingEquivalenceTest, DeepDiscsOverAnOpaqueInputGiveTheReferenceBytes) {
  using Pixel = TypeParam;
  std::mt19937 rng(7);
  for (int variant = 0; variant < 8; ++variant) {
    const std::int32_t w = 300, h = 260;
    Pair<Pixel> s(w, h, w, h, 0);
    FillRandom(s.input, rng, variant % 2 ? 0 : 9);
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        const float a = 90.0f - std::hypot(static_cast<float>(x) - 100.0f, static_cast<float>(y) - 120.0f);
        const float b = 60.0f - std::hypot(static_cast<float>(x) - 230.0f, static_cast<float>(y) - 160.0f);
        const float d = std::max(a, b);
        s.distance.At(x, y) = d;
        s.depth.At(x, y) = std::max(0.0f, d);
        s.height.At(x, y) = std::max(0.0f, d) * 0.8f;
      }
    if (variant & 1) s.in.shade_height = &s.height;
    s.in.raster_source = variant & 2;
    s.in.scale_factor = 2.0;
    s.in.depth_px = 80.0;
    s.in.refraction = 70.0;
    s.in.magnify = variant & 4 ? 15.0 : 0.0;
    s.in.splay = variant & 4 ? 10.0 : 0.0;
    s.in.dispersion = variant < 6 ? 60.0 : 0.0;
    s.in.pane_centre_x = 150.0f;
    s.in.pane_centre_y = 130.0f;
    s.in.shape_count = 2;
    s.in.frost_on = variant == 3;
    s.Compare(("variant " + std::to_string(variant)).c_str());
  }
}

TYPED_TEST(ShadingEquivalenceTest, NonFiniteAndExtremeValuesGiveTheReferenceBytes) {
  using Pixel = TypeParam;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float specials[] = {nan, inf, -inf, 1e30f, -1e30f, -2.5f, -2.5000002f, 0.0f, -0.0f, 1.5f, 3.0f};
  std::mt19937 rng(99);
  for (int trial = 0; trial < 72; ++trial) {
    const std::int32_t w = 23, h = 17;
    Pair<Pixel> s(w, h, w, h, 1);
    FillRandom(s.input, rng, 3);
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x) {
        const float d = 6.0f - std::hypot(static_cast<float>(x) - 11.0f, static_cast<float>(y) - 8.0f);
        s.distance.At(x, y) = rng() % 6 == 0 ? specials[rng() % 11] : d;
        s.depth.At(x, y) = std::max(0.0f, d);
        s.height.At(x, y) = rng() % 6 == 0 ? specials[rng() % 11] : d;
      }
    if (trial % 2) s.in.shade_height = &s.height;
    s.in.raster_source = trial % 3 == 0;
    s.in.depth_px = 20.0;
    s.in.refraction = trial % 4 == 0 ? 1e30 : (trial % 4 == 2 ? 0.0 : 60.0);
    s.in.magnify = trial % 5 == 0 ? -1e30 : 20.0;
    s.in.splay = trial % 9 == 4 ? 1e30 : 30.0;
    s.in.dispersion = trial % 2 ? 50.0 : 0.0;
    // Fractions that are not finite spread even a zero offset into NaN.
    if (trial % 6 == 2) s.in.dispersion = std::numeric_limits<double>::infinity();
    if (trial % 6 == 4) s.in.dispersion = 1e300;
    s.in.pane_centre_x = trial % 7 == 0 ? nan : 11.0f;
    s.in.pane_centre_y = 8.0f;
    s.in.frost_on = trial % 3 == 1;
    s.Compare(("trial " + std::to_string(trial)).c_str());
  }
}

// Frames from 1 to 4096 pixels wide and a few rows high, with pane runs of
// every length from 1 up (so runs split into groups of four neighbours and
// leftovers in every way), slopes read across both borders, and inputs
// offset so that groups straddle the input's edge.
TYPED_TEST(ShadingEquivalenceTest, FramesOfEveryWidthAndRunLengthGiveTheReferenceBytes) {
  using Pixel = TypeParam;
  std::mt19937 rng(4096);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  for (int trial = 0; trial < 60; ++trial) {
    const std::int32_t w = trial < 12 ? 1 + trial : 1 + static_cast<std::int32_t>(rng() % 4096);
    const std::int32_t h = 1 + static_cast<std::int32_t>(rng() % 6);
    const std::int32_t in_w = std::max<std::int32_t>(1, w + static_cast<std::int32_t>(rng() % 13) - 6);
    Pair<Pixel> s(w, h, in_w, h + 1, static_cast<std::int32_t>(rng() % 2));
    FillRandom(s.input, rng, trial % 2 ? 5 : 0);
    if (trial % 5 == 4) {  // channels above the full value, which every read limits
      const int top = PixelTraits<Pixel>::FULL == 255 ? 255 : 65535;
      for (std::int32_t y = 0; y <= h; ++y)
        for (std::int32_t x = 0; x < in_w; ++x)
          if (rng() % 3 == 0) s.input.At(x, y) = MakePixel<Pixel>(top, top - 1, top, static_cast<int>(rng() % (top + 1)));
    }
    for (std::int32_t y = 0; y < h; ++y) {
      std::int32_t x = 0;
      while (x < w) {
        // A run inside (depths rising from the run's ends) or outside.
        const std::int32_t run = 1 + static_cast<std::int32_t>(rng() % (trial % 3 == 0 ? 9 : 300));
        const bool inside = rng() % 3 != 0;
        for (std::int32_t k = 0; k < run && x < w; ++k, ++x) {
          const float depth = static_cast<float>(std::min(k, run - 1 - k)) * static_cast<float>(uniform(0.2, 3.0));
          const float d = inside ? depth - 2.4f : -3.0f - depth;
          s.distance.At(x, y) = d;
          s.depth.At(x, y) = std::max(0.0f, d);
          s.height.At(x, y) = d * static_cast<float>(uniform(0.5, 1.1));
        }
      }
    }
    if (trial % 2) s.in.shade_height = &s.height;
    s.in.raster_source = trial % 3 == 1;
    s.in.shapes_supersampled = trial % 5 == 2;
    s.in.request_offset_x = static_cast<std::int32_t>(rng() % 9) - 4;
    s.in.request_offset_y = static_cast<std::int32_t>(rng() % 3) - 1;
    s.in.quality = trial % 4 ? PF_Quality_HI : PF_Quality_LO;
    s.in.scale_factor = uniform(0.2, 6);
    s.in.depth_px = uniform(0, 60);
    s.in.refraction = trial % 7 == 0 ? 0.0 : uniform(-100, 100);
    s.in.magnify = trial % 3 == 0 ? 0.0 : uniform(-60, 60);
    s.in.splay = trial % 4 == 0 ? 0.0 : uniform(-10, 100);
    s.in.dispersion = trial % 2 ? uniform(0.2, 100) : 0.0;
    s.in.pane_centre_x = static_cast<float>(uniform(0, w));
    s.in.pane_centre_y = static_cast<float>(uniform(0, h));
    s.in.shape_count = static_cast<std::uint32_t>(rng() % 4);
    s.in.merge_mode = static_cast<std::uint32_t>(rng() % 6);
    s.in.frost_on = trial % 4 == 3;
    s.Compare(("trial " + std::to_string(trial) + " width " + std::to_string(w)).c_str());
  }
}

// The sampler on its own: random positions, including the half-pixel edge,
// exact integers and positions far outside, over worlds of 1 to 6 pixels a
// side and with callers that claim more pixels than the world holds.
TYPED_TEST(ShadingEquivalenceTest, SamplerGivesTheReferenceBytes) {
  using Pixel = TypeParam;
  std::mt19937 rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    const std::int32_t ww = 1 + static_cast<std::int32_t>(rng() % 6), wh = 1 + static_cast<std::int32_t>(rng() % 6);
    TestPixelWorld<Pixel> world(ww, wh, static_cast<std::int32_t>(rng() % 2));
    FillRandom(world, rng, 3);
    if (trial % 11 == 0) {  // values above the full value must be limited alike
      world.At(0, 0) = MakePixel<Pixel>(PixelTraits<Pixel>::FULL == 255 ? 255 : 65535, 0xFFFF, 0xFFFF, 0xFFFF);
    }
    const std::int32_t claim_w = ww + static_cast<std::int32_t>(rng() % 3) - 1;
    const std::int32_t claim_h = wh + static_cast<std::int32_t>(rng() % 3) - 1;
    const BilinearSampler<Pixel> sampler(world.world, claim_w, claim_h);
    for (int k = 0; k < 50; ++k) {
      float x = std::uniform_real_distribution<float>(-1.5f, static_cast<float>(ww) + 0.5f)(rng);
      float y = std::uniform_real_distribution<float>(-1.5f, static_cast<float>(wh) + 0.5f)(rng);
      if (k % 5 == 0) x = std::round(x * 2.0f) * 0.5f;
      if (k % 7 == 0) y = std::round(y);
      Pixel a;
      StoreLanes(sampler.Sample(x, y), a);
      const Pixel b = shading_reference::SampleBilinear<Pixel>(world.world, x, y, claim_w, claim_h);
      ASSERT_TRUE(SamePixel(a, b)) << trial << " at " << x << "," << y;
      ASSERT_TRUE(SamePixel(SampleBilinear<Pixel>(world.world, x, y, claim_w, claim_h), b));
    }
  }
}

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRISMORA_SCALAR_LANES)
// Four reads at once against four single reads: positions around and
// beyond the half-pixel edge, exact integers, NaN and infinities, on worlds
// of 1 to 9 pixels a side.
TYPED_TEST(ShadingEquivalenceTest, FourReadsAtOnceGiveTheSingleReadBytes) {
  using Pixel = TypeParam;
  std::mt19937 rng(44);
  const float specials[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), -0.5f, -0.50000006f, -0.0f, 1e30f};
  for (int trial = 0; trial < 300; ++trial) {
    const std::int32_t ww = 1 + static_cast<std::int32_t>(rng() % 9), wh = 1 + static_cast<std::int32_t>(rng() % 9);
    TestPixelWorld<Pixel> world(ww, wh, static_cast<std::int32_t>(rng() % 2));
    FillRandom(world, rng, 3);
    const BilinearSampler<Pixel> sampler(world.world, ww, wh);
    ASSERT_TRUE(sampler.FourAtOnce());
    alignas(16) float xs[4], ys[4];
    for (int k = 0; k < 4; ++k) {
      xs[k] = std::uniform_real_distribution<float>(-1.5f, static_cast<float>(ww) + 0.5f)(rng);
      ys[k] = std::uniform_real_distribution<float>(-1.5f, static_cast<float>(wh) + 0.5f)(rng);
      if (rng() % 5 == 0) xs[k] = std::round(xs[k]);
      if (rng() % 9 == 0) ys[k] = specials[rng() % 7];
      if (rng() % 9 == 0) xs[k] = static_cast<float>(ww) - 0.5f;
    }
    const PixelQuad q = sampler.Sample4(_mm_load_ps(xs), _mm_load_ps(ys));
    alignas(16) std::int32_t a[4], r[4], g[4], b[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(a), q.a);
    _mm_store_si128(reinterpret_cast<__m128i*>(r), q.r);
    _mm_store_si128(reinterpret_cast<__m128i*>(g), q.g);
    _mm_store_si128(reinterpret_cast<__m128i*>(b), q.b);
    for (int k = 0; k < 4; ++k) {
      const Pixel want = shading_reference::SampleBilinear<Pixel>(world.world, xs[k], ys[k], ww, wh);
      EXPECT_TRUE(SamePixel(MakePixel<Pixel>(a[k], r[k], g[k], b[k]), want))
          << trial << " lane " << k << " at " << xs[k] << "," << ys[k];
    }
  }
}
#endif

}  // namespace
