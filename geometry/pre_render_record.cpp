#include "geometry/pre_render_record.h"

#include <algorithm>
#include <cstring>

#include "host/suites/pf_handle_suite2.h"
#include "shell/suite_handler.h"

PreRenderRecordHandle::PreRenderRecordHandle(SuiteHandler& suites) : suite_(suites.HandleSuiteV2()) {}

PreRenderRecordHandle::~PreRenderRecordHandle() {
  if (handle_ == nullptr) return;
  if (locked_ && suite_->host_unlock_handle != nullptr) suite_->host_unlock_handle(handle_);
  if (suite_->host_dispose_handle != nullptr) suite_->host_dispose_handle(handle_);
}

void* PreRenderRecordHandle::Create(std::uint64_t size) {
  if (suite_->host_new_handle == nullptr || suite_->host_lock_handle == nullptr) return nullptr;
  handle_ = suite_->host_new_handle(size);
  if (handle_ == nullptr) return nullptr;
  void* memory = suite_->host_lock_handle(handle_);
  if (memory == nullptr) {
    if (suite_->host_dispose_handle != nullptr) suite_->host_dispose_handle(handle_);
    handle_ = nullptr;
    return nullptr;
  }
  locked_ = true;
  return memory;
}

void PreRenderRecordHandle::Unlock() {
  if (locked_ && suite_->host_unlock_handle != nullptr) suite_->host_unlock_handle(handle_);
  locked_ = false;
}

PF_Handle PreRenderRecordHandle::Release() {
  Unlock();
  PF_Handle h = handle_;
  handle_ = nullptr;
  return h;
}

void WritePreRenderRecord(void* record, const PreRenderHeader& v, const ShapeSlot* staged_slots,
                          std::uint32_t shape_count) {
  // Field by field, so the padding gaps are never written.
  auto* h = static_cast<PreRenderHeader*>(record);
  h->refraction = v.refraction;
  h->depth = v.depth;
  h->splay = v.splay;
  h->frost = v.frost;
  h->dispersion = v.dispersion;
  h->light_angle_deg = v.light_angle_deg;
  h->light_intensity = v.light_intensity;
  h->magnify = v.magnify;
  h->rim_scale = v.rim_scale;
  h->margin_px = v.margin_px;
  h->layer_width = v.layer_width;
  h->layer_height = v.layer_height;
  h->effect_scale = v.effect_scale;
  h->scale_x_pct = v.scale_x_pct;
  h->scale_y_pct = v.scale_y_pct;
  h->anchor_x = v.anchor_x;
  h->anchor_y = v.anchor_y;
  h->downsample_x = v.downsample_x;
  h->downsample_y = v.downsample_y;
  h->rotation_cos = v.rotation_cos;
  h->rotation_sin = v.rotation_sin;
  h->position_x = v.position_x;
  h->position_y = v.position_y;
  h->is_adjustment_layer = v.is_adjustment_layer;
  h->shape_count = v.shape_count;
  h->merge_mode = v.merge_mode;
  h->slots_are_masks = v.slots_are_masks;
  h->reserved0 = 0;
  h->is_source_box = v.is_source_box;
  h->reserved1 = 0;
  h->is_vector_layer = v.is_vector_layer;
  for (std::uint32_t& word : h->reserved2) word = 0;
  h->matte_valid = v.matte_valid;
  h->matte_width = v.matte_width;
  h->matte_height = v.matte_height;
  h->deep = v.deep;
  h->matte_is_distance = v.matte_is_distance;
  const std::uint32_t count = std::min<std::uint32_t>(shape_count, MAX_SHAPE_SLOTS);
  std::memcpy(static_cast<std::uint8_t*>(record) + SHAPE_SLOTS_OFFSET, staged_slots,
              static_cast<std::size_t>(count) * SHAPE_SLOT_SIZE);
}
