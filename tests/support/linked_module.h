// The entry points of the plug-in code linked into the test executable,
// handed to the command driver as if they came from a loaded module.
#pragma once
#include "hostsim/module_entry_points.h"
#include "shell/entry_points.h"

inline hostsim::ModuleEntryPoints LinkedModule() {
  hostsim::ModuleEntryPoints m;
  m.plugin_data_entry = &PluginDataEntryFunction;
  m.plugin_data_entry2 = &PluginDataEntryFunction2;
  m.entry_point = &EntryPointFunc;
  m.effect_main = &EffectMain;
  return m;
}
