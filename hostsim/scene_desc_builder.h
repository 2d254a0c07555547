// Puts a scene description into the simulated host: one composition, the
// effect's layer (shape contents or a solid's source, masks, transform and
// parents) and the effect instance with its control values.
#pragma once
#include "hostsim/host.h"
#include "hostsim/scene_desc.h"

namespace hostsim {

struct BuiltScene {
  SimComposition* composition = nullptr;
  SimLayer* layer = nullptr;
  SimLayer* matte_layer = nullptr;  // the track matte, when the scene has one
  SimEffectInstance* instance = nullptr;
};

BuiltScene BuildScene(Host& host, const SceneDesc& scene);

}  // namespace hostsim
