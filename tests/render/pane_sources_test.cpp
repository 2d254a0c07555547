#include "render/pane_sources.h"

#include <gtest/gtest.h>

#include "host/aegp_types.h"

namespace {

RenderSettings Adjustment(std::uint32_t shape_count, std::uint32_t kind, std::uint32_t merge_mode) {
  RenderSettings s;
  s.record_read = true;
  s.is_adjustment_layer = 1;
  s.shape_count = shape_count;
  s.merge_mode = merge_mode;
  for (std::uint32_t i = 0; i < shape_count && i < 8; ++i) s.slots[i].kind = kind;
  return s;
}

TEST(PaneSourcesTest, TextIsDecidedFirst) {
  RenderSettings s = Adjustment(0, SHAPE_BOX, 0);
  s.matte_valid = 1;
  s.matte_width = 10;
  s.matte_height = 10;
  const PaneSources f = DecidePaneSources(s, AEGP_ObjectType_TEXT);
  EXPECT_TRUE(f.text_source);
  EXPECT_FALSE(f.matte_source);
  EXPECT_TRUE(f.raster_source);
  // Not a text layer: the matte is used and the mask flag dropped.
  RenderSettings m = Adjustment(0, SHAPE_BOX, 0);
  m.matte_valid = 1;
  m.matte_width = 10;
  m.matte_height = 10;
  m.slots_are_masks = 1;
  const PaneSources g = DecidePaneSources(m, AEGP_ObjectType_AV);
  EXPECT_TRUE(g.matte_source);
  EXPECT_EQ(m.slots_are_masks, 0u);
  EXPECT_FALSE(g.shapes_supersampled);
}

TEST(PaneSourcesTest, PathRoadsByMergeMode) {
  struct Case {
    std::uint32_t kind, merge;
    std::uint32_t vector_layer;
    bool path_source, shapes_supersampled;
  };
  const Case cases[] = {
      {SHAPE_PATH, 3, 1, true, false},   // subtract of paths on a shape layer: raster path road
      {SHAPE_PATH, 4, 1, false, false},  // intersect: analytic road
      {SHAPE_PATH, 2, 1, true, true},
      {SHAPE_PATH, 2, 0, false, true},   // not a vector layer: scanline road
      {SHAPE_BOX, 1, 1, false, false},   // analytic
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.merge);
    RenderSettings s = Adjustment(2, c.kind, c.merge);
    s.is_vector_layer = c.vector_layer;
    const PaneSources f = DecidePaneSources(s, AEGP_ObjectType_VECTOR);
    EXPECT_EQ(f.path_source, c.path_source);
    EXPECT_EQ(f.shapes_supersampled, c.shapes_supersampled);
  }
}

TEST(PaneSourcesTest, MasksTakeTheScanlineRoad) {
  RenderSettings s = Adjustment(1, SHAPE_PATH, 1);
  s.slots_are_masks = 1;
  const PaneSources f = DecidePaneSources(s, AEGP_ObjectType_AV);
  EXPECT_FALSE(f.raster_source);
  EXPECT_TRUE(f.shapes_supersampled);
  EXPECT_FALSE(f.paths_supersampled);
}

TEST(PaneSourcesTest, MatteNeedsARecordAndSizesThatArePositiveAsSigned) {
  struct Case {
    bool record_read;
    std::uint32_t valid, width, height;
    bool matte_source;
  };
  const Case cases[] = {
      {true, 1, 10, 10, true},
      {false, 1, 10, 10, false},
      {true, 0, 10, 10, false},
      {true, 1, 0, 10, false},
      {true, 1, 10, 0, false},
      {true, 1, 0x80000000u, 10, false},  // negative as a signed count
      {true, 1, 10, 0xFFFFFFFFu, false},
  };
  for (const Case& c : cases) {
    // Merge mode 4 keeps the paths themselves off the scanline road.
    RenderSettings s = Adjustment(1, SHAPE_PATH, 4);
    s.slots_are_masks = 1;
    s.record_read = c.record_read;
    s.matte_valid = c.valid;
    s.matte_width = c.width;
    s.matte_height = c.height;
    const PaneSources f = DecidePaneSources(s, AEGP_ObjectType_AV);
    EXPECT_EQ(f.matte_source, c.matte_source) << c.record_read << " " << c.width << " " << c.height;
    EXPECT_EQ(f.raster_source, c.matte_source);
    // Masks stay masks, and take the scanline road, unless the matte wins.
    EXPECT_EQ(s.slots_are_masks, c.matte_source ? 0u : 1u);
    EXPECT_EQ(f.shapes_supersampled, !c.matte_source);
  }
}

