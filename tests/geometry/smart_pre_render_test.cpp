// The smart pre-render through the simulated host: the record it hands
// over (byte layout and values), the panes it finds, the input it checks
// out, and its behaviour when host calls fail.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "host/pf_errors.h"
#include "host/suites/aegp_footage_suite11.h"
#include "hostsim/shape_contents_builder.h"
#include "render/portable_math.h"
#include "pre_render_test_support.h"

namespace {

using hostsim::PolygonOutline;
using hostsim::SimLayer;
using hostsim::SimMask;

constexpr double PI = std::numbers::pi;

SimMask SquareMask(double cx, double cy, double half, A_long mode = 1, bool inverted = false) {
  SimMask m;
  m.mode = mode;
  m.inverted = inverted;
  m.outline.outline =
      PolygonOutline({{cx - half, cy - half}, {cx + half, cy - half}, {cx + half, cy + half}, {cx - half, cy + half}});
  return m;
}

void SetControls(hostsim::SimEffectInstance& fx) {
  fx.SetAngle(PARAM_LIGHT_ANGLE, static_cast<PF_Fixed>(45.5 * 65536));
  fx.SetFloatSlider(PARAM_LIGHT_INTENSITY, 0.75);
  fx.SetFloatSlider(PARAM_MAGNIFY, 1.25);
  fx.SetFloatSlider(PARAM_REFRACTION, 12.5);
  fx.SetFloatSlider(PARAM_DEPTH, 3.0);
  fx.SetFloatSlider(PARAM_DISPERSION, 0.5);
  fx.SetFloatSlider(PARAM_FROST, 2.0);
  fx.SetFloatSlider(PARAM_SPLAY, 0.25);
  fx.SetFloatSlider(PARAM_EFFECT_SCALE, 0.5);
  fx.SetFloatSlider(PARAM_RIM_SCALE, 1.5);
}

using SmartPreRenderTest = PreRenderTest;

TEST_F(SmartPreRenderTest, ReferenceRecordLayoutOfASolidLayer) {
  SimLayer& layer = Build();
  layer.flags = AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_ADJUSTMENT_LAYER | AEGP_LayerFlag_COLLAPSE;
  layer.source = &host_.scene().AddFootageItem(7, 200, 100, AEGP_FootageSignature_SOLID);
  layer.transform.rotation.value = {30.0, 0, 0};
  layer.transform.anchor_point.value = {150.0, 110.0, 0};
  layer.transform.position.value = {400.0, 300.0, 0};
  layer.transform.scale.value = {80.0, 120.0, 100.0};
  SetControls(*instance_);
  driver_->in_data().downsample_x = {1, 2};
  driver_->in_data().downsample_y = {1, 0};
  driver_->input().bitdepth = 16;
  driver_->FillNewHandlesWith(0xCD);

  const hostsim::PreRenderOutcome o = driver_->Run();
  ASSERT_EQ(o.err, PF_Err_NONE);
  ASSERT_TRUE(o.has_record);
  EXPECT_FALSE(o.record_was_locked);
  EXPECT_EQ(o.output.delete_pre_render_data_func, &DeletePreRenderData);
  ASSERT_EQ(o.record_size, 34232u);
  const auto& b = o.record;

  EXPECT_EQ(ReadAt<double>(b, 0), 12.5);    // refraction
  EXPECT_EQ(ReadAt<double>(b, 8), 3.0);     // depth
  EXPECT_EQ(ReadAt<double>(b, 16), 0.25);   // splay
  EXPECT_EQ(ReadAt<double>(b, 24), 2.0);    // frost
  EXPECT_EQ(ReadAt<double>(b, 32), 0.5);    // dispersion
  EXPECT_EQ(ReadAt<double>(b, 40), 45.5);   // light angle, degrees from 16.16
  EXPECT_EQ(ReadAt<double>(b, 48), 0.75);   // light intensity
  EXPECT_EQ(ReadAt<double>(b, 56), 1.25);   // magnify
  EXPECT_EQ(ReadAt<double>(b, 64), 1.5);    // rim scale
  EXPECT_EQ(ReadAt<std::int32_t>(b, 72), 19);  // trunc((12.5 + 3) x 1.0) + 4
  EXPECT_EQ(ReadAt<std::int32_t>(b, 76), 320);
  EXPECT_EQ(ReadAt<std::int32_t>(b, 80), 240);
  for (std::size_t i = 84; i < 88; ++i) EXPECT_EQ(b[i], 0xCD) << "padding byte " << i;
  EXPECT_EQ(ReadAt<double>(b, 88), 0.5);     // effect scale
  EXPECT_EQ(ReadAt<double>(b, 96), 80.0);    // scale x
  EXPECT_EQ(ReadAt<double>(b, 104), 120.0);  // scale y
  EXPECT_EQ(ReadAt<double>(b, 112), 150.0);  // anchor
  EXPECT_EQ(ReadAt<double>(b, 120), 110.0);
  EXPECT_EQ(ReadAt<double>(b, 128), 0.5);  // downsample 1/2
  EXPECT_EQ(ReadAt<double>(b, 136), 1.0);  // den 0 reads as 1
  EXPECT_EQ(ReadAt<double>(b, 144), portable_math::Cos(30.0 * PI / 180));
  EXPECT_EQ(ReadAt<double>(b, 152), portable_math::Sin(30.0 * PI / 180));
  EXPECT_EQ(ReadAt<double>(b, 160), 400.0);
  EXPECT_EQ(ReadAt<double>(b, 168), 300.0);
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 176), 1u);  // adjustment layer
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 180), 1u);  // shape count
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 184), 0u);  // merge mode of the source box
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 188), 0u);  // not masks
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 192), 0u);
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 196), 1u);  // source box
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 200), 0u);
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 204), 1u);  // collapse flag makes it a vector layer
  for (std::size_t off = 208; off < 224; off += 4) EXPECT_EQ(ReadAt<std::uint32_t>(b, off), 0u) << off;
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 224), 0u);  // matte valid
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 228), 0u);  // matte width
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 232), 0u);  // matte height
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 236), 1u);  // deep
  EXPECT_EQ(ReadAt<std::uint32_t>(b, 240), 0u);  // matte is distance
  for (std::size_t i = 244; i < 248; ++i) EXPECT_EQ(b[i], 0xCD) << "padding byte " << i;

  // Slot 0: the source's box, written from zero bytes.
  const std::size_t s0 = 248;
  EXPECT_EQ(ReadAt<std::uint32_t>(b, s0 + 0), 0u);  // SHAPE_BOX
  EXPECT_EQ(ReadAt<std::uint32_t>(b, s0 + 4), 0u);
  EXPECT_EQ(ReadAt<double>(b, s0 + 8), 0.0);  // rotation_deg
  const double slot_angle =
      portable_math::Atan2(portable_math::Sin(30.0 * PI / 180), portable_math::Cos(30.0 * PI / 180));
  EXPECT_EQ(ReadAt<double>(b, s0 + 16), portable_math::Cos(slot_angle));
  EXPECT_EQ(ReadAt<double>(b, s0 + 24), portable_math::Sin(slot_angle));
  EXPECT_EQ(ReadAt<double>(b, s0 + 64), 100.0);  // centre
  EXPECT_EQ(ReadAt<double>(b, s0 + 72), 50.0);
  EXPECT_EQ(ReadAt<double>(b, s0 + 80), 200.0);  // size
  EXPECT_EQ(ReadAt<double>(b, s0 + 88), 100.0);
  EXPECT_EQ(ReadAt<double>(b, s0 + 96), 0.0);  // corner radius
  for (std::size_t i = s0 + 104; i < s0 + SHAPE_SLOT_SIZE; ++i) ASSERT_EQ(b[i], 0) << "slot 0 byte " << i - s0;
  // Slots 1 to 7 are not written at all.
  for (std::size_t i = 248 + SHAPE_SLOT_SIZE; i < MATTE_RASTER_OFFSET; ++i) ASSERT_EQ(b[i], 0xCD) << i;

  EXPECT_EQ(o.output.solid, 0);
  EXPECT_FALSE(host_.handles().IsLive(static_cast<PF_Handle>(o.output.pre_render_data)));
}

