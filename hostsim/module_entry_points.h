// The four functions a host looks up in an effect module. The driver calls
// the plug-in only through these, whether they come from a loaded module
// file or from code linked into a test.
#pragma once
#include <string>

#include "host/pf_registration.h"

namespace hostsim {

struct ModuleEntryPoints {
  PluginDataEntryFunctionPtr plugin_data_entry = nullptr;
  PluginDataEntryFunction2Ptr plugin_data_entry2 = nullptr;
  PF_EntryPointPtr entry_point = nullptr;  // "EntryPointFunc"
  PF_EntryPointPtr effect_main = nullptr;  // "EffectMain"
};

// Loads a module file as the host does (dlopen here, LoadLibrary on
// Windows) and looks the exports up by name. The module stays loaded for
// the life of the object.
class LoadedModule {
 public:
  explicit LoadedModule(const std::string& path);
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  bool ok() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }
  const ModuleEntryPoints& entry_points() const { return entry_points_; }
  void* native_handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
  ModuleEntryPoints entry_points_;
};

}  // namespace hostsim
