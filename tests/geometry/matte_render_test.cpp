// The pre-render's matte through the simulated host: which matte is
// rendered (track-matte layer by layer or item render, or the layer's own
// composition source), the distance code and its clamps, the four matte
// modes at both depths, placement, the item render's distance codes and
// downsampling, dropped and degenerate mattes, every host failure, and the
// guard against nested renders on one thread.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/matte_distance_code.h"
#include "geometry/pre_render_nesting.h"
#include "geometry/record_matte.h"
#include "host/aegp_render_types.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_footage_suite11.h"
#include "hostsim/sim_world.h"
#include "render/allocation_seam.h"
#include "render/matte_stage.h"
#include "pre_render_test_support.h"

namespace {

using hostsim::SimLayer;
using hostsim::SimRenderRequest;
using hostsim::SimWorld;

TEST(MatteDistanceCodeTest, FormulaAndClamps) {
  struct Case {
    float d, s;
    double range;
    std::uint16_t code;
  };
  const Case cases[] = {
      {0.0f, 1.0f, 48.0, 16384},     // on the edge
      {6.0f, 1.0f, 48.0, 20480},     // (6 / 48 + 0.5) x 32768 + 0.5 = 20480.5
      {3.0f, 2.0f, 48.0, 20480},     // the layer's scale multiplies d
      {-6.0f, 1.0f, 48.0, 12288},    // 12288.5
      {24.0f, 1.0f, 48.0, 32768},    // range / 2 inside
      {1e6f, 1.0f, 48.0, 32768},     // clamped
      {-24.0f, 1.0f, 48.0, 0},       // 0.5 before truncation
      {-1e6f, 1.0f, 48.0, 0},        // clamped
      {1.0f, 1.0f, 64.0, 16896},     // 16896.5
  };
  for (const Case& c : cases) EXPECT_EQ(MatteDistanceCode(c.d, c.s, c.range), c.code) << c.d << " " << c.range;
}

class MatteRenderTest : public PreRenderTest {
 protected:
  // An 8 x 4 composition; the effect layer is an adjustment layer and
  // layer 1 its track matte.
  // Built once; a later call resets the matte layer for the next case.
  SimLayer& BuildWithMatte(A_long mode, AEGP_ObjectType matte_type = AEGP_ObjectType_AV) {
    comp_->width = 8;
    comp_->height = 4;
    if (instance_ == nullptr) Build(2);
    SimLayer& fx = LayerAt(0);
    fx.flags = AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_ADJUSTMENT_LAYER;
    fx.failing_calls.clear();
    SimLayer& matte = LayerAt(1);
    matte.object_type = matte_type;
    matte.pixels = hostsim::SimPixelSource{};
    matte.source = nullptr;
    matte.layer_to_world = LayerAt(0).layer_to_world;
    fx.track_matte = &matte;
    fx.transfer_mode.track_matte = mode;
    return matte;
  }

  // The renders the host did since the last call.
  std::vector<SimRenderRequest> NewRenders() {
    std::vector<SimRenderRequest> all = host_.renders().Renders();
    std::vector<SimRenderRequest> fresh(all.begin() + static_cast<std::ptrdiff_t>(seen_), all.end());
    seen_ = all.size();
    return fresh;
  }
  std::size_t seen_ = 0;