TEST_F(SmartPreRenderTest, SourceBoxFallsBackToTheLayerSizeAndTakesAnItemOfOwnSize) {
  Build();
  // No source item: the box is PF_InData's width and height.
  hostsim::PreRenderOutcome o = driver_->Run();
  ASSERT_TRUE(o.has_record);
  EXPECT_EQ(SlotOf(o, 0).size_x, 320.0);
  EXPECT_EQ(SlotOf(o, 0).size_y, 240.0);
  EXPECT_EQ(SlotOf(o, 0).center_x, 160.0);
  EXPECT_EQ(SlotOf(o, 0).center_y, 120.0);
  // A source whose dimensions are not both above 0 does not replace it.
  LayerAt(0).source = &host_.scene().AddFootageItem(8, 0, 50, AEGP_FootageSignature_SOLID);
  o = driver_->Run();
  EXPECT_EQ(SlotOf(o, 0).size_x, 320.0);
  EXPECT_EQ(SlotOf(o, 0).size_y, 240.0);
}

TEST_F(SmartPreRenderTest, MasksWithModeNoneGiveTheSourceBox) {
  SimLayer& layer = Build();
  layer.masks = {SquareMask(50, 50, 10, 0), SquareMask(80, 50, 10, 0)};
  const hostsim::PreRenderOutcome o = driver_->Run();
  const PreRenderHeader h = HeaderOf(o);
  EXPECT_EQ(h.shape_count, 1u);
  EXPECT_EQ(h.is_source_box, 1u);
  EXPECT_EQ(h.slots_are_masks, 0u);
  EXPECT_EQ(SlotOf(o, 0).kind, SHAPE_BOX);
}

