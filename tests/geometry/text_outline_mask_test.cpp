// The text-outline rasteriser on hand-made outlines served by the simulated
// host: grid mapping, the centre rule of the byte mask, exact span overlaps
// of the coverage, non-zero winding, clipping, cubic segments with absolute
// control points, skipped and cut outlines, and every host object handed
// back on every road (the fixture fails the test otherwise).
#include "geometry/text_outline_mask.h"

#include <gtest/gtest.h>

#include <random>

#include <algorithm>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/pf_errors.h"
#include "render/allocation_seam.h"
#include "shell/suite_handler.h"
#include "support/host_fixture.h"

namespace {

using hostsim::SimTextPath;
using Points = std::vector<std::array<double, 2>>;

// A closed path of straight segments: every tangent on its vertex.
SimTextPath Polygon(const Points& points) {
  SimTextPath p;
  for (const auto& q : points) p.vertices.push_back(PF_PathVertex{q[0], q[1], q[0], q[1], q[0], q[1]});
  return p;
}

// An axis-aligned box, clockwise on screen (y down) or the other way.
SimTextPath Box(double x0, double y0, double x1, double y1, bool clockwise = true) {
  if (clockwise) return Polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
  return Polygon({{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}});
}

// A circle of four cubic arcs whose tangent fields hold the absolute
// control points.
SimTextPath Circle(double cx, double cy, double r) {
  const double k = 0.5522847498 * r;
  SimTextPath p;
  p.vertices = {
      PF_PathVertex{cx + r, cy, cx + r, cy - k, cx + r, cy + k},
      PF_PathVertex{cx, cy + r, cx + k, cy + r, cx - k, cy + r},
      PF_PathVertex{cx - r, cy, cx - r, cy + k, cx - r, cy - k},
      PF_PathVertex{cx, cy - r, cx - k, cy - r, cx + k, cy - r},
  };
  return p;
}

struct Raster {
  bool present = false;
  int width = 0;
  std::vector<std::uint8_t> mask;
  std::vector<float> coverage;
  std::uint8_t M(int x, int y) const { return mask[static_cast<std::size_t>(y * width + x)]; }
  float C(int x, int y) const { return coverage[static_cast<std::size_t>(y * width + x)]; }
};

struct Frame {
  int origin_x = 0, origin_y = 0;
  double scale = 1.0;
  int supersample = 1;
};

class TextOutlineMaskTest : public HostTest {
 protected:
  void SetUp() override {
    comp_ = &host_.scene().AddComposition(1, 64, 64);
    comp_->AddLayer(1, AEGP_ObjectType_TEXT);
    layer_ = &comp_->layers[0];
    instance_ = &host_.scene().AddEffectInstance(layer_);
    std::memset(&in_data_, 0, sizeof in_data_);
    in_data_.pica_basicP = host_.basic_suite();
    in_data_.effect_ref = instance_->effect_ref();
    in_data_.current_time = 24;
    in_data_.time_scale = 24;
  }

  Raster Build(int w, int h, bool with_coverage, Frame f = {}) {
    Raster r;
    r.width = w;
    std::vector<float> coverage(with_coverage ? static_cast<std::size_t>(w * h) : 0, 0.0f);
    SuiteHandler suites(in_data_.pica_basicP);
    std::uint8_t* mask = BuildTextOutlineMask(&in_data_, suites, f.origin_x, f.origin_y, w, h, f.scale, f.scale,
                                              f.supersample, with_coverage ? coverage.data() : nullptr);
    if (mask != nullptr) {
      r.present = true;
      r.mask.assign(mask, mask + w * h);
      std::free(mask);
    }
    r.coverage = std::move(coverage);
    return r;
  }

  hostsim::SimComposition* comp_ = nullptr;
  hostsim::SimLayer* layer_ = nullptr;
  hostsim::SimEffectInstance* instance_ = nullptr;
  PF_InData in_data_;
};

TEST_F(TextOutlineMaskTest, SquareFillsThePixelsWhoseCentresItCovers) {
  layer_->text.paths = {Box(2, 2, 10, 10)};
  const Raster r = Build(16, 16, false);
  ASSERT_TRUE(r.present);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inside = x >= 2 && x <= 9 && y >= 2 && y <= 9;
      ASSERT_EQ(r.M(x, y), inside ? 255 : 0) << x << "," << y;
    }
  }
}

TEST_F(TextOutlineMaskTest, VerticesMapThroughScaleOriginAndSupersample) {
  // ((10 * 2 - 16) * 2, ...) = 8 and ((14 * 2 - 16) * 2, ...) = 24.
  layer_->text.paths = {Box(10, 10, 14, 14)};
  const Raster r = Build(32, 32, false, Frame{16, 16, 2.0, 2});
  ASSERT_TRUE(r.present);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool inside = x >= 8 && x <= 23 && y >= 8 && y <= 23;
      ASSERT_EQ(r.M(x, y), inside ? 255 : 0) << x << "," << y;
    }
  }
}