  static std::uint32_t RasterAt(const hostsim::PreRenderOutcome& o, int x, int y, int w, bool wide) {
    const std::size_t i = static_cast<std::size_t>(y) * w + x;
    return wide ? ReadAt<std::uint16_t>(o.record, MATTE_RASTER_OFFSET + 2 * i)
                : ReadAt<std::uint8_t>(o.record, MATTE_RASTER_OFFSET + i);
  }
};

// Four pixels of a 4 x 1 layer render: red, a half-covered pixel whose red
// exceeds its alpha, a transparent one with colour, and white.
void PaintModePixels(const SimRenderRequest&, SimWorld& w) {
  if (w.deep()) {
    w.Pixel16(0, 0) = PF_Pixel16{32768, 32768, 0, 0};
    w.Pixel16(1, 0) = PF_Pixel16{16384, 30000, 16384, 0};
    w.Pixel16(2, 0) = PF_Pixel16{0, 32768, 32768, 32768};
    w.Pixel16(3, 0) = PF_Pixel16{32768, 32768, 32768, 32768};
  } else {
    w.Pixel8(0, 0) = PF_Pixel8{255, 255, 0, 0};
    w.Pixel8(1, 0) = PF_Pixel8{128, 200, 128, 0};
    w.Pixel8(2, 0) = PF_Pixel8{0, 255, 255, 255};
    w.Pixel8(3, 0) = PF_Pixel8{255, 255, 255, 255};
  }
}

TEST_F(MatteRenderTest, LayerMatteModesAtBothDepths) {
  struct Case {
    A_long mode;
    bool deep;
    std::uint32_t values[4];
  };
  // 8 bits: luma of red = trunc(0.299 x 255 + 0.5) = 76; the half pixel's
  // red is limited to its alpha 128: trunc(0.587 x 128 + 0.299 x 128 + 0.5)
  // = 113; a transparent pixel has luma 0 whatever its colour.
  // 16 bits: trunc(0.299 x 32768 + 0.5) = 9798; (0.587 + 0.299) x 16384 + 0.5
  // = 14516.7 -> 14516.
  const Case cases[] = {
      {1, false, {255, 128, 0, 255}},  {2, false, {0, 127, 255, 0}},
      {3, false, {76, 113, 0, 255}},   {4, false, {179, 142, 255, 0}},
      {1, true, {32768, 16384, 0, 32768}}, {2, true, {0, 16384, 32768, 0}},
      {3, true, {9798, 14516, 0, 32768}},  {4, true, {22970, 18252, 32768, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << (c.deep ? " deep" : " 8-bit"));
    SimLayer& matte = BuildWithMatte(c.mode);
    matte.pixels.width = 4;
    matte.pixels.height = 1;
    matte.pixels.paint = PaintModePixels;
    matte.layer_to_world.mat[3][0] = 2;  // an ordinary layer lands at its matrix's translation
    matte.layer_to_world.mat[3][1] = 1;
    matte.pixels.region_left = 5;        // ... not at its rendered region
    driver_->input().bitdepth = c.deep ? 16 : 8;
    const hostsim::PreRenderOutcome o = driver_->Run();
    ASSERT_TRUE(o.has_record);
    const PreRenderHeader h = HeaderOf(o);
    EXPECT_EQ(h.matte_valid, 1u);
    EXPECT_EQ(h.matte_is_distance, 0u);
    EXPECT_EQ(h.matte_width, 8u);
    EXPECT_EQ(h.matte_height, 4u);
    EXPECT_EQ(o.record_size, MATTE_RASTER_OFFSET + 32u * (c.deep ? 2 : 1));
    const std::uint32_t full = c.deep ? 32768 : 255;
    const std::uint32_t fill = c.mode == 2 || c.mode == 4 ? full : 0;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 8; ++x) {
        const bool placed = y == 1 && x >= 2 && x < 6;
        EXPECT_EQ(RasterAt(o, x, y, 8, c.deep), placed ? c.values[x - 2] : fill) << x << "," << y;
      }
    }
    const std::vector<SimRenderRequest> renders = NewRenders();
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].layer, &matte);
    EXPECT_EQ(renders[0].plugin_id, 0);
    EXPECT_EQ(renders[0].world_type, c.deep ? AEGP_WorldType_16 : AEGP_WorldType_8);
    EXPECT_TRUE(renders[0].time_set);
    EXPECT_FALSE(renders[0].cancel_callback);
    // Fresh host state for the next case.
  }
}

