// The scenes that the Linux, Windows and scalar-path builds of the module
// must render to the same bytes: every road to the panes (analytic shapes
// with ellipses, polygons and stars under each merge mode, masks, free
// paths, text, both kinds of track matte), 8 and 16 bits, frost, draft
// quality and half resolution.
#pragma once
#include <string>
#include <vector>

#include "hostsim/scene_desc.h"
#include "hostsim/sim_world.h"

namespace frame_parity {

struct ParityScene {
  std::string name;
  hostsim::SceneDesc desc;
};

std::vector<ParityScene> ParityScenes();

// The layers below the effect: gradients, stripes and a checkerboard from
// integer arithmetic alone, so every build's host hands the module the same
// input.
void FillParityInput(hostsim::SimWorld& world);

}  // namespace frame_parity
