// One outline on every road it can take: the analytic path distance, the
// supersampled road of masks, the padded raster road of free paths, the
// text road (the outline as a glyph) and the matte road (the outline's
// exact pixel coverage as the matte) must put the pane edge in the same
// place, output pixel x being centred on frame x on every road.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "geometry/pre_render_data.h"
#include "host/pf_effect_world.h"
#include "render/matte_stage.h"
#include "render/raster_path_field.h"
#include "render/shape_distance_field.h"
#include "render/shape_primitive.h"
#include "render/supersampled_shapes_field.h"
#include "render/text_distance_field.h"
#include "shell/suite_handler.h"
#include "support/host_fixture.h"

namespace {

constexpr int W = 40;
constexpr int H = 40;

// A smooth 24-point outline, radius 12 +/- 3, about a centre off the pixel
// grid, in layer pixels relative to the slot centre.
ShapeSlot WavyPath(double cx, double cy, double phase) {
  ShapeSlot s{};
  s.kind = SHAPE_PATH;
  s.rot_cos = 1.0;
  s.center_x = cx;
  s.center_y = cy;
  s.mask_mode = 1;
  for (int j = 0; j < 24; ++j) {
    const double a = j * 2.0 * 3.14159265358979 / 24.0;
    const double r = 12.0 + 3.0 * std::sin(3.0 * a + phase);
    s.points[2 * j] = static_cast<float>(r * std::cos(a));
    s.points[2 * j + 1] = static_cast<float>(r * std::sin(a));
  }
  s.point_count = 24;
  return s;
}

struct Planes {
  FloatPlane depth, distance;
};

enum class Road { ANALYTIC, MASKS, PATHS };

Planes Field(Road road, const ShapeSlot& slot, const PrimitiveFrame& frame_in) {
  auto slots = std::make_unique<ShapeSlot[]>(MAX_SHAPE_SLOTS);
  slots[0] = slot;
  PrimitiveFrame frame = frame_in;
  frame.width = W;
  frame.height = H;
  Planes p;
  EXPECT_TRUE(AllocateFloatPlane(p.depth, W, H));
  EXPECT_TRUE(AllocateFloatPlane(p.distance, W, H));
  if (road == Road::PATHS) {
    RasterFieldPlanes planes;
    EXPECT_TRUE(RasterPathField(slots.get(), 1, 1, frame, p.depth, p.distance, nullptr, planes));
    return p;
  }
  ShapePrimitive primitives[MAX_SHAPE_SLOTS];
  const int n = BuildShapePrimitives(slots.get(), 1, frame, primitives);
  if (road == Road::ANALYTIC) {
    ShapeDistanceField(0, n, primitives, 1, slots.get(), p.depth, p.distance, nullptr);
  } else {
    SupersampledShapesField(slots.get(), 1, primitives, n, p.depth, p.distance, nullptr);
  }
  return p;
}

// How a raster field sits against the analytic one near the edge (within
// 1.5 pixels of it): the shift t that best explains the difference, d_raster
// (p) = d_analytic(p - t), by least squares with the analytic slope, and
// the pixels a pixel or more from the edge on the wrong side.
struct Agreement {
  double shift_x = 0.0, shift_y = 0.0;
  double mean_error = 0.0;  // mean |difference| once the shift is taken out
  int near = 0;
  int wrong_side = 0;
};

Agreement CompareEdges(const FloatPlane& reference, const FloatPlane& other) {
  Agreement a;
  double sxx = 0, sxy = 0, syy = 0, bx = 0, by = 0;
  struct Sample {
    double gx, gy, diff;
  };
  std::vector<Sample> samples;
  for (int y = 1; y + 1 < H; ++y) {
    for (int x = 1; x + 1 < W; ++x) {
      const double d = reference.At(x, y);
      if (std::fabs(d) >= 1.0 && (d > 0.0) != (other.At(x, y) > 0.0f)) ++a.wrong_side;
      if (std::fabs(d) >= 1.5) continue;
      const double gx = (reference.At(x + 1, y) - reference.At(x - 1, y)) * 0.5;
      const double gy = (reference.At(x, y + 1) - reference.At(x, y - 1)) * 0.5;
      // d_raster - d_analytic = -(g . t)
      const double diff = static_cast<double>(other.At(x, y)) - d;
      samples.push_back({gx, gy, diff});
      sxx += gx * gx;
      sxy += gx * gy;
      syy += gy * gy;
      bx -= gx * diff;
      by -= gy * diff;
    }
  }
  const double det = sxx * syy - sxy * sxy;
  a.shift_x = (syy * bx - sxy * by) / det;
  a.shift_y = (sxx * by - sxy * bx) / det;
  for (const Sample& s : samples) a.mean_error += std::fabs(s.diff + s.gx * a.shift_x + s.gy * a.shift_y);
  a.near = static_cast<int>(samples.size());
  a.mean_error /= std::max(a.near, 1);
  return a;
}

TEST(RasterRoadAlignmentTest, EveryRoadPutsTheEdgeWhereTheAnalyticRoadDoes) {
  struct Case {
    double cx, cy, phase;
    PrimitiveFrame frame;
  };
  PrimitiveFrame moved;
  moved.position_x = 3.25;
  moved.position_y = -2.5;
  moved.request_left = 2;
  moved.request_top = -1;
  const Case cases[] = {{20.3, 19.7, 0.0, {}}, {20.0, 20.0, 0.7, {}}, {19.5, 20.5, 2.0, moved}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "path about " << c.cx << "," << c.cy);
    const ShapeSlot slot = WavyPath(c.cx, c.cy, c.phase);
    const Planes analytic = Field(Road::ANALYTIC, slot, c.frame);
    for (const Road road : {Road::MASKS, Road::PATHS}) {
      SCOPED_TRACE(road == Road::MASKS ? "masks" : "paths");
      const Planes raster = Field(road, slot, c.frame);
      const Agreement a = CompareEdges(analytic.distance, raster.distance);
      EXPECT_GT(a.near, 100);
      EXPECT_EQ(a.wrong_side, 0);
      EXPECT_LE(std::hypot(a.shift_x, a.shift_y), 0.1);
      EXPECT_LE(a.mean_error, 0.25);
    }
  }
}