TEST_F(MatteRenderTest, LayerRenderPartlyOutsideWritesOnlyInsidePixels) {
  // A shape layer lands at its rendered region, here (-1, 3).
  SimLayer& matte = BuildWithMatte(1, AEGP_ObjectType_VECTOR);
  matte.pixels.width = 3;
  matte.pixels.height = 2;
  matte.pixels.region_left = -1;
  matte.pixels.region_top = 3;
  matte.pixels.paint = [](const SimRenderRequest&, SimWorld& w) {
    for (A_long y = 0; y < 2; ++y)
      for (A_long x = 0; x < 3; ++x) w.Pixel8(x, y) = PF_Pixel8{static_cast<A_u_char>(10 + 10 * x + 100 * y), 0, 0, 0};
  };
  const hostsim::PreRenderOutcome o = driver_->Run();
  ASSERT_EQ(HeaderOf(o).matte_valid, 1u);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      const std::uint32_t expected = y == 3 && x <= 1 ? 20u + 10u * static_cast<std::uint32_t>(x) : 0u;
      EXPECT_EQ(RasterAt(o, x, y, 8, false), expected) << x << "," << y;
    }
  }
}

TEST_F(MatteRenderTest, MatteThatRendersNothingVisible) {
  for (A_long mode : {1, 2}) {
    SimLayer& matte = BuildWithMatte(mode);
    matte.pixels.width = 8;
    matte.pixels.height = 4;
    const hostsim::PreRenderOutcome o = driver_->Run();
    EXPECT_EQ(HeaderOf(o).matte_valid, 1u);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(RasterAt(o, i % 8, i / 8, 8, false), mode == 2 ? 255u : 0u);
  }
}

// The effect layer's own composition source: a 40 x 30 composition with an
// opaque 20 x 20 square at (10, 5), rendered 16 bits deep.
class ItemMatteTest : public MatteRenderTest {
 protected:
  SimLayer& BuildOwnSource(A_long square_alpha = 32768, A_long source_w = 40, A_long source_h = 30) {
    comp_->width = 64;
    comp_->height = 48;
    source_ = &host_.scene().AddComposition(200, source_w, source_h);
    source_->item.pixels.paint = [square_alpha](const SimRenderRequest& r, SimWorld& w) {
      for (A_long y = 0; y < w.height(); ++y) {
        for (A_long x = 0; x < w.width(); ++x) {
          const A_long fx = x * r.downsample_x, fy = y * r.downsample_y;
          const bool in = square_alpha == 32768 ? (fx >= 10 && fx < 30 && fy >= 5 && fy < 25) : true;
          const auto a = static_cast<A_u_short>(in ? 32768 : 0);
          if (w.deep()) w.Pixel16(x, y) = PF_Pixel16{a, a, a, a};
        }
      }
    };
    SimLayer& fx = Build(1);
    fx.flags = AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_ADJUSTMENT_LAYER;
    fx.source = &source_->item;
    fx.layer_to_world.mat[3][0] = 10;
    fx.layer_to_world.mat[3][1] = 5;
    return fx;
  }
  hostsim::SimComposition* source_ = nullptr;
};

TEST_F(ItemMatteTest, OwnCompositionSourceBecomesDistanceCodes) {
  BuildOwnSource();
  const hostsim::PreRenderOutcome o = driver_->Run();
  const PreRenderHeader h = HeaderOf(o);
  ASSERT_EQ(h.matte_valid, 1u);
  EXPECT_EQ(h.matte_is_distance, 1u);
  ASSERT_EQ(h.matte_width, 64u);
  EXPECT_EQ(o.record_size, MATTE_RASTER_OFFSET + 64u * 48u * 2u);
  // Controls are 0, so the range is max(16, 2 x 24) = 48. The square lies at
  // composition x 20..39, y 10..29; its centre pixel (30, 20) is 10 pixels
  // from the nearest outside pixel.
  EXPECT_EQ(RasterAt(o, 30, 20, 64, true), MatteDistanceCode(10.0f, 1.0f, 48.0));
  // 3 pixels outside the left side, halfway down: -3.
  EXPECT_EQ(RasterAt(o, 17, 20, 64, true), MatteDistanceCode(-3.0f, 1.0f, 48.0));
  // Outside the placed item's box (x below 9) the raster keeps 0.
  EXPECT_EQ(RasterAt(o, 8, 20, 64, true), 0u);
  EXPECT_GT(RasterAt(o, 9, 20, 64, true), 0u);
  const std::vector<SimRenderRequest> renders = host_.renders().Renders();
  ASSERT_EQ(renders.size(), 1u);
  EXPECT_EQ(renders[0].item, &source_->item);
  EXPECT_EQ(renders[0].plugin_id, g_plugin_id);
  EXPECT_EQ(renders[0].world_type, AEGP_WorldType_16);
  EXPECT_EQ(renders[0].matte_mode, AEGP_MatteMode_STRAIGHT);
  EXPECT_TRUE(renders[0].matte_mode_set);
  EXPECT_EQ(renders[0].downsample_x, 1);
}

