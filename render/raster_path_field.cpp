// Free paths on the padded supersampled grid: fill on the calling thread,
// every plane pass through ParallelFor. Distances end in output pixels,
// positive inside.
#include "render/raster_path_field.h"

#include <algorithm>
#include <vector>

#include "render/allocation_seam.h"
#include "render/distance_field_builders.h"
#include "render/downsample_distance.h"
#include "render/no_pane_fill.h"
#include "render/outline_fill.h"
#include "render/parallel_for.h"
#include "render/place_cropped_planes.h"
#include "render/plane_filters.h"
#include "render/shape_distance_field.h"
#include "render/supersample_factor.h"

namespace {

constexpr std::int32_t PATHS_SUPERSAMPLE = 2;

// The slot's points in grid pixels: scaled by the layer's scale, turned by
// the slot's own rotation, moved to its centre in the padded frame.
struct PathPlacement {
  float sx, sy, cl, sl, anchor_x, anchor_y, position_x, position_y, left, top;
};

PathPlacement PlacementOf(const PrimitiveFrame& f) {
  PathPlacement p;
  p.sx = static_cast<float>(std::max(0.01, f.scale_x_pct / 100.0));
  p.sy = static_cast<float>(std::max(0.01, f.scale_y_pct / 100.0));
  p.cl = static_cast<float>(f.rotation_cos);
  p.sl = static_cast<float>(f.rotation_sin);
  p.anchor_x = static_cast<float>(f.anchor_x);
  p.anchor_y = static_cast<float>(f.anchor_y);
  p.position_x = static_cast<float>(f.position_x);
  p.position_y = static_cast<float>(f.position_y);
  p.left = static_cast<float>(f.request_left);
  p.top = static_cast<float>(f.request_top);
  return p;
}

void GridPoints(const ShapeSlot& slot, std::int32_t count, const PathPlacement& p, float s, float* out) {
  const float margin = static_cast<float>(PATH_MARGIN_PX);
  const float dx = (static_cast<float>(slot.center_x) - p.anchor_x) * p.sx;
  const float dy = (static_cast<float>(slot.center_y) - p.anchor_y) * p.sy;
  const float cx = dx * p.cl - dy * p.sl + p.position_x - p.left - 0.5f + margin;
  const float cy = dx * p.sl + dy * p.cl + p.position_y - p.top - 0.5f + margin;
  const float rc = static_cast<float>(slot.rot_cos);
  const float rs = static_cast<float>(slot.rot_sin);
  // Frame x (pixel centres at whole numbers) lands on grid (x + 0.5) s, so
  // padded pixel x is the grid block centred on it, as on the analytic road.
  for (std::int32_t j = 0; j < count; ++j) {
    const float vx = slot.points[2 * j];
    const float vy = slot.points[2 * j + 1];
    out[2 * j] = (rc * vx * p.sx - rs * vy * p.sy + cx + 0.5f) * s;
    out[2 * j + 1] = (rs * vx * p.sx + rc * vy * p.sy + cy + 0.5f) * s;
  }
}

}  // namespace

