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
#include "hostsim/call_failures.h"
#include "hostsim/handle_table.h"
#include "hostsim/ref_pool.h"
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
  // Stream references, values, memory handles and mask references held by
  // the plug-in, and the log of stream reads.
  StreamRegistry& streams() { return streams_; }
  const StreamRegistry& streams() const { return streams_; }

  // Parameters the plug-in declared through add_param, in call order.
  std::vector<PF_ParamDef>& added_params() { return added_params_; }
  std::vector<PF_ParamIndex>& added_param_indices() { return added_param_indices_; }
  // add_param answers the call with this (1-based) number with `err`.
  void FailAddParamAt(int call_number, PF_Err err);

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
  RefPool<SimEffectRef> effect_refs_{"effect reference"};
  RefPool<SimTextOutlinesRef> text_outlines_{"text outlines"};
  StreamRegistry streams_;
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