TEST_F(ItemMatteTest, HalfResolutionRendersWithFactorTwoAndPlacesAtHalfScale) {
  BuildOwnSource();
  driver_->in_data().downsample_x = {1, 2};
  driver_->in_data().downsample_y = {1, 2};
  driver_->in_data().current_time = 60;  // 2 s; the effect layer starts 1 s into the composition
  LayerAt(0).offset = A_Time{1, 1};
  const hostsim::PreRenderOutcome o = driver_->Run();
  const PreRenderHeader h = HeaderOf(o);
  ASSERT_EQ(h.matte_valid, 1u);
  EXPECT_EQ(h.matte_width, 32u);
  EXPECT_EQ(h.matte_height, 24u);
  const std::vector<SimRenderRequest> renders = host_.renders().Renders();
  ASSERT_EQ(renders.size(), 1u);
  EXPECT_EQ(renders[0].downsample_x, 2);
  EXPECT_EQ(renders[0].downsample_y, 2);
  // Composition time 90 / 30, converted back into the layer's time.
  EXPECT_EQ(renders[0].time.value, 60);
  EXPECT_EQ(renders[0].time.scale, 30u);
  // The square's centre lands at (15, 10) of the half-size raster, 5 world
  // pixels (half-size) from its border: d = 5.
  EXPECT_EQ(RasterAt(o, 15, 10, 32, true), MatteDistanceCode(5.0f, 1.0f, 48.0));
  EXPECT_LT(RasterAt(o, 8, 10, 32, true), MATTE_EDGE_CODE);
}

