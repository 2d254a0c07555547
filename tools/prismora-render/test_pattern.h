// The demo's background: a colourful, detailed test card (colour bars, a
// fine checkerboard, concentric rings, a hue wheel and thin grid lines), so
// refraction, dispersion and the rim light are easy to see through glass.
// Opaque, premultiplied ARGB.
#pragma once
#include "hostsim/sim_world.h"
#include "png_image.h"

namespace prismora_render {

void FillTestPattern(hostsim::SimWorld& world);
// Scales the image to the world with nearest-neighbour sampling and
// premultiplies it.
void FillFromImage(hostsim::SimWorld& world, const RgbaImage& image);

}  // namespace prismora_render
