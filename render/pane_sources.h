// Where a frame's pane outline comes from, decided once per render from the
// record: text glyphs, the matte raster, a raster fill of free paths, or the
// shape slots (analytic distances or a supersampled scanline fill).
#pragma once
#include "render/render_settings.h"

struct PaneSources {
  bool text_source = false;          // TEXT_SOURCE
  bool matte_source = false;         // MATTE_SOURCE
  bool path_source = false;          // PATH_SOURCE
  bool raster_source = false;        // RASTER_SOURCE
  bool shapes_supersampled = false;  // SHAPES_SUPERSAMPLED
  bool paths_supersampled = false;   // PATHS_SUPERSAMPLED
};

// effect_layer_type is the effect layer's object type, -1 when unknown.
// Deciding the matte source turns slots_are_masks off in the settings.
PaneSources DecidePaneSources(RenderSettings& settings, A_long effect_layer_type);