TEST_F(ItemMatteTest, LayerMatrixScalesAndTurnsThePlacement) {
  // Source pixel (20, 17) lies 8 pixels inside the square's bottom edge
  // (the nearest outside row is 25). Wherever the matrix puts it, its code
  // is that distance times the layer's scale s = sqrt(|det|).
  struct Case {
    const char* name;
    double m00, m01, m10, m11, m30, m31;
    int x, y;           // where source (20, 17) lands in the raster
    float s;
    int outside_x, outside_y;  // a raster pixel just beyond the placed box
  };
  const Case cases[] = {
      {"moved", 1, 0, 0, 1, 10, 5, 30, 22, 1.0f, 8, 20},
      {"scaled by 2", 2, 0, 0, 2, 10, 5, 50, 39, 2.0f, 8, 20},
      // (u, v) -> (40 - v, u + 5): a quarter turn.
      {"turned", 0, 1, -1, 0, 40, 5, 23, 25, 1.0f, 42, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimLayer& fx = source_ == nullptr ? BuildOwnSource() : LayerAt(0);
    auto& m = fx.layer_to_world.mat;
    m[0][0] = c.m00;
    m[0][1] = c.m01;
    m[1][0] = c.m10;
    m[1][1] = c.m11;
    m[3][0] = c.m30;
    m[3][1] = c.m31;
    const hostsim::PreRenderOutcome o = driver_->Run();
    ASSERT_EQ(HeaderOf(o).matte_valid, 1u);
    EXPECT_EQ(RasterAt(o, c.x, c.y, 64, true), MatteDistanceCode(8.0f, c.s, 48.0));
    EXPECT_EQ(RasterAt(o, c.outside_x, c.outside_y, 64, true), 0u);
  }
}

TEST_F(ItemMatteTest, WithoutFloatPlanesTheAlphaIsPlacedDirectly) {
  // An opaque 40 x 30 source placed half a pixel right of (10, 5): raster
  // pixel x samples source x - 10.5, bilinear between its two neighbours,
  // a neighbour outside the world reading 0.
  SimLayer& fx = BuildOwnSource(1);
  fx.layer_to_world.mat[3][0] = 10.5;
  ArmAllocationFailure(1);  // the item render's coverage plane
  const hostsim::PreRenderOutcome o = driver_->Run();
  DisarmAllocationFailure();
  ASSERT_EQ(HeaderOf(o).matte_valid, 1u);
  struct Probe {
    int x;
    std::uint32_t code;
  };
  const Probe probes[] = {{9, 0}, {10, 16384}, {11, 32768}, {30, 32768}, {49, 32768}, {50, 16384}, {51, 0}};
  for (const Probe& p : probes) EXPECT_EQ(RasterAt(o, p.x, 20, 64, true), p.code) << p.x;
  EXPECT_EQ(RasterAt(o, 30, 5, 64, true), 32768u);
  EXPECT_EQ(RasterAt(o, 30, 4, 64, true), 0u);
}

TEST(ItemMatteRangeTest, EncodesWithTheRangeThePipelinesDecodeWith) {
  struct Case {
    double rim_scale, effect_scale, depth;
    PF_RationalScale downsample_y;
    double range;
  };
  const Case cases[] = {
      {1, 1, 0, {1, 1}, 48},          // max(16, 2 x 24)
      {1, 1, 40, {1, 1}, 368},        // depth_px 80: 2 x (24 + 160)
      {1, 1, 40, {1, 2}, 208},        // half resolution: 2 x (24 + 80)
      {10, 10, 0, {1, 1}, 1600},      // 16 x 100 passes the pad
      {1, 0.05, 10.3, {1, 3}, 50},    // factor 0.2: trunc(1.3733) = 1
      {1, 1, 40, {1, 0}, 368},        // den 0 counts as 1
  };
  for (const Case& c : cases) {
    const double range = ItemMatteRange(c.rim_scale, c.effect_scale, c.depth, c.downsample_y);
    EXPECT_EQ(range, c.range) << c.depth << " " << c.downsample_y.den;
    const double dy = c.downsample_y.den == 0 ? 1.0 : static_cast<double>(c.downsample_y.num) / c.downsample_y.den;
    const double depth_px = std::max(2.0 * c.effect_scale, 0.2) * c.depth * dy;
    EXPECT_EQ(static_cast<float>(range), MatteDistanceRange(c.effect_scale, c.rim_scale, MattePad(depth_px)));
  }
}

TEST_F(ItemMatteTest, DegenerateMatrixGivesNoMatte) {
  SimLayer& fx = BuildOwnSource();
  fx.layer_to_world.mat[0][0] = 0;  // scaled to zero width
  const hostsim::PreRenderOutcome o = driver_->Run();
  const PreRenderHeader h = HeaderOf(o);
  EXPECT_EQ(h.matte_valid, 0u);
  EXPECT_EQ(h.matte_is_distance, 0u);
  EXPECT_EQ(h.matte_width, 64u);
  for (int i = 0; i < 64 * 48; ++i) ASSERT_EQ(RasterAt(o, i % 64, i / 64, 64, true), 0u);
}

TEST_F(ItemMatteTest, MatteCoveringTheWholeFrameIsDropped) {
  BuildOwnSource(1, 64, 48);  // opaque everywhere, the composition's size
  LayerAt(0).layer_to_world.mat[3][0] = 0;
  LayerAt(0).layer_to_world.mat[3][1] = 0;
  const hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(HeaderOf(o).matte_valid, 0u);
  EXPECT_EQ(HeaderOf(o).matte_is_distance, 0u);
  EXPECT_EQ(RasterAt(o, 32, 24, 64, true), 32768u);
}

TEST_F(ItemMatteTest, EveryHostFailureLeavesNoMatteAndReleasesEverything) {
  const char* calls[] = {"AEGP_ConvertEffectToCompTime", "AEGP_NewFromItem", "AEGP_ConvertCompToLayerTime",
                         "RenderOptions::AEGP_SetTime", "RenderOptions::AEGP_SetWorldType",
                         "RenderOptions::AEGP_SetMatteMode", "RenderOptions::AEGP_SetDownsampleFactor",
                         "AEGP_RenderAndCheckoutFrame", "AEGP_GetReceiptWorld", "AEGP_FillOutPFEffectWorld",
                         "AEGP_GetLayerToWorldXform"};
  BuildOwnSource();
  for (const char* call : calls) {
    SCOPED_TRACE(call);
    host_.calls().Fail(call);
    const hostsim::PreRenderOutcome o = driver_->Run();
    host_.calls().Clear(call);
    EXPECT_EQ(o.err, PF_Err_NONE);
    EXPECT_TRUE(o.has_record);
    EXPECT_EQ(HeaderOf(o).matte_valid, 0u);
    EXPECT_EQ(HeaderOf(o).matte_width, 64u);
    EXPECT_EQ(host_.renders().receipts().Live(), 0);
    EXPECT_EQ(host_.renders().item_options().Live(), 0);
  }
  // Without failures the same scene has its matte.
  EXPECT_EQ(HeaderOf(driver_->Run()).matte_valid, 1u);
}

TEST_F(MatteRenderTest, EveryHostFailureOfALayerRenderKeepsTheInitialFill) {
  const char* calls[] = {"AEGP_ConvertEffectToCompTime", "AEGP_NewFromLayer", "AEGP_ConvertCompToLayerTime",
                         "LayerRenderOptions::AEGP_SetTime", "LayerRenderOptions::AEGP_SetWorldType",
                         "LayerRenderOptions::AEGP_SetDownsampleFactor", "AEGP_RenderAndCheckoutLayerFrame",
                         "AEGP_GetReceiptWorld", "AEGP_FillOutPFEffectWorld"};
  SimLayer& matte = BuildWithMatte(2);
  matte.pixels.width = 8;
  matte.pixels.height = 4;
  matte.pixels.paint = [](const SimRenderRequest&, SimWorld& w) { w.Pixel8(0, 0) = PF_Pixel8{255, 0, 0, 0}; };
  for (const char* call : calls) {
    SCOPED_TRACE(call);
    host_.calls().Fail(call);
    const hostsim::PreRenderOutcome o = driver_->Run();
    host_.calls().Clear(call);
    EXPECT_EQ(HeaderOf(o).matte_valid, 0u);
    // The inverted fill is written before the host is asked, unless the
    // render was never tried.
    if (std::string(call) != "AEGP_ConvertEffectToCompTime") {
      EXPECT_EQ(RasterAt(o, 0, 0, 8, false), 255u);
    }
    EXPECT_EQ(host_.renders().receipts().Live(), 0);
    EXPECT_EQ(host_.renders().layer_options().Live(), 0);
  }
  const hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(HeaderOf(o).matte_valid, 1u);
  EXPECT_EQ(RasterAt(o, 0, 0, 8, false), 0u);
}

TEST_F(MatteRenderTest, WhichRenderServesWhichMatte) {
  struct Case {
    A_long transfer_mode;
    bool transfer_fails;
    int source;  // 0 none, 1 composition, 2 solid
    bool item_render;
    A_long mode_seen;  // the layer render's mode, shown by an inverted fill
  };
  const Case cases[] = {
      {1, false, 1, true, 0},    // plain alpha over a composition: the item render
      {0, false, 1, true, 0},    // mode 0 counts as 1
      {2, false, 1, false, 2},   // inverted: the layer render whatever the source
      {3, false, 1, false, 3},
      {1, false, 2, false, 1},   // a solid source: the layer render
      {1, false, 0, false, 1},
      {2, true, 2, false, 1},    // an unread transfer mode is alpha
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.transfer_mode << " " << c.transfer_fails << " " << c.source);
    SimLayer& matte = BuildWithMatte(c.transfer_mode);
    if (c.source == 1) matte.source = &host_.scene().AddComposition(300, 8, 4).item;
    if (c.source == 2) matte.source = &host_.scene().AddFootageItem(301, 8, 4, AEGP_FootageSignature_SOLID);
    matte.pixels.width = 8;
    matte.pixels.height = 4;
    if (c.transfer_fails) LayerAt(0).failing_calls.insert("AEGP_GetLayerTransferMode");
    const hostsim::PreRenderOutcome o = driver_->Run();
    const std::vector<SimRenderRequest> renders = NewRenders();
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].item != nullptr, c.item_render);
    if (!c.item_render) {
      EXPECT_EQ(renders[0].layer, &matte);
      EXPECT_EQ(RasterAt(o, 0, 0, 8, false), c.mode_seen == 2 ? 255u : 0u);
    } else {
      EXPECT_EQ(renders[0].item, matte.source);
      EXPECT_EQ(o.record_size, MATTE_RASTER_OFFSET + 64u);
    }
  }
}