// The outline in layer pixels, as a polygon.
std::vector<std::array<double, 2>> LayerOutline(const ShapeSlot& slot) {
  std::vector<std::array<double, 2>> v;
  for (std::uint32_t j = 0; j < slot.point_count; ++j) {
    v.push_back({slot.center_x + slot.points[2 * j], slot.center_y + slot.points[2 * j + 1]});
  }
  return v;
}

bool Inside(const std::vector<std::array<double, 2>>& poly, double x, double y) {
  bool inside = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const auto& a = poly[i];
    const auto& b = poly[j];
    if ((a[1] > y) != (b[1] > y) && x < (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]) + a[0]) inside = !inside;
  }
  return inside;
}

// The text and matte roads read the layer through the simulated host: a
// text layer's outlines, and a record holding the matte.
class HostRoadAlignmentTest : public HostTest {
 protected:
  void SetUp() override {
    comp_ = &host_.scene().AddComposition(1, 400, 300);
    comp_->AddLayer(1, AEGP_ObjectType_TEXT);
    instance_ = &host_.scene().AddEffectInstance(&comp_->layers[0]);
    std::memset(&in_data_, 0, sizeof in_data_);
    in_data_.pica_basicP = host_.basic_suite();
    in_data_.effect_ref = instance_->effect_ref();
    in_data_.time_scale = 24;
  }
  void TearDown() override {
    if (record_ != nullptr) host_.handles().Dispose(record_);
    HostTest::TearDown();
  }

