#include "hostsim/stream_registry.h"

#include <cstring>

#include "host/pf_errors.h"

namespace hostsim {

StreamRegistry::~StreamRegistry() {
  for (auto& [r, live] : refs_) delete r;
  for (auto& v : values_) delete v.outline;
  for (auto& [m, live] : mem_) delete m;
  for (auto& [m, live] : masks_) delete m;
}

AEGP_StreamRefH StreamRegistry::NewStreamRef(SimStreamNode* node, SimLayer* layer, AEGP_LayerStream layer_stream) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* r = new SimStreamRef{node, layer, layer_stream};
  refs_[r] = true;
  ++refs_taken_;
  return reinterpret_cast<AEGP_StreamRefH>(r);
}

SimStreamRef* StreamRegistry::Resolve(AEGP_StreamRefH ref) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* r = reinterpret_cast<SimStreamRef*>(ref);
  return refs_.count(r) != 0 ? r : nullptr;
}

bool StreamRegistry::DisposeStreamRef(AEGP_StreamRefH ref) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* r = reinterpret_cast<SimStreamRef*>(ref);
  auto it = refs_.find(r);
  if (it == refs_.end()) {
    ++bad_ref_disposals_;
    return false;
  }
  refs_.erase(it);
  delete r;
  return true;
}

A_Err StreamRegistry::ReadValue(AEGP_StreamRefH ref, AEGP_PluginID plugin_id, AEGP_LTimeMode mode,
                                const A_Time& time, A_Boolean pre_expression, AEGP_StreamValue2* value) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* r = reinterpret_cast<SimStreamRef*>(ref);
  if (refs_.count(r) == 0 || value == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  SimStreamNode* node = r->node;
  read_log_.push_back(StreamReadRecord{node->match_name, r->layer, r->layer_stream, plugin_id, mode, time,
                                       pre_expression});
  if (node->faults.fail_value || node->IsGroup() || node->type == AEGP_StreamType_NO_DATA) {
    return A_Err_GENERIC;
  }
  std::memset(value, 0, sizeof(*value));
  value->streamH = ref;
  SimValue v = node->evaluate ? node->evaluate(time, mode) : node->value;
  if (node->has_expression && pre_expression == 0) v = node->expression_value;
  ValueRecord record{ref, nullptr};
  switch (node->type) {
    case AEGP_StreamType_OneD:
      value->val.one_d = v[0];
      break;
    case AEGP_StreamType_TwoD:
    case AEGP_StreamType_TwoD_SPATIAL:
      value->val.two_d = AEGP_TwoDVal{v[0], v[1]};
      break;
    case AEGP_StreamType_ThreeD:
    case AEGP_StreamType_ThreeD_SPATIAL:
      value->val.three_d = AEGP_ThreeDVal{v[0], v[1], v[2]};
      break;
    case AEGP_StreamType_COLOR:
      value->val.color = AEGP_ColorVal{1.0, v[0], v[1], v[2]};
      break;
    case AEGP_StreamType_MASK:
      if (!node->faults.no_outline) {
        record.outline = new SimOutline(node->outline);
        outlines_[record.outline] = true;
        value->val.mask = reinterpret_cast<AEGP_MaskOutlineValH>(record.outline);
      }
      break;
    default:
      return A_Err_GENERIC;
  }
  values_.push_back(record);
  ++values_taken_;
  return A_Err_NONE;
}

bool StreamRegistry::DisposeValue(AEGP_StreamValue2* value) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (value == nullptr) {
    ++bad_value_disposals_;
    return false;
  }
  // A value is matched by the stream it was read from and, for outlines, by
  // its outline handle, so a copy of the record disposes the same value.
  for (auto it = values_.begin(); it != values_.end(); ++it) {
    if (it->stream != value->streamH) continue;
    if (it->outline != nullptr && reinterpret_cast<AEGP_MaskOutlineValH>(it->outline) != value->val.mask) continue;
    if (it->outline != nullptr) {
      outlines_.erase(it->outline);
      delete it->outline;
    }
    values_.erase(it);
    return true;
  }
  ++bad_value_disposals_;
  return false;
}

const SimOutline* StreamRegistry::ResolveOutline(AEGP_MaskOutlineValH outline) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* o = reinterpret_cast<SimOutline*>(outline);
  return outlines_.count(o) != 0 ? o : nullptr;
}

