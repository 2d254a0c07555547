// Masks and path shapes on the supersampled grid of the output frame: the
// fill and the mask-mode combination run on the calling thread, the blur
// and the distance transform through ParallelFor, the downsample inline.
#include "render/supersampled_shapes_field.h"

#include <algorithm>
#include <vector>

#include "render/distance_field_builders.h"
#include "render/downsample_distance.h"
#include "render/mask_combine.h"
#include "render/no_pane_fill.h"
#include "render/outline_fill.h"
#include "render/parallel_for.h"
#include "render/plane_filters.h"
#include "render/supersample_factor.h"

namespace {

constexpr std::int32_t SHAPES_SUPERSAMPLE = 2;

// The primitive's vertices turned by its own rotation, moved to its centre
// and scaled to the grid. The frame has pixel centres at whole numbers and
// a grid pixel covers [i, i + 1), so frame x lands on grid (x + 0.5) s:
// output pixel x is then the block centred on frame x, where the analytic
// road evaluates it.
void GridPoints(const ShapePrimitive& p, float s, float* out) {
  for (std::int32_t j = 0; j < p.vertex_count; ++j) {
    const float vx = p.vertices[2 * j];
    const float vy = p.vertices[2 * j + 1];
    out[2 * j] = (vx * p.rot_cos - vy * p.rot_sin + p.center_x + 0.5f) * s;
    out[2 * j + 1] = (vx * p.rot_sin + vy * p.rot_cos + p.center_y + 0.5f) * s;
  }
}

void ClearWindow(float* plane, std::int32_t width, const GridWindow& window) {
  if (window.last_row < window.first_row || window.last_col < window.first_col) return;
  const std::int32_t columns = window.last_col - window.first_col + 1;
  for (std::int32_t y = window.first_row; y <= window.last_row; ++y) {
    std::fill_n(plane + static_cast<std::int64_t>(y) * width + window.first_col, columns, 0.0f);
  }
}

}  // namespace

void SupersampledShapesField(const ShapeSlot* slots, std::int32_t shape_count, const ShapePrimitive* primitives,
                             std::int32_t primitive_count, FloatPlane& pane_depth, FloatPlane& pane_distance,
                             FloatPlane* pane_height) {
  const std::int32_t w = pane_depth.width;
  const std::int32_t h = pane_depth.height;
  const std::int32_t s = ChooseSupersample(w, h, SHAPES_SUPERSAMPLE);
  const std::int32_t grid_w = s * w;
  const std::int32_t grid_h = s * h;
  FloatPlane work_distance, work_depth, shape_coverage;
  // The shapes are combined into it from zero.
  ZeroedFloatPlane coverage;
  if (!AllocateZeroedFloatPlane(coverage, grid_w, grid_h) || !AllocateFloatPlane(work_distance, grid_w, grid_h) ||
      !AllocateFloatPlane(work_depth, grid_w, grid_h)) {
    FillNoPaneField(pane_depth, pane_distance, pane_height);
    return;
  }
  // Without a coverage of its own each shape adds straight into the shared
  // one, with neither inversion nor mask mode.
  const bool per_shape = AllocateFloatPlane(shape_coverage, grid_w, grid_h);

  std::vector<Crossing> crossings;
  std::vector<float> points(2 * MAX_SLOT_POINTS);
  bool first = true;
  const std::int32_t count = std::min(primitive_count, std::min(shape_count, MAX_SHAPE_SLOTS));
  for (std::int32_t i = 0; i < count; ++i) {
    const ShapePrimitive& p = primitives[i];
    if (p.kind != SHAPE_PATH || p.vertex_count < 3 || p.vertices == nullptr) continue;
    const std::int32_t vertex_count = std::min(p.vertex_count, MAX_SLOT_POINTS);
    ShapePrimitive clipped = p;
    clipped.vertex_count = vertex_count;
    GridPoints(clipped, static_cast<float>(s), points.data());
    float* target = per_shape ? shape_coverage.data.get() : coverage.data.get();
    // The shape's own coverage is cleared, filled and read only where its
    // outline can reach; everywhere else it counts as 0.
    const GridWindow window = OutlineWindow(points.data(), vertex_count, grid_w, grid_h);
    if (per_shape) ClearWindow(target, grid_w, window);
    OutlineRaster raster;
    raster.coverage = target;
    raster.width = grid_w;
    raster.height = grid_h;
    raster.subscanlines = 1;
    FillOutline(points.data(), vertex_count, SubpathLayout{slots[i].subpath_start, slots[i].subpath_count},
                FillRule::NONZERO, raster, crossings);
    if (per_shape) {
      CombineMaskCoverageInWindow(coverage.data.get(), target, grid_w, grid_h, window, slots[i].mask_inverted != 0,
                                  slots[i].mask_mode, first);
    }
    first = false;
  }
  // The per-shape coverage is done with, and the blur's scratch and the
  // depth the transform writes are read by nobody after it: they go into
  // the per-shape plane, whose pages the fill has partly touched already,
  // so the depth work plane's own pages are never faulted in. It is still
  // allocated with the others, so a frame that cannot have it fails as it
  // always did.
  float* depth_scratch = per_shape ? shape_coverage.data.get() : work_depth.data.get();
  ParallelFor(grid_h, Box3Rows{grid_w, coverage.data.get(), depth_scratch});
  ParallelFor(grid_h, Box3Columns{grid_w, grid_h, depth_scratch, coverage.data.get()});
  DistanceFieldFromCoverage(coverage.data.get(), grid_w, grid_h, depth_scratch, work_distance.data.get());
  shape_coverage = FloatPlane();
  work_depth = FloatPlane();

  DownsampleDistance downsample;
  downsample.supersample = s;
  downsample.distance = work_distance.data.get();
  downsample.grid_width = grid_w;
  downsample.coverage = coverage.data.get();
  downsample.scale = 1.0f / static_cast<float>(s * s);
  downsample.width = w;
  downsample.pane_depth = pane_depth.data.get();
  downsample.pane_distance = pane_distance.data.get();
  downsample.pane_height = pane_height != nullptr && !pane_height->Empty() ? pane_height->data.get() : nullptr;
  // On this thread: the shapes road brings its field back inline.
  downsample(0, h);
}
