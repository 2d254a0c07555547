#include "render/render_settings.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RenderSettingsTest, ScalesSlotsAndTransformByTheDownsample) {
  std::vector<std::uint8_t> record(MATTE_RASTER_OFFSET, 0);
  auto* data = reinterpret_cast<PreRenderData*>(record.data());
  data->header.is_adjustment_layer = 1;
  data->header.downsample_x = 0.5;
  data->header.downsample_y = 0.25;
  data->header.anchor_x = 10;
  data->header.anchor_y = 20;
  data->header.position_x = 100;
  data->header.position_y = 200;
  data->header.shape_count = 2;
  data->slots[0].center_x = 8;
  data->slots[0].center_y = 8;
  data->slots[0].size_x = 40;
  data->slots[0].size_y = 40;
  data->slots[0].corner_radius = 4;
  data->slots[0].outer_radius = 12;
  data->slots[0].inner_radius = 6;
  data->slots[0].outer_roundness = 30;
  data->slots[1].kind = SHAPE_PATH;
  data->slots[1].point_count = 3;
  data->slots[1].points[0] = 4;
  data->slots[1].points[1] = 8;
  RenderSettings s;
  ReadRenderSettings(record.data(), s);
  EXPECT_TRUE(s.record_read);
  EXPECT_DOUBLE_EQ(s.anchor_x, 5);
  EXPECT_DOUBLE_EQ(s.anchor_y, 5);
  EXPECT_DOUBLE_EQ(s.position_x, 50);
  EXPECT_DOUBLE_EQ(s.position_y, 50);
  EXPECT_DOUBLE_EQ(s.slots[0].center_x, 4);
  EXPECT_DOUBLE_EQ(s.slots[0].center_y, 2);
  EXPECT_DOUBLE_EQ(s.slots[0].size_x, 20);
  EXPECT_DOUBLE_EQ(s.slots[0].size_y, 10);
  EXPECT_DOUBLE_EQ(s.slots[0].corner_radius, 2);
  // Radii go with x; roundness is a percentage and stays.
  EXPECT_DOUBLE_EQ(s.slots[0].outer_radius, 6);
  EXPECT_DOUBLE_EQ(s.slots[0].inner_radius, 3);
  EXPECT_DOUBLE_EQ(s.slots[0].outer_roundness, 30);
  EXPECT_FLOAT_EQ(s.slots[1].points[0], 2);
  EXPECT_FLOAT_EQ(s.slots[1].points[1], 2);
  // The record itself is left alone.
  EXPECT_FLOAT_EQ(data->slots[1].points[0], 4);
}

TEST(RenderSettingsTest, ZeroOrNegativeDownsampleCountsAsOne) {
  std::vector<std::uint8_t> record(MATTE_RASTER_OFFSET, 0);
  auto* data = reinterpret_cast<PreRenderData*>(record.data());
  data->header.downsample_x = 0;
  data->header.downsample_y = -2;
  data->header.anchor_x = 7;
  RenderSettings s;
  ReadRenderSettings(record.data(), s);
  EXPECT_DOUBLE_EQ(s.downsample_x, 1);
  EXPECT_DOUBLE_EQ(s.downsample_y, 1);
  EXPECT_DOUBLE_EQ(s.anchor_x, 7);
}

TEST(RenderSettingsTest, OnlyUsedSlotsAreCopiedAndCountsAreBounded) {
  std::vector<std::uint8_t> record(MATTE_RASTER_OFFSET, 0);
  auto* data = reinterpret_cast<PreRenderData*>(record.data());
  data->header.downsample_x = 1;
  data->header.downsample_y = 1;
  data->header.shape_count = 1;
  data->slots[0].point_count = 100000;  // damaged
  data->slots[1].center_x = 99;         // unused slot
  RenderSettings s;
  ReadRenderSettings(record.data(), s);
  EXPECT_EQ(s.slots[0].point_count, static_cast<std::uint32_t>(MAX_SLOT_POINTS));
  EXPECT_DOUBLE_EQ(s.slots[1].center_x, 0);
}

}  // namespace
