// Mask outlines and shape-path flattening through the simulated host.
#include "geometry/mask_outline_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/stream_ownership.h"
#include "shell/suite_handler.h"
#include "stream_reader_fixture.h"

namespace {

using namespace hostsim;

// A closed regular polygon of `segments` vertices on a circle of radius 100.
SimOutline RegularOutline(int segments, bool open = false) {
  std::vector<std::array<double, 2>> pts;
  for (int i = 0; i < segments; ++i) {
    const double a = 2.0 * 3.141592653589793 * i / segments;
    pts.push_back({200.0 + 100.0 * std::cos(a), 150.0 + 100.0 * std::sin(a)});
  }
  return PolygonOutline(pts, open);
}

class MaskOutlineTest : public StreamReaderTest {
 protected:
  int ReadMask(const SimOutline& outline) {
    layer_.masks.assign(1, SimMask{});
    layer_.masks[0].outline.outline = outline;
    return ReadMask();
  }
  int ReadMask() {
    points_.assign(2 * MAX_SLOT_POINTS, -7.0f);
    AEGP_MaskRefH mask = host_.streams().NewMaskRef(&layer_, 0);
    int n = 0;
    {
      SuiteHandler suites(host_.basic_suite());
      n = ReadMaskOutline(suites, &in_data_, mask, points_.data());
    }
    host_.streams().DisposeMaskRef(mask);
    return n;
  }
  int Flatten(const SimOutline& outline, std::uint32_t start) {
    path_ = OutlineLeaf("ADBE Vector Shape", "Path", outline);
    return Flatten(start);
  }
  int Flatten(std::uint32_t start) {
    points_.assign(2 * MAX_SLOT_POINTS, -7.0f);
    SuiteHandler suites(host_.basic_suite());
    ScopedStreamRef ref(suites);
    *ref.out() = host_.streams().NewStreamRef(&path_, &layer_);
    return FlattenPathOutline(suites, ref.get(), &in_data_, points_.data(), start);
  }
  int Untouched() const {
    int n = 0;
    for (float v : points_) n += v == -7.0f;
    return n;
  }

