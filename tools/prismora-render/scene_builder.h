// Puts a scene description into the simulated host: one composition, the
// effect's layer (shape contents or a solid's source, masks, transform and
// parents) and the effect instance with its control values.
#pragma once
#include "hostsim/host.h"
#include "scene_file.h"

namespace prismora_render {

struct BuiltScene {
  hostsim::SimComposition* composition = nullptr;
  hostsim::SimLayer* layer = nullptr;
  hostsim::SimEffectInstance* instance = nullptr;
};

BuiltScene BuildScene(hostsim::Host& host, const SceneDesc& scene);

}  // namespace prismora_render
