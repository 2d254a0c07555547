// The centre of mass of all pane pixels (pane_depth > 0) and a radius for
// them: half the larger side of their bounding box, in output pixels
// (x right, y down, pixel (x, y) counted at its integer coordinates). The
// shading magnifies and splays about this centre; the rim light's glow
// measures its side of the pane from it.
#pragma once
#include <cstdint>

#include "render/float_plane.h"

struct PaneCentre {
  float pane_centre_x = 0.0f;
  float pane_centre_y = 0.0f;
  float pane_radius = 0.0f;
};

// With no pane pixel the centre is the middle of the plane, (w / 2, h / 2),
// and the radius max(w, h) / 2; otherwise the radius is at least 1.
PaneCentre FindPaneCentre(const FloatPlane& pane_depth);