TEST_F(SmartPreRenderTest, MoreThanEightMasksFillEightSlotsInIndexOrder) {
  SimLayer& layer = Build();
  layer.transform.rotation.value = {90.0, 0, 0};
  layer.masks.push_back(SquareMask(10, 10, 5, 0));  // mode none: skipped
  SimMask degenerate;                               // one vertex: no outline, skipped
  degenerate.outline.outline = PolygonOutline({{5, 5}});
  layer.masks.push_back(degenerate);
  for (int i = 0; i < 10; ++i) layer.masks.push_back(SquareMask(40.0 + 20 * i, 60.0, 8, 1 + i % 3, i % 2 == 1));
  layer.masks[3].fail_mode = true;  // unreadable mode counts as a mode (1)

  const hostsim::PreRenderOutcome o = driver_->Run();
  const PreRenderHeader h = HeaderOf(o);
  ASSERT_EQ(h.shape_count, 8u);
  EXPECT_EQ(h.merge_mode, 1u);
  EXPECT_EQ(h.slots_are_masks, 1u);
  EXPECT_EQ(h.is_source_box, 0u);
  for (int s = 0; s < 8; ++s) {
    const ShapeSlot slot = SlotOf(o, s);
    const int i = s;  // the s-th usable mask is square i
    EXPECT_EQ(slot.kind, SHAPE_PATH);
    EXPECT_EQ(slot.mask_mode, s == 1 ? 1u : static_cast<std::uint32_t>(1 + i % 3)) << s;
    EXPECT_EQ(slot.mask_inverted, i % 2 == 1 ? 1u : 0u) << s;
    EXPECT_EQ(slot.rotation_deg, 0.0);
    EXPECT_NEAR(slot.rot_cos, 0.0, 1e-12);  // the layer's 90 degrees
    EXPECT_NEAR(slot.rot_sin, 1.0, 1e-12);
    EXPECT_NEAR(slot.center_x, 40.0 + 20 * i, 1e-4) << s;
    EXPECT_NEAR(slot.center_y, 60.0, 1e-4) << s;
    EXPECT_EQ(slot.subpath_count, 0u);
    ASSERT_EQ(slot.point_count, 256u);  // four segments of 64 samples
    // Points are stored about the centroid: the first is the top-left corner.
    EXPECT_NEAR(slot.points[0], -8.0f, 1e-3f);
    EXPECT_NEAR(slot.points[1], -8.0f, 1e-3f);
    for (std::uint32_t k = 0; k < slot.point_count; ++k) {
      EXPECT_LE(std::abs(slot.points[2 * k]), 8.001f);
      EXPECT_LE(std::abs(slot.points[2 * k + 1]), 8.001f);
    }
    for (std::uint32_t k = slot.point_count * 2; k < 1024; ++k) ASSERT_EQ(slot.points[k], 0.0f);
  }
}

TEST_F(SmartPreRenderTest, MasksWithTooFewPointsGiveNoSlotAndNoSourceBox) {
  SimLayer& layer = Build();
  SimMask line;
  line.outline.outline = PolygonOutline({{5, 5}});
  layer.masks = {line, line};
  const PreRenderHeader h = HeaderOf(driver_->Run());
  EXPECT_EQ(h.shape_count, 0u);
  EXPECT_EQ(h.is_source_box, 0u);
  EXPECT_EQ(h.slots_are_masks, 0u);
}

