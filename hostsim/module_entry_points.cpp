#include "hostsim/module_entry_points.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace hostsim {

namespace {

#if defined(_WIN32)
void* Lookup(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
#else
void* Lookup(void* handle, const char* name) { return dlsym(handle, name); }
#endif

template <typename F>
F As(void* p) {
  return reinterpret_cast<F>(p);
}

}  // namespace

LoadedModule::LoadedModule(const std::string& path) {
#if defined(_WIN32)
  handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (handle_ == nullptr) error_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
#else
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) error_ = dlerror();
#endif
  if (handle_ == nullptr) return;
  entry_points_.plugin_data_entry = As<PluginDataEntryFunctionPtr>(Lookup(handle_, "PluginDataEntryFunction"));
  entry_points_.plugin_data_entry2 = As<PluginDataEntryFunction2Ptr>(Lookup(handle_, "PluginDataEntryFunction2"));
  entry_points_.entry_point = As<PF_EntryPointPtr>(Lookup(handle_, "EntryPointFunc"));
  entry_points_.effect_main = As<PF_EntryPointPtr>(Lookup(handle_, "EffectMain"));
}

LoadedModule::~LoadedModule() {
  if (handle_ == nullptr) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
}

}  // namespace hostsim