bool RasterPathField(const ShapeSlot* slots, std::int32_t shape_count, std::uint32_t merge_mode,
                     const PrimitiveFrame& frame, FloatPlane& pane_depth, FloatPlane& pane_distance,
                     FloatPlane* pane_height, RasterFieldPlanes& planes) {
  planes.Free();
  const std::int32_t w = pane_depth.width;
  const std::int32_t h = pane_depth.height;
  const std::int32_t s = ChooseSupersample(w, h, PATHS_SUPERSAMPLE);
  const std::int32_t padded_w = w + 2 * PATH_MARGIN_PX;
  const std::int32_t padded_h = h + 2 * PATH_MARGIN_PX;
  const std::int32_t grid_w = padded_w * s;
  const std::int32_t grid_h = padded_h * s;
  const std::uint64_t grid_n = static_cast<std::uint64_t>(grid_w) * static_cast<std::uint64_t>(grid_h);

  std::unique_ptr<std::uint8_t[]> mask = TryAllocateArray<std::uint8_t>(grid_n > 0 ? grid_n : 1);
  if (mask == nullptr) return false;
  FloatPlane work_depth, work_distance;
  ZeroedFloatPlane coverage;
  if (!AllocateFloatPlane(work_depth, grid_w, grid_h) || !AllocateFloatPlane(work_distance, grid_w, grid_h)) {
    return false;
  }
  // Without the float raster the paths go into the mask, one sample per
  // grid pixel. With it nothing reads the mask, which is then left as it
  // came.
  // The paths add into the raster they are given, so it starts out zero.
  if (!AllocateZeroedFloatPlane(coverage, grid_w, grid_h)) std::fill_n(mask.get(), grid_n, std::uint8_t{0});

  const PathPlacement placement = PlacementOf(frame);
  const FillRule rule = merge_mode == MERGE_SUBTRACT ? FillRule::EVEN_ODD : FillRule::NONZERO;
  OutlineRaster raster;
  raster.coverage = coverage.Empty() ? nullptr : coverage.data.get();
  raster.mask = mask.get();
  raster.width = grid_w;
  raster.height = grid_h;
  raster.subscanlines = SPAN_SUBSCANLINES;
  std::vector<Crossing> crossings;
  std::vector<float> points(2 * MAX_SLOT_POINTS);
  const std::int32_t count = std::min(shape_count, MAX_SHAPE_SLOTS);
  for (std::int32_t i = 0; i < count; ++i) {
    const ShapeSlot& slot = slots[i];
    const std::int32_t n = static_cast<std::int32_t>(std::min<std::uint32_t>(slot.point_count, MAX_SLOT_POINTS));
    if (slot.kind != SHAPE_PATH || n < 3) continue;
    GridPoints(slot, n, placement, static_cast<float>(s), points.data());
    FillOutline(points.data(), n, SubpathLayout{slot.subpath_start, slot.subpath_count}, rule, raster, crossings);
  }

  if (!coverage.Empty()) {
    ParallelFor(grid_h, Box3Rows{grid_w, coverage.data.get(), work_depth.data.get()});
    ParallelFor(grid_h, Box3Columns{grid_w, grid_h, work_depth.data.get(), coverage.data.get()});
    DistanceFieldFromCoverage(coverage.data.get(), grid_w, grid_h, work_depth.data.get(), work_distance.data.get());
  } else {
    DistanceFieldFromMask8(mask.get(), grid_w, grid_h, work_depth.data.get(), work_distance.data.get());
  }

  FloatPlane smooth_field, gradient_x, gradient_y;
  if (!AllocateFloatPlane(smooth_field, padded_w, padded_h) || !AllocateFloatPlane(gradient_x, padded_w, padded_h) ||
      !AllocateFloatPlane(gradient_y, padded_w, padded_h)) {
    FillNoPaneField(pane_depth, pane_distance, pane_height);
    return true;
  }
  // The gradient planes are not cleared: they are handed on only after the
  // central difference has written every element of both, and dropped
  // otherwise.

  DownsampleDistance downsample;
  downsample.supersample = s;
  downsample.distance = work_distance.data.get();
  downsample.grid_width = grid_w;
  downsample.coverage = coverage.Empty() ? nullptr : coverage.data.get();
  downsample.mask = coverage.Empty() ? mask.get() : nullptr;
  downsample.scale = 1.0f / static_cast<float>(s * s);
  downsample.width = padded_w;
  downsample.dest = smooth_field.data.get();
  downsample.dest_row_length = padded_w;
  ParallelFor(padded_h, downsample);

  float* height_plane = pane_height != nullptr && !pane_height->Empty() ? pane_height->data.get() : nullptr;
  ParallelFor(h, PlaceCroppedPlanes{w, smooth_field.data.get(), PATH_MARGIN_PX, padded_w, pane_depth.data.get(),
                                    pane_distance.data.get(), height_plane});

  mask.reset();
  work_depth = FloatPlane();
  work_distance = FloatPlane();
  coverage = ZeroedFloatPlane();

  FloatPlane scratch_a, scratch_b;
  if (!AllocateFloatPlane(scratch_a, padded_w, padded_h) || !AllocateFloatPlane(scratch_b, padded_w, padded_h)) {
    // The pane planes stand; the rim light takes its slope from them.
    return true;
  }
  const std::int32_t radius = PATH_GRADIENT_BLUR_RADIUS;
  ParallelFor(padded_h, BoxBlurRows{padded_w, radius, smooth_field.data.get(), scratch_b.data.get()});
  ParallelFor(padded_h, BoxBlurColumns{padded_w, radius, padded_h, scratch_b.data.get(), scratch_a.data.get()});
  ParallelFor(padded_h,
              CentralGradient{padded_w, padded_h, scratch_a.data.get(), gradient_x.data.get(), gradient_y.data.get()});

  planes.smooth_field = std::move(smooth_field);
  planes.gradient_x = std::move(gradient_x);
  planes.gradient_y = std::move(gradient_y);
  planes.row_length = padded_w;
  planes.margin = PATH_MARGIN_PX;
  return true;
}