TEST_F(SmartPreRenderTest, TextAndShapeLayersGetNoMaskSlotAndNoSourceBox) {
  for (AEGP_ObjectType type : {AEGP_ObjectType_TEXT, AEGP_ObjectType_VECTOR}) {
    SCOPED_TRACE(type);
    hostsim::Host host;  // a fresh scene per type
    g_basic_suite = host.basic_suite();
    hostsim::SimComposition& comp = host.scene().AddComposition(1);
    comp.AddLayer(1, type);
    comp.layers[0].masks = {SquareMask(50, 50, 10)};
    hostsim::SimEffectInstance& fx = host.scene().AddEffectInstance(&comp.layers[0]);
    hostsim::CommandDriver commands(host, LinkedModule());
    hostsim::PreRenderDriver driver(commands, fx);
    const hostsim::PreRenderOutcome o = driver.Run();
    const PreRenderHeader h = HeaderOf(o);
    EXPECT_EQ(o.record_size, 34232u);
    EXPECT_EQ(h.shape_count, 0u);
    EXPECT_EQ(h.slots_are_masks, 0u);
    EXPECT_EQ(h.is_source_box, 0u);
    EXPECT_EQ(h.is_vector_layer, 1u);
    EXPECT_TRUE(host.Leaks().empty());
  }
  g_basic_suite = host_.basic_suite();
}

TEST_F(SmartPreRenderTest, MarginAndInputRequest) {
  struct Case {
    double refraction, depth, effect_scale;
    PF_LRect request;
    std::int32_t margin;
    PF_LRect grown;
  };
  const Case cases[] = {
      // Negative refraction grows the margin as a positive one does;
      // effect scale below 0.1 counts as factor 0.2.
      {-10.0, 5.0, 0.05, {50, 60, 100, 110}, 7, {43, 53, 107, 117}},
      {10.0, 5.0, 0.05, {50, 60, 100, 110}, 7, {43, 53, 107, 117}},
      {0.0, 0.0, 0.0, {50, 60, 100, 110}, 4, {46, 56, 104, 114}},
      {-20.0, 10.0, 1.0, {50, 60, 100, 110}, 64, {0, 0, 164, 174}},
      // Clamped to the layer on every side.
      {30.0, 0.0, 0.5, {10, 5, 310, 235}, 34, {0, 0, 320, 240}},
  };
  Build();
  for (const Case& c : cases) {
    instance_->SetFloatSlider(PARAM_REFRACTION, c.refraction);
    instance_->SetFloatSlider(PARAM_DEPTH, c.depth);
    instance_->SetFloatSlider(PARAM_EFFECT_SCALE, c.effect_scale);
    instance_->ClearLog();
    driver_->input().output_request.rect = c.request;
    const hostsim::PreRenderOutcome o = driver_->Run();
    EXPECT_EQ(HeaderOf(o).margin_px, c.margin) << c.refraction;
    const auto checkouts = instance_->LayerCheckouts();
    ASSERT_EQ(checkouts.size(), 1u);
    const PF_LRect& r = checkouts[0].request.rect;
    EXPECT_EQ(r.left, c.grown.left);
    EXPECT_EQ(r.top, c.grown.top);
    EXPECT_EQ(r.right, c.grown.right);
    EXPECT_EQ(r.bottom, c.grown.bottom);
    // The result is the request as given, the maximum covers the layer.
    EXPECT_EQ(o.output.result_rect.left, c.request.left);
    EXPECT_EQ(o.output.result_rect.bottom, c.request.bottom);
    EXPECT_EQ(o.output.max_result_rect.left, 0);
    EXPECT_EQ(o.output.max_result_rect.top, 0);
    EXPECT_EQ(o.output.max_result_rect.right, 320);
    EXPECT_EQ(o.output.max_result_rect.bottom, 240);
  }
}

TEST_F(SmartPreRenderTest, InputCheckoutCarriesTheFrameAndItsResult) {
  Build();
  driver_->in_data().current_time = 12;
  driver_->in_data().time_step = 2;
  driver_->in_data().time_scale = 24;
  driver_->input().output_request.rect = {-30, -20, 400, 260};
  instance_->checkout_layer_err = 33;
  const hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(o.err, 33);
  EXPECT_TRUE(o.has_record);  // the record is handed over all the same
  const auto checkouts = instance_->LayerCheckouts();
  ASSERT_EQ(checkouts.size(), 1u);
  EXPECT_EQ(checkouts[0].index, 0);
  EXPECT_EQ(checkouts[0].checkout_id, 0);
  EXPECT_EQ(checkouts[0].what_time, 12);
  EXPECT_EQ(checkouts[0].time_step, 2);
  EXPECT_EQ(checkouts[0].time_scale, 24u);
  EXPECT_EQ(checkouts[0].request.rect.left, 0);
  EXPECT_EQ(checkouts[0].request.rect.right, 320);
  EXPECT_EQ(o.output.max_result_rect.left, -30);
  EXPECT_EQ(o.output.max_result_rect.top, -20);
  EXPECT_EQ(o.output.max_result_rect.right, 400);
  EXPECT_EQ(o.output.max_result_rect.bottom, 260);
}

