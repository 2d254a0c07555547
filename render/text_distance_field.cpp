// The text road of the pane field. Everything on the supersampled grid
// lives for this call; only the smooth field and its gradients are handed
// on, on the padded output grid.
#include "render/text_distance_field.h"

#include <algorithm>
#include <memory>

#include "geometry/text_outline_mask.h"
#include "render/distance_field_builders.h"
#include "render/downsample_distance.h"
#include "render/no_pane_fill.h"
#include "render/parallel_for.h"
#include "render/place_cropped_planes.h"
#include "render/allocation_seam.h"
#include "render/plane_filters.h"
#include "render/supersample_factor.h"

void TextDistanceField(const PF_InData* in_data, SuiteHandler& suites, const PF_LRect& request, double downsample_x,
                       double downsample_y, FloatPlane& pane_depth, FloatPlane& pane_distance,
                       FloatPlane* pane_height, RasterFieldPlanes& planes) {
  planes.Free();
  const std::int32_t w = pane_depth.width;
  const std::int32_t h = pane_depth.height;
  const std::int32_t s = ChooseSupersample(w, h, TEXT_SUPERSAMPLE);
  const std::int32_t padded_w = w + 2 * TEXT_MARGIN;
  const std::int32_t padded_h = h + 2 * TEXT_MARGIN;
  // In 64 bits: a grid too large for a plane just fails to allocate.
  const std::int64_t grid_w64 = static_cast<std::int64_t>(padded_w) * s;
  const std::int64_t grid_h64 = static_cast<std::int64_t>(padded_h) * s;
  if (grid_w64 > INT32_MAX || grid_h64 > INT32_MAX) {
    FillNoPaneField(pane_depth, pane_distance, pane_height);
    return;
  }
  const auto grid_w = static_cast<std::int32_t>(grid_w64);
  const auto grid_h = static_cast<std::int32_t>(grid_h64);

  // The outlines add their coverage into it, so it starts out zero.
  ZeroedFloatPlane coverage;
  AllocateZeroedFloatPlane(coverage, grid_w, grid_h);
  const ZeroedArray<std::uint8_t> mask(BuildTextOutlineMask(
      in_data, suites, request.left - TEXT_MARGIN, request.top - TEXT_MARGIN, grid_w, grid_h, downsample_x,
      downsample_y, s, coverage.Empty() ? nullptr : coverage.data.get()));
  FloatPlane ss_depth, ss_distance;
  if (mask == nullptr || !AllocateFloatPlane(ss_depth, grid_w, grid_h) ||
      !AllocateFloatPlane(ss_distance, grid_w, grid_h)) {
    FillNoPaneField(pane_depth, pane_distance, pane_height);
    return;
  }

  if (!coverage.Empty()) {
    ParallelFor(grid_h, Box3Rows{grid_w, coverage.data.get(), ss_depth.data.get()});
    ParallelFor(grid_h, Box3Columns{grid_w, grid_h, ss_depth.data.get(), coverage.data.get()});
    DistanceFieldFromCoverage(coverage.data.get(), grid_w, grid_h, ss_depth.data.get(), ss_distance.data.get());
  } else {
    DistanceFieldFromMask8(mask.get(), grid_w, grid_h, ss_depth.data.get(), ss_distance.data.get());
  }

  FloatPlane smooth_field, gradient_x, gradient_y;
  const bool have_smooth = AllocateFloatPlane(smooth_field, padded_w, padded_h);
  const bool have_gradients =
      AllocateFloatPlane(gradient_x, padded_w, padded_h) && AllocateFloatPlane(gradient_y, padded_w, padded_h);
  // The gradient planes are not cleared: they are handed on only after the
  // central difference has written every element of both, and dropped
  // otherwise.
  if (!have_smooth || !have_gradients) {
    gradient_x = FloatPlane();
    gradient_y = FloatPlane();
  }

  float* height_plane = pane_height != nullptr && !pane_height->Empty() ? pane_height->data.get() : nullptr;
  DownsampleDistance downsample;
  downsample.supersample = s;
  downsample.distance = ss_distance.data.get();
  downsample.grid_width = grid_w;
  downsample.coverage = coverage.Empty() ? nullptr : coverage.data.get();
  downsample.mask = coverage.Empty() ? mask.get() : nullptr;
  downsample.scale = 1.0f / static_cast<float>(s * s);
  if (have_smooth) {
    downsample.width = padded_w;
    downsample.block_offset = 0;
    downsample.dest = smooth_field.data.get();
    downsample.dest_row_length = padded_w;
    ParallelFor(padded_h, downsample);
    ParallelFor(h, PlaceCroppedPlanes{w, smooth_field.data.get(), TEXT_MARGIN, padded_w, pane_depth.data.get(),
                                      pane_distance.data.get(), height_plane});
  } else {
    // No padded field: the output window of the grid goes straight into the
    // pane planes.
    downsample.width = w;
    downsample.block_offset = TEXT_MARGIN;
    downsample.pane_depth = pane_depth.data.get();
    downsample.pane_distance = pane_distance.data.get();
    downsample.pane_height = height_plane;
    ParallelFor(h, downsample);
    return;
  }

  if (!gradient_x.Empty()) {
    FloatPlane scratch_1, scratch_2;
    if (AllocateFloatPlane(scratch_1, padded_w, padded_h) && AllocateFloatPlane(scratch_2, padded_w, padded_h)) {
      const std::int32_t radius = TEXT_GRADIENT_BLUR_RADIUS;
      ParallelFor(padded_h, BoxBlurRows{padded_w, radius, smooth_field.data.get(), scratch_2.data.get()});
      ParallelFor(padded_h, BoxBlurColumns{padded_w, radius, padded_h, scratch_2.data.get(), scratch_1.data.get()});
      ParallelFor(padded_h, CentralGradient{padded_w, padded_h, scratch_1.data.get(), gradient_x.data.get(),
                                            gradient_y.data.get()});
      planes.gradient_x = std::move(gradient_x);
      planes.gradient_y = std::move(gradient_y);
    }
  }
  planes.smooth_field = std::move(smooth_field);
  planes.row_length = padded_w;
  planes.margin = TEXT_MARGIN;
}
