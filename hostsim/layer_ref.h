// How the simulated host hands its layers to the plug-in: an AEGP_LayerH is
// the address of the SimLayer in the scene (layers are never disposed).
#pragma once
#include "host/aegp_types.h"
#include "hostsim/scene.h"

namespace hostsim {

inline AEGP_LayerH LayerRef(SimLayer& layer) { return reinterpret_cast<AEGP_LayerH>(&layer); }
inline SimLayer* LayerFromRef(AEGP_LayerH layer) { return reinterpret_cast<SimLayer*>(layer); }

}  // namespace hostsim
