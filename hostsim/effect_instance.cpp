#include "hostsim/effect_instance.h"

#include <cstring>
#include <set>

#include "host/pf_errors.h"

namespace hostsim {

namespace {

std::mutex g_instances_mutex;
std::set<SimEffectInstance*>& LiveInstances() {
  static std::set<SimEffectInstance*> instances;
  return instances;
}

}  // namespace

SimEffectInstance::SimEffectInstance(SimLayer* l) : layer(l) {
  std::lock_guard<std::mutex> lock(g_instances_mutex);
  LiveInstances().insert(this);
}

SimEffectInstance::~SimEffectInstance() {
  std::lock_guard<std::mutex> lock(g_instances_mutex);
  LiveInstances().erase(this);
}

SimEffectInstance* SimEffectInstance::FromRef(PF_ProgPtr ref) {
  auto* candidate = reinterpret_cast<SimEffectInstance*>(ref);
  std::lock_guard<std::mutex> lock(g_instances_mutex);
  return LiveInstances().count(candidate) != 0 ? candidate : nullptr;
}

void SimEffectInstance::SetFloatSlider(PF_ParamIndex index, double value) {
  std::lock_guard<std::mutex> lock(mutex_);
  PF_ParamDef def{};
  def.param_type = PF_Param_FLOAT_SLIDER;
  def.u.fs_d.value = value;
  values_[index] = def;
}

void SimEffectInstance::SetAngle(PF_ParamIndex index, PF_Fixed value) {
  std::lock_guard<std::mutex> lock(mutex_);
  PF_ParamDef def{};
  def.param_type = PF_Param_ANGLE;
  def.u.ad.value = value;
  values_[index] = def;
}

void SimEffectInstance::FailCheckout(PF_ParamIndex index, PF_Err err) {
  std::lock_guard<std::mutex> lock(mutex_);
  checkout_failures_[index] = err;
}

void SimEffectInstance::FailCheckin(PF_ParamIndex index, PF_Err err) {
  std::lock_guard<std::mutex> lock(mutex_);
  checkin_failures_[index] = err;
}

std::vector<LayerCheckoutCall> SimEffectInstance::LayerCheckouts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return layer_checkouts_;
}

std::vector<std::vector<std::uint8_t>> SimEffectInstance::GuidBlocks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return guid_blocks_;
}

std::vector<ParamCheckoutCall> SimEffectInstance::ParamCheckouts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return param_checkouts_;
}

std::vector<PF_ParamIndex> SimEffectInstance::ParamCheckins() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return param_checkins_;
}

int SimEffectInstance::OutstandingParams() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(outstanding_.size());
}

void SimEffectInstance::ClearLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  param_checkouts_.clear();
  param_checkins_.clear();
  layer_checkouts_.clear();
  guid_blocks_.clear();
}

PF_Err SimEffectInstance::CheckoutParam(PF_ParamIndex index, A_long what_time, A_long time_step,
                                        A_u_long time_scale, PF_ParamDef* param) {
  std::lock_guard<std::mutex> lock(mutex_);
  param_checkouts_.push_back({index, what_time, time_step, time_scale});
  if (param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (index < 0 || index >= param_count) return PF_Err_INVALID_INDEX;
  auto fail = checkout_failures_.find(index);
  if (fail != checkout_failures_.end()) return fail->second;
  auto it = values_.find(index);
  if (it != values_.end()) {
    *param = it->second;
  } else {
    std::memset(param, 0, sizeof *param);
  }
  outstanding_[param] = index;
  return PF_Err_NONE;
}

PF_Err SimEffectInstance::CheckinParam(PF_ParamDef* param) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = outstanding_.find(param);
  if (it == outstanding_.end()) {
    param_checkins_.push_back(-1);
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const PF_ParamIndex index = it->second;
  outstanding_.erase(it);
  param_checkins_.push_back(index);
  auto fail = checkin_failures_.find(index);
  return fail != checkin_failures_.end() ? fail->second : PF_Err_NONE;
}

PF_Err SimEffectInstance::CheckoutLayer(PF_ParamIndex index, A_long checkout_id, const PF_RenderRequest* request,
                                        A_long what_time, A_long time_step, A_u_long time_scale,
                                        PF_CheckoutResult* result) {
  std::lock_guard<std::mutex> lock(mutex_);
  LayerCheckoutCall call;
  call.index = index;
  call.checkout_id = checkout_id;
  if (request != nullptr) call.request = *request;
  call.what_time = what_time;
  call.time_step = time_step;
  call.time_scale = time_scale;
  layer_checkouts_.push_back(call);
  if (request == nullptr || result == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  std::memset(result, 0, sizeof *result);
  result->result_rect = request->rect;
  result->max_result_rect = request->rect;
  result->par = {1, 1};
  return checkout_layer_err;
}

PF_Err SimEffectInstance::GuidMixIn(A_u_long size, const void* buf) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (buf == nullptr && size != 0) return PF_Err_BAD_CALLBACK_PARAM;
  const auto* bytes = static_cast<const std::uint8_t*>(buf);
  guid_blocks_.emplace_back(bytes, bytes + size);
  return PF_Err_NONE;
}

PF_Err SimCheckoutParam(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time, A_long time_step,
                        A_u_long time_scale, PF_ParamDef* param) {
  SimEffectInstance* instance = SimEffectInstance::FromRef(effect_ref);
  if (instance == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  return instance->CheckoutParam(index, what_time, time_step, time_scale, param);
}

PF_Err SimCheckinParam(PF_ProgPtr effect_ref, PF_ParamDef* param) {
  SimEffectInstance* instance = SimEffectInstance::FromRef(effect_ref);
  if (instance == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  return instance->CheckinParam(param);
}

PF_Err SimCheckoutLayer(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_id, const PF_RenderRequest* req,
                        A_long what_time, A_long time_step, A_u_long time_scale, PF_CheckoutResult* result) {
  SimEffectInstance* instance = SimEffectInstance::FromRef(effect_ref);
  if (instance == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  return instance->CheckoutLayer(index, checkout_id, req, what_time, time_step, time_scale, result);
}

PF_Err SimGuidMixIn(PF_ProgPtr effect_ref, A_u_long size, const void* buf) {
  SimEffectInstance* instance = SimEffectInstance::FromRef(effect_ref);
  if (instance == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  return instance->GuidMixIn(size, buf);
}

}  // namespace hostsim