  std::vector<float> points_;
  SimStreamNode path_;
};

TEST_F(MaskOutlineTest, SamplesPerSegmentFollowTheSegmentCount) {
  struct Row {
    int segments;
    int points;
  };
  for (const Row& r : {Row{4, 256}, Row{8, 504}, Row{2, 128}, Row{1, 0}}) {
    EXPECT_EQ(ReadMask(RegularOutline(r.segments)), r.points) << r.segments;
    if (r.points > 0) {
      EXPECT_EQ(Untouched(), 2 * (MAX_SLOT_POINTS - r.points)) << r.segments;
    }
  }
  ExpectAllReadsAtFrameTime();
}

TEST_F(MaskOutlineTest, ThreeHundredSegmentMaskKeepsTheFirst256Segments) {
  const SimOutline outline = RegularOutline(300);
  ASSERT_EQ(ReadMask(outline), 512);
  // Two samples per segment: point 2i is vertex i, exactly.
  for (int i : {0, 1, 128, 255}) {
    EXPECT_EQ(points_[4 * i], static_cast<float>(outline.vertices[i].x)) << i;
    EXPECT_EQ(points_[4 * i + 1], static_cast<float>(outline.vertices[i].y)) << i;
  }
  // The last written point is the midpoint of segment 255, not beyond.
  const float mid_x = 0.5f * (static_cast<float>(outline.vertices[255].x) +
                              static_cast<float>(outline.vertices[256].x));
  EXPECT_NEAR(points_[2 * 511], mid_x, 1e-3);
}

// With both tangents zero the control points sit on the vertices, so the
// samples run along the segment from its start vertex, in order, bunched
// towards the ends (x = 64 (3t^2 - 2t^3)), not evenly spaced.
TEST_F(MaskOutlineTest, StraightSegmentGivesPointsAlongItStartingAtItsVertex) {
  ASSERT_EQ(ReadMask(PolygonOutline({{0, 0}, {64, 0}, {64, 64}, {0, 64}})), 256);
  EXPECT_EQ(points_[0], 0.0f);
  for (int k = 1; k < 64; ++k) {
    const double t = k / 64.0;
    EXPECT_GT(points_[2 * k], points_[2 * (k - 1)]) << k;
    EXPECT_NEAR(points_[2 * k], 64.0 * (3 * t * t - 2 * t * t * t), 1e-4) << k;
    EXPECT_EQ(points_[2 * k + 1], 0.0f) << k;
  }
  EXPECT_EQ(points_[2 * 32], 32.0f);
  EXPECT_EQ(points_[2 * 64], 64.0f);
}

TEST_F(MaskOutlineTest, CubicSamplesAreTheFloatBernsteinSum) {
  // One curved segment out of two, with tangents; t = 1/4 checked by hand:
  // u = 3/4, weights 27/64, 27/64, 9/64, 1/64 (exact in float).
  SimOutline o;
  o.vertices = {AEGP_MaskVertex{0, 0, 0, 0, 64, 0}, AEGP_MaskVertex{64, 64, 0, -64, 0, 0}};
  ASSERT_EQ(ReadMask(o), 128);
  // P0 (0,0) P1 (64,0) P2 (64,0) P3 (64,64); at k = 16 of 64: t = 0.25.
  EXPECT_EQ(points_[2 * 16], 27.0f / 64.0f * 64.0f + 9.0f / 64.0f * 64.0f + 1.0f / 64.0f * 64.0f);
  EXPECT_EQ(points_[2 * 16 + 1], 1.0f / 64.0f * 64.0f);
}

// Every sample of a curved outline, to the bit, against the float sum
// with its products grouped as u*u*u, u*3*u*t, u*3*t*t, t*t*t, and the
// control points rounded to float after being formed in double. Eight
// segments give n = 63, so t = k / 63 is inexact and the grouping of the
// weights matters; the same sum in double, or grouped otherwise, lands
// elsewhere on some samples, so the check tells them apart.
TEST_F(MaskOutlineTest, CurvedSamplesMatchTheFloatFormulaBitForBit) {
  SimOutline o;
  for (int i = 0; i < 8; ++i) {
    const double a = 0.785 * i;
    o.vertices.push_back(AEGP_MaskVertex{100.3 + 60.7 * std::cos(a), 80.9 + 45.1 * std::sin(a),
                                         -13.1 * std::sin(a + 0.3), 11.9 * std::cos(a),
                                         17.3 * std::sin(a), -9.2 * std::cos(a + 0.2)});
  }
  constexpr int N = 63;
  ASSERT_EQ(ReadMask(o), 8 * N);
  int differs_in_double = 0;
  int differs_regrouped = 0;
  for (int seg = 0; seg < 8; ++seg) {
    const AEGP_MaskVertex& a = o.vertices[static_cast<std::size_t>(seg)];
    const AEGP_MaskVertex& b = o.vertices[static_cast<std::size_t>((seg + 1) % 8)];
    const float p0[2] = {static_cast<float>(a.x), static_cast<float>(a.y)};
    const float p1[2] = {static_cast<float>(a.x + a.tan_out_x), static_cast<float>(a.y + a.tan_out_y)};
    const float p3[2] = {static_cast<float>(b.x), static_cast<float>(b.y)};
    const float p2[2] = {static_cast<float>(b.x + b.tan_in_x), static_cast<float>(b.y + b.tan_in_y)};
    for (int k = 0; k < N; ++k) {
      const float t = static_cast<float>(k) / static_cast<float>(N);
      const float u = 1.0f - t;
      for (int c = 0; c < 2; ++c) {
        const float expected = u * u * u * p0[c] + (u * 3.0f * u * t) * p1[c] + (u * 3.0f * t * t) * p2[c] +
                               t * t * t * p3[c];
        const float got = points_[static_cast<std::size_t>(2 * (N * seg + k) + c)];
        EXPECT_EQ(got, expected) << seg << " " << k << " " << c;
        const double td = static_cast<double>(k) / N;
        const double ud = 1.0 - td;
        const float in_double = static_cast<float>(ud * ud * ud * p0[c] + ud * 3.0 * ud * td * p1[c] +
                                                   ud * 3.0 * td * td * p2[c] + td * td * td * p3[c]);
        differs_in_double += in_double != got;
        const float regrouped = u * u * u * p0[c] + (u * u * 3.0f * t) * p1[c] + (u * 3.0f * (t * t)) * p2[c] +
                                t * t * t * p3[c];
        differs_regrouped += regrouped != got;
      }
    }
  }
  EXPECT_GT(differs_in_double, 0);
  EXPECT_GT(differs_regrouped, 0);
}

TEST_F(MaskOutlineTest, OpenMaskIsFlattenedButOpenPathGivesNothing) {
  EXPECT_EQ(ReadMask(RegularOutline(5, /*open=*/true)), 4 * 64);
  EXPECT_EQ(Flatten(RegularOutline(5, /*open=*/true), 0), 0);
  EXPECT_EQ(Untouched(), 2 * MAX_SLOT_POINTS);
}

TEST_F(MaskOutlineTest, PathFlattensFromItsStartIndex) {
  ASSERT_EQ(Flatten(RegularOutline(4), 256), 252);  // n = (511 - 256) / 4 = 63
  EXPECT_EQ(points_[2 * 256], static_cast<float>(RegularOutline(4).vertices[0].x));
  EXPECT_NE(points_[2 * 507], -7.0f);
  EXPECT_EQ(points_[2 * 508], -7.0f);
  EXPECT_EQ(points_[2 * 255], -7.0f);
  EXPECT_EQ(Flatten(RegularOutline(4), 510), 0);
  EXPECT_EQ(Untouched(), 2 * MAX_SLOT_POINTS);
  EXPECT_EQ(Flatten(RegularOutline(4), 4000), 0);
  EXPECT_EQ(Flatten(RegularOutline(1), 0), 0);
}

TEST_F(MaskOutlineTest, AnyFailureGivesZeroAndReleasesEverything) {
  struct Case {
    const char* what;
    void (*apply)(SimMask& m);
  };
  const Case cases[] = {
      {"stream fails", [](SimMask& m) { m.outline.faults.fail_ref = true; }},
      {"stream null", [](SimMask& m) { m.outline.faults.null_ref = true; }},
      {"value fails", [](SimMask& m) { m.outline.faults.fail_value = true; }},
      {"no outline", [](SimMask& m) { m.outline.faults.no_outline = true; }},
      {"segments fail", [](SimMask& m) { m.outline.outline.fail_segments = true; }},
      {"vertex fails", [](SimMask& m) { m.outline.outline.fail_vertex = 2; }},
      {"vertex not finite", [](SimMask& m) { m.outline.outline.vertices[1].tan_out_y = NAN; }},
  };
  for (const Case& c : cases) {
    layer_.masks.assign(1, SimMask{});
    layer_.masks[0].outline.outline = RegularOutline(4);
    c.apply(layer_.masks[0]);
    EXPECT_EQ(ReadMask(), 0) << c.what;
    EXPECT_EQ(host_.streams().LiveStreamRefs(), 0) << c.what;
    EXPECT_EQ(host_.streams().LiveValues(), 0) << c.what;
  }
  // The same for a path, whose stream stays the caller's.
  path_ = OutlineLeaf("ADBE Vector Shape", "Path", RegularOutline(4));
  path_.outline.fail_open = true;
  EXPECT_EQ(Flatten(0), 0);
  path_.outline.fail_open = false;
  path_.outline.vertices[3].x = INFINITY;
  EXPECT_EQ(Flatten(0), 0);
  EXPECT_EQ(host_.streams().LiveValues(), 0);
}

}  // namespace
