#include "geometry/mask_slots.h"

#include <algorithm>
#include <cstring>

#include "geometry/effect_layer.h"
#include "geometry/mask_outline_reader.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_layer_mask_suite7.h"
#include "shell/suite_handler.h"

namespace {

constexpr int MIN_OUTLINE_POINTS = 3;

// A mask reference goes back to the host on every path.
class MaskGuard {
 public:
  MaskGuard(const AEGP_LayerMaskSuite7* suite, AEGP_MaskRefH mask) : suite_(suite), mask_(mask) {}
  ~MaskGuard() {
    if (mask_ != nullptr && suite_->AEGP_DisposeMask != nullptr) suite_->AEGP_DisposeMask(mask_);
  }
  MaskGuard(const MaskGuard&) = delete;
  MaskGuard& operator=(const MaskGuard&) = delete;
  AEGP_MaskRefH get() const { return mask_; }

 private:
  const AEGP_LayerMaskSuite7* suite_;
  AEGP_MaskRefH mask_;
};

AEGP_MaskRefH MaskAt(const AEGP_LayerMaskSuite7* masks, AEGP_LayerH layer, A_long index) {
  AEGP_MaskRefH mask = nullptr;
  if (masks->AEGP_GetLayerMaskByIndex == nullptr ||
      masks->AEGP_GetLayerMaskByIndex(layer, index, &mask) != A_Err_NONE) {
    return nullptr;
  }
  return mask;
}

// A mode the host cannot tell counts as a mode (add), so such a mask is
// not silently taken for an unused one.
PF_MaskMode ModeOf(const AEGP_LayerMaskSuite7* masks, AEGP_MaskRefH mask) {
  PF_MaskMode mode = PF_MaskMode_ADD;
  if (masks->AEGP_GetMaskMode == nullptr || masks->AEGP_GetMaskMode(mask, &mode) != A_Err_NONE) {
    return PF_MaskMode_ADD;
  }
  return mode;
}

}  // namespace

MaskSlots ReadMaskSlots(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer, ShapeSlot* slots) {
  MaskSlots result;
  const AEGP_ObjectType object_type = GetLayerObjectType(suites, layer);
  A_long count = 0;
  const AEGP_LayerMaskSuite7* masks = nullptr;
  if (layer != nullptr) {
    masks = suites.LayerMaskSuiteV7();
    if (masks->AEGP_GetLayerNumMasks == nullptr || masks->AEGP_GetLayerNumMasks(layer, &count) != A_Err_NONE ||
        count < 0) {
      count = 0;
    }
  }

  bool any_mode = false;
  for (A_long i = 0; i < count && !any_mode; ++i) {
    MaskGuard mask(masks, MaskAt(masks, layer, i));
    if (mask.get() == nullptr) continue;
    any_mode = ModeOf(masks, mask.get()) != PF_MaskMode_NONE;
  }
  if (object_type != AEGP_ObjectType_AV) return result;
  if (!any_mode) {
    result.outcome = MaskSlotsOutcome::NO_MASK_WITH_MODE;
    return result;
  }

  result.outcome = MaskSlotsOutcome::READ;
  float points[MAX_SLOT_POINTS * 2];
  for (A_long i = 0; i < count && result.filled < static_cast<std::uint32_t>(MAX_SHAPE_SLOTS); ++i) {
    int n = 0;
    PF_MaskMode mode = PF_MaskMode_NONE;
    A_Boolean inverted = 0;
    {
      MaskGuard mask(masks, MaskAt(masks, layer, i));
      if (mask.get() == nullptr) continue;
      mode = ModeOf(masks, mask.get());
      if (mode == PF_MaskMode_NONE) continue;
      if (masks->AEGP_GetMaskInvert == nullptr || masks->AEGP_GetMaskInvert(mask.get(), &inverted) != A_Err_NONE) {
        inverted = 0;
      }
      n = ReadMaskOutline(suites, in_data, mask.get(), points);
    }
    n = std::clamp(n, 0, MAX_SLOT_POINTS);
    if (n < MIN_OUTLINE_POINTS) continue;

    double sum_x = 0.0;
    double sum_y = 0.0;
    for (int k = 0; k < n; ++k) {
      sum_x += static_cast<double>(points[2 * k]);
      sum_y += static_cast<double>(points[2 * k + 1]);
    }
    const double cx = sum_x / n;
    const double cy = sum_y / n;
    ShapeSlot& slot = slots[result.filled];
    std::memset(&slot, 0, sizeof slot);
    slot.kind = SHAPE_PATH;
    slot.mask_mode = static_cast<std::uint32_t>(mode);
    slot.mask_inverted = inverted != 0 ? 1 : 0;
    slot.rotation_deg = 0.0;
    slot.center_x = cx;
    slot.center_y = cy;
    slot.point_count = static_cast<std::uint32_t>(n);
    for (int k = 0; k < n; ++k) {
      slot.points[2 * k] = static_cast<float>(static_cast<double>(points[2 * k]) - cx);
      slot.points[2 * k + 1] = static_cast<float>(static_cast<double>(points[2 * k + 1]) - cy);
    }
    ++result.filled;
  }
  return result;
}