TEST_F(TextOutlineMaskTest, MaskSpanTakesThePixelsWhoseCentreLiesInIt) {
  // Row 1: a span from 2.4 to 5.6 (centres 2.5 to 5.5); row 4: from 2.6 to
  // 3.4, which holds no centre.
  layer_->text.paths = {Box(2.4, 1, 5.6, 2), Box(2.6, 4, 3.4, 5)};
  const Raster r = Build(8, 6, false);
  ASSERT_TRUE(r.present);
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(r.M(x, 1), (x >= 2 && x <= 5) ? 255 : 0) << x;
    EXPECT_EQ(r.M(x, 4), 0) << x;
  }
}

TEST_F(TextOutlineMaskTest, CoverageIsTheExactOverlapAndTheMaskItsHalfThreshold) {
  // x from 2.5 to 8.4, y from 1.5 to 5: four sub-scanlines per row at
  // r + 0.125, 0.375, 0.625, 0.875.
  layer_->text.paths = {Box(2.5, 1.5, 8.4, 5)};
  const Raster r = Build(12, 8, true);
  ASSERT_TRUE(r.present);
  EXPECT_FLOAT_EQ(r.C(2, 2), 0.5f);  // cut in half by the left edge
  EXPECT_EQ(r.M(2, 2), 255);
  EXPECT_NEAR(r.C(8, 2), 0.4f, 1e-6f);  // the right edge leaves 0.4
  EXPECT_EQ(r.M(8, 2), 0);
  EXPECT_FLOAT_EQ(r.C(5, 3), 1.0f);
  EXPECT_FLOAT_EQ(r.C(5, 1), 0.5f);   // two of four sub-scanlines
  EXPECT_FLOAT_EQ(r.C(2, 1), 0.25f);  // half of both
  EXPECT_EQ(r.M(2, 1), 0);
  for (int x = 0; x < 12; ++x) {
    EXPECT_EQ(r.C(x, 0), 0.0f);
    EXPECT_EQ(r.C(x, 5), 0.0f);
  }
  EXPECT_EQ(r.C(1, 3), 0.0f);
  EXPECT_EQ(r.C(9, 3), 0.0f);
  for (std::size_t i = 0; i < r.mask.size(); ++i) {
    ASSERT_EQ(r.mask[i], r.coverage[i] >= 0.5f ? 255 : 0) << i;
  }
}

TEST_F(TextOutlineMaskTest, InnerContourIsAHoleOnlyWhenItWindsAgainstTheOuter) {
  for (bool against : {true, false}) {
    SCOPED_TRACE(against);
    layer_->text.paths = {Box(0, 0, 12, 12, true), Box(4, 4, 8, 8, !against)};
    for (bool with_coverage : {false, true}) {
      const Raster r = Build(12, 12, with_coverage);
      ASSERT_TRUE(r.present);
      EXPECT_EQ(r.M(5, 5), against ? 0 : 255);
      EXPECT_EQ(r.M(1, 1), 255);
      EXPECT_EQ(r.M(10, 6), 255);
    }
  }
}

TEST_F(TextOutlineMaskTest, OverlappingContoursOfOneDirectionFillTheirUnionOnce) {
  layer_->text.paths = {Box(1, 1, 7, 7), Box(4, 4, 10, 10)};
  const Raster r = Build(12, 12, true);
  ASSERT_TRUE(r.present);
  float sum = 0.0f;
  for (float c : r.coverage) {
    ASSERT_LE(c, 1.0f);
    sum += c;
  }
  EXPECT_FLOAT_EQ(r.C(5, 5), 1.0f);
  EXPECT_FLOAT_EQ(sum, 36.0f + 36.0f - 9.0f);
}

TEST_F(TextOutlineMaskTest, EdgesOutsideTheGridClipToIt) {
  layer_->text.paths = {Box(-5, 2, 20, 4)};
  for (bool with_coverage : {false, true}) {
    const Raster r = Build(10, 6, with_coverage);
    ASSERT_TRUE(r.present);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 10; ++x) {
        const bool inside = y == 2 || y == 3;
        ASSERT_EQ(r.M(x, y), inside ? 255 : 0) << x << "," << y;
        if (with_coverage) {
          ASSERT_EQ(r.C(x, y), inside ? 1.0f : 0.0f) << x << "," << y;
        }
      }
    }
  }
}