TEST_F(SmartPreRenderTest, ControlsAreCheckedOutAndInInOrder) {
  Build();
  driver_->in_data().current_time = 7;
  driver_->Run();
  const PF_ParamIndex order[] = {2, 3, 11, 5, 6, 7, 8, 9, 12, 13};
  const auto outs = instance_->ParamCheckouts();
  const auto ins = instance_->ParamCheckins();
  ASSERT_EQ(outs.size(), 10u);
  ASSERT_EQ(ins.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(outs[static_cast<std::size_t>(i)].index, order[i]);
    EXPECT_EQ(outs[static_cast<std::size_t>(i)].what_time, 7);
    EXPECT_EQ(ins[static_cast<std::size_t>(i)], order[i]);
  }
}

TEST_F(SmartPreRenderTest, CheckoutErrorSkipsRecordAndInputButFeedsTheKey) {
  Build();
  SetControls(*instance_);
  instance_->FailCheckout(PARAM_REFRACTION, 77);
  const hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(o.err, 77);
  EXPECT_FALSE(o.has_record);
  EXPECT_EQ(o.output.pre_render_data, nullptr);
  EXPECT_TRUE(instance_->LayerCheckouts().empty());
  EXPECT_EQ(instance_->GuidBlocks().size(), 5u);  // tag, build, salt, count 1, slot hash
  EXPECT_EQ(o.output.max_result_rect.right, 320);
  // The three controls that were checked out went back (leak check).
  EXPECT_EQ(instance_->ParamCheckins().size(), 3u);
  EXPECT_EQ(host_.handles().NewCount(), 0);
}

TEST_F(SmartPreRenderTest, CheckinErrorIsReturnedWithoutRecordOrInput) {
  Build();
  instance_->FailCheckin(PARAM_DEPTH, 55);
  const hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(o.err, 55);
  EXPECT_FALSE(o.has_record);
  EXPECT_TRUE(instance_->LayerCheckouts().empty());
  EXPECT_EQ(instance_->ParamCheckins().size(), 10u);  // every record still goes back
  EXPECT_FALSE(instance_->GuidBlocks().empty());
}

TEST_F(SmartPreRenderTest, HandleFailuresLeaveNoRecordButCheckTheInputOut) {
  Build();
  for (bool lock_fails : {false, true}) {
    SCOPED_TRACE(lock_fails);
    instance_->ClearLog();
    if (lock_fails) {
      host_.handles().FailNextLock();
    } else {
      host_.handles().FailNextNew();
    }
    const hostsim::PreRenderOutcome o = driver_->Run();
    EXPECT_EQ(o.err, PF_Err_NONE);
    EXPECT_EQ(o.output.pre_render_data, nullptr);
    EXPECT_EQ(o.output.delete_pre_render_data_func, nullptr);
    EXPECT_EQ(instance_->LayerCheckouts().size(), 1u);
    EXPECT_EQ(host_.handles().LiveCount(), 0);
  }
}

