// Registration exports: the host calls one of them when it loads the module
// and learns the effect's names, entry point, kind and API version through
// its callback.
#include "shell/entry_points.h"
#include "shell/registration_values.h"

namespace {

const A_u_char* U(const char* s) { return reinterpret_cast<const A_u_char*>(s); }

}  // namespace

extern "C" PF_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB inPluginDataCallBackPtr, void*,
                                          const char*, const char*) {
  return inPluginDataCallBackPtr(inPtr, U(PLUGIN_DISPLAY_NAME), U(PLUGIN_MATCH_NAME), U(PLUGIN_CATEGORY),
                                 U(PLUGIN_ENTRY_POINT_NAME), PLUGIN_KIND_EFFECT, PLUGIN_API_VERSION_MAJOR,
                                 PLUGIN_API_VERSION_MINOR, PLUGIN_RESERVED_INFO);
}

extern "C" PF_Err PluginDataEntryFunction2(PF_PluginDataPtr inPtr, PF_PluginDataCB2 inPluginDataCallBackPtr, void*,
                                           const char*, const char*) {
  return inPluginDataCallBackPtr(inPtr, U(PLUGIN_DISPLAY_NAME), U(PLUGIN_MATCH_NAME), U(PLUGIN_CATEGORY),
                                 U(PLUGIN_ENTRY_POINT_NAME), PLUGIN_KIND_EFFECT, PLUGIN_API_VERSION_MAJOR,
                                 PLUGIN_API_VERSION_MINOR_2, PLUGIN_RESERVED_INFO, U(PLUGIN_SUPPORT_URL));
}