AEGP_MemHandle StreamRegistry::NewMemHandle(std::uint64_t size, bool clear, bool fail_lock) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* m = new MemBlock;
  m->bytes.assign(static_cast<std::size_t>(size), clear ? 0 : 0xCD);
  m->fail_lock = fail_lock;
  mem_[m] = true;
  ++mem_taken_;
  return reinterpret_cast<AEGP_MemHandle>(m);
}

void* StreamRegistry::LockMemHandle(AEGP_MemHandle h) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* m = reinterpret_cast<MemBlock*>(h);
  if (mem_.count(m) == 0 || m->fail_lock) return nullptr;
  ++m->locks;
  return m->bytes.data();
}

bool StreamRegistry::UnlockMemHandle(AEGP_MemHandle h) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* m = reinterpret_cast<MemBlock*>(h);
  if (mem_.count(m) == 0 || m->locks == 0) {
    ++bad_mem_unlocks_;
    return false;
  }
  --m->locks;
  return true;
}

bool StreamRegistry::FreeMemHandle(AEGP_MemHandle h) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* m = reinterpret_cast<MemBlock*>(h);
  auto it = mem_.find(m);
  if (it == mem_.end()) {
    ++bad_mem_frees_;
    return false;
  }
  if (m->locks != 0) ++mem_freed_locked_;
  mem_.erase(it);
  delete m;
  return true;
}

bool StreamRegistry::MemHandleSize(AEGP_MemHandle h, std::uint64_t* size) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* m = reinterpret_cast<MemBlock*>(h);
  if (mem_.count(m) == 0 || size == nullptr) return false;
  *size = m->bytes.size();
  return true;
}

AEGP_MaskRefH StreamRegistry::NewMaskRef(SimLayer* layer, int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* m = new SimMaskRef{layer, index};
  masks_[m] = true;
  return reinterpret_cast<AEGP_MaskRefH>(m);
}

SimMask* StreamRegistry::ResolveMask(AEGP_MaskRefH mask) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* m = reinterpret_cast<SimMaskRef*>(mask);
  if (masks_.count(m) == 0 || m->layer == nullptr) return nullptr;
  if (m->index < 0 || static_cast<std::size_t>(m->index) >= m->layer->masks.size()) return nullptr;
  return &m->layer->masks[static_cast<std::size_t>(m->index)];
}

bool StreamRegistry::DisposeMaskRef(AEGP_MaskRefH mask) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto* m = reinterpret_cast<SimMaskRef*>(mask);
  auto it = masks_.find(m);
  if (it == masks_.end()) {
    ++bad_mask_disposals_;
    return false;
  }
  masks_.erase(it);
  delete m;
  return true;
}

std::vector<StreamReadRecord> StreamRegistry::ReadLog() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return read_log_;
}

void StreamRegistry::ClearReadLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  read_log_.clear();
}

int StreamRegistry::LiveStreamRefs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(refs_.size());
}
int StreamRegistry::LiveValues() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(values_.size());
}
int StreamRegistry::LiveMemHandles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(mem_.size());
}
int StreamRegistry::LiveMaskRefs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(masks_.size());
}
int StreamRegistry::StreamRefsTaken() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return refs_taken_;
}
int StreamRegistry::ValuesTaken() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_taken_;
}
int StreamRegistry::MemHandlesTaken() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mem_taken_;
}

std::vector<std::string> StreamRegistry::Leaks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  auto add = [&out](int n, const char* what) {
    if (n != 0) out.push_back(std::to_string(n) + " " + what);
  };
  add(static_cast<int>(refs_.size()), "stream reference(s) still live");
  add(static_cast<int>(values_.size()), "stream value(s) not disposed");
  add(static_cast<int>(mem_.size()), "memory handle(s) not freed");
  add(static_cast<int>(masks_.size()), "mask reference(s) not disposed");
  add(bad_ref_disposals_, "disposal(s) of a stream reference that was not live");
  add(bad_value_disposals_, "disposal(s) of a stream value that was not live");
  add(bad_mem_frees_, "free(s) of a memory handle that was not live");
  add(bad_mem_unlocks_, "unlock(s) of a memory handle that was not locked");
  add(mem_freed_locked_, "memory handle(s) freed while locked");
  add(bad_mask_disposals_, "disposal(s) of a mask reference that was not live");
  int locked = 0;
  for (const auto& [m, live] : mem_) locked += m->locks;
  add(locked, "memory handle lock(s) not undone");
  return out;
}

}  // namespace hostsim