TEST_F(SmartPreRenderTest, NullPartsOfTheExtraRecordAreRejected) {
  Build();
  EXPECT_EQ(driver_->RunWithNullParts(true, false, false), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(driver_->RunWithNullParts(false, false, true), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(driver_->RunWithNullParts(false, true, false), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_TRUE(instance_->ParamCheckouts().empty());
  EXPECT_TRUE(host_.suites().AcquiredLog().empty());
}

TEST_F(SmartPreRenderTest, MissingHandleSuiteEndsTheCallWith516AndLeavesNothing) {
  Build();
  host_.suites().SetMissing("PF Handle Suite", 2, true);
  const hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(o.err, PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(instance_->OutstandingParams(), 0);
}

TEST_F(SmartPreRenderTest, ParentChainComposesPositionScaleAndRotation) {
  SimLayer& layer = Build(2);
  SimLayer& parent = LayerAt(1);
  layer.parent = &parent;
  layer.offset = {15, 30};  // half a second into the composition
  layer.transform.position.value = {20.0, 30.0, 0};
  layer.transform.scale.value = {50.0, 50.0, 100.0};
  layer.transform.rotation.value = {10.0, 0, 0};
  layer.transform.anchor_point.value = {5.0, 6.0, 0};
  parent.transform.position.value = {100.0, 50.0, 0};
  parent.transform.scale.value = {200.0, 100.0, 100.0};
  parent.transform.rotation.value = {90.0, 0, 0};
  parent.transform.anchor_point.value = {10.0, 10.0, 0};
  driver_->in_data().current_time = 3;
  host_.streams().ClearReadLog();

  const PreRenderHeader h = HeaderOf(driver_->Run());
  // x' = (20 - 10) x 2 = 20, y' = (30 - 10) x 1 = 20, turned by 90 degrees.
  EXPECT_NEAR(h.position_x, 80.0, 1e-9);
  EXPECT_NEAR(h.position_y, 70.0, 1e-9);
  EXPECT_EQ(h.scale_x_pct, 100.0);
  EXPECT_EQ(h.scale_y_pct, 50.0);
  EXPECT_NEAR(h.rotation_cos, std::cos(100.0 * PI / 180), 1e-12);
  EXPECT_NEAR(h.rotation_sin, std::sin(100.0 * PI / 180), 1e-12);
  EXPECT_EQ(h.anchor_x, 5.0);  // the own anchor, untouched by the chain
  EXPECT_EQ(h.anchor_y, 6.0);

  // The parent's streams are read in composition time: 3/30 + 15/30.
  int parent_reads = 0;
  for (const auto& read : host_.streams().ReadLog()) {
    if (read.layer == &parent) {
      ++parent_reads;
      EXPECT_EQ(read.time_mode, AEGP_LTimeMode_CompTime);
      EXPECT_EQ(read.time.value, 18);
      EXPECT_EQ(read.time.scale, 30u);
    } else if (read.layer == &layer) {
      EXPECT_EQ(read.time_mode, AEGP_LTimeMode_LayerTime);
      EXPECT_EQ(read.time.value, 3);
    }
  }
  EXPECT_EQ(parent_reads, 4);
}

// Angles go into radians as degrees x pi / 180 in that order; a layer
// without a parent keeps the cosine and sine of its own angle, and each
// slot adds its own angle to atan2 of the layer's sine and cosine. The
// angles are chosen where a reordered product or a round trip through
// atan2 changes the last bit.
TEST_F(SmartPreRenderTest, AnglesAreExactToTheBit) {
  SimLayer& layer = Build(2);
  for (double deg : {3.0, 17.0, 46.0}) {
    SCOPED_TRACE(deg);
    layer.transform.rotation.value = {deg, 0, 0};
    const hostsim::PreRenderOutcome o = driver_->Run();
    const PreRenderHeader h = HeaderOf(o);
    EXPECT_EQ(h.rotation_cos, portable_math::Cos(deg * PI / 180));
    EXPECT_EQ(h.rotation_sin, portable_math::Sin(deg * PI / 180));
    ASSERT_EQ(h.shape_count, 1u);  // the source box
    const double slot_angle = 0.0 * PI / 180 + portable_math::Atan2(h.rotation_sin, h.rotation_cos);
    EXPECT_EQ(SlotOf(o, 0).rot_cos, portable_math::Cos(slot_angle));
    EXPECT_EQ(SlotOf(o, 0).rot_sin, portable_math::Sin(slot_angle));
  }
  // With a parent: atan2 of the own sine and cosine plus the parent's angle.
  layer.parent = &LayerAt(1);
  layer.transform.rotation.value = {17.0, 0, 0};
  LayerAt(1).transform.rotation.value = {3.0, 0, 0};
  const PreRenderHeader h = HeaderOf(driver_->Run());
  const double own = 17.0 * PI / 180;
  const double total = portable_math::Atan2(portable_math::Sin(own), portable_math::Cos(own)) + 3.0 * PI / 180;
  EXPECT_EQ(h.rotation_cos, portable_math::Cos(total));
  EXPECT_EQ(h.rotation_sin, portable_math::Sin(total));
}

// Two parents composed to the bit: (p - anchor) x scale / 100 with the
// product formed first, then turned and moved. The values are chosen so
// that d x (s / 100) would round differently.
TEST_F(SmartPreRenderTest, ParentChainArithmeticIsExactToTheBit) {
  SimLayer& layer = Build(3);
  layer.parent = &LayerAt(1);
  LayerAt(1).parent = &LayerAt(2);
  layer.transform.position.value = {10.0, 20.0, 0};
  layer.transform.scale.value = {70.0, 45.0, 100.0};
  LayerAt(1).transform.position.value = {0.0, 0.0, 0};
  LayerAt(1).transform.anchor_point.value = {1.7, 16.3, 0};
  LayerAt(1).transform.scale.value = {35.0, 110.0, 100.0};
  LayerAt(1).transform.rotation.value = {17.0, 0, 0};
  LayerAt(2).transform.position.value = {0.25, 0.5, 0};
  LayerAt(2).transform.anchor_point.value = {0.3, 0.1, 0};
  LayerAt(2).transform.scale.value = {110.0, 35.0, 100.0};
  LayerAt(2).transform.rotation.value = {-3.0, 0, 0};
  const PreRenderHeader h = HeaderOf(driver_->Run());

  struct Parent {
    double pos_x, pos_y, anc_x, anc_y, sx, sy, deg;
  };
  const Parent parents[] = {{0.0, 0.0, 1.7, 16.3, 35.0, 110.0, 17.0}, {0.25, 0.5, 0.3, 0.1, 110.0, 35.0, -3.0}};
  double px = 10.0, py = 20.0, sum = 0.0, fx = 1.0, fy = 1.0;
  for (const Parent& q : parents) {
    const double x = (px - q.anc_x) * q.sx / 100;
    const double y = (py - q.anc_y) * q.sy / 100;
    const double a = q.deg * PI / 180;
    px = portable_math::Cos(a) * x - portable_math::Sin(a) * y + q.pos_x;
    py = portable_math::Cos(a) * y + portable_math::Sin(a) * x + q.pos_y;
    sum += a;
    fx *= q.sx / 100;
    fy *= q.sy / 100;
  }
  EXPECT_EQ(h.position_x, px);
  EXPECT_EQ(h.position_y, py);
  EXPECT_EQ(h.scale_x_pct, 70.0 * fx);
  EXPECT_EQ(h.scale_y_pct, 45.0 * fy);
  const double total = portable_math::Atan2(portable_math::Sin(0.0), portable_math::Cos(0.0)) + sum;
  EXPECT_EQ(h.rotation_cos, portable_math::Cos(total));
  EXPECT_EQ(h.rotation_sin, portable_math::Sin(total));
}

TEST_F(SmartPreRenderTest, SlotAngleAddsTheShapeRotationInRadians) {
  SimLayer& layer = Build(1, AEGP_ObjectType_VECTOR);
  layer.properties = hostsim::ShapeLayerRoot();
  hostsim::SimStreamNode& contents = hostsim::RootContents(layer.properties);
  for (const char* name : {"Group 1", "Group 2"}) {
    hostsim::SimStreamNode& g = contents.Add(hostsim::ShapeGroup(name));
    hostsim::GroupContents(g).Add(hostsim::EllipsePath("Ellipse Path 1", 0.0, 0.0, 16.0, 8.0));
    hostsim::SetGroupTransform(g, 0.0, 0.0, 0.0, 0.0, 100.0, 100.0, 3.0);
  }
  const hostsim::PreRenderOutcome o = driver_->Run();
  ASSERT_EQ(HeaderOf(o).shape_count, 2u);
  const ShapeSlot s = SlotOf(o, 0);
  EXPECT_EQ(s.rotation_deg, 3.0);
  const double angle = 3.0 * PI / 180 + portable_math::Atan2(0.0, 1.0);
  EXPECT_EQ(s.rot_cos, portable_math::Cos(angle));
  EXPECT_EQ(s.rot_sin, portable_math::Sin(angle));
}

TEST_F(SmartPreRenderTest, OnlySixteenParentsAreComposed) {
  Build(18);
  for (int i = 0; i < 17; ++i) {
    LayerAt(i).parent = &LayerAt(i + 1);
    LayerAt(i + 1).transform.position.value = {1.0, 0.0, 0};
    LayerAt(i + 1).transform.scale.value = {100.0, 100.0, 100.0};
  }
  LayerAt(0).failing_calls.insert("AEGP_GetLayerOffset");  // t falls back to the layer time
  const PreRenderHeader h = HeaderOf(driver_->Run());
  EXPECT_EQ(h.position_x, 16.0);
}

TEST_F(SmartPreRenderTest, UnreadableAndNonFiniteValuesKeepTheirDefaults) {
  SimLayer& layer = Build();
  layer.transform.rotation.value = {std::numeric_limits<double>::quiet_NaN(), 0, 0};
  layer.transform.anchor_point.faults.fail_ref = true;
  layer.transform.position.value = {std::numeric_limits<double>::infinity(), 4.0, 0};
  layer.transform.scale.faults.fail_value = true;
  instance_->SetFloatSlider(PARAM_REFRACTION, std::numeric_limits<double>::quiet_NaN());
  instance_->SetFloatSlider(PARAM_DEPTH, -std::numeric_limits<double>::infinity());
  const PreRenderHeader h = HeaderOf(driver_->Run());
  EXPECT_EQ(h.rotation_cos, 1.0);
  EXPECT_EQ(h.rotation_sin, 0.0);
  EXPECT_EQ(h.anchor_x, 160.0);
  EXPECT_EQ(h.anchor_y, 120.0);
  EXPECT_EQ(h.position_x, 0.0);
  EXPECT_EQ(h.position_y, 0.0);
  EXPECT_EQ(h.scale_x_pct, 100.0);
  EXPECT_EQ(h.scale_y_pct, 100.0);
  EXPECT_EQ(h.refraction, 0.0);
  EXPECT_EQ(h.depth, 0.0);
  EXPECT_EQ(h.margin_px, 4);
}

TEST_F(SmartPreRenderTest, FailedLayerQueriesKeepTheRoadGoing) {
  SimLayer& layer = Build();
  layer.failing_calls = {"AEGP_GetLayerFlags", "AEGP_GetLayerObjectType", "AEGP_GetLayerNumMasks"};
  layer.masks = {SquareMask(50, 50, 10)};
  const hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(o.err, PF_Err_NONE);
  ASSERT_TRUE(o.has_record);
  const PreRenderHeader h = HeaderOf(o);
  // Unknown object type: neither masks nor the source box.
  EXPECT_EQ(h.shape_count, 0u);
  EXPECT_EQ(h.is_adjustment_layer, 0u);
  EXPECT_EQ(h.is_vector_layer, 0u);
  EXPECT_EQ(instance_->LayerCheckouts().size(), 1u);
}

TEST_F(SmartPreRenderTest, ShapeContentsFillTheSlotsWithTheLayerAngleAdded) {
  SimLayer& layer = Build(1, AEGP_ObjectType_VECTOR);
  layer.masks = {SquareMask(50, 50, 10)};  // not read: the contents give panes
  layer.properties = hostsim::ShapeLayerRoot();
  hostsim::SimStreamNode& contents = hostsim::RootContents(layer.properties);
  hostsim::SimStreamNode& g1 = contents.Add(hostsim::ShapeGroup("Group 1"));
  hostsim::GroupContents(g1).Add(hostsim::RectanglePath("Rectangle Path 1", 10.0, 20.0, 30.0, 40.0, 0.0));
  hostsim::SimStreamNode& g2 = contents.Add(hostsim::ShapeGroup("Group 2"));
  hostsim::GroupContents(g2).Add(hostsim::EllipsePath("Ellipse Path 1", 0.0, 0.0, 16.0, 8.0));
  hostsim::SetGroupTransform(g2, 0.0, 0.0, 0.0, 0.0, 100.0, 100.0, 25.0);
  contents.Add(hostsim::MergePaths("Merge Paths 1", 3.0));
  layer.transform.rotation.value = {20.0, 0, 0};

  const hostsim::PreRenderOutcome o = driver_->Run();
  const PreRenderHeader h = HeaderOf(o);
  ASSERT_EQ(h.shape_count, 2u);
  EXPECT_EQ(h.merge_mode, 3u);
  EXPECT_EQ(h.slots_are_masks, 0u);
  EXPECT_EQ(h.is_source_box, 0u);
  EXPECT_EQ(h.is_vector_layer, 1u);
  EXPECT_EQ(SlotOf(o, 0).kind, SHAPE_BOX);
  EXPECT_EQ(SlotOf(o, 1).kind, SHAPE_ELLIPSE);
  EXPECT_NEAR(SlotOf(o, 0).rot_cos, std::cos(20.0 * PI / 180), 1e-12);
  EXPECT_NEAR(SlotOf(o, 1).rot_cos, std::cos(45.0 * PI / 180), 1e-12);
  EXPECT_NEAR(SlotOf(o, 1).rot_sin, std::sin(45.0 * PI / 180), 1e-12);
  EXPECT_EQ(host_.calls().Count("AEGP_GetLayerNumMasks"), 0);
}

TEST_F(SmartPreRenderTest, NoEffectLayerStillMakesARecord) {
  Build();
  instance_->layer = nullptr;
  const hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(o.err, PF_Err_NONE);
  ASSERT_TRUE(o.has_record);
  const PreRenderHeader h = HeaderOf(o);
  EXPECT_EQ(h.shape_count, 0u);
  EXPECT_EQ(h.anchor_x, 160.0);
  EXPECT_EQ(instance_->GuidBlocks().size(), 4u);
}

}  // namespace