TEST(PaneSourcesTest, PathFlagsNeedEverySlotAPathAndMergeModesCompareUnsigned) {
  struct Case {
    std::uint32_t merge;
    bool box_in_slot_1;
    std::uint32_t masks;
    bool path_source, shapes_supersampled, paths_supersampled;
  };
  const Case cases[] = {
      {1, false, 0, true, true, true},
      {3, false, 0, true, false, false},
      {0xFFFFFFFFu, false, 0, false, false, false},  // not -1
      {1, true, 0, false, false, false},             // one box among the paths
      {1, false, 1, false, true, false},             // masks
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.merge << " " << c.box_in_slot_1 << " " << c.masks);
    RenderSettings s = Adjustment(3, SHAPE_PATH, c.merge);
    s.is_vector_layer = 1;
    s.slots_are_masks = c.masks;
    if (c.box_in_slot_1) s.slots[1].kind = SHAPE_BOX;
    const PaneSources f = DecidePaneSources(s, AEGP_ObjectType_VECTOR);
    EXPECT_EQ(f.path_source, c.path_source);
    EXPECT_EQ(f.raster_source, c.path_source);
    EXPECT_EQ(f.shapes_supersampled, c.shapes_supersampled);
    EXPECT_EQ(f.paths_supersampled, c.paths_supersampled);
  }
}

// The matte sizes are tested as signed values, the merge mode as unsigned.
TEST(PaneSourcesTest, SignedMatteSizesAndUnsignedMergeMode) {
  RenderSettings m = Adjustment(0, SHAPE_BOX, 0);
  m.matte_valid = 1;
  m.matte_width = 0x80000000u;
  m.matte_height = 10;
  EXPECT_FALSE(DecidePaneSources(m, AEGP_ObjectType_AV).matte_source);
  m.matte_width = 10;
  m.matte_height = 0xFFFFFFFFu;
  EXPECT_FALSE(DecidePaneSources(m, AEGP_ObjectType_AV).matte_source);
  m.matte_height = 1;
  EXPECT_TRUE(DecidePaneSources(m, AEGP_ObjectType_AV).matte_source);
  m.record_read = false;
  EXPECT_FALSE(DecidePaneSources(m, AEGP_ObjectType_AV).matte_source);

  RenderSettings p = Adjustment(2, SHAPE_PATH, 0xFFFFFFFFu);
  p.is_vector_layer = 1;
  const PaneSources f = DecidePaneSources(p, AEGP_ObjectType_VECTOR);
  EXPECT_FALSE(f.path_source);
  EXPECT_FALSE(f.shapes_supersampled);
  EXPECT_FALSE(f.paths_supersampled);
}

// Text needs an empty slot list; a mixed slot list is no path road.
TEST(PaneSourcesTest, TextNeedsNoSlotsAndPathsNeedEverySlot) {
  RenderSettings t = Adjustment(1, SHAPE_BOX, 0);
  EXPECT_FALSE(DecidePaneSources(t, AEGP_ObjectType_TEXT).text_source);
  RenderSettings p = Adjustment(2, SHAPE_PATH, 1);
  p.is_vector_layer = 1;
  p.slots[1].kind = SHAPE_ELLIPSE;
  const PaneSources f = DecidePaneSources(p, AEGP_ObjectType_VECTOR);
  EXPECT_FALSE(f.path_source || f.shapes_supersampled || f.paths_supersampled || f.raster_source);
  p.slots[1].kind = SHAPE_PATH;
  const PaneSources g = DecidePaneSources(p, AEGP_ObjectType_VECTOR);
  EXPECT_TRUE(g.path_source && g.raster_source && g.shapes_supersampled && g.paths_supersampled);
}

TEST(PaneSourcesTest, NothingOnANonAdjustmentLayer) {
  RenderSettings s = Adjustment(0, SHAPE_BOX, 0);
  s.is_adjustment_layer = 0;
  const PaneSources f = DecidePaneSources(s, AEGP_ObjectType_TEXT);
  EXPECT_FALSE(f.text_source || f.matte_source || f.path_source || f.raster_source);
}

}  // namespace
