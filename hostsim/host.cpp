#include "hostsim/host.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "host/pf_errors.h"
#include "hostsim/effect_instance.h"
#include "hostsim/pre_render_suites.h"
#include "hostsim/sim_suites.h"
#include "hostsim/stream_suites.h"

namespace hostsim {

namespace {

std::atomic<Host*> g_current{nullptr};

SPErr CAcquireSuite(const char* name, A_long version, const void** suite) {
  return Host::Current()->suites().Acquire(name, version, suite);
}
SPErr CReleaseSuite(const char* name, A_long version) { return Host::Current()->suites().Release(name, version); }
A_Boolean CIsEqual(const char* a, const char* b) { return (a && b && std::strcmp(a, b) == 0) ? 1 : 0; }
SPErr CAllocateBlock(std::size_t size, void** block) {
  *block = std::malloc(size);
  return *block ? 0 : 1;
}
SPErr CFreeBlock(void* block) {
  std::free(block);
  return 0;
}
SPErr CReallocateBlock(void* block, std::size_t size, void** out) {
  *out = std::realloc(block, size);
  return *out ? 0 : 1;
}
SPErr CUndefined() { return 1; }

PF_Handle CNewHandle(A_u_longlong size) { return Host::Current()->handles().New(size); }
void* CLockHandle(PF_Handle h) { return Host::Current()->handles().Lock(h); }
void CUnlockHandle(PF_Handle h) { Host::Current()->handles().Unlock(h); }
void CDisposeHandle(PF_Handle h) { Host::Current()->handles().Dispose(h); }
A_u_longlong CGetHandleSize(PF_Handle h) { return Host::Current()->handles().SizeOf(h); }

}  // namespace

Host::Host() {
  basic_.AcquireSuite = CAcquireSuite;
  basic_.ReleaseSuite = CReleaseSuite;
  basic_.IsEqual = CIsEqual;
  basic_.AllocateBlock = CAllocateBlock;
  basic_.FreeBlock = CFreeBlock;
  basic_.ReallocateBlock = CReallocateBlock;
  basic_.Undefined = CUndefined;
  utils_.host_new_handle = CNewHandle;
  utils_.host_lock_handle = CLockHandle;
  utils_.host_unlock_handle = CUnlockHandle;
  utils_.host_dispose_handle = CDisposeHandle;
  utils_.host_get_handle_size = CGetHandleSize;
  InstallStreamSuites(*this);
  previous_ = g_current.exchange(this);
  InstallCompSuites(*this);
  InstallItemSuites(*this);
  InstallLayerSuites(*this);
  InstallPreRenderSuites(*this);
  InstallEffectSuites(*this);
  InstallUtilitySuites(*this);
  InstallRegisterSuites(*this);
  InstallAnsiSuites(*this);
  InstallCacheOnLoadSuites(*this);
  InstallRenderSuites(*this);
}

A_Err Host::RunIdleHooks(A_long* max_sleep) {
  A_long sleep = 0;
  A_long* sleep_ptr = max_sleep != nullptr ? max_sleep : &sleep;
  A_Err first = A_Err_NONE;
  // A copy: a hook may register further hooks while it runs.
  const std::vector<SimIdleHook> hooks = idle_hooks_;
  for (const SimIdleHook& h : hooks) {
    const A_Err err = h.hook(nullptr, h.refcon, sleep_ptr);
    if (first == A_Err_NONE) first = err;
  }
  return first;
}

Host::~Host() { g_current.store(previous_); }

Host* Host::Current() { return g_current.load(); }

void Host::FailAddParamAt(int call_number, PF_Err err) {
  std::lock_guard<std::mutex> lock(params_mutex_);
  fail_add_param_at_ = call_number;
  fail_add_param_err_ = err;
}

PF_Err Host::AddParam(PF_ParamIndex index, const PF_ParamDef* def) {
  std::lock_guard<std::mutex> lock(params_mutex_);
  ++add_param_calls_;
  if (add_param_calls_ == fail_add_param_at_) return fail_add_param_err_;
  if (def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  added_params_.push_back(*def);
  added_param_indices_.push_back(index);
  return PF_Err_NONE;
}

std::vector<std::string> Host::Leaks() const {
  std::vector<std::string> out = suites_.Imbalances();
  const int live = handles_.LiveCount();
  if (live != 0) out.push_back(std::to_string(live) + " host handle(s) still live");
  if (handles_.BadDisposeCount() != 0) {
    out.push_back(std::to_string(handles_.BadDisposeCount()) + " disposal(s) of a handle that was not live");
  }
  for (const auto& instance : scene_.effect_instances) {
    const int params = instance->OutstandingParams();
    if (params != 0) out.push_back(std::to_string(params) + " parameter(s) checked out and not checked in");
  }
  auto refs = [&out](const auto& pool) {
    if (pool.Live() != 0) out.push_back(std::to_string(pool.Live()) + " " + pool.kind() + "(s) not disposed");
    if (pool.BadDisposals() != 0) {
      out.push_back(std::to_string(pool.BadDisposals()) + " disposal(s) of an " + pool.kind() + " that was not live");
    }
  };
  refs(effect_refs_);
  refs(text_outlines_);
  refs(renders_.item_options());
  refs(renders_.layer_options());
  refs(renders_.receipts());
  for (std::string& leak : streams_.Leaks()) out.push_back(std::move(leak));
  return out;
}

}  // namespace hostsim
