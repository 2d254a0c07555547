// Reader of a shape layer's contents into pane slots: walks the layer's
// property tree, turns the first shape item of each top-level group into a
// ShapeSlot (box, ellipse, polygon, star, or a free path of up to 8
// sub-paths and 512 points), carries centres through the transforms of the
// groups that hold them, and finds the "Merge Paths" mode. Lengths are in
// the shape layer's pixels as the host reports its streams, angles in
// degrees, scales in percent; path points are relative to the group's
// anchor and scaled by the group's scale.
#pragma once
#include <cstdint>

#include "geometry/pre_render_data.h"
#include "host/aegp_types.h"
#include "host/pf_in_data.h"
#include "shell/suite_handler.h"

// Groups below this depth of a search are not looked into.
constexpr int SHAPE_SEARCH_MAX_DEPTH = 8;
constexpr int MERGE_SEARCH_MAX_DEPTH = 6;
// A slot stops taking sub-paths once its point total passes this.
constexpr std::uint32_t PATH_POINT_TOTAL_LIMIT = 509;

// What the reader learns about one shape item and the group transforms on
// its way out to the top-level group.
struct PrimitiveReading {
  std::uint32_t polystar_points = 5;
  double rotation_deg = 0.0;
  double outer_radius = 0.0;
  double inner_radius = 0.0;
  double outer_roundness = 0.0;
  double inner_roundness = 0.0;
  double center_x = 0.0;
  double center_y = 0.0;
  // The nearest transform's anchor, as the walk meets it; the centre
  // already carries it, so a free path's points do not use it.
  double group_anchor_x = 0.0;
  double group_anchor_y = 0.0;
  double group_scale_x = 100.0;  // percent
  double group_scale_y = 100.0;
  bool scale_recorded = false;
};

// The transform of the contents' single group, applied to every slot after
// the walk.
struct OuterTransform {
  double position_x = 0.0;
  double position_y = 0.0;
  double anchor_x = 0.0;
  double anchor_y = 0.0;
  double scale_x = 100.0;  // percent
  double scale_y = 100.0;
  double rotation_deg = 0.0;
  bool present = false;
};

// The points of one free-path slot before they are stored.
struct PathPointBuffer {
  float points[MAX_SLOT_POINTS * 2];
  std::uint32_t subpath_start[MAX_SUBPATHS];
  std::uint32_t subpath_count;
  std::uint32_t point_total;
};

// Fills slots 0 to n - 1 (n at most max_slots) from the contents below the
// layer's root stream and returns n; writes 0 to *merge_mode first and the
// "Merge Paths" mode found later. The root stream stays the caller's.
int ReadShapeContents(SuiteHandler& suites, AEGP_StreamRefH layer_root, const PF_InData* in_data, ShapeSlot* slots,
                      int max_slots, std::uint32_t* merge_mode);

// The ShapeKind of the first shape item in `group` (searched depth-first),
// or -1; fills `reading`.
int ReadShapePrimitive(SuiteHandler& suites, AEGP_StreamRefH group, const PF_InData* in_data,
                       PrimitiveReading& reading, int depth);
// The first "Size" in the subtree.
bool ReadShapeSize(SuiteHandler& suites, AEGP_StreamRefH stream, const PF_InData* in_data, double* x, double* y,
                   int depth);
// The first "Roundness" or "Radius" in the subtree, -1.0 when there is none.
double ReadRectRoundness(SuiteHandler& suites, AEGP_StreamRefH stream, const PF_InData* in_data, int depth);
// Appends every closed path outline in the subtree as a sub-path.
void ReadVectorShapePath(SuiteHandler& suites, AEGP_StreamRefH stream, const PF_InData* in_data,
                         PathPointBuffer& buffer, int depth);
// The first "Merge Paths" "Mode" in the whole tree, 0 when there is none.
int ReadMergeMode(SuiteHandler& suites, AEGP_StreamRefH stream, const PF_InData* in_data, int depth);
