// "PF Handle Suite" 2 of the simulated host: the same handle table as the
// utility callbacks, so both ways of reaching a handle see one accounting.
#include "host/suites/pf_handle_suite2.h"
#include "hostsim/host.h"
#include "hostsim/pre_render_suites.h"

namespace hostsim {

namespace {

PF_Handle NewHandle(A_HandleSize size) { return Host::Current()->handles().New(size); }
void* LockHandle(PF_Handle h) { return Host::Current()->handles().Lock(h); }
void UnlockHandle(PF_Handle h) { Host::Current()->handles().Unlock(h); }
void DisposeHandle(PF_Handle h) { Host::Current()->handles().Dispose(h); }
A_HandleSize GetHandleSize(PF_Handle h) { return Host::Current()->handles().SizeOf(h); }
PF_Err ResizeHandle(A_HandleSize, PF_Handle*) { return 1; }

constexpr PF_HandleSuite2 HANDLE_SUITE2 = {NewHandle, LockHandle, UnlockHandle, DisposeHandle, GetHandleSize,
                                           ResizeHandle};

}  // namespace

void RegisterSimHandleSuite(SuiteRegistry& registry) { registry.Register("PF Handle Suite", 2, &HANDLE_SUITE2); }

}  // namespace hostsim