TEST_F(TextOutlineMaskTest, CubicSegmentsUseTheTangentsAsAbsoluteControlPoints) {
  layer_->text.paths = {Circle(16, 16, 10)};
  const Raster r = Build(32, 32, true);
  ASSERT_TRUE(r.present);
  double area = 0.0;
  for (float c : r.coverage) area += c;
  // Twelve chords per quarter lose about 0.1% of the area.
  EXPECT_NEAR(area, 3.14159265 * 100.0, 1.5);
  EXPECT_EQ(r.M(16, 16), 255);
  EXPECT_EQ(r.M(16, 6), 255);   // centre (16.5, 6.5): 9.51 from the circle's centre
  EXPECT_EQ(r.M(16, 26), 0);    // (16.5, 26.5): 10.51
  EXPECT_EQ(r.M(22, 22), 255);  // 45 degrees, 9.19 from the centre
  EXPECT_EQ(r.M(23, 23), 0);    // 10.6 from the centre
}

TEST_F(TextOutlineMaskTest, UnreadableOutlinesAreSkippedAndACutOutlineIsClosed) {
  SimTextPath null_one = Box(0, 0, 4, 4);
  SimTextPath no_segments = Box(0, 6, 4, 10);
  no_segments.fail_segments = true;
  SimTextPath no_first_vertex = Box(6, 0, 10, 4);
  no_first_vertex.fail_vertex = 0;
  // Vertex 3 cannot be read: segments 0 and 1 make the triangle
  // (12, 2), (20, 2), (20, 10), closed back to its first point.
  SimTextPath cut = Box(12, 2, 20, 10);
  cut.fail_vertex = 3;
  SimTextPath fine = Box(6, 6, 10, 10);
  layer_->text.paths = {null_one, no_segments, no_first_vertex, cut, fine};
  layer_->text.null_path = 0;
  const Raster r = Build(24, 12, false);
  ASSERT_TRUE(r.present);
  EXPECT_EQ(r.M(1, 1), 0);
  EXPECT_EQ(r.M(1, 7), 0);
  EXPECT_EQ(r.M(7, 1), 0);
  EXPECT_EQ(r.M(7, 7), 255);
  EXPECT_EQ(r.M(18, 3), 255);  // below the diagonal of the triangle
  EXPECT_EQ(r.M(13, 8), 0);    // the cut-off corner
}

