#include "render/matte_stage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "geometry/pre_render_data.h"
#include "host/pf_effect_world.h"
#include "host/suites/pf_handle_suite2.h"
#include "render/channel_to_float.h"
#include "render/coverage_to_distance.h"
#include "render/distance_field_builders.h"
#include "render/index_from_float.h"
#include "render/matte_field_kernels.h"
#include "render/parallel_for.h"
#include "render/plane_filters.h"
#include "shell/suite_handler.h"

namespace {

constexpr std::int64_t MATTE_BASE_PAD = 24;

// Holds the record locked while the stage reads its raster; unlocks on
// every path, an exception included.
class RecordLock {
 public:
  RecordLock(const PF_HandleSuite2* suite, PF_Handle handle) : suite_(suite), handle_(handle) {
    if (handle_ != nullptr) memory_ = static_cast<const std::uint8_t*>(suite_->host_lock_handle(handle_));
  }
  ~RecordLock() { Unlock(); }
  RecordLock(const RecordLock&) = delete;
  RecordLock& operator=(const RecordLock&) = delete;
  const std::uint8_t* memory() const { return memory_; }
  void Unlock() {
    if (handle_ != nullptr) suite_->host_unlock_handle(handle_);
    handle_ = nullptr;
    memory_ = nullptr;
  }
  // The handle's size, or the largest size when the host cannot tell.
  std::uint64_t Size(PF_Handle handle) const {
    return suite_->host_get_handle_size != nullptr ? suite_->host_get_handle_size(handle)
                                                   : std::numeric_limits<std::uint64_t>::max();
  }

 private:
  const PF_HandleSuite2* suite_;
  PF_Handle handle_;
  const std::uint8_t* memory_ = nullptr;
};

void FillNoPane(FloatPlane& pane_depth, FloatPlane& pane_distance, FloatPlane& pane_height) {
  const std::int64_t n = pane_depth.Size();
  for (std::int64_t i = 0; i < n; ++i) {
    pane_depth.data[i] = 0.0f;
    pane_distance.data[i] = NO_DISTANCE;
  }
  if (!pane_height.Empty()) {
    for (std::int64_t i = 0; i < pane_height.Size(); ++i) pane_height.data[i] = NO_DISTANCE;
  }
}

// One pass of the separable box blur of radius r: rows from src into
// scratch, columns from scratch into dst.
void BoxBlurPass(std::int32_t w, std::int32_t h, std::int32_t r, const float* src, float* scratch, float* dst) {
  ParallelFor(h, BoxBlurRows{w, r, src, scratch});
  ParallelFor(h, BoxBlurColumns{w, r, h, scratch, dst});
}

// The matte's header fields and where its pixels lie.
struct MatteRecord {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool is_distance = false;
  bool wide = false;  // 2 bytes a pixel
  double effect_scale = 1.0;
  double rim_scale = 1.0;
  const std::uint8_t* pixels = nullptr;
};

bool ReadMatteRecord(const RecordLock& lock, PF_Handle handle, MatteRecord& m) {
  if (lock.memory() == nullptr) return false;
  PreRenderHeader header;
  std::memcpy(&header, lock.memory(), sizeof header);
  m.width = static_cast<std::int32_t>(header.matte_width);
  m.height = static_cast<std::int32_t>(header.matte_height);
  if (header.matte_valid == 0 || m.width <= 0 || m.height <= 0) return false;
  m.is_distance = header.matte_is_distance != 0;
  // The raster's pixel size follows from the record, whatever the depth
  // of the pipeline that reads it.
  m.wide = m.is_distance || header.deep != 0;
  m.effect_scale = header.effect_scale;
  m.rim_scale = header.rim_scale;
  const std::uint64_t raster = static_cast<std::uint64_t>(m.width) * static_cast<std::uint64_t>(m.height) *
                               (m.wide ? 2u : 1u);
  // A record shorter than its raster would be read past its end.
  if (lock.Size(handle) < MATTE_RASTER_OFFSET + raster) return false;
  m.pixels = lock.memory() + MATTE_RASTER_OFFSET;
  return true;
}

}  // namespace

