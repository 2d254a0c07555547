// The render frame driven by pre-render records made by hand: which stages
// run for which record (seen through the allocations each stage makes),
// the record's lock and unlock, and values a damaged or unusual record may
// carry. Output pixels are in the request's frame, 40 x 30, at 8 bits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "geometry/pre_render_data.h"
#include "host/pf_errors.h"
#include "hostsim/smart_render_call.h"
#include "render/allocation_seam.h"
#include "support/frame_fixture.h"

namespace {

using hostsim::SimWorld;

constexpr A_long W = 40;
constexpr A_long H = 30;

ShapeSlot Slot(std::uint32_t kind) {
  ShapeSlot s{};
  s.kind = kind;
  s.rot_cos = 1.0;
  s.center_x = 20.0;
  s.center_y = 15.0;
  s.size_x = 20.0;
  s.size_y = 14.0;
  s.outer_radius = 9.0;
  s.inner_radius = 4.0;
  s.polystar_points = 5;
  return s;
}

// A path of two nested rectangles as two sub-paths, about the slot centre.
ShapeSlot CompoundPathSlot() {
  ShapeSlot s = Slot(SHAPE_PATH);
  s.size_x = 0.0;
  s.size_y = 0.0;
  const float points[] = {-12, -10, 12, -10, 12, 10, -12, 10, -5, -4, 5, -4, 5, 4, -5, 4};
  std::memcpy(s.points, points, sizeof points);
  s.point_count = 8;
  s.subpath_count = 2;
  s.subpath_start[1] = 4;
  return s;
}

// The controls at their defaults, an adjustment layer at full resolution
// with no transform, one box slot.
PreRenderHeader Header() {
  PreRenderHeader h{};
  h.refraction = 70;
  h.depth = 40;
  h.dispersion = 50;
  h.light_angle_deg = -45;
  h.light_intensity = 100;
  h.rim_scale = 1;
  h.effect_scale = 1;
  h.scale_x_pct = 100;
  h.scale_y_pct = 100;
  h.downsample_x = 1;
  h.downsample_y = 1;
  h.rotation_cos = 1;
  h.is_adjustment_layer = 1;
  h.shape_count = 1;
  return h;
}

class RecordFrameTest : public FrameTest {
 protected:
  void SetUp() override {
    hostsim::SceneDesc d;
    d.width = W;
    d.height = H;
    Build(d);
  }

  PF_Handle Record(const PreRenderHeader& header, const ShapeSlot* slots, int slot_count) {
    PF_Handle h = host_.handles().New(MATTE_RASTER_OFFSET);
    auto* data = static_cast<PreRenderData*>(host_.handles().Lock(h));
    data->header = header;
    for (int i = 0; i < slot_count; ++i) data->slots[i] = slots[i];
    host_.handles().Unlock(h);
    return h;
  }

  // Renders one frame over the background with the record; returns the
  // error and leaves the count of seam allocations the frame made.
  PF_Err Send(PF_Handle record, SimWorld& input, SimWorld& output, PF_LRect rect = {0, 0, W, H},
             bool input_without_pixels = false) {
    hostsim::SmartRenderCall call(commands_->in_data(), commands_->module(), built_.instance->effect_ref());
    call.render_input.output_request.rect = rect;
    call.render_input.pre_render_data = record;
    call.input = &input;
    call.output = &output;
    call.input_without_pixels = input_without_pixels;
    ResetAllocationSeamCount();
    const PF_Err err = call.Send();
    allocations_ = AllocationSeamCount();
    EXPECT_EQ(call.input_checkins, 1);
    EXPECT_EQ(call.bad_checkins, 0);
    return err;
  }