TEST_F(TextOutlineMaskTest, NothingToDrawGivesNull) {
  struct Case {
    const char* what;
    void (*arrange)(hostsim::SimLayer&, hostsim::Host&);
  };
  const Case cases[] = {
      {"not a text layer", [](hostsim::SimLayer& l, hostsim::Host&) { l.object_type = AEGP_ObjectType_VECTOR; }},
      {"empty text", [](hostsim::SimLayer& l, hostsim::Host&) { l.text.paths.clear(); }},
      {"outlines fail", [](hostsim::SimLayer& l, hostsim::Host&) { l.text.fail_new = true; }},
      {"null outlines", [](hostsim::SimLayer& l, hostsim::Host&) { l.text.null_outlines = true; }},
      {"count fails", [](hostsim::SimLayer& l, hostsim::Host&) { l.text.fail_count = true; }},
      {"no effect layer",
       [](hostsim::SimLayer&, hostsim::Host& h) { h.calls().Fail("AEGP_GetEffectLayer"); }},
      {"type unknown",
       [](hostsim::SimLayer&, hostsim::Host& h) { h.calls().Fail("AEGP_GetLayerObjectType"); }},
      {"every outline unreadable",
       [](hostsim::SimLayer&, hostsim::Host& h) { h.calls().Fail("PF_PathNumSegments"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    layer_->object_type = AEGP_ObjectType_TEXT;
    layer_->text = hostsim::SimTextOutlines{};
    layer_->text.paths = {Box(2, 2, 10, 10)};
    host_.calls().ClearAll();
    c.arrange(*layer_, host_);
    const Raster r = Build(16, 16, true);
    EXPECT_FALSE(r.present);
    for (float v : r.coverage) ASSERT_EQ(v, 0.0f);
  }
  host_.calls().ClearAll();
}

TEST_F(TextOutlineMaskTest, EmptyGridGivesNullAfterHandingTheOutlinesBack) {
  layer_->text.paths = {Box(2, 2, 10, 10)};
  EXPECT_FALSE(Build(0, 16, false).present);
  EXPECT_FALSE(Build(16, 0, false).present);
}

TEST_F(TextOutlineMaskTest, FailedMaskAllocationGivesNull) {
  layer_->text.paths = {Box(2, 2, 10, 10)};
  ArmAllocationFailure(1);
  const Raster r = Build(16, 16, false);
  DisarmAllocationFailure();
  EXPECT_FALSE(r.present);
}

TEST_F(TextOutlineMaskTest, MissingPathSuiteThrows516AndHandsEverythingBack) {
  layer_->text.paths = {Box(2, 2, 10, 10)};
  host_.suites().SetMissing("PF Path Data Suite", 1, true);
  int thrown = 0;
  try {
    Build(16, 16, false);
  } catch (int e) {
    thrown = e;
  }
  EXPECT_EQ(thrown, PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host_.calls().Count("AEGP_DisposeTextOutlines"), 1);
}

TEST_F(TextOutlineMaskTest, ThrowingHostCallStillDisposesTheOutlines) {
  layer_->text.paths = {Box(2, 2, 10, 10)};
  host_.calls().Throw("PF_PathVertexInfo");
  EXPECT_ANY_THROW(Build(16, 16, false));
  host_.calls().ClearAll();
  EXPECT_EQ(host_.calls().Count("AEGP_DisposeTextOutlines"), 1);
}

TEST_F(TextOutlineMaskTest, NonFiniteHostCoordinatesDropTheirPoints) {
  SimTextPath p = Box(2, 2, 10, 10);
  p.vertices.insert(p.vertices.begin() + 2,
                    PF_PathVertex{NAN, INFINITY, NAN, NAN, INFINITY, -INFINITY});
  layer_->text.paths = {p, Box(1e30, 1, 2e30, 3)};
  const Raster r = Build(16, 16, true);
  ASSERT_TRUE(r.present);
  for (float c : r.coverage) {
    ASSERT_TRUE(std::isfinite(c));
    ASSERT_LE(c, 1.0f);
  }
  EXPECT_EQ(r.M(3, 8), 255);  // the lower left of the square survives
}


TEST(TextCoverageSpanTest, MatchesThePlainPerColumnFormBitForBit) {
  // Rows of 1 to 4096 columns, partly covered already, and spans of every
  // length and position (whole-column ends, ends beyond the row, reversed
  // spans) at the sub-scanline weight and at 1.
  std::mt19937 rng(808);
  for (int trial = 0; trial < 300; ++trial) {
    const int width = trial < 8 ? trial + 1 : 1 + static_cast<int>(rng() % 4096);
    std::uniform_real_distribution<float> pos(-8.0f, static_cast<float>(width) + 8.0f), unit(0.0f, 1.0f);
    std::vector<float> want(width), got;
    for (float& v : want) v = rng() % 3 == 0 ? unit(rng) : (rng() % 2 ? 0.0f : 1.0f);
    got = want;
    const float weight = trial % 2 ? 0.25f : 1.0f;
    for (int k = 0; k < 6; ++k) {
      float a = pos(rng), b = pos(rng);
      if (rng() % 3 == 0) a = std::round(a);
      if (rng() % 3 == 0) b = std::round(b);
      if (rng() % 4 != 0 && b < a) std::swap(a, b);
      const int first = std::clamp(static_cast<int>(std::floor(std::max(a, -1.0f))), 0, width);
      const int end = std::clamp(static_cast<int>(std::ceil(std::min(b, width + 1.0f))), 0, width);
      for (int c = first; c < end; ++c) {
        const float o = std::min(b, static_cast<float>(c + 1)) - std::max(a, static_cast<float>(c));
        if (o > 0.0f) want[c] = std::min(1.0f, want[c] + std::min(1.0f, o) * weight);
      }
      AddTextCoverageSpan(got.data(), width, weight, a, b);
    }
    ASSERT_EQ(std::memcmp(want.data(), got.data(), want.size() * sizeof(float)), 0) << "trial " << trial;
  }
}

TEST_F(TextOutlineMaskTest, MaskIsTheHalfThresholdOfTheCoverageEverywhere) {
  // Boxes at random sub-pixel positions on grids of odd sizes, so that the
  // mask is derived sixteen pixels at a time and one by one at the end.
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int trial = 0; trial < 6; ++trial) {
    const int w = 17 + static_cast<int>(rng() % 60), h = 3 + static_cast<int>(rng() % 40);
    layer_->text.paths.clear();
    for (int k = 0; k < 3; ++k) {
      const double x0 = u(rng) * w, y0 = u(rng) * h;
      layer_->text.paths.push_back(Box(x0, y0, x0 + 1 + u(rng) * w * 0.5, y0 + 1 + u(rng) * h * 0.5, k != 1));
    }
    const Raster r = Build(w, h, true);
    ASSERT_TRUE(r.present);
    int half = 0;
    for (std::size_t i = 0; i < r.mask.size(); ++i) {
      ASSERT_EQ(r.mask[i], r.coverage[i] >= 0.5f ? 255 : 0) << "trial " << trial << " at " << i;
      half += r.mask[i] == 255;
    }
    EXPECT_GT(half, 0);
  }
}

}  // namespace