std::int64_t MattePad(double depth_px) {
  return MATTE_BASE_PAD + IndexFromFloat<std::int64_t>(2.0 * depth_px, 0, 1000000000);
}

float MatteDistanceRange(double effect_scale, double rim_scale, std::int64_t matte_pad) {
  const double k = std::max(16.0 * std::max(1.0, effect_scale * rim_scale), 2.0 * static_cast<double>(matte_pad));
  return static_cast<float>(k);
}

template <typename Pixel>
void RunMatteStage(SuiteHandler& suites, const MatteStageFrame& frame, FloatPlane& pane_depth,
                   FloatPlane& pane_distance, FloatPlane& pane_height, MattePlanes& planes) {
  planes = MattePlanes{};
  const std::int64_t pad = MattePad(frame.depth_px);
  const std::int64_t grid_w64 = frame.width + 2 * pad;
  const std::int64_t grid_h64 = frame.height + 2 * pad;
  constexpr std::int64_t LIMIT = std::numeric_limits<std::int32_t>::max();
  FloatPlane coverage, scratch_a, scratch_b, depth, field;
  const bool sized = grid_w64 <= LIMIT && grid_h64 <= LIMIT;
  const std::int32_t W = sized ? static_cast<std::int32_t>(grid_w64) : 0;
  const std::int32_t H = sized ? static_cast<std::int32_t>(grid_h64) : 0;
  if (!sized || !AllocateFloatPlane(coverage, W, H) || !AllocateFloatPlane(scratch_a, W, H) ||
      !AllocateFloatPlane(scratch_b, W, H) || !AllocateFloatPlane(depth, W, H) ||
      !AllocateFloatPlane(field, W, H)) {
    FillNoPane(pane_depth, pane_distance, pane_height);
    return;
  }
  const auto margin = static_cast<std::int32_t>(pad);
  const std::int32_t count = W * H;

  RecordLock lock(suites.HandleSuiteV2(), frame.record);
  MatteRecord matte;
  if (!ReadMatteRecord(lock, frame.record, matte)) {
    lock.Unlock();
    FillNoPane(pane_depth, pane_distance, pane_height);
    return;
  }

  const std::int64_t origin_x = std::int64_t{frame.request.left} - pad;
  const std::int64_t origin_y = std::int64_t{frame.request.top} - pad;
  const std::int32_t pixel_bytes = matte.wide ? 2 : 1;
  const std::int64_t row_bytes = std::int64_t{matte.width} * pixel_bytes;
  if constexpr (sizeof(Pixel) == sizeof(PF_Pixel16)) {
    if (matte.wide) {
      ParallelFor(H, ChannelToFloat16{matte.pixels, row_bytes, pixel_bytes, matte.width, matte.height, origin_x,
                                      origin_y, CHANNEL_SCALE_16, coverage.data.get(), W});
    } else {
      ParallelFor(H, ChannelToFloat8{matte.pixels, row_bytes, pixel_bytes, matte.width, matte.height, origin_x,
                                     origin_y, false, CHANNEL_SCALE_8, coverage.data.get(), W});
    }
  } else {
    ParallelFor(H, ChannelToFloat8{matte.pixels, row_bytes, pixel_bytes, matte.width, matte.height, origin_x,
                                   origin_y, matte.wide, matte.wide ? CHANNEL_SCALE_16 : CHANNEL_SCALE_8,
                                   coverage.data.get(), W});
  }

  FloatPlane erf_field;
  const FloatPlane* result = &field;
  if (matte.is_distance) {
    const float k = MatteDistanceRange(matte.effect_scale, matte.rim_scale, pad);
    ParallelFor(count, CenterScalePlane{coverage.data.get(), field.data.get(), k});
    BoxBlurPass(W, H, 8, field.data.get(), scratch_b.data.get(), depth.data.get());
    BoxBlurPass(W, H, 8, depth.data.get(), scratch_b.data.get(), depth.data.get());
    ParallelFor(count, BlendFarSmoothed{field.data.get(), depth.data.get()});
  } else {
    DistanceFieldFromCoverage(coverage.data.get(), W, H, depth.data.get(), field.data.get());
    ParallelFor(count, RefineEdgeDistance{field.data.get(), coverage.data.get(), W, H});
    // Without both, the transform's field stands alone.
    FloatPlane disagreement;
    if (AllocateFloatPlane(erf_field, W, H) && AllocateFloatPlane(disagreement, W, H)) {
      // The blurred coverage.
      BoxBlurPass(W, H, 2, coverage.data.get(), scratch_b.data.get(), scratch_a.data.get());
      BoxBlurPass(W, H, 2, scratch_a.data.get(), scratch_b.data.get(), scratch_a.data.get());
      BoxBlurPass(W, H, 2, scratch_a.data.get(), scratch_b.data.get(), scratch_a.data.get());
      // The largest |d - blur(d)| within an 11 x 11 window.
      BoxBlurPass(W, H, 2, field.data.get(), scratch_b.data.get(), disagreement.data.get());
      ParallelFor(H, RunningMaxDiffRows{W, 5, field.data.get(), disagreement.data.get(), scratch_b.data.get()});
      ParallelFor(H, RunningMaxColumns{W, H, 5, scratch_b.data.get(), disagreement.data.get()});
      FloatPlane smooth;
      if (AllocateFloatPlane(smooth, W, H)) {
        BoxBlurPass(W, H, 6, field.data.get(), scratch_b.data.get(), smooth.data.get());
        BoxBlurPass(W, H, 6, smooth.data.get(), scratch_b.data.get(), smooth.data.get());
      }
      ParallelFor(count, CoverageToDistance{scratch_a.data.get(), field.data.get(), disagreement.data.get(),
                                            smooth.Empty() ? nullptr : smooth.data.get(), erf_field.data.get()});
      result = &erf_field;
    } else {
      erf_field = FloatPlane{};  // not held through the allocations that follow
    }
  }

  // The lightly smoothed field the rim light reads its edges from.
  if (AllocateFloatPlane(planes.smooth_field, W, H)) {
    BoxBlurPass(W, H, 1, result->data.get(), depth.data.get(), planes.smooth_field.data.get());
  }
  // Its slope, from a wider blur. The gradient planes are not cleared:
  // they are kept only once the central difference has written every
  // element of both.
  {
    FloatPlane scratch1, scratch2;
    if (AllocateFloatPlane(planes.gradient_x, W, H) && AllocateFloatPlane(planes.gradient_y, W, H) &&
        AllocateFloatPlane(scratch1, W, H) && AllocateFloatPlane(scratch2, W, H)) {
      BoxBlurPass(W, H, 3, result->data.get(), scratch2.data.get(), scratch1.data.get());
      ParallelFor(H, CentralGradient{W, H, scratch1.data.get(), planes.gradient_x.data.get(),
                                     planes.gradient_y.data.get()});
    } else {
      planes.gradient_x = FloatPlane{};
      planes.gradient_y = FloatPlane{};
    }
  }
  erf_field = FloatPlane{};
  planes.margin = margin;

  // The panes themselves come from the transform's field, not the edge
  // estimate.
  ParallelFor(frame.height,
              CopyPlaneRect{field.data.get(), W, margin, frame.width, pane_distance.data.get(), pane_depth.data.get()});
  if (!pane_height.Empty()) std::copy_n(pane_distance.data.get(), pane_distance.Size(), pane_height.data.get());
  lock.Unlock();
}

template void RunMatteStage<PF_Pixel16>(SuiteHandler&, const MatteStageFrame&, FloatPlane&, FloatPlane&, FloatPlane&,
                                        MattePlanes&);
template void RunMatteStage<PF_Pixel8>(SuiteHandler&, const MatteStageFrame&, FloatPlane&, FloatPlane&, FloatPlane&,
                                       MattePlanes&);
