// The simulated host application. One Host is active at a time: the C
// callbacks it hands to the plug-in (the basic suite, the utility
// callbacks, the parameter callbacks) reach it through Host::Current().
// Later parts of the simulation (suites, scene, SmartFX callbacks) hang off
// this object.
#pragma once
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/pf_in_data.h"
#include "host/suites/aegp_register_suite6.h"
#include "hostsim/call_failures.h"
#include "hostsim/handle_table.h"
#include "hostsim/ref_pool.h"
#include "hostsim/render_book.h"
#include "hostsim/scene.h"
#include "hostsim/stream_registry.h"
#include "hostsim/suite_registry.h"

namespace hostsim {

// What text outlines stand for: the glyph outlines of one layer.
struct SimTextOutlinesRef {
  SimLayer* layer = nullptr;
};

// What an effect reference stands for: one effect of one layer.
struct SimEffectRef {
  SimLayer* layer = nullptr;
  A_long index = 0;
};

// A plug-in's registration with the host's plug-in services.
struct SimPluginRegistration {
  AEGP_GlobalRefcon global_refcon = nullptr;
  std::string name;
  AEGP_PluginID plugin_id = 0;
};

// An idle hook as the plug-in registered it.
struct SimIdleHook {
  AEGP_PluginID plugin_id = 0;
  AEGP_IdleHook hook = nullptr;
  AEGP_IdleRefcon refcon = nullptr;
};

// One PF_SetNoCacheOnLoad call.
struct SimCacheOnLoadCall {
  PF_ProgPtr effect_ref = nullptr;
  A_long effect_available = 0;
};

class Host {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  static Host* Current();

  SuiteRegistry& suites() { return suites_; }
  HandleTable& handles() { return handles_; }
  SPBasicSuite* basic_suite() { return &basic_; }
  PF_UtilCallbacks* util_callbacks() { return &utils_; }
  SimScene& scene() { return scene_; }
  // Failure switches and call counts of the simulated suites' operations.
  CallFailures& calls() { return calls_; }
  // Effect references handed out by AEGP_GetLayerEffectByIndex.
  RefPool<SimEffectRef>& effect_refs() { return effect_refs_; }
  // Text outlines handed out by AEGP_GetNewTextOutlines.
  RefPool<SimTextOutlinesRef>& text_outlines() { return text_outlines_; }
  // Frames rendered for the plug-in: options, receipts and the render log.
  RenderBook& renders() { return renders_; }
  const RenderBook& renders() const { return renders_; }
  // Stream references, values, memory handles and mask references held by
  // the plug-in, and the log of stream reads.
  StreamRegistry& streams() { return streams_; }
  const StreamRegistry& streams() const { return streams_; }

  // Parameters the plug-in declared through add_param, in call order.
  std::vector<PF_ParamDef>& added_params() { return added_params_; }
  std::vector<PF_ParamIndex>& added_param_indices() { return added_param_indices_; }
  // add_param answers the call with this (1-based) number with `err`.
  void FailAddParamAt(int call_number, PF_Err err);

  // AEGP_RegisterWithAEGP answers each registration with the next id,
  // starting at this one.
  static constexpr AEGP_PluginID FIRST_PLUGIN_ID = 4201;
  std::vector<SimPluginRegistration>& plugin_registrations() { return plugin_registrations_; }
  std::vector<SimIdleHook>& idle_hooks() { return idle_hooks_; }
  std::vector<SimCacheOnLoadCall>& cache_on_load_calls() { return cache_on_load_calls_; }
  // Every string the ANSI suite's sprintf produced, in call order.
  std::vector<std::string>& sprintf_outputs() { return sprintf_outputs_; }
  // Calls every registered idle hook once, as the host does between events,
  // with `max_sleep` as the sleep it offers; returns the first non-zero
  // result, 0 when all hooks returned 0. The hooks may change *max_sleep.
  A_Err RunIdleHooks(A_long* max_sleep = nullptr);

  // Everything the plug-in still holds: unbalanced suites, live handles,
  // undisposed references, stream references, stream values and memory
  // handles.
  std::vector<std::string> Leaks() const;

  // Called by the C callbacks.
  PF_Err AddParam(PF_ParamIndex index, const PF_ParamDef* def);

 private:
  SuiteRegistry suites_;
  HandleTable handles_;
  SimScene scene_;
  CallFailures calls_;
  std::vector<SimPluginRegistration> plugin_registrations_;
  std::vector<SimIdleHook> idle_hooks_;
  std::vector<SimCacheOnLoadCall> cache_on_load_calls_;
  std::vector<std::string> sprintf_outputs_;
  RefPool<SimEffectRef> effect_refs_{"effect reference"};
  RefPool<SimTextOutlinesRef> text_outlines_{"text outlines"};
  StreamRegistry streams_;
  RenderBook renders_;
  SPBasicSuite basic_{};
  PF_UtilCallbacks utils_{};
  std::mutex params_mutex_;
  std::vector<PF_ParamDef> added_params_;
  std::vector<PF_ParamIndex> added_param_indices_;
  int add_param_calls_ = 0;
  int fail_add_param_at_ = 0;
  PF_Err fail_add_param_err_ = 0;
  Host* previous_ = nullptr;
};

}  // namespace hostsim
