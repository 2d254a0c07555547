// Turning the plug-in's references back into scene objects, and the common
// entry of every simulated operation. A reference is only accepted if it is
// the address of an object in the active host's scene, so stale or made-up
// references are answered with an error instead of being followed.
#include "host/pf_errors.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

A_Err EnterCall(const char* call, const std::set<std::string>* object_switches) {
  if (const A_Err err = Host::Current()->calls().Enter(call)) return err;
  if (object_switches != nullptr && object_switches->count(call) != 0) return A_Err_GENERIC;
  return A_Err_NONE;
}

SimComposition* FindComposition(const void* compH) {
  if (compH == nullptr) return nullptr;
  for (const auto& comp : Host::Current()->scene().compositions) {
    if (comp.get() == compH) return comp.get();
  }
  return nullptr;
}

SimLayer* FindLayer(const void* layerH) {
  if (layerH == nullptr) return nullptr;
  for (const auto& comp : Host::Current()->scene().compositions) {
    for (SimLayer& layer : comp->layers) {
      if (&layer == layerH) return &layer;
    }
  }
  return nullptr;
}

SimItem* FindItem(const void* itemH) {
  if (itemH == nullptr) return nullptr;
  SimScene& scene = Host::Current()->scene();
  for (const auto& comp : scene.compositions) {
    if (&comp->item == itemH) return &comp->item;
  }
  for (const auto& item : scene.items) {
    if (item.get() == itemH) return item.get();
  }
  return nullptr;
}

}  // namespace hostsim
