// A host fixture for the stream readers: a PF_InData at a fixed frame time
// whose basic suite is the simulated host's, and a layer to read.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "geometry/pre_render_data.h"
#include "host/pf_in_data.h"
#include "hostsim/layer_ref.h"
#include "hostsim/shape_contents_builder.h"
#include "support/host_fixture.h"

class StreamReaderTest : public HostTest {
 protected:
  StreamReaderTest() {
    std::memset(&in_data_, 0, sizeof(in_data_));
    in_data_.pica_basicP = host_.basic_suite();
    in_data_.current_time = 48;
    in_data_.time_scale = 24;
    in_data_.width = 640;
    in_data_.height = 480;
  }

  // Every value the readers took was read in layer time at the frame's
  // time, expressions applied, by plug-in id 0.
  void ExpectAllReadsAtFrameTime() {
    for (const auto& r : host_.streams().ReadLog()) {
      EXPECT_EQ(r.time_mode, AEGP_LTimeMode_LayerTime) << r.match_name;
      EXPECT_EQ(r.time.value, 48) << r.match_name;
      EXPECT_EQ(r.time.scale, 24u) << r.match_name;
      EXPECT_EQ(r.pre_expression, 0) << r.match_name;
      EXPECT_EQ(r.plugin_id, 0) << r.match_name;
    }
  }

  static bool SlotIsFinite(const ShapeSlot& s) {
    const double d[] = {s.rotation_deg,    s.rot_cos,  s.rot_sin,  s.outer_radius, s.inner_radius,
                        s.outer_roundness, s.inner_roundness, s.center_x, s.center_y, s.size_x,
                        s.size_y,          s.corner_radius};
    for (double v : d) {
      if (!std::isfinite(v)) return false;
    }
    for (float v : s.points) {
      if (!std::isfinite(v)) return false;
    }
    return true;
  }

  PF_InData in_data_;
  hostsim::SimLayer layer_;
};
