// The pre-render record's deleter. The host calls it with the record's
// handle when it no longer needs the record; it may call it on any thread,
// long after the pre-render that made the record returned.
#include "geometry/pre_render_data.h"

#include "host/suites/pf_handle_suite2.h"
#include "shell/plugin_globals.h"
#include "shell/suite_handler.h"

void DeletePreRenderData(void* pre_render_data) noexcept {
  if (pre_render_data == nullptr || g_basic_suite == nullptr) return;
  // A host callback must not let anything escape: a handle suite that
  // cannot be had leaves the handle to the host (it is lost either way).
  try {
    SuiteHandler suites(g_basic_suite);
    const PF_HandleSuite2* handle_suite = suites.HandleSuiteV2();
    if (handle_suite->host_dispose_handle != nullptr) {
      handle_suite->host_dispose_handle(static_cast<PF_Handle>(pre_render_data));
    }
  } catch (...) {
  }
}
