// "AEGP Memory Suite" 1 of the simulated host: counted memory handles.
#include "host/pf_errors.h"
#include "host/suites/aegp_memory_suite1.h"
#include "hostsim/host.h"
#include "hostsim/stream_suites.h"

namespace hostsim {

namespace {

StreamRegistry& Streams() { return Host::Current()->streams(); }

A_Err NewMemHandle(AEGP_PluginID, const A_char*, AEGP_MemSize size, AEGP_MemFlag flags, AEGP_MemHandle* out) {
  if (out == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *out = Streams().NewMemHandle(size, (flags & AEGP_MemFlag_CLEAR) != 0);
  return A_Err_NONE;
}

A_Err FreeMemHandle(AEGP_MemHandle h) { return Streams().FreeMemHandle(h) ? A_Err_NONE : PF_Err_BAD_CALLBACK_PARAM; }

A_Err LockMemHandle(AEGP_MemHandle h, void** out) {
  if (out == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *out = Streams().LockMemHandle(h);
  return *out != nullptr ? A_Err_NONE : A_Err_GENERIC;
}

A_Err UnlockMemHandle(AEGP_MemHandle h) {
  return Streams().UnlockMemHandle(h) ? A_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

A_Err GetMemHandleSize(AEGP_MemHandle h, AEGP_MemSize* size) {
  std::uint64_t s = 0;
  if (size == nullptr || !Streams().MemHandleSize(h, &s)) return PF_Err_BAD_CALLBACK_PARAM;
  *size = s;
  return A_Err_NONE;
}

AEGP_MemorySuite1 MakeTable() {
  AEGP_MemorySuite1 t{};
  t.AEGP_NewMemHandle = NewMemHandle;
  t.AEGP_FreeMemHandle = FreeMemHandle;
  t.AEGP_LockMemHandle = LockMemHandle;
  t.AEGP_UnlockMemHandle = UnlockMemHandle;
  t.AEGP_GetMemHandleSize = GetMemHandleSize;
  return t;
}

const AEGP_MemorySuite1 kMemorySuite1 = MakeTable();

}  // namespace

void InstallMemorySuite(Host& host) { host.suites().Register("AEGP Memory Suite", 1, &kMemorySuite1); }

}  // namespace hostsim