  Planes TextField(const ShapeSlot& slot, const PF_LRect& request) {
    hostsim::SimTextPath path;
    for (const auto& v : LayerOutline(slot)) path.vertices.push_back(PF_PathVertex{v[0], v[1], v[0], v[1], v[0], v[1]});
    comp_->layers[0].text.paths = {path};
    Planes p;
    EXPECT_TRUE(AllocateFloatPlane(p.depth, W, H));
    EXPECT_TRUE(AllocateFloatPlane(p.distance, W, H));
    RasterFieldPlanes planes;
    SuiteHandler suites(in_data_.pica_basicP);
    TextDistanceField(&in_data_, suites, request, 1.0, 1.0, p.depth, p.distance, nullptr, planes);
    return p;
  }

  // The matte is the outline's coverage of each layer pixel [m, m + 1),
  // from 16 x 16 samples, over a layer larger than the output.
  Planes MatteField(const ShapeSlot& slot, const PF_LRect& request) {
    const std::int32_t mw = 80, mh = 80;
    const auto outline = LayerOutline(slot);
    const std::uint64_t raster = static_cast<std::uint64_t>(mw) * mh;
    record_ = host_.handles().New(MATTE_RASTER_OFFSET + raster);
    auto* memory = static_cast<std::uint8_t*>(host_.handles().Lock(record_));
    PreRenderHeader header{};
    header.effect_scale = 1.0;
    header.rim_scale = 1.0;
    header.is_adjustment_layer = 1;
    header.matte_valid = 1;
    header.matte_width = static_cast<std::uint32_t>(mw);
    header.matte_height = static_cast<std::uint32_t>(mh);
    std::memcpy(memory, &header, sizeof header);
    for (std::int32_t my = 0; my < mh; ++my) {
      for (std::int32_t mx = 0; mx < mw; ++mx) {
        int covered = 0;
        for (int k = 0; k < 256; ++k) covered += Inside(outline, mx + (k % 16 + 0.5) / 16.0, my + (k / 16 + 0.5) / 16.0);
        memory[MATTE_RASTER_OFFSET + my * mw + mx] = static_cast<std::uint8_t>((covered * 255 + 128) / 256);
      }
    }
    host_.handles().Unlock(record_);
    Planes p;
    FloatPlane height;
    EXPECT_TRUE(AllocateFloatPlane(p.depth, W, H));
    EXPECT_TRUE(AllocateFloatPlane(p.distance, W, H));
    MattePlanes planes;
    SuiteHandler suites(host_.basic_suite());
    RunMatteStage<PF_Pixel8>(suites, MatteStageFrame{W, H, request, 0.0, record_}, p.depth, p.distance, height,
                             planes);
    return p;
  }

  hostsim::SimComposition* comp_ = nullptr;
  hostsim::SimEffectInstance* instance_ = nullptr;
  PF_InData in_data_;
  PF_Handle record_ = nullptr;
};

TEST_F(HostRoadAlignmentTest, TextAndMatteRoadsPutTheEdgeWhereTheAnalyticRoadDoes) {
  struct Case {
    double cx, cy, phase;
    PF_LRect request;
  };
  const Case cases[] = {{20.3, 19.7, 0.0, {0, 0, W, H}}, {27.0, 24.5, 1.1, {6, 4, 6 + W, 4 + H}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "outline about " << c.cx << "," << c.cy);
    const ShapeSlot slot = WavyPath(c.cx, c.cy, c.phase);
    PrimitiveFrame frame;
    frame.request_left = c.request.left;
    frame.request_top = c.request.top;
    const Planes analytic = Field(Road::ANALYTIC, slot, frame);
    for (const bool text : {true, false}) {
      SCOPED_TRACE(text ? "text" : "matte");
      if (record_ != nullptr) host_.handles().Dispose(record_);
      record_ = nullptr;
      const Planes raster = text ? TextField(slot, c.request) : MatteField(slot, c.request);
      const Agreement a = CompareEdges(analytic.distance, raster.distance);
      EXPECT_GT(a.near, 100);
      EXPECT_EQ(a.wrong_side, 0);
      EXPECT_LE(std::hypot(a.shift_x, a.shift_y), 0.1);
      EXPECT_LE(a.mean_error, 0.25);
    }
  }
}

}  // namespace