  std::int64_t allocations_ = -1;
};

// On the analytic road the frame allocates pane_depth and pane_distance;
// pane_height and its smoothing scratch when there are two shapes or a
// polygon, star or path; the two frost buffers when frost x downsample_y
// is above half a pixel. Nothing else on this road goes through the seam.
TEST_F(RecordFrameTest, StagesRunByTheirConditions) {
  struct Case {
    const char* name;
    std::uint32_t kind;
    std::uint32_t shape_count;
    double frost, downsample_x, downsample_y;
    std::int64_t allocations;
  };
  const Case cases[] = {
      {"box", SHAPE_BOX, 1, 0, 1, 1, 2},
      {"ellipse", SHAPE_ELLIPSE, 1, 0, 1, 1, 2},
      {"two boxes", SHAPE_BOX, 2, 0, 1, 1, 4},
      {"polygon", SHAPE_POLYGON, 1, 0, 1, 1, 4},
      {"star", SHAPE_STAR, 1, 0, 1, 1, 4},
      {"no slot", SHAPE_BOX, 0, 0, 1, 1, 2},
      {"frost 0.5 px is off", SHAPE_BOX, 1, 0.5, 1, 1, 2},
      {"frost 0.6 px is on", SHAPE_BOX, 1, 0.6, 1, 1, 4},
      {"frost scales by downsample_y", SHAPE_BOX, 1, 1.0, 1, 0.5, 2},
      {"not by downsample_x", SHAPE_BOX, 1, 1.0, 0.5, 1, 4},
      {"downsample 0 counts as 1", SHAPE_BOX, 1, 0.6, 0, 0, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PreRenderHeader h = Header();
    h.shape_count = c.shape_count;
    h.frost = c.frost;
    h.downsample_x = c.downsample_x;
    h.downsample_y = c.downsample_y;
    const ShapeSlot slots[2] = {Slot(c.kind), Slot(c.kind)};
    PF_Handle record = Record(h, slots, 2);
    SimWorld input(W, H, false), output(W, H, false);
    FillBackground(input);
    EXPECT_EQ(Send(record, input, output), PF_Err_NONE);
    EXPECT_EQ(allocations_, c.allocations);
    host_.handles().Dispose(record);
  }
}

// A path with merge mode 4 on a layer that is not a vector layer takes the
// analytic road with its height plane.
TEST_F(RecordFrameTest, IntersectedPathIsAnalyticWithAHeight) {
  PreRenderHeader h = Header();
  h.merge_mode = 4;
  const ShapeSlot slot = CompoundPathSlot();
  PF_Handle record = Record(h, &slot, 1);
  SimWorld input(W, H, false), output(W, H, false);
  FillBackground(input);
  EXPECT_EQ(Send(record, input, output), PF_Err_NONE);
  EXPECT_EQ(allocations_, 4);
  host_.handles().Dispose(record);
}

// Light Intensity that is not a number is not at most 0.1, so the frame
// is not a pass-through even with every other control at rest.
TEST_F(RecordFrameTest, LightIntensityNotANumberIsNoPassThrough) {
  PreRenderHeader h = Header();
  h.refraction = 0;
  h.magnify = 0;
  h.frost = 0;
  h.light_intensity = std::numeric_limits<double>::quiet_NaN();
  const ShapeSlot slot = Slot(SHAPE_BOX);
  PF_Handle record = Record(h, &slot, 1);
  SimWorld input(W, H, false), output(W, H, false);
  FillBackground(input);
  EXPECT_EQ(Send(record, input, output), PF_Err_NONE);
  EXPECT_EQ(allocations_, 2);  // the pane planes: the full road ran
  host_.handles().Dispose(record);
}

// A damaged shape count above 8 uses the eight slots, and each of them is
// a slot of the record: a compound path keeps its sub-paths, as with a
// count of exactly 8.
TEST_F(RecordFrameTest, ShapeCountAboveEightReadsLikeEight) {
  ShapeSlot slots[MAX_SHAPE_SLOTS];
  for (ShapeSlot& s : slots) s = CompoundPathSlot();
  std::vector<std::uint8_t> frames[2];
  const std::uint32_t counts[2] = {8, 0xFFFFFFFFu};
  for (int k = 0; k < 2; ++k) {
    PreRenderHeader h = Header();
    h.shape_count = counts[k];
    h.merge_mode = 4;  // the analytic road
    PF_Handle record = Record(h, slots, MAX_SHAPE_SLOTS);
    SimWorld input(W, H, false), output(W, H, false);
    FillBackground(input);
    EXPECT_EQ(Send(record, input, output), PF_Err_NONE);
    frames[k] = output.PixelBytes();
    host_.handles().Dispose(record);
  }
  EXPECT_EQ(frames[0], frames[1]);
}

// The record is unlocked even when its lock gives no memory; the frame is
// then a pass-through with every default.
TEST_F(RecordFrameTest, RecordWithoutMemoryIsUnlockedAndPassedThrough) {
  const ShapeSlot slot = Slot(SHAPE_BOX);
  PF_Handle record = Record(Header(), &slot, 1);
  const int locks = host_.handles().LockCount();
  const int unlocks = host_.handles().UnlockCount();
  host_.handles().FailNextLock();
  SimWorld input(W, H, false), output(W, H, false);
  FillBackground(input);
  EXPECT_EQ(Send(record, input, output), PF_Err_NONE);
  EXPECT_EQ(allocations_, 0);
  EXPECT_EQ(output.PixelBytes(), input.PixelBytes());
  EXPECT_EQ(host_.handles().LockCount() - locks, 1);
  EXPECT_EQ(host_.handles().UnlockCount() - unlocks, 1);
  // The same record with its memory renders in full and is unlocked once.
  EXPECT_EQ(Send(record, input, output), PF_Err_NONE);
  EXPECT_EQ(allocations_, 2);
  EXPECT_EQ(host_.handles().LockCount() - locks, 2);
  EXPECT_EQ(host_.handles().UnlockCount() - unlocks, 2);
  host_.handles().Dispose(record);
}

// An input checked out without pixels is rendered as a transparent input
// that covers exactly the request: the same frame as over a real zeroed
// input at the request's origin, through the whole road (the rim light
// draws over the transparency), not a copy of nothing.
TEST_F(RecordFrameTest, InputWithoutPixelsRendersAsTransparencyThroughTheFullRoad) {
  const ShapeSlot slot = Slot(SHAPE_STAR);
  PreRenderHeader h = Header();
  h.position_x = 6;
  h.position_y = 4;
  PF_Handle record = Record(h, &slot, 1);
  const PF_LRect rect = {6, 4, 6 + W, 4 + H};
  SimWorld stand_in_output(W, H, false), zero_output(W, H, false);
  SimWorld lent(W, H, false);
  FillBackground(lent);  // never read: the checkout lends no pixels
  EXPECT_EQ(Send(record, lent, stand_in_output, rect, true), PF_Err_NONE);
  SimWorld zeroed(W, H, false, 0, 6, 4);
  EXPECT_EQ(Send(record, zeroed, zero_output, rect), PF_Err_NONE);
  EXPECT_EQ(stand_in_output.PixelBytes(), zero_output.PixelBytes());
  bool drawn = false;
  for (std::uint8_t b : stand_in_output.PixelBytes()) drawn = drawn || b != 0;
  EXPECT_TRUE(drawn);
  host_.handles().Dispose(record);
}

}  // namespace

namespace {

int OpaqueBlackPixels(const SimWorld& world) {
  int n = 0;
  for (A_long y = 0; y < world.height(); ++y) {
    for (A_long x = 0; x < world.width(); ++x) {
      const PF_Pixel8& p = world.Pixel8(x, y);
      n += (p.alpha == 255 && p.red == 0 && p.green == 0 && p.blue == 0) ? 1 : 0;
    }
  }
  return n;
}

// A record damaged in one value at a time: every 64-bit float of the
// header and of the slots (a box, an ellipse, a star and a compound path)
// made NaN, infinite or huge. No value may reach an index or a channel as
// an undefined conversion (the sanitizer build aborts on one), the frame
// completes, and it is not the opaque black that NaN channels leave.
TEST_F(RecordFrameTest, NonFiniteRecordValuesRenderADefinedFrame) {
  using HeaderField = double PreRenderHeader::*;
  using SlotField = double ShapeSlot::*;
  const std::pair<const char*, HeaderField> header_fields[] = {
      {"refraction", &PreRenderHeader::refraction},       {"depth", &PreRenderHeader::depth},
      {"splay", &PreRenderHeader::splay},                 {"frost", &PreRenderHeader::frost},
      {"dispersion", &PreRenderHeader::dispersion},       {"light_angle_deg", &PreRenderHeader::light_angle_deg},
      {"light_intensity", &PreRenderHeader::light_intensity}, {"magnify", &PreRenderHeader::magnify},
      {"rim_scale", &PreRenderHeader::rim_scale},         {"effect_scale", &PreRenderHeader::effect_scale},
      {"scale_x_pct", &PreRenderHeader::scale_x_pct},     {"scale_y_pct", &PreRenderHeader::scale_y_pct},
      {"anchor_x", &PreRenderHeader::anchor_x},           {"anchor_y", &PreRenderHeader::anchor_y},
      {"downsample_x", &PreRenderHeader::downsample_x},   {"downsample_y", &PreRenderHeader::downsample_y},
      {"rotation_cos", &PreRenderHeader::rotation_cos},   {"rotation_sin", &PreRenderHeader::rotation_sin},
      {"position_x", &PreRenderHeader::position_x},       {"position_y", &PreRenderHeader::position_y},
  };
  const std::pair<const char*, SlotField> slot_fields[] = {
      {"rotation_deg", &ShapeSlot::rotation_deg},       {"rot_cos", &ShapeSlot::rot_cos},
      {"rot_sin", &ShapeSlot::rot_sin},                 {"outer_radius", &ShapeSlot::outer_radius},
      {"inner_radius", &ShapeSlot::inner_radius},       {"outer_roundness", &ShapeSlot::outer_roundness},
      {"inner_roundness", &ShapeSlot::inner_roundness}, {"center_x", &ShapeSlot::center_x},
      {"center_y", &ShapeSlot::center_y},               {"size_x", &ShapeSlot::size_x},
      {"size_y", &ShapeSlot::size_y},                   {"corner_radius", &ShapeSlot::corner_radius},
  };
  const double values[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), 1e308, -1e308};
  auto slots = [] {
    std::vector<ShapeSlot> s = {Slot(SHAPE_BOX), Slot(SHAPE_ELLIPSE), Slot(SHAPE_STAR), CompoundPathSlot()};
    s[0].corner_radius = 3;
    s[2].outer_roundness = 30;
    return s;
  };
  SimWorld input(W, H, false);
  FillBackground(input);
  auto render = [&](const PreRenderHeader& h, const std::vector<ShapeSlot>& s, const std::string& what) {
    SCOPED_TRACE(what);
    PF_Handle record = Record(h, s.data(), static_cast<int>(s.size()));
    SimWorld output(W, H, false);
    EXPECT_EQ(Send(record, input, output), PF_Err_NONE);
    // A light far above its range really does darken the panes' far side.
    const bool blinding = h.light_intensity > 1000.0;
    if (!blinding) {
      EXPECT_LT(OpaqueBlackPixels(output), W * H / 50);
    }
    host_.handles().Dispose(record);
  };
  for (const double v : values) {
    for (const auto& [name, field] : header_fields) {
      PreRenderHeader h = Header();
      h.shape_count = 4;
      h.frost = 2;
      h.*field = v;
      render(h, slots(), std::string("header ") + name + " " + std::to_string(v));
    }
    for (const auto& [name, field] : slot_fields) {
      PreRenderHeader h = Header();
      h.shape_count = 4;
      std::vector<ShapeSlot> s = slots();
      for (ShapeSlot& slot : s) slot.*field = v;
      render(h, s, std::string("slot ") + name + " " + std::to_string(v));
    }
    PreRenderHeader h = Header();
    h.shape_count = 4;
    std::vector<ShapeSlot> s = slots();
    // A float point cannot be huge and finite: out of its range it is infinite.
    s[3].points[5] = std::isnan(v) ? std::numeric_limits<float>::quiet_NaN()
                                   : (v > 0 ? std::numeric_limits<float>::infinity()
                                            : -std::numeric_limits<float>::infinity());
    render(h, s, "path point " + std::to_string(v));
  }
}

}  // namespace