TEST_F(MatteRenderTest, NoMatteForATextLayerOrAnOversizedComposition) {
  SimLayer& matte = BuildWithMatte(1);
  matte.pixels.width = 8;
  matte.pixels.height = 4;
  LayerAt(0).object_type = AEGP_ObjectType_TEXT;
  hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(o.record_size, MATTE_RASTER_OFFSET);
  EXPECT_EQ(HeaderOf(o).matte_width, 0u);
  LayerAt(0).object_type = AEGP_ObjectType_AV;
  comp_->width = 16385;
  o = driver_->Run();
  EXPECT_EQ(o.record_size, MATTE_RASTER_OFFSET);
  EXPECT_EQ(HeaderOf(o).matte_width, 0u);
  EXPECT_EQ(HeaderOf(o).matte_height, 0u);
  // Half resolution brings it within the limit.
  driver_->in_data().downsample_x = {1, 2};
  o = driver_->Run();
  EXPECT_EQ(HeaderOf(o).matte_width, 8193u);
  EXPECT_EQ(HeaderOf(o).matte_valid, 1u);
  EXPECT_EQ(host_.renders().Renders().size(), 1u);
}

TEST_F(MatteRenderTest, RendersThatComeBackIntoThePreRenderNestAtMostThreeDeep) {
  SimLayer& matte = BuildWithMatte(1);
  matte.pixels.width = 8;
  matte.pixels.height = 4;
  int paints = 0;
  std::vector<PreRenderHeader> nested;
  matte.pixels.paint = [&](const SimRenderRequest&, SimWorld& w) {
    ++paints;
    EXPECT_EQ(g_pre_render_nesting, paints);  // this thread's renders in progress
    w.Pixel8(0, 0) = PF_Pixel8{255, 0, 0, 0};
    nested.push_back(HeaderOf(driver_->Run()));  // the host renders the frame through this effect again
  };
  const hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(paints, 3);
  EXPECT_EQ(g_pre_render_nesting, 0);
  ASSERT_EQ(nested.size(), 3u);
  // Headers come back innermost first: the fourth pre-render skipped its
  // matte but sized it; the second and third rendered theirs.
  EXPECT_EQ(nested[0].matte_valid, 0u);
  EXPECT_EQ(nested[0].matte_width, 8u);
  EXPECT_EQ(nested[1].matte_valid, 1u);
  EXPECT_EQ(nested[2].matte_valid, 1u);
  EXPECT_EQ(HeaderOf(o).matte_valid, 1u);
}

}  // namespace
